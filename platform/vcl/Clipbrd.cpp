// The clipboard over Qt's.
#include "Clipbrd.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>

#include <map>
#include <mutex>

#include "TextEncoding.h"
#include "VclPrivate.h"

namespace {

std::mutex formatsMutex;
std::map<std::string, UINT>& Formats() {
    static std::map<std::string, UINT> formats;
    return formats;
}

std::string CodePageText(const std::string& utf8) {
    return TextEncoding::Cp1252ToUtf8(TextEncoding::Utf8ToCp1252(utf8));
}

} // namespace

UINT RegisterClipboardFormat(const char* lpszFormat) {
    if (!lpszFormat || !*lpszFormat) return 0;
    std::lock_guard<std::mutex> lock(formatsMutex);
    auto& formats = Formats();
    // Format names ignore case.
    for (auto& [name, id] : formats) {
        if (QString::fromStdString(name).compare(QString::fromUtf8(lpszFormat), Qt::CaseInsensitive) == 0) return id;
    }
    const UINT id = 0xC000 + static_cast<UINT>(formats.size());
    formats.emplace(lpszFormat, id);
    return id;
}

AnsiString ClipboardFormatName(UINT Format) {
    std::lock_guard<std::mutex> lock(formatsMutex);
    for (auto& [name, id] : Formats()) {
        if (id == Format) return name;
    }
    return {};
}

bool TClipboard::HasFormat(UINT Format) const {
    Vcl::Detail::EnsureQtApp();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data) return false;
    if (Format == CF_TEXT || Format == CF_UNICODETEXT) return data->hasText();
    if (Format == CF_HDROP) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) return true;
        }
        return false;
    }
    if (Format >= 0xC000 && ClipboardFormatName(Format) == "Rich Text Format")
        return data->hasFormat("text/rtf") || data->hasFormat("application/rtf");
    return false;
}

AnsiString TClipboard::AsText() const {
    Vcl::Detail::EnsureQtApp();
    return CodePageText(QApplication::clipboard()->text().toStdString());
}

void TClipboard::SetAsText(const AnsiString& Value) {
    Vcl::Detail::EnsureQtApp();
    QApplication::clipboard()->setText(QString::fromStdString(CodePageText(Value)));
}

void TClipboard::Clear() {
    Vcl::Detail::EnsureQtApp();
    QApplication::clipboard()->clear();
}

TClipboard* Clipboard() {
    static TClipboard clipboard;
    return &clipboard;
}
