#include <gtest/gtest.h>

#include "GIFFrames.h"
#include "HTMLMarkup.h"
#include "HTMLabel.h"
#include "GifMaker.h"

namespace {

std::vector<std::string> Texts(const std::vector<THTMLToken>& tokens) {
    std::vector<std::string> r;
    for (const auto& t : tokens) r.push_back(t.Text);
    return r;
}

} // namespace

TEST(MarkupTokens, RunsEndAtTagsAndAfterSpacesWhenWrapping) {
    auto t = HTMLTokenize("one two<B>three</B> four", true);
    EXPECT_EQ(Texts(t), (std::vector<std::string>{"one ", "two", "<B>", "three", "</B>", " ", "four"}));
    t = HTMLTokenize("one two<B>three</B> four", false);
    EXPECT_EQ(Texts(t), (std::vector<std::string>{"one two", "<B>", "three", "</B>", " four"}));
    t = HTMLTokenize("a  b", true);
    EXPECT_EQ(Texts(t), (std::vector<std::string>{"a ", " ", "b"}));
}

TEST(MarkupTokens, MalformedTagsEndTheText) {
    EXPECT_EQ(Texts(HTMLTokenize("ab<B", true)), (std::vector<std::string>{"ab"}));
    EXPECT_EQ(Texts(HTMLTokenize("ab<", true)), (std::vector<std::string>{"ab"}));
    EXPECT_EQ(Texts(HTMLTokenize("ab<>", true)), (std::vector<std::string>{"ab"}));
    auto t = HTMLTokenize("<QX>text", true);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].Tag, THTMLTagKind::Unknown);
    EXPECT_EQ(t[1].Text, "text");
}

TEST(MarkupTokens, LineEndsAndTemplateTags) {
    auto t = HTMLTokenize("a\r\nb", true);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1].Tag, THTMLTagKind::BR);
    EXPECT_EQ(Texts(HTMLTokenize("a\r\nb", true, THTMLVariant::StatusBar)), (std::vector<std::string>{"ab"}));
    EXPECT_EQ(Texts(HTMLTokenize("x <#DATUM> y", false)), (std::vector<std::string>{"x #DATUM y"}));
    // Only the first one is unwrapped in the full markup; the status bar unwraps them all.
    EXPECT_EQ(Texts(HTMLTokenize("<#A><#B>", false)), (std::vector<std::string>{"#A", "<#B>"}));
    EXPECT_EQ(Texts(HTMLTokenize("<#A><#B>", false, THTMLVariant::StatusBar)), (std::vector<std::string>{"#A#B"}));
}

TEST(MarkupTokens, TagKindsByTheirLetters) {
    struct Case { const char* tag; THTMLTagKind kind; bool closing; };
    const Case cases[] = {
        {"<a href=\"x\">", THTMLTagKind::A, false}, {"<b>", THTMLTagKind::B, false},
        {"<br>", THTMLTagKind::BR, false},         {"<BLINK>", THTMLTagKind::Blink, false},
        {"<body bgcolor=\"clred\">", THTMLTagKind::Body, false}, {"<e>", THTMLTagKind::E, false},
        {"<font size=\"3\">", THTMLTagKind::Font, false}, {"<hi>", THTMLTagKind::HI, false},
        {"<hr>", THTMLTagKind::HR, false},         {"<i>", THTMLTagKind::I, false},
        {"<ind x=\"20\">", THTMLTagKind::Ind, false}, {"<img src=\"a\">", THTMLTagKind::Img, false},
        {"<li>", THTMLTagKind::LI, false},         {"<p align=\"right\">", THTMLTagKind::P, false},
        {"<r a=\"90\">", THTMLTagKind::R, false},  {"<s>", THTMLTagKind::S, false},
        {"<shad>", THTMLTagKind::Shad, false},     {"<sub>", THTMLTagKind::Sub, false},
        {"<sup>", THTMLTagKind::Sup, false},       {"<u>", THTMLTagKind::U, false},
        {"<ul>", THTMLTagKind::UL, false},         {"<z>", THTMLTagKind::Z, false},
        {"</b>", THTMLTagKind::B, true},           {"</blink>", THTMLTagKind::Blink, true},
        {"</body>", THTMLTagKind::Blink, true},    {"</sub>", THTMLTagKind::Sub, true},
        {"</sup>", THTMLTagKind::Sub, true},       {"</shad>", THTMLTagKind::Shad, true},
        {"</s>", THTMLTagKind::S, true},           {"</u>", THTMLTagKind::U, true},
        {"</ul>", THTMLTagKind::UL, true},         {"</hi>", THTMLTagKind::HI, true},
    };
    for (const Case& c : cases) {
        auto t = HTMLTokenize(c.tag, true);
        ASSERT_EQ(t.size(), 1u) << c.tag;
        EXPECT_EQ(t[0].Kind, THTMLToken::tkTag) << c.tag;
        EXPECT_EQ(t[0].Tag, c.kind) << c.tag;
        EXPECT_EQ(t[0].Closing, c.closing) << c.tag;
    }
}

TEST(MarkupTokens, StatusBarTellsTagsApartByTheirWholeText) {
    auto kind = [](const char* tag) { return HTMLTokenize(tag, true, THTMLVariant::StatusBar).at(0).Tag; };
    EXPECT_EQ(kind("<b>"), THTMLTagKind::B);
    EXPECT_EQ(kind("<br>"), THTMLTagKind::BR);
    EXPECT_EQ(kind("<br clear>"), THTMLTagKind::Unknown);
    EXPECT_EQ(kind("<u class>"), THTMLTagKind::U);
    EXPECT_EQ(kind("<ul>"), THTMLTagKind::UL);
    EXPECT_EQ(kind("<hi>"), THTMLTagKind::HR);
    EXPECT_EQ(kind("<e>"), THTMLTagKind::Unknown);
    EXPECT_EQ(kind("</blink>"), THTMLTagKind::Blink);
    EXPECT_EQ(kind("</bx>"), THTMLTagKind::B);
    EXPECT_EQ(kind("</ux>"), THTMLTagKind::U);
}

TEST(MarkupAttributes, QuotedValuesAfterTheName) {
    auto t = HTMLTokenize("<A href=\"Memo\">", true).at(0);
    EXPECT_EQ(t.Attr("HREF"), "Memo");
    EXPECT_EQ(t.Attr("HREF", true), "MEMO");
    auto f = HTMLTokenize("<FONT bgcolor=\"#00ff00\" color=\"clRed\" size=20>", true).at(0);
    EXPECT_EQ(f.Attr(" COLOR"), "clRed");
    EXPECT_EQ(f.Attr("BGCOLOR", true), "#00FF00");
    EXPECT_EQ(f.Attr("SIZE"), "");   // unquoted
    EXPECT_EQ(f.Attr("FACE"), "");
    auto a = HTMLTokenize("<A href=\"a&amp;b\">", true).at(0);
    EXPECT_EQ(a.Attr("HREF"), "a&b");
}

TEST(MarkupEntities, DecodedOnceAndLiteralAmpersandsStay) {
    EXPECT_EQ(HTMLDecodeEntities("a&amp;b"), "a&b");
    EXPECT_EQ(HTMLDecodeEntities("Müller & Co"), "Müller & Co");
    EXPECT_EQ(HTMLDecodeEntities("&amp;lt;"), "&lt;");
    EXPECT_EQ(HTMLDecodeEntities("&amp;amp;"), "&amp;");
    EXPECT_EQ(HTMLDecodeEntities("&PERMIL;&euro;&trade;&sect;&reg;&copy;&para;"), "‰€™§®©¶");
    EXPECT_EQ(HTMLDecodeEntities("&lt;B&gt;&quot;&nbsp;"), "<B>\" ");
    EXPECT_EQ(HTMLDecodeEntities("&euro", THTMLVariant::Full), "&euro");
    EXPECT_EQ(HTMLDecodeEntities("&euro;&lt;", THTMLVariant::StatusBar), "&euro;<");
    // An escaped tag is text, not a tag.
    auto t = HTMLTokenize("&lt;B&gt;x", true);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].Kind, THTMLToken::tkRun);
    EXPECT_EQ(t[0].Text, "<B>x");
    // A non-breaking space does not split the run.
    EXPECT_EQ(HTMLTokenize("a&nbsp;b", true).size(), 1u);
}

TEST(MarkupColours, NamesAndHexadecimal) {
    EXPECT_EQ(Hex2Color("#FF0000"), 0x0000FF);
    EXPECT_EQ(Hex2Color("#0080FF"), 0xFF8000);
    EXPECT_EQ(HexVal("7F"), 127);
    EXPECT_EQ(HexVal("7"), 0);
    EXPECT_EQ(Text2Color("clred"), 0x0000FF);
    EXPECT_EQ(Text2Color("clTeal"), 0x808000);
    EXPECT_EQ(Text2Color("clBtnFace"), static_cast<TColor>(0x8000000F));
    EXPECT_EQ(Text2Color("clInfoBk"), static_cast<TColor>(0x80000018));
    EXPECT_EQ(Text2Color("purple"), 0);
    EXPECT_EQ(HTMLAttrColor("#ff0000"), HTMLAttrColor("clred"));
    EXPECT_EQ(HTMLAttrColor("#ff0000"), 0x0000FF);
}

TEST(MarkupHelpers, SmallRoutines) {
    EXPECT_EQ(IPos("bc", "ABCD"), 2);
    EXPECT_EQ(IPos("x", "ABCD"), 0);
    EXPECT_EQ(IStrToInt("12px"), 12);
    EXPECT_EQ(IStrToInt("x12"), 0);
    EXPECT_EQ(CRLFToBR("a\r\nb", true), "a<BR>b");
    EXPECT_EQ(CRLFToBR("a\r\nb", false), "ab");
    int p = -1;
    EXPECT_EQ(VarPos("SRC", "<img src=\"a\">", p), 6);
    EXPECT_EQ(p, 6);
    std::string s = "x <B> y <b>";
    EXPECT_TRUE(TagReplaceString("<b>", "<I>", s));
    EXPECT_EQ(s, "x <I> y <b>");
    EXPECT_FALSE(TagReplaceString("<u>", "", s));
    EXPECT_EQ(HTMLFontSize(3), 12);
    EXPECT_EQ(HTMLFontSize(5), 16);
    EXPECT_EQ(HTMLFontSize(20), 20);
    EXPECT_EQ(HTMLFontSize(0), 0);
    EXPECT_EQ(HTMLFontSize(3, THTMLVariant::StatusBar), 3);
}

TEST(LabelText, StripAndPositions) {
    EXPECT_EQ(HTMLStrip("a<br>b<HR>c"), "a\r\nb\r\nc");
    EXPECT_EQ(StripTags("x<b>y</b> z<w"), "xy z<w");
    EXPECT_EQ(HTMLStrip("<b>x</b> <unclosed"), "x <unclosed");
    EXPECT_EQ(TextPosToHTMLPos("<b>ab</b>cd", 3), 10);
    EXPECT_EQ(TextPosToHTMLPos("<b>ab</b>cd", 5), 12);
    EXPECT_EQ(TextPosToHTMLPos("<b>ab</b>cd", 6), 0);
    int pos = -1;
    EXPECT_EQ(FindTextPos("b", "abcb", 2, pos, false), 4);
    EXPECT_EQ(FindTextPos("B", "abcb", 0, pos, true), 0);
    EXPECT_EQ(FindTextPos("B", "abcb", 0, pos, false), 2);
}

TEST(LabelText, HighlightAcrossTagsAndBack) {
    std::string r;
    HiLight("<b>ab</b>cd", "bc", "hi", r, false);
    EXPECT_EQ(r, "<b>a<hi>b</b>c</hi>d");
    std::string back;
    UnHiLight(r, "HI", back);
    EXPECT_EQ(back, "<b>ab</b>cd");
    HiLight("Termin termin", "TERMIN", "e", r, false);
    EXPECT_EQ(r, "<e>Termin</e> <e>termin</e>");
    HiLight("Termin termin", "termin", "e", r, true);
    EXPECT_EQ(r, "Termin <e>termin</e>");
    HiLight("aaa", "aa", "hi", r, true);   // matches do not overlap
    EXPECT_EQ(r, "<hi>aa</hi>a");
}

TEST(GifFrames, FramesDelaysAndRectangles) {
    const std::string gif = testgif::Make(12, 10, {{0, 0, 12, 10, 1, 10}, {2, 3, 4, 5, 2, 20}, {6, 1, 3, 3, 3, 30}});
    EXPECT_TRUE(GIFFrames::IsGIF(gif));
    const auto frames = GIFFrames::Scan(gif);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1].Delay, 20);
    EXPECT_EQ(frames[1].Left, 2);
    EXPECT_EQ(frames[1].Top, 3);
    EXPECT_EQ(frames[1].Width, 4);
    EXPECT_EQ(frames[1].Height, 5);
    EXPECT_EQ(GIFFrames::ScreenWidth(gif), 12);
    EXPECT_EQ(GIFFrames::ScreenHeight(gif), 10);
    const std::string cut = GIFFrames::CutToFrame(gif, 2);
    EXPECT_EQ(GIFFrames::Scan(cut).size(), 2u);
    EXPECT_EQ(GIFFrames::Scan(cut)[0].Delay, 20);
    EXPECT_EQ(GIFFrames::CutToFrame(gif, 4), gif);
    EXPECT_FALSE(GIFFrames::IsGIF("GIF8"));
    EXPECT_TRUE(GIFFrames::Scan("\xFF\xD8\xFF\xE0 not a gif").empty());
}
