#include <gtest/gtest.h>

#include "SysUtils.h"
#include "TextEncoding.h"

using namespace SysUtils;

TEST(Numbers, ConversionsFollowTheClassLibrary) {
    EXPECT_EQ(IntToStr(-2), "-2");
    EXPECT_EQ(IntToHex(0xEDC2A9, 6), "EDC2A9");
    EXPECT_EQ(IntToHex(8, 6), "000008");
    EXPECT_EQ(IntToHex(0x1234567, 6), "1234567");
    EXPECT_EQ(StrToIntDef("12", 0), 12);
    EXPECT_EQ(StrToIntDef(" -7", 0), -7);
    EXPECT_EQ(StrToIntDef("$1F", 0), 31);
    EXPECT_EQ(StrToIntDef("0x10", 0), 16);
    EXPECT_EQ(StrToIntDef("12a", -1), -1);
    EXPECT_EQ(StrToIntDef("", -1), -1);
    EXPECT_EQ(StrToIntDef("99999999999", -1), -1);
    EXPECT_EQ(StrToIntDef("$FFFFFFFF", 0), -1);
    EXPECT_EQ(StrToIntDef("2147483647", 0), 2147483647);
    EXPECT_EQ(StrToIntDef("-2147483648", 0), -2147483647 - 1);
    EXPECT_THROW(StrToInt("x"), EConvertError);
    EXPECT_EQ(FloatToStr(2.5), "2,5");
}

TEST(Strings, TrimAndCase) {
    EXPECT_EQ(Trim(" \t\r\nab c \r\n"), "ab c");
    EXPECT_EQ(TrimRight("x  "), "x");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(AnsiUpperCase("grüße äöü"), "GRÜßE ÄÖÜ");
    EXPECT_EQ(AnsiLowerCase("ÄÖÜ ABC"), "äöü abc");
    EXPECT_TRUE(AnsiSameText("Müller", "MÜLLER"));
    EXPECT_TRUE(SameText("Standard", "STANDARD"));
    EXPECT_LT(AnsiCompareText("Äpfel", "Birnen"), 0);   // umlauts sort with their base letter
    EXPECT_GT(AnsiCompareText("Zebra", "Äpfel"), 0);
    EXPECT_EQ(Pos("b", "abc"), 2);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(QuotedStr("O'Neil"), "'O''Neil'");
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
    EXPECT_EQ(StringReplace("Ab ab", "AB", "x", rfReplaceAll | rfIgnoreCase), "x x");
}

TEST(TextEncoding, Windows1252AndUtf8ReadToTheSameText) {
    EXPECT_EQ(TextEncoding::DecodeText("Gr\xFC\xDF" "e \x80"), "Grüße €");
    EXPECT_EQ(TextEncoding::DecodeText("Grüße €"), "Grüße €");
    EXPECT_EQ(TextEncoding::DecodeText("\xEF\xBB\xBFMärz"), "März");
    EXPECT_EQ(TextEncoding::Utf8ToCp1252("Grüße €"), "Gr\xFC\xDF" "e \x80");
    EXPECT_FALSE(TextEncoding::IsValidUtf8("\xC3"));      // truncated sequence
    EXPECT_FALSE(TextEncoding::IsValidUtf8("\xC0\xAF"));  // overlong
    EXPECT_FALSE(TextEncoding::IsValidUtf8("\xED\xA0\x80"));  // surrogate
}

TEST(TextEncoding, WholeCharacters) {
    const std::string s = "aä€😀b";
    EXPECT_EQ(TextEncoding::CharCount(s), 5u);
    EXPECT_EQ(TextEncoding::LeftChars(s, 2), "aä");
    EXPECT_EQ(TextEncoding::LeftChars(s, 99), s);
    EXPECT_EQ(TextEncoding::ByteOffsetOfChar(s, 3), 6u);
    EXPECT_EQ(TextEncoding::PrevCharOffset(s, 10), 6u);
    EXPECT_EQ(TextEncoding::PrevCharOffset(s, 6), 3u);
    EXPECT_EQ(TextEncoding::PrevCharOffset("a\x80", 2), 1u);
}
