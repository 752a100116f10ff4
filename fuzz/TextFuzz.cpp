// The text decoder: any bytes become valid UTF-8, and the whole-character helpers agree with each
// other on any text, valid or not.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "TextEncoding.h"

using namespace TextEncoding;

namespace {

// Bytes 0x80..0x9F that Windows-1252 leaves unassigned.
bool Unassigned(unsigned char b) { return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D; }

void CheckCharacters(std::string_view text) {
    const std::size_t count = CharCount(text);
    FUZZ_CHECK(count <= text.size());
    FUZZ_CHECK(ByteOffsetOfChar(text, count) == text.size());
    FUZZ_CHECK(ByteOffsetOfChar(text, count + 5) == text.size());
    FUZZ_CHECK(LeftChars(text, count) == text);

    // Walking forward by CharLengthAt and NextCodePoint gives the same character starts.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size();) {
        starts.push_back(i);
        const std::size_t len = CharLengthAt(text, i);
        FUZZ_CHECK(len >= 1 && len <= 4 && i + len <= text.size());
        std::size_t next = i;
        const char32_t cp = NextCodePoint(text, next);
        FUZZ_CHECK(next == i + len);
        FUZZ_CHECK(cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF));
        // A decoded character encodes back to its own bytes; an invalid byte reads as U+FFFD.
        std::string again;
        AppendUtf8(again, cp);
        if (len > 1 || cp < 0x80) FUZZ_CHECK(again == text.substr(i, len));
        else FUZZ_CHECK(cp == 0xFFFD);
        i += len;
    }
    FUZZ_CHECK(starts.size() == count);
    FUZZ_CHECK(CharLengthAt(text, text.size()) == 0);

    // Walking backward by PrevCharOffset finds every start the forward walk found.
    std::size_t at = text.size();
    for (std::size_t k = starts.size(); k-- > 0;) {
        at = PrevCharOffset(text, at);
        FUZZ_CHECK(at == starts[k], "PrevCharOffset disagrees with the forward walk at character " +
                                        std::to_string(k));
    }
    FUZZ_CHECK(PrevCharOffset(text, 0) == 0);
    // A few character indexes, so long texts stay linear.
    for (std::size_t k : {std::size_t(0), count / 3, count / 2, count > 0 ? count - 1 : 0})
        if (k < count) FUZZ_CHECK(ByteOffsetOfChar(text, k) == starts[k]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string decoded = DecodeText(bytes);
    FUZZ_CHECK(IsValidUtf8(decoded));
    FUZZ_CHECK(decoded.rfind("\xEF\xBB\xBF", 0) != 0 || bytes.rfind("\xEF\xBB\xBF\xEF\xBB\xBF", 0) == 0);
    if (IsValidUtf8(bytes)) {
        const std::string_view body = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
        FUZZ_CHECK(decoded == body);
    }
    // Decoding is stable: decoded text decodes to itself.
    FUZZ_CHECK(DecodeText(decoded) == decoded || decoded.rfind("\xEF\xBB\xBF", 0) == 0);

    // Windows-1252 text goes to UTF-8 and back unchanged, but for the unassigned bytes.
    const std::string wide = Cp1252ToUtf8(bytes);
    FUZZ_CHECK(IsValidUtf8(wide));
    const std::string narrow = Utf8ToCp1252(wide);
    FUZZ_CHECK(narrow.size() == bytes.size());
    for (std::size_t i = 0; i < size; ++i)
        FUZZ_CHECK(narrow[i] == bytes[i] || (Unassigned(data[i]) && narrow[i] == '?'),
                   "byte " + std::to_string(i));

    // Any UTF-8 text becomes one Windows-1252 byte per character.
    FUZZ_CHECK(Utf8ToCp1252(decoded).size() == CharCount(decoded));
    FUZZ_CHECK(Utf8ToCp1252(bytes).size() == CharCount(bytes));

    CheckCharacters(bytes);
    CheckCharacters(decoded);
    return 0;
}
