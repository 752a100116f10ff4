// Fonts and text: cells, the text box with its flags, mnemonics, ellipsis and word break, measured
// against the font in use rather than fixed pixel counts.
#include "GraphicsTestApp.h"

using namespace graphicstest;

// Fontconfig keeps a few blocks for the life of the process; they are the font library's, not ours.
// Every other leak still fails the test program.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

class TextTest : public Painting {
protected:
    void SetUp() override {
        MakeWhite(bmp, 200, 80);
        c = bmp.Canvas();
        c->Font()->SetColor(clBlack);
        c->Brush()->SetStyle(bsClear);
    }
    TBitmap bmp;
    TCanvas* c = nullptr;
};

// Whether any pixel in the rows [top, bottom) and columns [left, right) differs between a and b.
bool DiffersIn(TBitmap& a, TBitmap& b, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (a.Canvas()->Pixels(x, y) != b.Canvas()->Pixels(x, y)) return true;
    return false;
}

TEST_F(TextTest, FontSizeAndHeightFollowTheScreenResolution) {
    TFont f;
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Height(), -11);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    f.SetSize(12);
    EXPECT_EQ(f.Height(), -16);
    f.SetHeight(-16);
    EXPECT_EQ(f.Size(), 12);
    f.SetSize(0);
    EXPECT_EQ(f.Height(), 0);
    EXPECT_EQ(Graphics::MulDiv(-3, 1, 2), -2);   // half away from zero
    EXPECT_EQ(Graphics::MulDiv(3, 1, 2), 2);

    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetStyle({fsBold, fsUnderline});
    f.SetColor(clRed);
    f.SetColor(clRed);   // no change, no event
    f.SetName("Arial");
    EXPECT_EQ(changes, 3);

    TFont g;
    g.Assign(&f);
    EXPECT_EQ(g.Name(), "Arial");
    EXPECT_EQ(g.Style(), TFontStyles({fsBold, fsUnderline}));
    EXPECT_EQ(g.Color(), clRed);
    EXPECT_TRUE(g.IsTrueType());
    g.SetName("MS Sans Serif");
    EXPECT_FALSE(g.IsTrueType());
}

TEST_F(TextTest, MeasuresGrowWithTheFont) {
    const TSize small = c->TextExtent("Kalender");
    EXPECT_GT(small.cx, 0);
    EXPECT_EQ(c->TextHeight("Kalender"), small.cy);
    c->Font()->SetSize(16);
    const TSize big = c->TextExtent("Kalender");
    EXPECT_GT(big.cx, small.cx);
    EXPECT_GT(big.cy, small.cy);
    c->Font()->SetStyle({fsBold});
    EXPECT_GT(c->TextWidth("Kalender"), big.cx);

    const TTextMetric tm = c->TextMetrics();
    EXPECT_EQ(tm.tmHeight, c->TextHeight("x"));
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmWeight, 700);
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_TRUETYPE, 0);   // the classic dialog font
    c->Font()->SetName("Arial");
    EXPECT_NE(c->TextMetrics().tmPitchAndFamily & TMPF_TRUETYPE, 0);
}

TEST_F(TextTest, TextOutFillsTheCellWithASolidBrush) {
    c->Brush()->SetColor(clYellow);
    const TSize ext = c->TextExtent("Termin");
    c->TextOut(7, 9, "Termin");
    EXPECT_EQ(ColorBounds(bmp, clYellow), TRect(7, 9, 7 + ext.cx, 9 + ext.cy));
    // Smoothed glyphs may bleed a pixel sideways, never above or below the cell.
    const TRect all = InkBounds(bmp, clWhite);
    EXPECT_GE(all.Left, 6);
    EXPECT_LE(all.Right, 8 + ext.cx);
    EXPECT_EQ(all.Top, 9);
    EXPECT_EQ(all.Bottom, 9 + ext.cy);
    EXPECT_EQ(c->PenPos(), TPoint(7 + ext.cx, 9));

    // With a clear brush only the glyphs show, inside the cell.
    MakeWhite(bmp, 200, 80);
    c->Brush()->SetStyle(bsClear);
    c->TextOut(7, 9, "Termin");
    const TRect ink = InkBounds(bmp, clWhite);
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 6);
    EXPECT_GE(ink.Top, 9);
    EXPECT_LE(ink.Bottom, 9 + ext.cy);
    EXPECT_LT(CountColor(bmp, clWhite), 200 * 80);
    EXPECT_EQ(CountColor(bmp, clYellow), 0);
}

TEST_F(TextTest, TextRectFillsAndClipsToItsRectangle) {
    c->Brush()->SetColor(clAqua);
    const TRect r(10, 10, 30, 20);
    c->TextRect(r, 12, 5, "Ein langer Text, der nicht passt");
    EXPECT_EQ(InkBounds(bmp, clWhite), r);
    EXPECT_EQ(c->Pixels(10, 10), clAqua);
    EXPECT_EQ(c->Pixels(29, 19), clAqua);
}

TEST_F(TextTest, RotatedTextRunsUpwardsFromItsOrigin) {
    MakeWhite(bmp, 100, 120);
    const TSize ext = c->TextExtent("Zorbelin");
    c->Font()->SetOrientation(900);
    c->TextOut(10, 110, "Zorbelin");
    const TRect ink = InkBounds(bmp, clWhite);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GT(ink.Height(), ink.Width());
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 10 + ext.cy + 1);
    EXPECT_LE(ink.Bottom, 111);
    EXPECT_GE(ink.Top, 110 - ext.cx - 1);
}

TEST_F(TextTest, RotatedTextRectKeepsAnUprightBox) {
    // A vertical band: white text running upwards on blue, the band filled by the text's background.
    bmp.SetSize(100, 120);
    c->Brush()->SetColor(clGray);
    c->FillRect(TRect(0, 0, 100, 120));
    c->Font()->SetColor(clWhite);
    c->Font()->SetOrientation(900);
    c->Font()->SetStyle({fsBold});
    c->Brush()->SetColor(clNavy);
    const TRect band(0, 0, 20, 100);
    c->TextRect(band, 2, 100, "Tarvolin");
    EXPECT_EQ(InkBounds(bmp, clGray), band);
    EXPECT_EQ(c->Pixels(0, 0), clNavy);
    EXPECT_EQ(c->Pixels(19, 99), clNavy);
    // The glyphs are there, standing in the lower part of the band.
    const TRect glyphs = ColorBounds(bmp, clWhite);
    EXPECT_FALSE(glyphs.IsEmpty());
    EXPECT_GT(glyphs.Height(), glyphs.Width());
    EXPECT_GE(glyphs.Top, 100 - c->TextWidth("Tarvolin") - 1);
}

TEST_F(TextTest, CalcRectMeasuresWithoutDrawing) {
    TRect r(10, 10, 10, 10);
    const int h = c->DrawText("Geburtstag", r, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(h, c->TextHeight("Geburtstag"));
    EXPECT_EQ(r, TRect(10, 10, 10 + c->TextWidth("Geburtstag"), 10 + h));
    EXPECT_EQ(CountColor(bmp, clWhite), 200 * 80);

    // Mnemonics: "&x" measures as x, "&&" as one "&"; with DT_NOPREFIX everything is literal.
    r = TRect(0, 0, 0, 0);
    c->DrawText("&Datei", r, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(r.Width(), c->TextWidth("Datei"));
    r = TRect(0, 0, 0, 0);
    c->DrawText("A&&B", r, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(r.Width(), c->TextWidth("A&B"));
    r = TRect(0, 0, 0, 0);
    c->DrawText("&Datei", r, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(r.Width(), c->TextWidth("&Datei"));

    // Lines end at CR LF, LF and CR unless the text is one line.
    r = TRect(0, 0, 100, 0);
    EXPECT_EQ(c->DrawText("a\r\nbb\nc\rd", r, DT_CALCRECT), 4 * c->TextHeight("a"));
    EXPECT_EQ(r.Width(), c->TextWidth("bb"));
    r = TRect(0, 0, 100, 0);
    EXPECT_EQ(c->DrawText("a\r\nbb", r, DT_CALCRECT | DT_SINGLELINE), c->TextHeight("a"));
}

TEST_F(TextTest, MnemonicIsUnderlinedUnderItsCharacter) {
    TBitmap plain;
    MakeWhite(plain, 200, 80);
    plain.Canvas()->Font()->SetColor(clBlack);
    plain.Canvas()->Brush()->SetStyle(bsClear);
    TRect r(5, 5, 150, 40);
    plain.Canvas()->DrawText("Datei", r, DT_SINGLELINE);
    c->DrawText("D&atei", r, DT_SINGLELINE);
    const int ascent = c->TextMetrics().tmAscent;
    const int x0 = 5 + c->TextWidth("D"), x1 = 5 + c->TextWidth("Da");
    EXPECT_TRUE(DiffersIn(bmp, plain, x0, 5 + ascent, x1, 40));
    EXPECT_FALSE(DiffersIn(bmp, plain, 0, 0, 200, 5 + ascent));   // the glyphs are the same
    EXPECT_FALSE(DiffersIn(bmp, plain, 0, 0, x0, 80));
    EXPECT_FALSE(DiffersIn(bmp, plain, x1, 0, 200, 80));

    // "&&" and DT_NOPREFIX underline nothing.
    MakeWhite(bmp, 200, 80);
    MakeWhite(plain, 200, 80);
    c->DrawText("A&&B", r, DT_SINGLELINE);
    plain.Canvas()->DrawText("A&B", r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_TRUE(SamePixels(bmp, plain));
}

TEST_F(TextTest, EndEllipsisCutsToThreePeriodsThatFit) {
    const std::string text = "Besprechung mit dem Vorstand";
    const int width = c->TextWidth(text) / 2;
    // The longest beginning that still leaves room for "...".
    std::string expected;
    for (std::size_t n = text.size(); n > 0; --n)
        if (c->TextWidth(text.substr(0, n)) + c->TextWidth("...") <= width) { expected = text.substr(0, n) + "..."; break; }
    ASSERT_FALSE(expected.empty());

    TRect r(0, 0, width, 0);
    c->DrawText(text, r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_EQ(r.Width(), c->TextWidth(expected));
    EXPECT_LE(r.Width(), width);

    TBitmap want;
    MakeWhite(want, 200, 80);
    want.Canvas()->Font()->SetColor(clBlack);
    want.Canvas()->Brush()->SetStyle(bsClear);
    TRect box(4, 4, 4 + width, 30);
    want.Canvas()->DrawText(expected, box, DT_SINGLELINE);
    c->DrawText(text, box, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_TRUE(SamePixels(bmp, want));

    // A text that fits is left alone; a box narrower than "..." still shows no more than the box.
    r = TRect(0, 0, 500, 0);
    c->DrawText(text, r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_EQ(r.Width(), c->TextWidth(text));
    MakeWhite(bmp, 200, 80);
    box = TRect(10, 10, 12, 30);
    c->DrawText(text, box, DT_SINGLELINE | DT_END_ELLIPSIS);
    const TRect ink = InkBounds(bmp, clWhite);
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 12);

    // Umlauts are cut as whole characters.
    const std::string german = "Übermäßig schöne Grüße";
    r = TRect(0, 0, c->TextWidth("Übermä") + c->TextWidth("..."), 0);
    c->DrawText(german, r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_EQ(r.Width(), c->TextWidth("Übermä..."));
}

TEST_F(TextTest, WordBreakFillsLinesWithWholeWords) {
    const int line = c->TextHeight("x");
    const int width = c->TextWidth("eins zwei");
    TRect r(0, 0, width, 0);
    EXPECT_EQ(c->DrawText("eins zwei eins zwei eins", r, DT_WORDBREAK | DT_CALCRECT), 3 * line);
    EXPECT_EQ(r.Width(), width);
    EXPECT_EQ(r.Height(), 3 * line);

    r = TRect(0, 0, width - 1, 0);
    EXPECT_EQ(c->DrawText("eins zwei eins zwei eins", r, DT_WORDBREAK | DT_CALCRECT), 5 * line);
    EXPECT_EQ(r.Width(), std::max(c->TextWidth("eins"), c->TextWidth("zwei")));

    // A word wider than the box keeps a line of its own and is not split.
    r = TRect(0, 0, 10, 0);
    EXPECT_EQ(c->DrawText("Donaudampfschiff", r, DT_WORDBREAK | DT_CALCRECT), line);
    EXPECT_EQ(r.Width(), c->TextWidth("Donaudampfschiff"));

    // Drawn, the lines are the words at line-height steps.
    TBitmap want;
    MakeWhite(want, 200, 80);
    want.Canvas()->Font()->SetColor(clBlack);
    want.Canvas()->Brush()->SetStyle(bsClear);
    want.Canvas()->TextOut(3, 2, "eins zwei");
    want.Canvas()->TextOut(3, 2 + line, "eins");
    TRect box(3, 2, 3 + width, 80);
    c->DrawText("eins zwei  eins", box, DT_WORDBREAK);
    EXPECT_TRUE(SamePixels(bmp, want));
}

TEST_F(TextTest, AlignmentPlacesTheTextCell) {
    c->Brush()->SetColor(clYellow);
    const TSize ext = c->TextExtent("Mitte");
    TRect r(0, 0, 101, 41);
    int h = c->DrawText("Mitte", r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    const int left = (101 - ext.cx) / 2, top = (41 - ext.cy) / 2;
    EXPECT_EQ(ColorBounds(bmp, clYellow), TRect(left, top, left + ext.cx, top + ext.cy));
    EXPECT_EQ(h, top + ext.cy);

    MakeWhite(bmp, 200, 80);
    h = c->DrawText("Mitte", r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
    EXPECT_EQ(ColorBounds(bmp, clYellow), TRect(101 - ext.cx, 41 - ext.cy, 101, 41));
    EXPECT_EQ(h, 41);

    // Vertical alignment needs a single line.
    MakeWhite(bmp, 200, 80);
    c->DrawText("Mitte", r, DT_VCENTER);
    EXPECT_EQ(ColorBounds(bmp, clYellow), TRect(0, 0, ext.cx, ext.cy));

    // The text box clips, unless told not to.
    MakeWhite(bmp, 200, 80);
    TRect narrow(20, 20, 30, 30);
    c->DrawText("Mitte", narrow, DT_SINGLELINE);
    EXPECT_EQ(InkBounds(bmp, clWhite), TRect(20, 20, 30, 30));
    MakeWhite(bmp, 200, 80);
    c->DrawText("Mitte", narrow, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_EQ(ColorBounds(bmp, clYellow), TRect(20, 20, 20 + ext.cx, 20 + ext.cy));
}

TEST_F(TextTest, TabsExpandToEightAverageCharacters) {
    const int stop = 8 * c->TextMetrics().tmAveCharWidth;
    TRect r(0, 0, 300, 0);
    c->DrawText("a\tb", r, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
    EXPECT_EQ(r.Width(), stop + c->TextWidth("b"));
    r = TRect(0, 0, 300, 0);
    c->DrawText("a\t\tb", r, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
    EXPECT_EQ(r.Width(), 2 * stop + c->TextWidth("b"));
}

} // namespace
