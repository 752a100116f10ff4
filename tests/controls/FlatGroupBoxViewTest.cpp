// The flat group box on a shown form: where its caption goes, the etched frame and the shadow.
#include <gtest/gtest.h>

#include "FlatViewSupport.h"
#include "dxfGroupBox.h"

using flatview::At;
using flatview::Count;
using flatview::Grab;
using flatview::Rgb;

namespace {

class GroupBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        box = new TdxfGroupBox(form);
        box->SetParent(form);
        box->SetBounds(10, 10, 200, 120);
        box->SetColor(clYellow);
        box->Font()->SetName("Arial");
        box->Font()->SetSize(10);
        box->Font()->SetColor(clBlack);
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }
    TSize Measure(const char* sample, const AnsiString& name = "Arial") const {
        TBitmap measure;
        measure.Canvas()->SetFont(box->Font());
        measure.Canvas()->Font()->SetName(name);
        return {measure.Canvas()->TextWidth(box->Caption()), measure.Canvas()->TextHeight(sample)};
    }
    TForm* form = nullptr;
    TdxfGroupBox* box = nullptr;
};

// Pixels inside r that are neither the box's colour nor near white: the ink of the caption.
int Ink(const QImage& img, const TRect& r) {
    int n = 0;
    for (int y = std::max(0, r.Top); y < std::min(img.height(), r.Bottom); ++y)
        for (int x = std::max(0, r.Left); x < std::min(img.width(), r.Right); ++x)
            if (img.pixelColor(x, y).lightness() < 100) ++n;
    return n;
}

TEST_F(GroupBoxTest, CaptionPlacesAroundTheFrame) {
    EXPECT_EQ(alTopLeft, box->Alignment());
    EXPECT_EQ(spBottomRight, box->ShadowPos());
    EXPECT_EQ(0, box->ShadowSize());
    box->SetCaption("Wecker");
    const TSize m = Measure("0");
    const int w = m.cx, h = m.cy;

    box->SetAlignment(alTopCenter);
    auto L = box->CaptionLayout();
    EXPECT_EQ((TRect{(200 - w) / 2, 0, (200 - w) / 2 + w, h}), L.text);
    EXPECT_EQ((TRect{0, h / 2 - 1, 200, 120}), L.frame);

    box->SetAlignment(alBottomRight);
    L = box->CaptionLayout();
    EXPECT_EQ((TRect{200 - w - 8, 120 - h, 192, 120}), L.text);
    EXPECT_EQ((TPoint{200 - w - 8, 120 - h}), L.origin);
    EXPECT_EQ((TRect{0, 0, 200, 120 - (h / 2 - 1)}), L.frame);

    // On the sides the caption is measured with "Wg" and stands upright along the edge.
    const int hs = Measure("Wg").cy;
    box->SetAlignment(alLeftCenter);
    L = box->CaptionLayout();
    EXPECT_EQ((TRect{0, (120 - w) / 2, hs, (120 - w) / 2 + w}), L.text);
    EXPECT_EQ((TPoint{0, (120 - w) / 2 + w}), L.origin);
    EXPECT_EQ(hs / 2 - 1, L.frame.Left);
    box->SetAlignment(alRightTop);
    L = box->CaptionLayout();
    EXPECT_EQ((TRect{200 - hs, 8, 200, w + 8}), L.text);
    EXPECT_EQ((TPoint{200, 8}), L.origin);
    EXPECT_EQ(200 - (hs / 2 - 1), L.frame.Right);

    // A shadow widens the caption's room by its offsets.
    box->SetAlignment(alTopLeft);
    box->SetShadowSize(3);
    box->SetShadowPos(spRight);
    L = box->CaptionLayout();
    EXPECT_EQ((TRect{8, 0, w + 3 + 8, h}), L.text);
    box->SetShadowPos(spTopLeft);
    L = box->CaptionLayout();
    EXPECT_EQ((TRect{8, 0, w + 3 + 8, h + 3}), L.text);
}

TEST_F(GroupBoxTest, SidesFallBackToAnOutlineFont) {
    box->Font()->SetName("MS Sans Serif");
    box->SetCaption("Ton");
    box->SetAlignment(alLeftTop);
    const TSize arial = Measure("Wg", "Arial");
    const auto L = box->CaptionLayout();
    EXPECT_EQ((TRect{0, 8, arial.cy, arial.cx + 8}), L.text);
}

TEST_F(GroupBoxTest, PaintsAnEtchedFrameTheCaptionCovers) {
    box->SetCaption("Erinnerungen");
    box->SetAlignment(alTopCenter);
    const auto L = box->CaptionLayout();
    const QImage img = Grab(box);
    const int y = L.frame.Top;
    // Etched: the shadow line, the highlight line one pixel inside it.
    EXPECT_EQ(Rgb(clBtnShadow), At(img, 3, y));
    EXPECT_EQ(Rgb(clBtnHighlight), At(img, 3, y + 1));
    EXPECT_EQ(Rgb(clBtnShadow), At(img, 198, 60));
    EXPECT_EQ(Rgb(clBtnHighlight), At(img, 199, 60));
    EXPECT_EQ(Rgb(clBtnHighlight), At(img, 199, 119));
    EXPECT_EQ(L.text.Left, Count(img, 0, y, L.text.Left, y + 1, clBtnShadow));
    EXPECT_EQ(0, Count(img, L.text.Left, y + 1, L.text.Right, y + 2, clBtnHighlight)) << "the caption hides the frame";
    EXPECT_GT(Count(img, L.text.Left, 0, L.text.Right, L.text.Bottom, clYellow), 0) << "on the box's colour";
    EXPECT_GT(Ink(img, L.text), 20);
    EXPECT_EQ(0, Ink(img, {0, L.text.Bottom, 200, 120})) << "no ink outside the caption";

    box->SetCtl3D(false);
    const QImage plain = Grab(box);
    EXPECT_EQ(Rgb(clWindowFrame), At(plain, 199, 119));
    EXPECT_EQ(Rgb(clWindowFrame), At(plain, 3, y));
    EXPECT_NE(Rgb(clBtnHighlight), At(plain, 3, y + 1));
}

TEST_F(GroupBoxTest, TurnedCaptionStaysInItsRoom) {
    box->SetCaption("Seite");
    box->SetAlignment(alLeftCenter);
    auto L = box->CaptionLayout();
    QImage img = Grab(box);
    EXPECT_GT(L.text.Height(), L.text.Width());
    EXPECT_GT(Ink(img, L.text), 20);
    EXPECT_EQ(0, Ink(img, {0, 0, L.text.Right, L.text.Top}));
    EXPECT_EQ(0, Ink(img, {0, L.text.Bottom, L.text.Right, 120}));

    box->SetAlignment(alRightBottom);
    L = box->CaptionLayout();
    img = Grab(box);
    EXPECT_GT(Ink(img, L.text), 20);
    EXPECT_EQ(0, Ink(img, {L.text.Left, 0, 200, L.text.Top}));
    EXPECT_EQ(0, Ink(img, {0, 0, L.text.Left - 2, 120}));
}

TEST_F(GroupBoxTest, ShadowLiesBehindTheCaption) {
    box->SetCaption("Schatten");
    box->Font()->SetSize(16);
    const auto plain = box->CaptionLayout();
    EXPECT_EQ(0, Count(Grab(box), plain.text.Left, plain.text.Top, plain.text.Right, plain.text.Bottom, clRed));

    box->SetShadowColor(clRed);
    box->SetShadowSize(2);
    box->SetShadowPos(spBottomRight);
    const auto L = box->CaptionLayout();
    const QImage img = Grab(box);
    const int red = Count(img, L.text.Left, L.text.Top, L.text.Right, L.text.Bottom, clRed);
    EXPECT_GT(red, 10);
    EXPECT_GT(Ink(img, L.text), 20) << "the caption itself in its own colour";
    // The shadow lies to the lower right: the first column of the caption room holds no red.
    EXPECT_EQ(0, Count(img, L.text.Left, L.text.Top, L.text.Left + 2, L.text.Bottom, clRed));
}

} // namespace
