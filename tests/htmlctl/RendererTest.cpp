// The renderer on an offscreen bitmap: sizes, plain text, hit tests and painted pixels, with every
// expectation computed from the font in use.
#include <QApplication>
#include <QStyle>

#include <fstream>

#include "GraphicsQt.h"
#include "HTMLDrawEx.h"
#include "HtmlTestApp.h"
#include "ImgList.h"
#include "TempDir.h"

using namespace htmltest;

namespace {

class Renderer : public Painting {
protected:
    THTMLDrawResult Draw(const AnsiString& text, TRect r = TRect(0, 0, 200, 100), THTMLDrawParams p = {}) {
        THTMLDrawResult res;
        HTMLDrawEx(c, text, r, p, res);
        return res;
    }
    THTMLDrawResult Measure(const AnsiString& text, TRect r = TRect(0, 0, 200, 100), bool wrap = true) {
        THTMLDrawParams p;
        p.CheckHeight = true;
        p.WordWrap = wrap;
        THTMLDrawResult res;
        HTMLDrawEx(c, text, r, p, res);
        return res;
    }
    THTMLDrawResult Hit(const AnsiString& text, int x, int y, TRect r = TRect(0, 0, 200, 100)) {
        return HTMLHitTest(c, text, r, x, y);
    }
    int BoldWidth(const AnsiString& s) {
        c->Font()->SetStyle({fsBold});
        const int w = W(s);
        c->Font()->SetStyle({});
        return w;
    }
};

TEST_F(Renderer, EntitiesDrawOnceDecoded) {
    auto r = Measure("a&amp;b");
    EXPECT_EQ(r.StripVal, "a&b");
    EXPECT_EQ(r.XSize, W("a&b"));
    r = Measure("Müller & Co");
    EXPECT_EQ(r.StripVal, "Müller & Co");
    EXPECT_EQ(r.XSize, W("Müller & Co"));
    r = Measure("&amp;lt;");
    EXPECT_EQ(r.StripVal, "&lt;");
    r = Measure("&permil;");
    EXPECT_EQ(r.StripVal, "‰");
    // An escaped tag is drawn as its characters, in regular weight.
    r = Measure("&lt;B&gt;x");
    EXPECT_EQ(r.StripVal, "<B>x");
    EXPECT_EQ(r.XSize, W("<B>x"));
}

TEST_F(Renderer, EmptyTextIsOneLineHigh) {
    const auto r = Draw("");
    EXPECT_EQ(r.YSize, TH());
    EXPECT_EQ(r.XSize, 0);
    EXPECT_EQ(r.HyperLinks, 0);
    EXPECT_EQ(r.MouseLink, -1);
    EXPECT_FALSE(r.OnAnchor);
    EXPECT_TRUE(Ink().IsEmpty());
}

TEST_F(Renderer, LineBreaksAndPlainText) {
    auto r = Draw("a<BR>bb");
    EXPECT_EQ(r.StripVal, "a\rbb");
    EXPECT_EQ(r.YSize, 2 * TH());
    EXPECT_EQ(r.XSize, std::max(W("a"), W("bb")));
    // Line ends in the text are breaks too.
    r = Measure("a\r\nb");
    EXPECT_EQ(r.YSize, 2 * TH());
    // Closing paragraphs and rules end lines; the rule is a black line under its line.
    Reset(200, 100);
    r = Draw("x<HR>y");
    EXPECT_EQ(r.YSize, 2 * TH());
    EXPECT_EQ(At(0, TH()), clBlack);
    EXPECT_EQ(At(199, TH()), clBlack);
}

TEST_F(Renderer, FontSizesAndFaces) {
    auto sizeHeight = [&](int pt) {
        c->Font()->SetSize(pt);
        const int h = TH();
        c->Font()->SetSize(10);
        return h;
    };
    EXPECT_EQ(Measure("<FONT size=\"3\">x</FONT>").YSize, sizeHeight(12));
    EXPECT_EQ(Measure("<FONT size=\"5\">x</FONT>").YSize, sizeHeight(16));
    EXPECT_EQ(Measure("<FONT size=\"20\">x</FONT>").YSize, sizeHeight(20));
    // Size 0 is the font's default size, never a crash; the closing tag brings the text's own font back.
    EXPECT_GT(Measure("<FONT size=\"0\">x</FONT>").YSize, 0);
    const auto r = Measure("<FONT size=\"20\">x</FONT><BR>y");
    EXPECT_EQ(r.YSize, sizeHeight(20) + TH());
    EXPECT_EQ(c->Font()->Size(), 10);   // the canvas keeps its font
}

TEST_F(Renderer, ColoursByNameAndHexAreTheSame) {
    Draw("<FONT color=\"#ff0000\">MMMM</FONT>");
    const int hexRed = Count(Ink(), clRed);
    EXPECT_GT(hexRed, 0);
    Reset(200, 100);
    Draw("<FONT color=\"clred\">MMMM</FONT>");
    EXPECT_EQ(Count(Ink(), clRed), hexRed);
    // After the font ends the text is in the canvas's colour again.
    Reset(200, 100);
    Draw("<FONT color=\"clred\">M</FONT>M");
    const int split = W("M");
    EXPECT_GT(Count(TRect(0, 0, split, TH()), clRed), 0);
    EXPECT_EQ(Count(TRect(split, 0, 200, TH()), clRed), 0);
    EXPECT_GT(Count(TRect(split, 0, 200, TH()), clBlack), 0);
}

TEST_F(Renderer, BackgroundsShowBehindText) {
    Draw("<FONT bgcolor=\"#00FF00\">ab</FONT>cd");
    // The cell of "ab" is green, the text after the font is not.
    EXPECT_EQ(At(0, 1), clLime);
    EXPECT_EQ(At(W("ab") - 1, TH() - 1), clLime);
    EXPECT_EQ(Count(TRect(W("ab"), 0, 200, TH()), clLime), 0);
    Reset(200, 100);
    Draw("<HI>ab</HI>");
    EXPECT_EQ(At(0, 1), Graphics::ColorToRGB(clHighlight));
    Reset(200, 100);
    Draw("<P bgcolor=\"clYellow\">ab</P>cd");
    EXPECT_EQ(At(150, 1), clYellow);                 // the whole first line
    EXPECT_EQ(At(150, TH() + 1), clWhite);           // not the next one
    Reset(200, 100);
    Draw("<BODY bgcolor=\"clAqua\">x");
    EXPECT_EQ(At(199, 99), clAqua);
}

TEST_F(Renderer, ParagraphAlignmentPersists) {
    const auto r = Draw("<P align=\"center\">ab</P>cd");
    EXPECT_EQ(r.YSize, 2 * TH());
    const TRect l1 = Ink(TRect(0, 0, 200, TH()));
    const TRect l2 = Ink(TRect(0, TH(), 200, 2 * TH()));
    const int x1 = (200 - W("ab")) / 2, x2 = (200 - W("cd")) / 2;
    // The ink of a glyph may start a pixel or two inside its cell.
    EXPECT_GE(l1.Left, x1);
    EXPECT_LE(l1.Left, x1 + 2);
    EXPECT_GE(l2.Left, x2);
    EXPECT_LE(l2.Left, x2 + 2);
    Reset(200, 100);
    Draw("<P align=\"right\">ab</P>");
    EXPECT_LE(Ink().Right, 200);
    EXPECT_GE(Ink().Right, 200 - 2);
    Reset(200, 100);
    Draw("<P indent=\"30\">ab</P>");
    EXPECT_GE(Ink().Left, 30);
    EXPECT_LE(Ink().Left, 32);
}

TEST_F(Renderer, WordWrap) {
    // Two words that do not fit next to each other go on two lines.
    const int w = std::max(W("aaaa "), W("bbbb")) + 2;
    auto r = Measure("aaaa bbbb", TRect(0, 0, w, 100));
    EXPECT_EQ(r.YSize, 2 * TH());
    EXPECT_EQ(r.XSize, std::max(W("aaaa"), W("bbbb")));
    // Exactly as wide as the text: one line.
    r = Measure("aaaa bbbb", TRect(0, 0, W("aaaa bbbb"), 100));
    EXPECT_EQ(r.YSize, TH());
    // Runs without a space between them never break apart.
    r = Measure("<B>bold</B>plain", TRect(0, 0, 20, 100));
    EXPECT_EQ(r.YSize, TH());
    EXPECT_EQ(r.XSize, BoldWidth("bold") + W("plain"));
    // A word wider than the rectangle keeps a line of its own, not split.
    r = Measure("a wwwwwwwwwwwwwwww b", TRect(0, 0, 40, 100));
    EXPECT_EQ(r.YSize, 3 * TH());
    EXPECT_EQ(r.XSize, W("wwwwwwwwwwwwwwww"));
}

TEST_F(Renderer, WithoutWordWrapLinesAreCutAndLaterLinesStay) {
    THTMLDrawParams p;
    p.WordWrap = false;
    const AnsiString text = "a very long line of text that will not fit<BR>next";
    const auto r = Draw(text, TRect(0, 0, 80, 100), p);
    EXPECT_EQ(r.YSize, 2 * TH());
    EXPECT_EQ(r.StripVal, "a very long line of text that will not fit\rnext");
    // The first line ends inside the rectangle with three dots; the second line is drawn.
    const TRect l1 = Ink(TRect(0, 0, 200, TH()));
    EXPECT_LE(l1.Right, 80);
    EXPECT_GT(l1.Right, 80 - W("...") - W("w"));
    EXPECT_FALSE(Ink(TRect(0, TH(), 200, 2 * TH())).IsEmpty());
    // The dots: the last few columns of the line hold three separate ink blobs at the baseline.
    EXPECT_EQ(Ink(TRect(80, 0, 200, 100)).IsEmpty(), true);
    // With word wrap the same text takes several lines.
    EXPECT_GT(Measure(text, TRect(0, 0, 80, 100)).YSize, 2 * TH());
}

TEST_F(Renderer, ListsAndBullets) {
    const auto r = Draw("<UL><LI>a<LI>b</UL>");
    EXPECT_EQ(r.YSize, 2 * TH());
    EXPECT_EQ(r.XSize, 12 + W("b"));
    // Bullets lie in the first 12 pixels, the text starts at 12.
    EXPECT_FALSE(Ink(TRect(0, 0, 12, TH())).IsEmpty());
    EXPECT_FALSE(Ink(TRect(0, TH(), 12, 2 * TH())).IsEmpty());
    EXPECT_GE(Ink(TRect(12, 0, 200, TH())).Left, 12);
    // A nested list is 12 pixels further in, with the other bullet.
    Reset(200, 100);
    const auto n = Draw("<UL><LI>a<UL><LI>b</UL></UL>");
    EXPECT_EQ(n.YSize, 2 * TH());
    const TRect outer = Ink(TRect(0, 0, 12, TH()));
    const TRect inner = Ink(TRect(12, TH(), 24, 2 * TH()));
    EXPECT_TRUE(Ink(TRect(0, TH(), 12, 2 * TH())).IsEmpty());
    ASSERT_FALSE(inner.IsEmpty());
    EXPECT_NE(outer.Width() * 100 + outer.Height(), inner.Width() * 100 + inner.Height());
}

TEST_F(Renderer, HiddenTextIsPlainButNotDrawn) {
    const auto r = Draw("a<Z>b</Z>c");
    EXPECT_EQ(r.StripVal, "abc");
    EXPECT_EQ(r.XSize, W("a") + W("c"));
    EXPECT_LE(Ink().Right, W("a") + W("c") + 1);
}

TEST_F(Renderer, AnchorsFoundAtAPoint) {
    const AnsiString text = "<A href=\"x\">one</A> <A href=\"y\">two</A>";
    const int twoLeft = W("one") + W(" ");
    auto r = Hit(text, twoLeft + W("two") / 2, TH() / 2);
    EXPECT_TRUE(r.OnAnchor);
    EXPECT_EQ(r.AnchorVal, "y");
    EXPECT_EQ(r.MouseLink, 2);
    EXPECT_EQ(r.HyperLinks, 2);
    EXPECT_EQ(r.HoverRect, TRect(twoLeft, 0, twoLeft + W("two"), TH()));
    r = Hit(text, 1, TH() / 2);
    EXPECT_EQ(r.AnchorVal, "x");
    EXPECT_EQ(r.MouseLink, 1);
    // The space between them, and the line below, are no anchor.
    r = Hit(text, W("one") + 1, TH() / 2);
    EXPECT_FALSE(r.OnAnchor);
    EXPECT_EQ(r.MouseLink, -1);
    EXPECT_FALSE(Hit(text, 1, TH() + 2).OnAnchor);
    // Anchors are drawn in the URL colour, underlined.
    Draw("<A href=\"x\">MM</A>");
    EXPECT_GT(Count(Ink(), clBlue), 0);
    EXPECT_EQ(Count(Ink(), clBlack), 0);
}

TEST_F(Renderer, HitTestingFollowsWhatIsDrawn) {
    // A centred anchor on the second line: the point taken from the painted pixels hits it.
    const AnsiString text = "<P align=\"center\">first line<BR>go <A href=\"target\">there</A></P>";
    Draw(text);
    const TRect blue = Ink(TRect(0, TH(), 200, 2 * TH()), clWhite);
    ASSERT_FALSE(blue.IsEmpty());
    // The anchor's leftmost ink, half way down its line.
    int bx = -1;
    for (int x = 0; x < 200 && bx < 0; ++x)
        for (int y = TH(); y < 2 * TH() && bx < 0; ++y)
            if (At(x, y) == clBlue) bx = x;
    ASSERT_GE(bx, 0);
    const int by = TH() + TH() / 2;
    auto r = Hit(text, bx, by);
    EXPECT_TRUE(r.OnAnchor);
    EXPECT_EQ(r.AnchorVal, "target");
    // Left of the anchor on the same line is plain text.
    EXPECT_FALSE(Hit(text, bx - W("go ") + 1, by).OnAnchor);
}

TEST_F(Renderer, MarksShadowsAndSubscripts) {
    Draw("<E>MMMM</E>");
    EXPECT_GT(Count(TRect(0, TH() - 3, 200, TH() + 1), clRed), 4);
    Reset(200, 100);
    THTMLDrawParams p;
    p.ShadowColor = clLime;
    p.ShadowOffset = 2;
    Draw("<SHAD>MMMM</SHAD>", TRect(0, 0, 200, 100), p);
    const TRect shadow = Ink(TRect(0, 0, 200, 100), clWhite);
    EXPECT_GT(Count(shadow, clLime), 0);
    EXPECT_GT(Count(shadow, clBlack), 0);
    // Subscript and superscript make the line taller by a quarter of the text height.
    EXPECT_EQ(Measure("a<SUB>b</SUB>").YSize, TH() + TH() / 4);
    EXPECT_EQ(Measure("a<SUP>b</SUP>").YSize, TH() + TH() / 4);
}

TEST_F(Renderer, BlinkHidesTextInItsDarkPhase) {
    THTMLDrawParams p;
    p.Blink = false;
    Draw("<BLINK>MMM</BLINK>", TRect(0, 0, 200, 100), p);
    // The canvas brush is white, so the text disappears into it.
    EXPECT_TRUE(Ink().IsEmpty());
    Reset(200, 100);
    p.Blink = true;
    Draw("<BLINK>MMM</BLINK>", TRect(0, 0, 200, 100), p);
    EXPECT_FALSE(Ink().IsEmpty());
}

TEST_F(Renderer, MalformedMarkupNeverStopsTheRenderer) {
    EXPECT_EQ(Measure("ab<B").StripVal, "ab");
    EXPECT_EQ(Measure("ab<QQ>cd").StripVal, "abcd");
    EXPECT_EQ(Measure("<FONT color=red>x</FONT>").StripVal, "x");
    EXPECT_EQ(Measure("<IMG src=\"IDX:5\">x").XSize, W("x"));
    EXPECT_EQ(Measure("<IMG src=\"SSYS:99\">x").XSize, W("x"));
    EXPECT_EQ(Measure("</A></UL></P><LI>x").StripVal, "x");
}

// Numbers in markup written by others are held to what they can mean; none overflows the layout.
TEST_F(Renderer, HugeNumbersInMarkupAreBounded) {
    EXPECT_EQ(Measure("<IND x=\"99999999999\">a").XSize, MaxMarkupLength + W("a"));
    EXPECT_EQ(Measure("<FONT size=\"99999999999\">x</FONT>").YSize,
              Measure("<FONT size=\"" + std::to_string(MaxMarkupFontSize) + "\">x</FONT>").YSize);
    // A turn by whole circles is no turn: the text draws as turned by the rest.
    auto inkOf = [&](const AnsiString& text) {
        Reset(200, 100);
        Draw(text, TRect(50, 50, 200, 100));
        return std::make_pair(Ink(), Count(TRect(0, 0, 200, 100), clBlack));
    };
    EXPECT_EQ(inkOf("<R a=\"2147483647\">Hj</R>"), inkOf("<R a=\"" + std::to_string(MaxMarkupNumber % 360) + "\">Hj</R>"));
    EXPECT_EQ(inkOf("<R a=\"450\">Hj</R>"), inkOf("<R a=\"90\">Hj</R>"));
    EXPECT_NE(inkOf("<R a=\"90\">Hj</R>"), inkOf("Hj"));
}

TEST_F(Renderer, TextBelowTheRectangleIsNotDrawn) {
    Draw("a<BR>b<BR>c<BR>d", TRect(0, 0, 200, TH() + 2));
    EXPECT_FALSE(Ink(TRect(0, TH(), 200, 2 * TH())).IsEmpty());   // the line that starts inside
    EXPECT_TRUE(Ink(TRect(0, 2 * TH(), 200, 100)).IsEmpty());
}

// ---- the desktop's icons and the screen's resolution -----------------------------------------------------

int IconSize(bool large) {
    return QApplication::style()->pixelMetric(large ? QStyle::PM_LargeIconSize : QStyle::PM_SmallIconSize);
}

TEST_F(Renderer, SystemIconsAreTheDesktopsIconsOfTheFile) {
    testsupport::TempDir dir;
    const std::string file = (dir.path() / "brief.txt").string();
    std::ofstream(file) << "Hallo";
    std::filesystem::create_directory(dir.path() / "Ordner");
    const int small = IconSize(false), large = IconSize(true);
    ASSERT_GT(small, 0);
    auto r = Measure("<IMG src=\"SSYS:" + file + "\">x");
    EXPECT_EQ(r.XSize, small + W("x"));
    EXPECT_EQ(r.YSize, std::max(small, TH()));
    EXPECT_EQ(Measure("<IMG src=\"LSYS:" + file + "\">").XSize, large);
    // A file that is not there has the icon of its kind; a number is one of the shell's icons.
    EXPECT_EQ(Measure("<IMG src=\"SSYS:c:\\Briefe\\plan.pdf\">").XSize, small);
    EXPECT_EQ(Measure("<IMG src=\"SSYS:3\">").XSize, small);
    // Drawn at the current position: a folder looks different from a file.
    const auto picture = [&](const std::string& name) {
        Reset(40, 40);
        Draw("<IMG src=\"LSYS:" + name + "\">", TRect(0, 0, 40, 40));
        return bmp.Image()->image.copy(0, 0, large, large);
    };
    const QImage fileIcon = picture(file), folderIcon = picture((dir.path() / "Ordner").string());
    EXPECT_FALSE(Ink(TRect(0, 0, large, large)).IsEmpty());
    EXPECT_TRUE(Ink(TRect(large, 0, 40, 40)).IsEmpty());
    EXPECT_NE(fileIcon, folderIcon);
}

TEST_F(Renderer, PicturesTakeRoomByTheScreensResolution) {
    // A canvas of 192 dots per inch: twice the room of an ordinary screen.
    bmp.ReleasePainter();
    bmp.Image()->image.setDotsPerMeterX(7559);
    bmp.Image()->image.setDotsPerMeterY(7559);
    ASSERT_EQ(GetDeviceCaps(c, LOGPIXELSX), 192);
    EXPECT_EQ(Measure("<IMG src=\"SSYS:3\">").XSize, 2 * IconSize(false));
    TImageList images(nullptr);
    images.SetWidth(10);
    images.SetHeight(10);
    TBitmap red;
    red.SetSize(10, 10);
    red.Canvas()->Brush()->SetColor(clRed);
    red.Canvas()->FillRect(TRect(0, 0, 10, 10));
    images.Add(&red, nullptr);
    THTMLDrawParams p;
    p.Images = &images;
    const auto r = Draw("<IMG src=\"IDX:0\">", TRect(0, 0, 200, 100), p);
    EXPECT_EQ(r.XSize, 20);
    EXPECT_EQ(Count(TRect(0, 0, 30, 30), clRed), 20 * 20);
}

} // namespace
