#pragma once
// Frames of an animated GIF found in the file's own blocks: a frame is a graphic control extension
// followed directly by an image descriptor. The picture classes use this for frame counts, delays,
// frame rectangles and for cutting a stream that shows one frame.
#include <string>
#include <string_view>
#include <vector>

namespace GIFFrames {

struct TFrameInfo {
    std::size_t Start = 0;     // offset of the extension's "!"
    int Delay = 0;             // hundredths of a second
    bool Transparent = false;
    int Disposal = 0;
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

bool IsGIF(std::string_view data);
// The frames in file order (frame 1 first); empty when the data is not a GIF or has none.
std::vector<TFrameInfo> Scan(std::string_view data);
// Logical screen size from the header; 0 when the data is too short.
int ScreenWidth(std::string_view data);
int ScreenHeight(std::string_view data);
// The header and everything before the first frame, then frame Index (1-based) to the end: a
// decoder shows that frame first. The data unchanged when there is no such frame.
std::string CutToFrame(std::string_view data, int Index);
// As CutToFrame, with the logical screen shrunk to frame Index and the frame moved to its top-left
// corner: a decoder then gives the frame alone, at its own size.
std::string FrameOnly(std::string_view data, int Index);

} // namespace GIFFrames
