#include "TextEncoding.h"

namespace TextEncoding {
namespace {

// Windows-1252 0x80..0x9F; 0 marks the five unassigned bytes, kept as their C1 code points.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Length of a valid UTF-8 sequence at offset, or 0 when the bytes there are not one.
std::size_t ValidSequenceLength(std::string_view s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) return 1;
    std::size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) { len = 2; min = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { len = 3; min = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { len = 4; min = 0x10000; }
    else return 0;
    if (i + len > s.size()) return 0;
    char32_t cp = b0 & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = ValidSequenceLength(bytes, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) out += c;
        else if (b < 0xA0 && kCp1252High[b - 0x80]) AppendUtf8(out, kCp1252High[b - 0x80]);
        else AppendUtf8(out, b);
    }
    return out;
}

std::string DecodeText(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return Cp1252ToUtf8(bytes);
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = NextCodePoint(text, i);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k)
            if (kCp1252High[k] && kCp1252High[k] == cp) mapped = static_cast<char>(0x80 + k);
        out += mapped;
    }
    return out;
}

std::size_t CharLengthAt(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) return 0;
    const std::size_t len = ValidSequenceLength(text, offset);
    return len ? len : 1;
}

char32_t NextCodePoint(std::string_view text, std::size_t& offset) {
    const std::size_t len = ValidSequenceLength(text, offset);
    if (len == 0) { ++offset; return 0xFFFD; }
    const auto b0 = static_cast<unsigned char>(text[offset]);
    char32_t cp = len == 1 ? b0 : (b0 & (0x7F >> len));
    for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[offset + k]) & 0x3F);
    offset += len;
    return cp;
}

std::size_t CharCount(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) ++n;
    return n;
}

std::size_t ByteOffsetOfChar(std::string_view text, std::size_t chars) {
    std::size_t i = 0;
    while (chars > 0 && i < text.size()) { i += CharLengthAt(text, i); --chars; }
    return i;
}

std::string LeftChars(std::string_view text, std::size_t chars) {
    return std::string(text.substr(0, ByteOffsetOfChar(text, chars)));
}

std::string CutChars(std::string_view text, std::size_t chars) {
    const std::size_t end = ByteOffsetOfChar(text, chars);
    if (end >= text.size()) return std::string(text);
    return std::string(text.substr(0, end)) + "\u2026";
}

std::size_t PrevCharOffset(std::string_view text, std::size_t offset) {
    if (offset == 0) return 0;
    if (offset > text.size()) offset = text.size();
    // Step back over at most three continuation bytes to a lead byte whose sequence ends here.
    for (std::size_t back = 1; back <= 4 && back <= offset; ++back) {
        const std::size_t start = offset - back;
        const auto b = static_cast<unsigned char>(text[start]);
        if ((b & 0xC0) != 0x80 || back == 4) {
            if (start + CharLengthAt(text, start) == offset) return start;
            break;
        }
    }
    return offset - 1;
}

std::u32string ToUtf32(std::string_view text) {
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) out += NextCodePoint(text, i);
    return out;
}

std::string ToUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) AppendUtf8(out, c);
    return out;
}

} // namespace TextEncoding
