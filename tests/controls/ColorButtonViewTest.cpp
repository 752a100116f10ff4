// The colour button on a shown form: its round shape, the shaded ball, where glyph and caption go and
// its speed-button behaviour in groups.
#include <gtest/gtest.h>

#include "ColorButton.h"
#include "FlatViewSupport.h"
#include "WinRegion.h"

using flatview::At;
using flatview::Count;
using flatview::Grab;
using flatview::Rgb;

namespace {

class ColorButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        for (int i = 0; i < 2; ++i) {
            btn[i] = new TdxfColorButton(form);
            btn[i]->SetParent(form);
            btn[i]->SetLeft(10 + 120 * i);
            btn[i]->SetTop(10);
            btn[i]->Font()->SetName("Arial");
            btn[i]->Font()->SetSize(10);
            btn[i]->Font()->SetColor(clBlack);
        }
        glyph.SetSize(16, 16);
        glyph.Canvas()->Brush()->SetColor(clRed);
        glyph.Canvas()->FillRect({0, 0, 16, 16});
        // The bottom-left pixel names the colour left out.
        glyph.Canvas()->SetPixels(0, 15, clWhite);
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }
    void SetLines(TdxfColorButton* b, std::initializer_list<const char*> lines) {
        TStringList l;
        for (const char* s : lines) l.Add(s);
        b->SetCaption(&l);
    }
    int Width(const char* s) const {
        TBitmap m;
        m.Canvas()->SetFont(btn[0]->Font());
        return m.Canvas()->TextWidth(s);
    }
    int LineHeight() const {
        TBitmap m;
        m.Canvas()->SetFont(btn[0]->Font());
        return m.Canvas()->TextHeight("Wg");
    }
    TForm* form = nullptr;
    TdxfColorButton* btn[2] = {};
    TBitmap glyph;
};

// The leftmost column holding dark ink, or -1.
int FirstInkColumn(const QImage& img) {
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if (img.pixelColor(x, y).lightness() < 60) return x;
    return -1;
}

TEST_F(ColorButtonTest, Defaults) {
    EXPECT_EQ(100, btn[0]->Width());
    EXPECT_EQ(40, btn[0]->Height());
    EXPECT_EQ(clWhite, btn[0]->Color());
    EXPECT_EQ(0, btn[0]->Caption()->Count());
    EXPECT_EQ(dxfGlyphLeft, btn[0]->Layout());
    EXPECT_FALSE(btn[0]->AllowAllUp());
}

TEST_F(ColorButtonTest, BallIsShadedFromItsColour) {
    TBitmap* n = btn[0]->NormalBitmap();
    ASSERT_EQ(100, n->Width());
    EXPECT_EQ(TColor(0x999999), Rgb(n->Canvas()->Pixels(0, 0))) << "three fifths of white outside the ball";
    btn[0]->SetColor(TColor(0x0000FF));
    EXPECT_EQ(TColor(0x000099), Rgb(n->Canvas()->Pixels(0, 0)));
    EXPECT_EQ(TColor(0x000099), Rgb(n->Canvas()->Pixels(99, 39)));
    // Lighter towards the upper left of the ball than at its lower right.
    const TColor lit = n->Canvas()->Pixels(22, 9), dark = n->Canvas()->Pixels(85, 33);
    EXPECT_GT(GetGValue(lit), GetGValue(dark));
    EXPECT_GT(GetRValue(lit), 0x99);
    // Pressed, the lightest spot lies to the lower right of the middle.
    TBitmap* d = btn[0]->DownBitmap();
    EXPECT_GT(GetGValue(d->Canvas()->Pixels(65, 26)), GetGValue(n->Canvas()->Pixels(65, 26)));
    // A new size paints the looks again.
    btn[0]->SetBounds(btn[0]->Left(), btn[0]->Top(), 60, 60);
    EXPECT_EQ(60, n->Width());
    EXPECT_EQ(60, d->Height());
}

TEST_F(ColorButtonTest, ShapeIsAnEllipse) {
    EXPECT_TRUE(PtInWindowRgn(btn[0], 50, 20));
    EXPECT_TRUE(PtInWindowRgn(btn[0], 1, 20));
    EXPECT_FALSE(PtInWindowRgn(btn[0], 0, 0));
    EXPECT_FALSE(PtInWindowRgn(btn[0], 98, 38));
    btn[0]->SetVisible(false);
    EXPECT_FALSE(btn[0]->Visible());
    EXPECT_FALSE(PtInWindowRgn(btn[0], 50, 20));
    EXPECT_EQ(100, btn[0]->Width());
    btn[0]->SetVisible(true);
    EXPECT_TRUE(PtInWindowRgn(btn[0], 50, 20));
}

TEST_F(ColorButtonTest, GlyphAndCaptionPlaces) {
    btn[0]->SetGlyph(&glyph);
    auto P = btn[0]->CaptionPlacement();
    EXPECT_EQ((TPoint{42, 12}), P.glyph) << "no caption: no gap, the glyph is centred";

    SetLines(btn[0], {"Test"});
    const int tw = Width("Test"), lh = LineHeight();
    P = btn[0]->CaptionPlacement();
    EXPECT_EQ(tw, P.textWidth);
    EXPECT_EQ((TPoint{(100 - 16 - 4 - tw) / 2, 12}), P.glyph);
    EXPECT_EQ((TPoint{(100 - 16 - 4 - tw) / 2 + 20, (40 - lh) / 2}), P.text);

    btn[0]->SetLayout(dxfGlyphRight);
    P = btn[0]->CaptionPlacement();
    EXPECT_EQ((TPoint{(100 - 16 - 4 - tw) / 2, (40 - lh) / 2}), P.text);
    EXPECT_EQ((TPoint{(100 - 16 - 4 - tw) / 2 + tw + 4, 12}), P.glyph);

    SetLines(btn[0], {"Ein", "Zweite"});
    const int tw2 = Width("Zweite");
    btn[0]->SetLayout(dxfGlyphTop);
    P = btn[0]->CaptionPlacement();
    EXPECT_EQ((TPoint{42, (40 - 16 - 2 * lh - 4) / 2}), P.glyph);
    EXPECT_EQ((TPoint{(100 - tw2) / 2, P.glyph.Y + 20}), P.text);
    btn[0]->SetLayout(dxfGlyphBottom);
    P = btn[0]->CaptionPlacement();
    EXPECT_EQ((TPoint{(100 - tw2) / 2, (40 - 16 - 2 * lh - 4) / 2}), P.text);
    EXPECT_EQ(P.text.Y + 2 * lh + 4, P.glyph.Y);
}

TEST_F(ColorButtonTest, PaintsGlyphAndCaptionAndMovesThemWhenPressed) {
    btn[0]->SetGroupIndex(1);
    btn[0]->SetGlyph(&glyph);
    SetLines(btn[0], {"Los"});
    const auto P = btn[0]->CaptionPlacement();
    QImage img = Grab(btn[0]);
    EXPECT_EQ(Rgb(clRed), At(img, P.glyph.X, P.glyph.Y + 1));
    EXPECT_EQ(Rgb(clRed), At(img, P.glyph.X + 15, P.glyph.Y + 15));
    const int ink = FirstInkColumn(img);
    EXPECT_GE(ink, P.text.X);
    EXPECT_LT(ink, P.text.X + 3);

    btn[0]->SetDown(true);
    img = Grab(btn[0]);
    EXPECT_EQ(Rgb(clRed), At(img, P.glyph.X + 16, P.glyph.Y + 16));
    EXPECT_EQ(ink + 1, FirstInkColumn(img));

    btn[0]->SetDown(false);
    btn[0]->SetEnabled(false);
    img = Grab(btn[0]);
    EXPECT_GT(Count(img, P.text.X, P.text.Y, P.text.X + P.textWidth + 1, P.text.Y + P.lineHeight + 1, clBtnShadow), 3)
        << "an engraved caption";
    EXPECT_GT(Count(img, P.text.X, P.text.Y, P.text.X + P.textWidth + 1, P.text.Y + P.lineHeight + 1, clBtnHighlight), 3);
}

TEST_F(ColorButtonTest, GroupsLatchAndRelease) {
    btn[0]->SetDown(true);
    EXPECT_FALSE(btn[0]->Down());
    int clicks = 0;
    btn[0]->OnClick = [&](TObject*) { ++clicks; };
    auto press = [](TdxfColorButton* b) {
        b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
        EXPECT_TRUE(b->Pressed());
        b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(50, 20));
    };
    press(btn[0]);
    EXPECT_EQ(1, clicks);
    EXPECT_FALSE(btn[0]->Pressed());

    btn[0]->SetGroupIndex(2);
    btn[1]->SetGroupIndex(2);
    press(btn[0]);
    EXPECT_TRUE(btn[0]->Down());
    btn[0]->Perform(WM_LBUTTONUP, 0, MAKELPARAM(50, 20));
    EXPECT_TRUE(btn[0]->Down()) << "no AllowAllUp";
    press(btn[1]);
    EXPECT_FALSE(btn[0]->Down());
    EXPECT_FALSE(btn[0]->Pressed());
    // Released outside, even a latched button comes up.
    btn[1]->Perform(WM_LBUTTONUP, 0, MAKELPARAM(200, 20));
    EXPECT_FALSE(btn[1]->Down());

    btn[0]->SetEnabled(false);
    clicks = 0;
    btn[0]->Click();
    EXPECT_EQ(0, clicks);
}

} // namespace
