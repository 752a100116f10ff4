// A character package: an INI-style text file "*.acp" naming the character's pictures (PNG files
// beside it) and its animations as frame sequences.
//
//   [Figur]        Name, Breite, Hoehe (pixels), Ruhe (the picture at rest),
//                  Mund = x,y of the mouth pictures on the face, Mundbild (the closed mouth),
//                  Sprechen = the mouth sequence while speaking, OhneMund = pictures drawn without
//                  a mouth laid over them
//   [Bilder]       picture name = file name
//   [Animationen]  animation name = "picture ms, picture ms, ..." in the character's own order
#pragma once

#include <QImage>
#include <QPoint>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace Agent::Detail {

struct Frame {
    std::string picture;
    int durationMs = 100;
};

struct Animation {
    std::string name;
    std::vector<Frame> frames;
};

class CharacterPackage {
public:
    // Null, with the reason in error (German, for the user), when the file is missing or broken, or
    // names a picture outside its folder, not a regular file, or too large.
    static std::unique_ptr<CharacterPackage> Load(const std::string& path, std::string& error);

    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::string& RestPicture() const { return rest_; }
    QPoint MouthPosition() const { return mouth_; }
    const std::string& MouthPicture() const { return mouthPicture_; }
    const std::vector<Frame>& SpeakingFrames() const { return speaking_; }
    bool DrawsMouth(const std::string& picture) const { return !noMouth_.count(picture); }
    const std::vector<Animation>& Animations() const { return animations_; }
    // Case-insensitive, as animation names are; null when the character has no such animation.
    const Animation* FindAnimation(const std::string& name) const;
    // Null for an unknown name.
    const QImage* Picture(const std::string& name) const;
    // The file the picture was loaded from; empty for an unknown name.
    std::string PictureFile(const std::string& name) const;

private:
    std::string path_;
    std::string name_;
    int width_ = 0;
    int height_ = 0;
    std::string rest_;
    QPoint mouth_;
    std::string mouthPicture_;
    std::vector<Frame> speaking_;
    std::set<std::string> noMouth_;
    std::map<std::string, QImage> pictures_;
    std::map<std::string, std::string> files_;
    std::vector<Animation> animations_;
    std::unordered_map<std::string, std::size_t> index_;  // lower-case name -> animation
};

// "picture ms, picture ms": false when a part is not a picture name followed by a duration.
bool ParseFrames(const std::string& text, std::vector<Frame>& frames);

} // namespace Agent::Detail
