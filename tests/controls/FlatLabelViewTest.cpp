// The flat label on a shown form: angles, shadows, looks, texture, transparency and the shared surface.
#include <gtest/gtest.h>

#include "Dialogs.h"
#include "FlatViewSupport.h"
#include "MMSystem.h"
#include "dxfLabel.h"
#include "dxfres.h"

using flatview::At;
using flatview::Count;
using flatview::Grab;
using flatview::Rgb;

namespace {

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, n = 0;
};

// The bounding box of the pixels that match.
template <class Pred> Box Find(const QImage& img, Pred match) {
    Box b;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (match(img.pixelColor(x, y))) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x);
                b.bottom = std::max(b.bottom, y);
                ++b.n;
            }
    return b;
}
bool Black(const QColor& c) { return c.red() < 60 && c.green() < 60 && c.blue() < 60; }
bool Red(const QColor& c) { return c == QColor(255, 0, 0); }

class FlatLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        form->SetColor(clBlue);
        label = new TdxfLabel(form);
        label->SetParent(form);
        label->SetBounds(10, 10, 140, 60);
        label->SetColor(clWhite);
        label->Font()->SetName("Arial");
        label->Font()->SetSize(20);
        label->Font()->SetColor(clBlack);
        label->SetCaption("Hallo");
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        Dialogs::SetDialogAnswerer(nullptr);
        delete form;
    }
    TForm* form = nullptr;
    TdxfLabel* label = nullptr;
};

TEST_F(FlatLabelTest, Defaults) {
    EXPECT_EQ(dxfNormal, label->Style());
    EXPECT_EQ(0, label->Angle());
    EXPECT_EQ(1, label->PenWidth());
    EXPECT_FALSE(label->AutoSize());
    EXPECT_FALSE(label->ParentFont());
    EXPECT_EQ(dxfCool, label->Effect3D()->Style());
    EXPECT_EQ(dxfRightBottom, label->Effect3D()->Orientation());
    EXPECT_EQ(0, label->Effect3D()->Depth());
    EXPECT_EQ(clGray, label->Effect3D()->ShadowedColor());
}

TEST_F(FlatLabelTest, AnotherShadowIsCopiedNotTakenOver) {
    Tdxf3DEffect* own = label->Effect3D();
    {
        Tdxf3DEffect other(nullptr);
        other.SetDepth(2);
        other.SetStyle(dxfFun);
        other.SetOrientation(dxfTop);
        other.SetShadowedColor(clRed);
        label->Set3DEffect(&other);
    }
    EXPECT_EQ(own, label->Effect3D());
    EXPECT_EQ(2, own->Depth());
    EXPECT_EQ(dxfFun, own->Style());
    EXPECT_EQ(dxfTop, own->Orientation());
    EXPECT_EQ(clRed, own->ShadowedColor());
}

TEST_F(FlatLabelTest, ColourSteps) {
    EXPECT_EQ(TColor(0x3F3F3F), TdxfLabel::GetColor(clBlack, clWhite, 1, 4));
    EXPECT_EQ(TColor(0x7F7F7F), TdxfLabel::GetColor(clBlack, clWhite, 2, 4));
    EXPECT_EQ(clBlack, TdxfLabel::GetColor(clBlack, clWhite, 0, 4));
    // Two thirds of each part: 0xC0 -> 0x80, 0x60 -> 0x40, 0x30 -> 0x20.
    EXPECT_EQ(TColor(0x204080), TdxfLabel::GetColor(TColor(0x3060C0), clBlack, 1, 3));
}

TEST_F(FlatLabelTest, AnglesOnlyForOutlineFonts) {
    label->SetAngle(90);
    EXPECT_EQ(90, label->Angle());
    label->SetAngle(360);
    EXPECT_EQ(360, label->Angle());
    label->SetAngle(361);
    EXPECT_EQ(360, label->Angle());
    label->SetAngle(-1);
    EXPECT_EQ(360, label->Angle());

    std::vector<AnsiString> shown;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        shown.push_back(d.Text());
        d.Press("OK");
    });
    label->SetAngle(0);
    label->Font()->SetName("MS Sans Serif");
    const unsigned beeps = MMSystem::BeepCount();
    label->SetAngle(45);
    EXPECT_EQ(0, label->Angle());
    EXPECT_EQ(beeps + 1, MMSystem::BeepCount());
    EXPECT_EQ((std::vector<AnsiString>{"The Angle property is applicable for the TrueType fonts only"}), shown);
}

TEST_F(FlatLabelTest, TurnedCaptionStaysCentred) {
    const Box flat = Find(Grab(label), Black);
    ASSERT_GT(flat.n, 50);
    EXPECT_GT(flat.right - flat.left, flat.bottom - flat.top);
    EXPECT_NEAR(70, (flat.left + flat.right) / 2, 4);
    label->SetBounds(10, 10, 100, 140);
    label->SetAngle(90);
    const Box up = Find(Grab(label), Black);
    EXPECT_GT(up.bottom - up.top, up.right - up.left) << "reads upwards";
    EXPECT_NEAR(50, (up.left + up.right) / 2, 5);
    EXPECT_NEAR(70, (up.top + up.bottom) / 2, 5);
    label->SetAngle(360);
    const Box full = Find(Grab(label), Black);
    EXPECT_GT(full.right - full.left, full.bottom - full.top) << "a full turn draws like none";
}

TEST_F(FlatLabelTest, ShadowsLieInTheirDirection) {
    Tdxf3DEffect* e = label->Effect3D();
    e->SetShadowedColor(clRed);
    e->SetStyle(dxfExtrude);
    EXPECT_EQ(0, Find(Grab(label), Red).n) << "depth 0 draws no shadow";

    e->SetDepth(3);
    QImage img = Grab(label);
    Box ink = Find(img, Black), red = Find(img, Red);
    ASSERT_GT(red.n, 10);
    // Within a pixel of smoothed letter edges.
    EXPECT_NEAR(ink.right + 3, red.right, 1);
    EXPECT_NEAR(ink.bottom + 3, red.bottom, 1);

    e->SetOrientation(dxfLeft);
    img = Grab(label);
    ink = Find(img, Black);
    red = Find(img, Red);
    EXPECT_NEAR(ink.left - 3, red.left, 1);
    EXPECT_LE(red.bottom, ink.bottom) << "only sideways";

    // Fading: the copy next to the caption has the shadow colour, the farthest comes nearest the
    // background.
    e->SetStyle(dxfFun);
    e->SetOrientation(dxfRightBottom);
    e->SetShadowedColor(clBlack);
    e->SetDepth(4);
    img = Grab(label);
    ink = Find(img, Black);
    const Box faded = Find(img, [](const QColor& c) { return c == QColor(0xBF, 0xBF, 0xBF); });
    EXPECT_GT(faded.n, 5) << "three quarters of the way to white";
    EXPECT_GT(faded.right, ink.right);
    EXPECT_GT(faded.bottom, ink.bottom);
    EXPECT_EQ(0, Find(img, Red).n);
}

TEST_F(FlatLabelTest, Looks) {
    label->SetColor(clYellow);
    label->SetStyle(dxfRaised);
    EXPECT_GT(Count(Grab(label), 0, 0, 140, 60, clBtnShadow), 10);
    label->Font()->SetSize(8);
    EXPECT_EQ(0, Count(Grab(label), 0, 0, 140, 60, clBtnShadow)) << "small fonts get no second edge";
    label->Font()->SetSize(20);

    label->SetStyle(dxfLowered);
    EXPECT_FALSE(label->ParentColor());
    Grab(label);
    EXPECT_TRUE(label->ParentColor()) << "the lowered look takes its parent's colour";
    EXPECT_EQ(clBlue, label->Color());
}

TEST_F(FlatLabelTest, OutlineAndTexture) {
    label->Font()->SetStyle(TFontStyles() << fsBold);
    const int solid = Find(Grab(label), Black).n;
    label->SetStyle(dxfOutLine);
    const int thin = Find(Grab(label), Black).n;
    EXPECT_GT(thin, 20);
    EXPECT_LT(thin, solid) << "hollow letters";
    label->SetPenWidth(3);
    EXPECT_GT(Find(Grab(label), Black).n, thin);

    label->SetStyle(dxfNormal);
    TBitmap tile;
    tile.SetSize(4, 4);
    tile.Canvas()->Brush()->SetColor(clLime);
    tile.Canvas()->FillRect({0, 0, 4, 4});
    label->SetGlyph(&tile);
    const QImage img = Grab(label);
    EXPECT_GT(Find(img, [](const QColor& c) { return c == QColor(0, 255, 0); }).n, 50);
    EXPECT_EQ(0, Find(img, Black).n) << "no plain text under the texture";
}

TEST_F(FlatLabelTest, TransparentColourLetsTheParentShow) {
    label->SetTransparent(true);
    Application->ProcessMessages();
    const QImage img = flatview::WidgetOf(form)->grab().toImage();
    const QPoint at = flatview::WidgetOf(label)->mapTo(flatview::WidgetOf(form), QPoint(2, 2));
    EXPECT_EQ(Rgb(clBlue), At(img, at.x(), at.y()));
    label->SetTransparent(false);
    Application->ProcessMessages();
    EXPECT_EQ(Rgb(clWhite), At(flatview::WidgetOf(form)->grab().toImage(), at.x(), at.y()));
}

TEST_F(FlatLabelTest, SharedSurfaceOnlyGrows) {
    label->SetBounds(0, 0, 280, 150);
    Grab(label);
    const int w = dxfres::DrawBmp()->Width(), h = dxfres::DrawBmp()->Height();
    EXPECT_GE(w, 280);
    EXPECT_GE(h, 150);
    label->SetBounds(0, 0, 50, 20);
    Grab(label);
    EXPECT_EQ(w, dxfres::DrawBmp()->Width());
    EXPECT_EQ(h, dxfres::DrawBmp()->Height());
}

TEST(SharedBitmaps, ImageListHoldsTheTwoFontGlyphsMasked) {
    TImageList* list = dxfres::ImageList();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Width(), 13);
    EXPECT_EQ(list->Height(), 13);
    // Drawn on white: the glyphs' own background (their bottom-left colour) is left out.
    for (int i = 0; i < 2; ++i) {
        TBitmap bmp;
        bmp.SetSize(13, 13);
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(TRect(0, 0, 13, 13));
        list->Draw(bmp.Canvas(), 0, 0, i);
        int teal = 0, ink = 0;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 13; ++x) {
                teal += bmp.Canvas()->Pixels(x, y) == clTeal;
                ink += bmp.Canvas()->Pixels(x, y) == clBlack;
            }
        EXPECT_EQ(teal, 0) << i;
        EXPECT_GT(ink, 10) << i;
        EXPECT_EQ(bmp.Canvas()->Pixels(0, 12), clWhite) << i;
    }
    EXPECT_EQ(dxfres::ImageList(), list);   // made once
}

} // namespace
