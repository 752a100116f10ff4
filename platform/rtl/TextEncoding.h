#pragma once
// UTF-8 is the text of this program; files made for the Windows code page still load.
#include <cstddef>
#include <string>
#include <string_view>

namespace TextEncoding {

bool IsValidUtf8(std::string_view bytes);
// The bytes as UTF-8 text: valid UTF-8 stays as it is (without a byte-order mark), anything else is
// read as Windows-1252.
std::string DecodeText(std::string_view bytes);
std::string Cp1252ToUtf8(std::string_view bytes);
// Characters without a Windows-1252 form become '?'.
std::string Utf8ToCp1252(std::string_view text);

// Whole characters (code points) of UTF-8 text. Invalid bytes count as one character each.
std::size_t CharCount(std::string_view text);
// Byte offset of character index 'chars' (clamped to the end).
std::size_t ByteOffsetOfChar(std::string_view text, std::size_t chars);
// The first 'chars' characters.
std::string LeftChars(std::string_view text, std::size_t chars);
// The first 'chars' characters, followed by "…" when the text goes on: long text stays cheap to lay
// out, and the reader sees that more follows.
std::string CutChars(std::string_view text, std::size_t chars);
// Length in bytes of the character starting at offset (1 for an invalid byte; 0 at the end).
std::size_t CharLengthAt(std::string_view text, std::size_t offset);
// Offset of the start of the character before offset.
std::size_t PrevCharOffset(std::string_view text, std::size_t offset);
// Decodes the character at offset (U+FFFD for an invalid byte) and advances offset past it.
char32_t NextCodePoint(std::string_view text, std::size_t& offset);
void AppendUtf8(std::string& out, char32_t cp);
// Whole texts between UTF-8 and one char32_t per character, for code that edits by character
// position; invalid bytes become U+FFFD.
std::u32string ToUtf32(std::string_view text);
std::string ToUtf8(std::u32string_view text);

} // namespace TextEncoding
