// ShellExecute: addresses and documents go to QDesktopServices, programs to QProcess with an argument
// list, so nothing a caller passes is ever read by a shell.
#include "ShellApi.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QStyle>
#include <QProcess>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "SysUtils.h"
#include "GraphicsQt.h"
#include "VclPrivate.h"

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool HasScheme(const std::string& s) {
    // "scheme:" with a scheme of letters, digits, '+', '-' or '.', at least two characters so that a
    // drive letter ("C:") is no scheme.
    const auto colon = s.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = s[i];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.')) return false;
    }
    return std::isalpha(static_cast<unsigned char>(s[0])) != 0;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return SysUtils::IncludeTrailingPathDelimiter(dir) + name;
}

std::string StripExe(const std::string& name) {
    if (name.size() > 4 && SysUtils::SameText(name.substr(name.size() - 4), ".exe")) return name.substr(0, name.size() - 4);
    return {};
}

ShellApi::TUrlOpener& Opener() {
    static ShellApi::TUrlOpener opener;
    return opener;
}

bool OpenUrl(const QUrl& url) {
    if (Opener()) return Opener()(url.toString(QUrl::FullyEncoded).toStdString());
    return QDesktopServices::openUrl(url);
}

} // namespace

void ShellApi::SetUrlOpener(TUrlOpener opener) { Opener() = std::move(opener); }

std::vector<std::string> ShellApi::SplitParameters(const std::string& Parameters) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false, quoted = false;
    for (std::size_t i = 0; i < Parameters.size(); ++i) {
        const char c = Parameters[i];
        if (c == '\\') {
            std::size_t n = 0;
            while (i < Parameters.size() && Parameters[i] == '\\') {
                ++n;
                ++i;
            }
            if (i < Parameters.size() && Parameters[i] == '"') {
                // 2n backslashes and a quote: n backslashes, the quote groups; 2n+1: a literal quote.
                current.append(n / 2, '\\');
                if (n % 2 == 1) current += '"';
                else quoted = !quoted;
            } else {
                current.append(n, '\\');
                --i;
            }
            inArg = true;
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < Parameters.size() && Parameters[i + 1] == '"') {
                current += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
            inArg = true;
            continue;
        }
        if ((c == ' ' || c == '\t') && !quoted) {
            if (inArg) args.push_back(current);
            current.clear();
            inArg = false;
            continue;
        }
        current += c;
        inArg = true;
    }
    if (inArg) args.push_back(current);
    return args;
}

std::string ShellApi::FindProgram(const std::string& File, const std::string& Directory) {
    std::vector<std::string> names{File};
    if (auto bare = StripExe(File); !bare.empty()) names.push_back(bare);
    const bool hasPath = File.find('/') != std::string::npos || File.find('\\') != std::string::npos;
    for (const auto& name : names) {
        if (hasPath) {
            const bool absolute = name[0] == '/' || name[0] == '\\';
            const std::string path = SysUtils::ResolvePath(absolute ? name : Join(Directory, name));
            if (IsExecutableFile(path)) return path;
            continue;
        }
        std::vector<std::string> dirs;
        if (!Directory.empty()) dirs.push_back(Directory);
        dirs.push_back(".");
        const std::string path = SysUtils::GetEnvironmentVariable("PATH");
        std::size_t start = 0;
        while (start <= path.size()) {
            const auto end = path.find(':', start);
            const std::string dir = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!dir.empty()) dirs.push_back(dir);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        for (const auto& dir : dirs) {
            const std::string candidate = SysUtils::ResolvePath(Join(dir, name));
            if (IsExecutableFile(candidate)) return candidate;
        }
    }
    return {};
}

HINSTANCE ShellExecute(HWND, const char* lpOperation, const char* lpFile, const char* lpParameters,
                       const char* lpDirectory, int) {
    const auto result = [](std::intptr_t v) { return reinterpret_cast<HINSTANCE>(v); };
    const std::string op = lpOperation ? lpOperation : "";
    const std::string file = lpFile ? lpFile : "";
    const std::string params = lpParameters ? lpParameters : "";
    const std::string dir = lpDirectory ? lpDirectory : "";
    if (file.empty()) return result(SE_ERR_FNF);
    if (!op.empty() && !SysUtils::SameText(op, "open") && !SysUtils::SameText(op, "explore"))
        return result(SE_ERR_NOASSOC);
    if (!Vcl::Detail::EnsureQtApp()) return result(SE_ERR_OOM);

    if (HasScheme(file)) {
        const QUrl url(QString::fromStdString(file));
        if (!url.isValid()) return result(SE_ERR_FNF);
        return result(OpenUrl(url) ? 42 : SE_ERR_NOASSOC);
    }
    const std::string program = ShellApi::FindProgram(file, dir);
    if (!program.empty()) {
        QStringList args;
        for (const auto& a : ShellApi::SplitParameters(params)) args << QString::fromStdString(a);
        const QString workDir = QString::fromStdString(dir.empty() ? std::string() : SysUtils::ResolvePath(dir));
        return result(QProcess::startDetached(QString::fromStdString(program), args, workDir) ? 42 : SE_ERR_ACCESSDENIED);
    }
    // A document or folder: the desktop's opener for its type.
    const bool absolute = file[0] == '/' || file[0] == '\\';
    const std::string path = SysUtils::ResolvePath(absolute ? file : Join(dir.empty() ? "." : dir, file));
    if (!SysUtils::FileExists(path) && !SysUtils::DirectoryExists(path)) return result(SE_ERR_FNF);
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(SysUtils::ExpandFileName(path)));
    return result(OpenUrl(url) ? 42 : SE_ERR_NOASSOC);
}

bool ShellApi::GetSystemIcon(const AnsiString& Name, bool Large, TIcon* Icon) {
    if (!Icon || Name.empty() || !Vcl::Detail::EnsureQtApp()) return false;
    QFileIconProvider provider;
    QIcon icon;
    if (std::all_of(Name.begin(), Name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        const long index = Name.size() > 4 ? -1 : std::strtol(Name.c_str(), nullptr, 10);
        using T = QAbstractFileIconProvider::IconType;
        if (index < 0) return false;
        if (index <= 2) icon = provider.icon(T::File);
        else if (index <= 4) icon = provider.icon(T::Folder);
        else if (index <= 12) icon = provider.icon(index == 9 || index == 10 ? T::Network : T::Drive);
        else if (index == 13) icon = provider.icon(T::Network);
        else if (index == 15) icon = provider.icon(T::Computer);
        else if (index == 31 || index == 32) icon = provider.icon(T::Trashcan);
        else if (index == 34) icon = provider.icon(T::Desktop);
    } else {
        const QFileInfo info(QString::fromStdString(SysUtils::ResolvePath(Name)));
        if (info.exists()) {
            icon = provider.icon(info);
        } else {
            // By the name alone: the icon of its kind in the desktop's theme, else a plain file's.
            const QMimeType type = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
            icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
            if (icon.isNull()) icon = provider.icon(QAbstractFileIconProvider::File);
        }
    }
    if (icon.isNull()) return false;
    const int size = QApplication::style()->pixelMetric(Large ? QStyle::PM_LargeIconSize : QStyle::PM_SmallIconSize);
    QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return false;
    // A theme may hand a smaller picture than asked: it sits in the middle of the icon's square.
    if (image.width() != size || image.height() != size) {
        QImage square(size, size, QImage::Format_ARGB32);
        square.fill(Qt::transparent);
        QPainter p(&square);
        p.drawImage((size - image.width()) / 2, (size - image.height()) / 2, image);
        p.end();
        image = square;
    }
    Icon->ReleasePainter();
    Icon->Image()->image = image;
    Icon->SetModified(true);
    if (Icon->OnChange) Icon->OnChange(Icon);
    return true;
}

HWND HtmlHelp(HWND, const char* pszFile, UINT uCommand, UINT_PTR) {
    if (!pszFile || uCommand != HH_DISPLAY_TOPIC || !Vcl::Detail::EnsureQtApp()) return nullptr;
    std::string file = pszFile, topic;
    if (const auto sep = file.find("::"); sep != std::string::npos) {
        topic = file.substr(sep + 2);
        file.erase(sep);
        while (!topic.empty() && (topic[0] == '/' || topic[0] == '\\')) topic.erase(0, 1);
    }
    const std::string path = SysUtils::ExpandFileName(SysUtils::ResolvePath(file));
    if (!SysUtils::FileExists(path)) return nullptr;
    // Any non-null value says the help went to its viewer.
    HWND const handedOn = reinterpret_cast<HWND>(std::intptr_t{1});
    const std::string viewer = ShellApi::FindProgram("kchmviewer", "");
    if (!viewer.empty()) {
        QStringList args;
        if (!topic.empty()) args << "-showPage" << QString::fromStdString(topic);
        args << QString::fromStdString(path);
        if (QProcess::startDetached(QString::fromStdString(viewer), args)) return handedOn;
    }
    return OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path))) ? handedOn : nullptr;
}
