#pragma once
// Writes small GIF files for the tests: a four-colour palette (black, red, green, blue), one
// graphic control extension per frame, each frame filled with one colour.
#include <string>
#include <vector>

namespace testgif {

struct Frame { int left, top, width, height, colour, delay; };

inline void Put16(std::string& s, int v) { s += static_cast<char>(v & 0xFF); s += static_cast<char>((v >> 8) & 0xFF); }

inline std::string Make(int w, int h, const std::vector<Frame>& frames) {
    std::string s = "GIF89a";
    Put16(s, w);
    Put16(s, h);
    s += static_cast<char>(0x81);   // global colour table of 4 entries
    s += '\0';
    s += '\0';
    const unsigned char pal[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    s.append(reinterpret_cast<const char*>(pal), 12);
    for (const Frame& f : frames) {
        s += "\x21\xF9\x04";
        s += '\0';   // no transparency, no disposal
        Put16(s, f.delay);
        s += '\0';
        s += '\0';
        s += ',';
        Put16(s, f.left);
        Put16(s, f.top);
        Put16(s, f.width);
        Put16(s, f.height);
        s += '\0';
        // LZW with a clear code before every pixel keeps every code 3 bits wide.
        s += static_cast<char>(2);
        std::string bytes;
        unsigned acc = 0;
        int bits = 0;
        auto code = [&](unsigned c) {
            acc |= c << bits;
            bits += 3;
            while (bits >= 8) { bytes += static_cast<char>(acc & 0xFF); acc >>= 8; bits -= 8; }
        };
        for (int i = 0; i < f.width * f.height; ++i) { code(4); code(static_cast<unsigned>(f.colour)); }
        code(5);
        if (bits > 0) bytes += static_cast<char>(acc & 0xFF);
        for (std::size_t i = 0; i < bytes.size(); i += 255) {
            const std::size_t n = std::min<std::size_t>(255, bytes.size() - i);
            s += static_cast<char>(n);
            s.append(bytes, i, n);
        }
        s += '\0';
    }
    s += ';';
    return s;
}

} // namespace testgif
