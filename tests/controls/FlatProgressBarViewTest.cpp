// The flat progress bar painted offscreen: fill edges, block pattern, gradient, pictures, bevels, the
// text, and what a new position repaints.
#include <gtest/gtest.h>

#include "FlatViewSupport.h"
#include "dxfProgressBar.h"

using flatview::At;
using flatview::Count;
using flatview::Grab;
using flatview::Rgb;

namespace {

class ProgressBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 300);
        bar = new TdxfProgressBar(form);
        bar->SetParent(form);
        bar->SetLeft(10);
        bar->SetTop(10);
        bar->SetColor(clWhite);
        bar->SetBeginColor(clRed);
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }
    TForm* form = nullptr;
    TdxfProgressBar* bar = nullptr;
};

TEST_F(ProgressBarTest, Defaults) {
    TdxfProgressBar fresh(nullptr);
    EXPECT_EQ(150, fresh.Width());
    EXPECT_EQ(16, fresh.Height());
    EXPECT_EQ(100, fresh.Max());
    EXPECT_EQ(0, fresh.Min());
    EXPECT_EQ(0, fresh.Position());
    EXPECT_EQ(sRectangles, fresh.Style());
    EXPECT_EQ(bvLowered, fresh.BevelOuter());
    EXPECT_EQ(bvNone, fresh.BarBevelOuter());
    EXPECT_EQ(orHorizontal, fresh.Orientation());
    EXPECT_EQ(clNavy, fresh.BeginColor());
    EXPECT_EQ(clWhite, fresh.EndColor());
    EXPECT_EQ(10, fresh.Step());
    EXPECT_TRUE(fresh.TransparentGlyph());
    EXPECT_FALSE(fresh.ShowText());
}

TEST_F(ProgressBarTest, RangeSettersKeepMinBelowMax) {
    bar->SetMax(-5);
    EXPECT_EQ(100, bar->Max());
    bar->SetMin(101);
    EXPECT_EQ(0, bar->Min());
    bar->SetMin(100);
    EXPECT_EQ(100, bar->Min()) << "an empty range is allowed";
    bar->SetPosition(150);
    EXPECT_TRUE(bar->FilledRect(bar->Position()).IsEmpty()) << "an empty range shows an empty bar";
    EXPECT_EQ("0 %", bar->BarText());
}

TEST_F(ProgressBarTest, FillCountsFromMin) {
    // 150 wide with a 2-pixel bevel: the bar runs over 146 pixels from x = 2.
    bar->SetPosition(50);
    EXPECT_EQ((TRect{2, 2, 75, 14}), bar->FilledRect(50));
    EXPECT_EQ("50 %", bar->BarText());
    bar->SetMin(20);
    bar->SetMax(120);
    bar->SetPosition(70);
    EXPECT_EQ(75, bar->FilledRect(70).Right) << "half of the range is half the bar";
    EXPECT_EQ("50 %", bar->BarText());
    bar->SetShowTextStyle(stsPosition);
    EXPECT_EQ("70", bar->BarText());
    EXPECT_TRUE(bar->FilledRect(20).IsEmpty());
    EXPECT_TRUE(bar->FilledRect(5).IsEmpty());
}

TEST_F(ProgressBarTest, BeyondMaxTheBarIsFullAndThePercentGoesOn) {
    bar->SetPosition(150);
    EXPECT_EQ(148, bar->FilledRect(150).Right);
    EXPECT_EQ("150 %", bar->BarText());
}

TEST_F(ProgressBarTest, StepItAndStepBy) {
    bar->StepIt();
    EXPECT_EQ(10, bar->Position());
    bar->SetStep(0);
    bar->StepIt();
    EXPECT_EQ(10, bar->Position());
    bar->StepBy(-4);
    EXPECT_EQ(6, bar->Position());
}

TEST_F(ProgressBarTest, SolidFillAndBevels) {
    bar->SetStyle(sSolid);
    bar->SetPosition(50);
    const QImage img = Grab(bar);
    EXPECT_EQ(Rgb(clBtnShadow), At(img, 0, 0));
    EXPECT_EQ(Rgb(clBtnHighlight), At(img, 149, 15));
    EXPECT_EQ(Rgb(clRed), At(img, 2, 2));
    EXPECT_EQ(Rgb(clRed), At(img, 74, 13));
    EXPECT_EQ(Rgb(clWhite), At(img, 75, 8));
    EXPECT_EQ(0, Count(img, 75, 2, 148, 14, clRed));

    bar->SetBarBevelOuter(bvRaised);
    const QImage bevelled = Grab(bar);
    EXPECT_EQ(Rgb(clBtnHighlight), At(bevelled, 2, 2));
    EXPECT_EQ(Rgb(clBtnShadow), At(bevelled, 74, 13));
    EXPECT_EQ(Rgb(clRed), At(bevelled, 3, 3));
}

TEST_F(ProgressBarTest, BlocksWithGapsAndTheTailAtMax) {
    // Inner height 12: blocks of round(12 * 2 / 3) + 2 = 10 pixels, 2 of them gap.
    bar->SetPosition(50);
    QImage img = Grab(bar);
    EXPECT_EQ(Rgb(clRed), At(img, 2, 8));
    EXPECT_EQ(Rgb(clRed), At(img, 9, 8));
    EXPECT_EQ(Rgb(clWhite), At(img, 10, 8));
    EXPECT_EQ(Rgb(clWhite), At(img, 11, 8));
    EXPECT_EQ(Rgb(clRed), At(img, 12, 8));
    EXPECT_EQ(Rgb(clRed), At(img, 69, 8));
    EXPECT_EQ(0, Count(img, 70, 2, 148, 14, clRed)) << "an unfinished block stays empty";

    bar->SetPosition(100);
    img = Grab(bar);
    EXPECT_EQ(Rgb(clRed), At(img, 139, 8));
    EXPECT_EQ(Rgb(clRed), At(img, 142, 8)) << "the rest is filled at Max";
    EXPECT_EQ(Rgb(clRed), At(img, 147, 8));
}

TEST_F(ProgressBarTest, GradientFillRunsAcrossTheWholeBar) {
    bar->SetStyle(sExSolid);
    bar->SetBeginColor(clBlack);
    bar->SetEndColor(clWhite);
    bar->SetPosition(50);
    const QImage img = Grab(bar);
    EXPECT_EQ(Rgb(clBlack), At(img, 2, 8));
    // Column 74 is 72 of 146 pixels along: 255 * 72 / 146 = 125.75.
    EXPECT_EQ(RGB(126, 126, 126), At(img, 74, 8));
    EXPECT_EQ(Rgb(clWhite), At(img, 75, 8));
}

TEST_F(ProgressBarTest, VerticalBarsGrowUpwards) {
    bar->SetOrientation(orVertical);
    bar->SetStyle(sSolid);
    bar->SetBounds(10, 10, 16, 150);
    bar->SetPosition(50);
    EXPECT_EQ((TRect{2, 75, 14, 148}), bar->FilledRect(50));
    const QImage img = Grab(bar);
    EXPECT_EQ(Rgb(clRed), At(img, 8, 147));
    EXPECT_EQ(Rgb(clRed), At(img, 8, 75));
    EXPECT_EQ(Rgb(clWhite), At(img, 8, 74));
}

TEST_F(ProgressBarTest, PicturesTileTheFilledPart) {
    TBitmap tile;
    tile.SetSize(8, 8);
    tile.Canvas()->Brush()->SetColor(clLime);
    tile.Canvas()->FillRect({0, 0, 8, 8});
    bar->SetStyle(sPictures);
    bar->SetTransparentGlyph(false);
    bar->SetGlyph(&tile);
    EXPECT_EQ(12, bar->Height()) << "the bar takes the glyph's height and the bevel";
    bar->SetPosition(50);
    const QImage img = Grab(bar);
    // 73 pixels filled: tiles at 2, 10, ... 66; the last unfinished one stays empty.
    EXPECT_EQ(Rgb(clLime), At(img, 2, 5));
    EXPECT_EQ(Rgb(clLime), At(img, 73, 5));
    EXPECT_EQ(Rgb(clWhite), At(img, 74, 5));
}

TEST_F(ProgressBarTest, TextIsCentredInTheFontColour) {
    bar->SetStyle(sSolid);
    bar->SetBounds(10, 10, 150, 30);
    bar->Font()->SetColor(clBlue);
    bar->SetShowText(true);
    bar->SetPosition(0);
    const QImage img = Grab(bar);
    const TRect t = bar->TextRect();
    // Text is smoothed: count the pixels that lean to blue.
    auto bluish = [&](int x1, int y1, int x2, int y2) {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.blue() > c.red() + 80) ++n;
            }
        return n;
    };
    EXPECT_GT(bluish(t.Left, t.Top, t.Right, t.Bottom), 5);
    EXPECT_EQ(bluish(0, 0, 150, 30), bluish(t.Left, t.Top, t.Right, t.Bottom));
    const int middle = (t.Left + t.Right) / 2;
    EXPECT_NEAR(75, middle, 1);
}

TEST_F(ProgressBarTest, ANewPositionRepaintsTheStripBetweenTheEdges) {
    bar->SetStyle(sSolid);
    bar->SetPosition(50);
    EXPECT_EQ((TRect{0, 0, 77, 16}), bar->PositionStrip(0));
    EXPECT_EQ((TRect{71, 0, 77, 16}), bar->PositionStrip(49)) << "edges at 73 and 75";
    EXPECT_TRUE(bar->PositionStrip(50).IsEmpty());
    bar->SetStyle(sRectangles);
    EXPECT_EQ((TRect{-10, 0, 87, 16}), bar->PositionStrip(0)) << "widened by a block";
}

} // namespace
