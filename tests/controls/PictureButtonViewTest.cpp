// The picture button on a shown form: its shape cut from the glyph, the painted looks of its states
// and its speed-button behaviour in groups.
#include <gtest/gtest.h>

#include "FlatViewSupport.h"
#include "PictureButton.h"
#include "WinRegion.h"

using flatview::At;
using flatview::Grab;
using flatview::Rgb;

namespace {

// 10 x 8, white, with a red block over columns 3..5 and rows 2..4.
std::unique_ptr<TBitmap> BlockGlyph() {
    auto g = std::make_unique<TBitmap>();
    g->SetSize(10, 8);
    g->Canvas()->Brush()->SetColor(clWhite);
    g->Canvas()->FillRect({0, 0, 10, 8});
    g->Canvas()->Brush()->SetColor(clRed);
    g->Canvas()->FillRect({3, 2, 6, 5});
    return g;
}

class PictureButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        for (int i = 0; i < 2; ++i) {
            btn[i] = new TdxfPictureButton(form);
            btn[i]->SetParent(form);
            btn[i]->SetBounds(10 + 60 * i, 10, 40, 40);
        }
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }
    void Press(TdxfPictureButton* b, int x = 4, int y = 3) {
        b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    TForm* form = nullptr;
    TdxfPictureButton* btn[2] = {};
};

TEST_F(PictureButtonTest, Defaults) {
    EXPECT_EQ(40, btn[0]->Width());
    EXPECT_EQ(40, btn[0]->Height());
    EXPECT_EQ(dxfHighlight, btn[0]->Style());
    EXPECT_EQ(dxfFill, btn[0]->Dither()->Style());
    EXPECT_EQ(dxfNoDither, btn[0]->Dither()->Color());
    EXPECT_TRUE(btn[0]->ParentColor());
    EXPECT_TRUE(btn[0]->Visible());
}

TEST_F(PictureButtonTest, ShapeIsTheGlyphWithARim) {
    auto g = BlockGlyph();
    btn[0]->SetGlyph(g.get());
    EXPECT_EQ(12, btn[0]->Width());
    EXPECT_EQ(10, btn[0]->Height());
    EXPECT_EQ(Rgb(clWhite), btn[0]->TransparentColor());
    // Each run of rows 2..4 covers one more column to the left and two to the right, a row above
    // and one below.
    for (int y = 1; y < 6; ++y)
        for (int x = 2; x < 7; ++x) EXPECT_TRUE(PtInWindowRgn(btn[0], x, y)) << x << "," << y;
    EXPECT_FALSE(PtInWindowRgn(btn[0], 1, 3));
    EXPECT_FALSE(PtInWindowRgn(btn[0], 7, 3));
    EXPECT_FALSE(PtInWindowRgn(btn[0], 4, 6));
    EXPECT_FALSE(PtInWindowRgn(btn[0], 0, 0));
    EXPECT_FALSE(PtInWindowRgn(btn[0], 9, 7));
}

TEST_F(PictureButtonTest, ShapeIsBuiltOnceLoaded) {
    auto g = BlockGlyph();
    btn[0]->Glyph()->Assign(g.get());
    EXPECT_TRUE(btn[0]->NormalBitmap()->Empty());
    EXPECT_TRUE(PtInWindowRgn(btn[0], 0, 0)) << "no shape yet";
    btn[0]->Loaded();
    EXPECT_FALSE(PtInWindowRgn(btn[0], 0, 0));
    EXPECT_TRUE(PtInWindowRgn(btn[0], 4, 3));
    EXPECT_EQ(10, btn[0]->NormalBitmap()->Width());
}

TEST_F(PictureButtonTest, PicturePixelsAtTheEdgesBelongToTheShape) {
    auto g = BlockGlyph();
    // The top-left pixel is part of the picture; its colour is taken as the background anyway.
    g->Canvas()->SetPixels(0, 0, clBlue);
    // A run reaching the right edge.
    g->Canvas()->Brush()->SetColor(clGreen);
    g->Canvas()->FillRect({7, 6, 10, 7});
    btn[0]->SetGlyph(g.get());
    EXPECT_EQ(Rgb(clBlue), btn[0]->TransparentColor());
    EXPECT_TRUE(PtInWindowRgn(btn[0], 0, 0)) << "white, no longer background, is the picture now";
    EXPECT_TRUE(PtInWindowRgn(btn[0], 9, 6));
    EXPECT_TRUE(PtInWindowRgn(btn[0], 8, 6));
}

TEST_F(PictureButtonTest, HiddenKeepsItsPlaceButHasNoShape) {
    auto g = BlockGlyph();
    btn[0]->SetGlyph(g.get());
    btn[0]->SetVisible(false);
    EXPECT_FALSE(btn[0]->Visible());
    EXPECT_EQ(12, btn[0]->Width());
    EXPECT_FALSE(PtInWindowRgn(btn[0], 4, 3));
    btn[0]->SetVisible(true);
    EXPECT_TRUE(PtInWindowRgn(btn[0], 4, 3));
}

TEST_F(PictureButtonTest, LooksOfTheStates) {
    btn[0]->SetColor(clYellow);
    auto g = BlockGlyph();
    btn[0]->SetGlyph(g.get());
    TBitmap* n = btn[0]->NormalBitmap();
    ASSERT_EQ(10, n->Width());
    EXPECT_EQ(Rgb(clRed), Rgb(n->Canvas()->Pixels(3, 2)));
    EXPECT_EQ(Rgb(clWhite), Rgb(n->Canvas()->Pixels(2, 1))) << "lit above left of the glyph";
    EXPECT_EQ(Rgb(clGray), Rgb(n->Canvas()->Pixels(6, 5))) << "shaded below right";
    EXPECT_EQ(Rgb(clYellow), Rgb(n->Canvas()->Pixels(8, 1)));
    EXPECT_EQ(Rgb(clWhite), Rgb(n->Canvas()->Pixels(0, 7))) << "beyond the glyph's edge counts as picture";
    TBitmap* d = btn[0]->DownBitmap();
    EXPECT_EQ(Rgb(clBlack), Rgb(d->Canvas()->Pixels(2, 1)));
    EXPECT_EQ(Rgb(clBlack), Rgb(d->Canvas()->Pixels(3, 2))) << "the dark edge runs diagonally";
    EXPECT_EQ(Rgb(clRed), Rgb(d->Canvas()->Pixels(4, 3))) << "the picture moved by one pixel";
    EXPECT_EQ(Rgb(clWhite), Rgb(d->Canvas()->Pixels(6, 5)));
    EXPECT_TRUE(btn[0]->HoverBitmap()->Empty()) << "only the flat style hovers";

    // What the window shows follows the state.
    EXPECT_EQ(Rgb(clRed), At(Grab(btn[0]), 3, 2));
    btn[0]->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 3));
    EXPECT_TRUE(btn[0]->Pressed());
    EXPECT_EQ(Rgb(clBlack), At(Grab(btn[0]), 3, 2));
    btn[0]->Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 3));
    EXPECT_FALSE(btn[0]->Pressed());

    btn[0]->SetStyle(dxfFlat);
    EXPECT_EQ(Rgb(clYellow), Rgb(n->Canvas()->Pixels(2, 1))) << "flat until the mouse comes";
    EXPECT_EQ(Rgb(clWhite), Rgb(btn[0]->HoverBitmap()->Canvas()->Pixels(2, 1)));
    btn[0]->Perform(CM_MOUSEENTER);
    EXPECT_TRUE(btn[0]->MouseInside());
    EXPECT_EQ(Rgb(clWhite), At(Grab(btn[0]), 2, 1));
    btn[0]->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(Rgb(clYellow), At(Grab(btn[0]), 2, 1));

    btn[0]->SetStyle(dxfRaised);
    EXPECT_EQ(Rgb(clRed), Rgb(n->Canvas()->Pixels(2, 1))) << "the picture moved up and left";
    EXPECT_EQ(Rgb(clBlack), Rgb(n->Canvas()->Pixels(5, 4))) << "the dark edge below right";
}

// Disabled, the picture stays what it is, faded toward the button face as the window system's own
// disabled buttons are (no raised rim: the light and shadow copies of the old look are gone).
TEST_F(PictureButtonTest, DisabledShowsThePictureFadedTowardTheFace) {
    btn[0]->SetColor(clYellow);
    auto g = BlockGlyph();
    btn[0]->SetGlyph(g.get());
    const TColor face = Graphics::ColorToRGB(clBtnFace);
    const auto faded = [&](int value, int shift) { return (value + 2 * ((face >> shift) & 0xFF)) / 3; };
    const TColor red = faded(0xFF, 0) | faded(0, 8) << 8 | faded(0, 16) << 16;
    TBitmap* d = btn[0]->DisabledBitmap();
    for (const TPoint p : {TPoint{3, 2}, TPoint{5, 4}})
        EXPECT_EQ(Rgb(red), Rgb(d->Canvas()->Pixels(p.X, p.Y))) << p.X << "," << p.Y;
    // Beside the block, where the old look put its light copy, the button's colour.
    EXPECT_EQ(Rgb(clYellow), Rgb(d->Canvas()->Pixels(6, 5)));
    EXPECT_EQ(Rgb(clYellow), Rgb(d->Canvas()->Pixels(2, 1)));
    btn[0]->SetEnabled(false);
    EXPECT_EQ(Rgb(red), At(Grab(btn[0]), 4, 3));
}

TEST_F(PictureButtonTest, DitherOfThePressedLook) {
    btn[0]->SetColor(clYellow);
    auto g = BlockGlyph();
    btn[0]->SetGlyph(g.get());
    btn[0]->Dither()->SetColor(clBlue);
    TBitmap* d = btn[0]->DownBitmap();
    EXPECT_EQ(Rgb(clBlue), Rgb(d->Canvas()->Pixels(4, 3))) << "filled";
    btn[0]->Dither()->SetStyle(dxfDitherBlend);
    EXPECT_EQ(Rgb(clRed), Rgb(d->Canvas()->Pixels(4, 3)));
    EXPECT_EQ(Rgb(clBlue), Rgb(d->Canvas()->Pixels(5, 3))) << "every second pixel, shifted by row";
    EXPECT_EQ(Rgb(clBlue), Rgb(d->Canvas()->Pixels(4, 4)));
    btn[0]->Dither()->SetStyle(dxfDither);
    EXPECT_EQ(Rgb(clYellow), Rgb(d->Canvas()->Pixels(4, 3))) << "no picture, only the dither";
    EXPECT_EQ(Rgb(clBlue), Rgb(d->Canvas()->Pixels(5, 3)));
}

TEST_F(PictureButtonTest, GroupsLatchAndRelease) {
    btn[0]->SetDown(true);
    EXPECT_FALSE(btn[0]->Down()) << "outside a group nothing latches";
    int clicks = 0;
    btn[0]->OnClick = [&](TObject*) { ++clicks; };
    Press(btn[0]);
    EXPECT_EQ(1, clicks);
    EXPECT_FALSE(btn[0]->Down());

    for (auto* b : btn) b->SetGroupIndex(3);
    Press(btn[0]);
    EXPECT_TRUE(btn[0]->Down());
    Press(btn[0]);
    EXPECT_TRUE(btn[0]->Down()) << "stays down without AllowAllUp";
    Press(btn[1]);
    EXPECT_TRUE(btn[1]->Down());
    EXPECT_FALSE(btn[0]->Down());
    EXPECT_FALSE(btn[0]->Pressed());
    btn[1]->SetAllowAllUp(true);
    Press(btn[1]);
    EXPECT_FALSE(btn[1]->Down());
    btn[0]->SetDown(true);
    EXPECT_TRUE(btn[0]->Pressed());
    btn[1]->SetDown(true);
    EXPECT_FALSE(btn[0]->Down());

    btn[0]->SetEnabled(false);
    clicks = 0;
    btn[0]->Click();
    EXPECT_EQ(0, clicks);
}

} // namespace
