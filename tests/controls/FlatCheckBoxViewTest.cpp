// The flat check box on a shown form: style clamping, groups, keys, size and the painted glyph.
#include <gtest/gtest.h>

#include "FlatViewSupport.h"
#include "dxfCheckBox.h"
#include "dxfres.h"

using flatview::At;
using flatview::Grab;
using flatview::Rgb;

namespace {

class CheckBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        for (int i = 0; i < 3; ++i) {
            box[i] = new TdxfCheckBox(form);
            box[i]->SetParent(form);
            box[i]->SetBounds(10, 10 + 30 * i, 120, 20);
        }
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }
    TForm* form = nullptr;
    TdxfCheckBox* box[3] = {};
};

TEST_F(CheckBoxTest, StyleIsClampedToTheStrip) {
    ASSERT_EQ(1008, dxfres::CBBmp()->Width());
    ASSERT_EQ(18, dxfres::CBBmp()->Height());
    box[0]->SetStyle(0);
    EXPECT_EQ(1, box[0]->Style());
    box[0]->SetStyle(-3);
    EXPECT_EQ(1, box[0]->Style());
    box[0]->SetStyle(15);
    EXPECT_EQ(14, box[0]->Style());
    box[0]->SetStyle(7);
    EXPECT_EQ(7, box[0]->Style());
}

TEST_F(CheckBoxTest, ClicksSpaceAndDoubleClicksToggle) {
    int clicks = 0;
    box[0]->OnClick = [&](TObject*) { ++clicks; };
    box[0]->Click();
    EXPECT_TRUE(box[0]->Checked());
    box[0]->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(box[0]->Checked());
    box[0]->Perform(WM_KEYUP, 'A', 0);
    EXPECT_FALSE(box[0]->Checked());
    box[0]->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(box[0]->Checked());
    EXPECT_EQ(3, clicks);
}

TEST_F(CheckBoxTest, GroupsAreExclusive) {
    for (auto* b : box) {
        b->SetGroupIndex(1);
        b->SetAllowAllUp(false);
    }
    box[0]->Click();
    box[0]->Click();
    EXPECT_TRUE(box[0]->Checked()) << "the checked box of a group that may not be all up stays";
    box[1]->Click();
    EXPECT_TRUE(box[1]->Checked());
    EXPECT_FALSE(box[0]->Checked());
    box[1]->SetAllowAllUp(true);
    box[1]->Click();
    EXPECT_FALSE(box[1]->Checked());

    box[2]->SetGroupIndex(-1);
    box[0]->SetChecked(true);
    box[2]->Click();
    box[2]->Click();
    EXPECT_TRUE(box[2]->Checked()) << "a negative group cannot be unchecked";
    EXPECT_TRUE(box[0]->Checked()) << "and unchecks nobody";
}

TEST_F(CheckBoxTest, CalcSizeFitsGlyphAndCaption) {
    box[0]->SetCaption("Erinnern");
    box[0]->CalcSize();
    TBitmap measure;
    measure.Canvas()->SetFont(box[0]->Font());
    const int tw = measure.Canvas()->TextWidth("Erinnern"), th = measure.Canvas()->TextHeight("Wg");
    EXPECT_EQ(tw + 18 + 4, box[0]->Width());
    EXPECT_EQ(std::max(18, th + 2), box[0]->Height());
}

TEST_F(CheckBoxTest, PaintsTheCellOfItsStateAndGrowsTheSharedSurface) {
    box[0]->SetAutoSize(false);
    box[0]->SetBounds(10, 10, 260, 40);
    box[0]->SetColor(clYellow);
    const QImage unchecked = Grab(box[0]);
    EXPECT_GE(dxfres::DrawBmp()->Width(), 260);
    EXPECT_GE(dxfres::DrawBmp()->Height(), 40);
    // The glyph box is centred vertically at the left: the background around it is the box's colour.
    const int top = (40 - 18) / 2;
    EXPECT_EQ(Rgb(clYellow), At(unchecked, 1, top + 1)) << "the strip's own background is left out";
    EXPECT_EQ(Rgb(clBlack), At(unchecked, 2, top + 2)) << "the frame of style 1";
    EXPECT_EQ(Rgb(clWhite), At(unchecked, 9, top + 9));
    box[0]->SetChecked(true);
    const QImage checked = Grab(box[0]);
    int marks = 0;
    for (int y = top + 3; y < top + 15; ++y)
        for (int x = 3; x < 15; ++x)
            if (checked.pixelColor(x, y).lightness() < 100) ++marks;
    EXPECT_GT(marks, 5) << "a tick inside the box";
    box[0]->SetEnabled(false);
    const QImage disabled = Grab(box[0]);
    EXPECT_EQ(Rgb(clGray), At(disabled, 2, top + 2));
}

} // namespace
