#include "CharacterPackage.h"

#include <charconv>
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
        error = "Die Figur \"" + path + "\" gibt es nicht";
        return nullptr;
    }
    auto pkg = std::unique_ptr<CharacterPackage>(new CharacterPackage);
    pkg->path_ = path;
    TIniFile ini(path);
    const std::string folder = SysUtils::ExtractFilePath(path);

    pkg->name_ = ini.ReadString("Figur", "Name", "");
    pkg->width_ = ini.ReadInteger("Figur", "Breite", 0);
    pkg->height_ = ini.ReadInteger("Figur", "Hoehe", 0);
    if (pkg->name_.empty() || pkg->width_ <= 0 || pkg->height_ <= 0 || pkg->width_ > 2000 || pkg->height_ > 2000) {
        error = "Name oder Größe der Figur fehlen";
        return nullptr;
    }

    TStringList keys;
    ini.ReadSection("Bilder", &keys);
    for (int i = 0; i < keys.Count(); ++i) {
        const std::string name = keys[i];
        const std::string file = ini.ReadString("Bilder", name, "");
        QImage img;
        if (file.empty() || !img.load(QString::fromStdString(folder + file))) {
            error = "Das Bild \"" + file + "\" fehlt oder ist unlesbar";
            return nullptr;
        }
        pkg->pictures_[SysUtils::LowerCase(name)] = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        pkg->files_[SysUtils::LowerCase(name)] = folder + file;
    }

    pkg->rest_ = SysUtils::LowerCase(ini.ReadString("Figur", "Ruhe", ""));
    if (!pkg->Picture(pkg->rest_)) {
        error = "Das Ruhebild fehlt";
        return nullptr;
    }
    pkg->mouthPicture_ = SysUtils::LowerCase(ini.ReadString("Figur", "Mundbild", ""));
    const std::vector<std::string> mouth = SplitList(ini.ReadString("Figur", "Mund", ""));
    if (mouth.size() == 2) {
        pkg->mouth_ = QPoint(SysUtils::StrToIntDef(mouth[0], 0), SysUtils::StrToIntDef(mouth[1], 0));
    }
    const std::string speaking = ini.ReadString("Figur", "Sprechen", "");
    if (!speaking.empty() && !ParseFrames(SysUtils::LowerCase(speaking), pkg->speaking_)) {
        error = "Die Sprechfolge ist fehlerhaft";
        return nullptr;
    }
    for (const std::string& n : SplitList(ini.ReadString("Figur", "OhneMund", "")))
        if (!n.empty()) pkg->noMouth_.insert(SysUtils::LowerCase(n));
    if (!pkg->mouthPicture_.empty() && !pkg->Picture(pkg->mouthPicture_)) {
        error = "Das Mundbild fehlt";
        return nullptr;
    }
    for (const Frame& f : pkg->speaking_) {
        if (!pkg->Picture(f.picture)) {
            error = "Das Bild \"" + f.picture + "\" der Sprechfolge fehlt";
            return nullptr;
        }
    }

    keys.Clear();
    ini.ReadSection("Animationen", &keys);
    for (int i = 0; i < keys.Count(); ++i) {
        Animation a;
        a.name = keys[i];
        if (!ParseFrames(SysUtils::LowerCase(ini.ReadString("Animationen", a.name, "")), a.frames)) {
            error = "Die Animation \"" + a.name + "\" ist fehlerhaft";
            return nullptr;
        }
        for (const Frame& f : a.frames) {
            if (!pkg->Picture(f.picture)) {
                error = "Die Animation \"" + a.name + "\" nennt das unbekannte Bild \"" + f.picture + "\"";
                return nullptr;
            }
        }
        pkg->animations_.push_back(std::move(a));
    }
    return pkg;
}

const Animation* CharacterPackage::FindAnimation(const std::string& name) const {
    for (const Animation& a : animations_)
        if (SysUtils::SameText(a.name, name)) return &a;
    return nullptr;
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
