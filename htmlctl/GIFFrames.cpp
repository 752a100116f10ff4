#include "GIFFrames.h"

namespace GIFFrames {

namespace {
int U8(std::string_view d, std::size_t i) { return i < d.size() ? static_cast<unsigned char>(d[i]) : 0; }
int U16(std::string_view d, std::size_t i) { return U8(d, i) | (U8(d, i + 1) << 8); }
} // namespace

bool IsGIF(std::string_view data) { return data.size() > 4 && data.substr(0, 4) == "GIF8"; }

std::vector<TFrameInfo> Scan(std::string_view data) {
    std::vector<TFrameInfo> frames;
    if (!IsGIF(data)) return frames;
    // Byte by byte, as the file's blocks are not walked: the extension label 0xF9 with block size 4
    // and an image separator right after the extension mark a frame.
    for (std::size_t i = 0; i + 8 < data.size(); ++i) {
        if (U8(data, i) != 0x21 || U8(data, i + 1) != 0xF9 || U8(data, i + 2) != 4 || U8(data, i + 8) != 0x2C)
            continue;
        TFrameInfo f;
        f.Start = i;
        const int packed = U8(data, i + 3);
        f.Transparent = (packed & 1) != 0;
        f.Disposal = (packed >> 2) & 7;
        f.Delay = U16(data, i + 4);
        f.Left = U16(data, i + 9);
        f.Top = U16(data, i + 11);
        f.Width = U16(data, i + 13);
        f.Height = U16(data, i + 15);
        frames.push_back(f);
    }
    return frames;
}

int ScreenWidth(std::string_view data) { return data.size() >= 10 ? U16(data, 6) : 0; }
int ScreenHeight(std::string_view data) { return data.size() >= 10 ? U16(data, 8) : 0; }

std::string CutToFrame(std::string_view data, int Index) {
    const std::vector<TFrameInfo> frames = Scan(data);
    if (Index < 1 || Index > static_cast<int>(frames.size())) return std::string(data);
    std::string out(data.substr(0, frames[0].Start));
    out.append(data.substr(frames[static_cast<std::size_t>(Index - 1)].Start));
    return out;
}

std::string FrameOnly(std::string_view data, int Index) {
    const std::vector<TFrameInfo> frames = Scan(data);
    if (Index < 1 || Index > static_cast<int>(frames.size())) return std::string(data);
    const TFrameInfo& f = frames[static_cast<std::size_t>(Index - 1)];
    std::string out = CutToFrame(data, Index);
    const std::size_t desc = frames[0].Start + 8;
    if (out.size() < desc + 5) return out;   // a descriptor cut short: leave it to the decoder
    auto put16 = [&out](std::size_t at, int v) {
        out[at] = static_cast<char>(v & 0xFF);
        out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    put16(6, f.Width);
    put16(8, f.Height);
    // The frame now starts where the first one did; its descriptor follows the 8-byte extension.
    put16(desc + 1, 0);
    put16(desc + 3, 0);
    return out;
}

} // namespace GIFFrames
