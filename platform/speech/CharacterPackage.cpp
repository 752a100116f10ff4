#include "CharacterPackage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <filesystem>
#include <memory>

#include "IniFiles.h"
#include "SysUtils.h"

namespace Agent::Detail {
namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t comma = text.find(',', from);
        if (comma == std::string::npos) comma = text.size();
        parts.push_back(SysUtils::Trim(text.substr(from, comma - from)));
        from = comma + 1;
    }
    return parts;
}

// A package is shared data: whatever it names, loading it stays quick, small and inside its folder.
constexpr std::uintmax_t kMaxPackageBytes = SysUtils::MaxSettingsFileBytes;
constexpr std::size_t kMaxPictureBytes = SysUtils::MaxPictureFileBytes;
constexpr int kMaxPictures = 256;
constexpr int kMaxPictureSide = 2000;  // no character is larger
constexpr std::uint64_t kMaxPictureMemory = 256ull * 1024 * 1024;

std::string Refusal(const std::string& name, const std::string& why) {
    return "Die Figur \"" + name + "\" wurde nicht geladen: " + why;
}

// The bytes of a regular file, read without blocking on a FIFO or device; false with the reason.
bool ReadRegularFile(const std::string& path, std::size_t limit, QByteArray& bytes, std::string& why) {
    try {
        // The path has its links resolved: a link in its place now is one put there since.
        const auto file = SysUtils::TRegularFile::Open(path, limit, true);
        if (!file) {
            why = "fehlt oder ist unlesbar.";
            return false;
        }
        const std::string read = file->ReadAll();
        bytes = QByteArray(read.data(), static_cast<qsizetype>(read.size()));
        return true;
    } catch (const SysUtils::EFileRefused& e) {
        why = e.Reason == SysUtils::EFileRefused::frNotRegular ? "ist keine gewöhnliche Datei." : "ist zu groß.";
    } catch (const std::exception&) {
        why = "fehlt oder ist unlesbar.";
    }
    return false;
}

// The picture's file with every link resolved, when it lies inside the package's folder.
bool InsideFolder(const std::filesystem::path& folder, const std::string& file, std::filesystem::path& resolved) {
    const std::filesystem::path relative(file);
    if (file.empty() || relative.is_absolute() || relative.has_root_name() || relative.has_root_directory())
        return false;
    for (const auto& part : relative)
        if (part == "..") return false;
    const AnsiString inside = SysUtils::ResolveInsideFolder(folder.string(), (folder / relative).string());
    resolved = std::string(inside);
    return !inside.empty();
}

} // namespace

bool ParseFrames(const std::string& text, std::vector<Frame>& frames) {
    frames.clear();
    for (const std::string& part : SplitList(text)) {
        const auto blank = part.find_last_of(" \t");
        if (blank == std::string::npos) return false;
        Frame f;
        f.picture = SysUtils::Trim(part.substr(0, blank));
        const std::string ms = part.substr(blank + 1);
        if (f.picture.empty() || ms.empty() || ms.find_first_not_of("0123456789") != std::string::npos ||
            ms.size() > 6)
            return false;
        std::from_chars(ms.data(), ms.data() + ms.size(), f.durationMs);
        frames.push_back(f);
    }
    return !frames.empty();
}

std::unique_ptr<CharacterPackage> CharacterPackage::Load(const std::string& path, std::string& error) {
    if (path.empty() || !SysUtils::FileExists(path)) {
        error = "Die Figur \"" + path + "\" gibt es nicht.";
        return nullptr;
    }
    const std::string fileName = SysUtils::ExtractFileName(path);
    {
        // The package file itself: a regular file of bounded size, else the reader could wait forever.
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            error = Refusal(fileName, "die Datei ist keine gewöhnliche Datei.");
            return nullptr;
        }
        if (static_cast<std::uintmax_t>(st.st_size) > kMaxPackageBytes) {
            error = Refusal(fileName, "die Datei ist größer als 16 MB.");
            return nullptr;
        }
    }
    const std::string folder = SysUtils::ExtractFilePath(path);
    std::error_code ec;
    const std::filesystem::path realFolder = std::filesystem::canonical(folder.empty() ? "." : folder, ec);
    if (ec) {
        error = Refusal(fileName, "ihr Ordner ist unlesbar.");
        return nullptr;
    }
    // A link in the folder may lead only to a package of the same folder, as its pictures may.
    if (SysUtils::ResolveInsideFolder(realFolder.string(), path).empty()) {
        error = Refusal(fileName, "die Datei liegt außerhalb ihres Ordners.");
        return nullptr;
    }
    auto pkg = std::unique_ptr<CharacterPackage>(new CharacterPackage);
    pkg->path_ = path;
    TIniFile ini(path);

    pkg->name_ = ini.ReadString("Figur", "Name", "");
    pkg->width_ = ini.ReadInteger("Figur", "Breite", 0);
    pkg->height_ = ini.ReadInteger("Figur", "Hoehe", 0);
    if (pkg->name_.empty() || pkg->width_ <= 0 || pkg->height_ <= 0 || pkg->width_ > 2000 || pkg->height_ > 2000) {
        error = Refusal(fileName, "Name oder Größe fehlen.");
        return nullptr;
    }
    const std::string& shown = pkg->name_;

    TStringList keys;
    ini.ReadSection("Bilder", &keys);
    if (keys.Count() > kMaxPictures) {
        error = Refusal(shown, "sie nennt mehr als " + std::to_string(kMaxPictures) + " Bilder.");
        return nullptr;
    }
    // First every picture's place and size, from its header: a refused package decodes nothing.
    struct Entry {
        std::string name;
        std::string file;
        std::filesystem::path resolved;
        QSize size;
    };
    std::vector<Entry> entries;
    std::uint64_t memory = 0;
    for (int i = 0; i < keys.Count(); ++i) {
        Entry e;
        e.name = keys[i];
        e.file = ini.ReadString("Bilder", e.name, "");
        const std::string picture = "das Bild \"" + e.file + "\" ";
        if (!e.file.empty() && !InsideFolder(realFolder, e.file, e.resolved)) {
            error = Refusal(shown, picture + "liegt außerhalb ihres Ordners.");
            return nullptr;
        }
        QByteArray bytes;
        std::string why = "fehlt oder ist unlesbar.";
        if (e.file.empty() || !ReadRegularFile(e.resolved.string(), kMaxPictureBytes, bytes, why)) {
            error = Refusal(shown, picture + why);
            return nullptr;
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        e.size = QImageReader(&buffer).size();
        if (!e.size.isValid()) {
            error = Refusal(shown, picture + "fehlt oder ist unlesbar.");
            return nullptr;
        }
        if (e.size.width() > kMaxPictureSide || e.size.height() > kMaxPictureSide) {
            error = Refusal(shown, picture + "ist größer als " + std::to_string(kMaxPictureSide) + " x " +
                                       std::to_string(kMaxPictureSide) + " Bildpunkte.");
            return nullptr;
        }
        memory += static_cast<std::uint64_t>(e.size.width()) * static_cast<std::uint64_t>(e.size.height()) * 4u;
        if (memory > kMaxPictureMemory) {
            error = Refusal(shown, "ihre Bilder brauchen mehr als 256 MB Speicher.");
            return nullptr;
        }
        entries.push_back(std::move(e));
    }
    for (const Entry& e : entries) {
        QByteArray bytes;
        std::string why = "fehlt oder ist unlesbar.";
        QImage img;
        bool read = ReadRegularFile(e.resolved.string(), kMaxPictureBytes, bytes, why);
        if (read) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            // The file may have changed since its size was checked.
            read = reader.size() == e.size && reader.read(&img) && img.size() == e.size;
        }
        if (!read) {
            error = Refusal(shown, "das Bild \"" + e.file + "\" " + why);
            return nullptr;
        }
        pkg->pictures_[SysUtils::LowerCase(e.name)] = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        pkg->files_[SysUtils::LowerCase(e.name)] = e.resolved.string();
    }

    pkg->rest_ = SysUtils::LowerCase(ini.ReadString("Figur", "Ruhe", ""));
    if (!pkg->Picture(pkg->rest_)) {
        error = Refusal(shown, "das Ruhebild fehlt.");
        return nullptr;
    }
    pkg->mouthPicture_ = SysUtils::LowerCase(ini.ReadString("Figur", "Mundbild", ""));
    const std::vector<std::string> mouth = SplitList(ini.ReadString("Figur", "Mund", ""));
    if (mouth.size() == 2) {
        pkg->mouth_ = QPoint(SysUtils::StrToIntDef(mouth[0], 0), SysUtils::StrToIntDef(mouth[1], 0));
    }
    const std::string speaking = ini.ReadString("Figur", "Sprechen", "");
    if (!speaking.empty() && !ParseFrames(SysUtils::LowerCase(speaking), pkg->speaking_)) {
        error = Refusal(shown, "die Sprechfolge ist fehlerhaft.");
        return nullptr;
    }
    for (const std::string& n : SplitList(ini.ReadString("Figur", "OhneMund", "")))
        if (!n.empty()) pkg->noMouth_.insert(SysUtils::LowerCase(n));
    if (!pkg->mouthPicture_.empty() && !pkg->Picture(pkg->mouthPicture_)) {
        error = Refusal(shown, "das Mundbild fehlt.");
        return nullptr;
    }
    for (const Frame& f : pkg->speaking_) {
        if (!pkg->Picture(f.picture)) {
            error = Refusal(shown, "das Bild \"" + f.picture + "\" der Sprechfolge fehlt.");
            return nullptr;
        }
    }

    keys.Clear();
    ini.ReadSection("Animationen", &keys);
    for (int i = 0; i < keys.Count(); ++i) {
        Animation a;
        a.name = keys[i];
        if (!ParseFrames(SysUtils::LowerCase(ini.ReadString("Animationen", a.name, "")), a.frames)) {
            error = Refusal(shown, "die Animation \"" + a.name + "\" ist fehlerhaft.");
            return nullptr;
        }
        for (const Frame& f : a.frames) {
            if (!pkg->Picture(f.picture)) {
                error = Refusal(shown, "die Animation \"" + a.name + "\" nennt das unbekannte Bild \"" + f.picture + "\".");
                return nullptr;
            }
        }
        pkg->index_.emplace(SysUtils::LowerCase(a.name), pkg->animations_.size());
        pkg->animations_.push_back(std::move(a));
    }
    return pkg;
}

const Animation* CharacterPackage::FindAnimation(const std::string& name) const {
    const auto it = index_.find(SysUtils::LowerCase(name));
    return it == index_.end() ? nullptr : &animations_[it->second];
}

const QImage* CharacterPackage::Picture(const std::string& name) const {
    auto it = pictures_.find(SysUtils::LowerCase(name));
    return it == pictures_.end() ? nullptr : &it->second;
}

std::string CharacterPackage::PictureFile(const std::string& name) const {
    auto it = files_.find(SysUtils::LowerCase(name));
    return it == files_.end() ? std::string() : it->second;
}

} // namespace Agent::Detail
