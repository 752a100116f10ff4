// The combo box and its flat form on a shown form, offscreen: items, selection and text, keys and
// typing, the dropped list and its notifications, and the flat frame and button in each state.
#include <gtest/gtest.h>

#include <vector>

#include "AdvCombo.h"
#include "FlatViewSupport.h"
#include "StdEdit.h"

using flatview::At;
using flatview::Grab;
using flatview::Rgb;

namespace {

class ComboTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
        form->SetColor(clTeal);
        combo = new TAdvComboBox(form);
        combo->SetParent(form);
        combo->SetBounds(20, 20, 150, 22);
        for (const char* s : {"Monatsansicht", "Wochenansicht", "x Tage-Ansicht", "Jahr", "Zeitleiste"})
            combo->Items()->Add(s);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(20, 200, 100, 21);
        form->Show();
        Application->ProcessMessages();
        // The form gives its first control the focus; the combo starts at rest.
        other->SetFocus();
        Application->ProcessMessages();
        combo->OnChange = [this](TObject*) { events.push_back("change"); };
        combo->OnDropDown = [this](TObject*) { events.push_back("drop"); };
        combo->OnCloseUp = [this](TObject*) { events.push_back("close"); };
    }
    void TearDown() override { delete form; }
    void Key(Word k) { combo->Perform(WM_KEYDOWN, k, 1); }
    void Type(const std::string& s) {
        for (char c : s) combo->Perform(WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    TForm* form = nullptr;
    TAdvComboBox* combo = nullptr;
    TEdit* other = nullptr;
    std::vector<std::string> events;
};

// ---- the class library's combo box ----------------------------------------------------------------------
TEST_F(ComboTest, ItemIndexAndTextFollowEachOther) {
    EXPECT_EQ(-1, combo->ItemIndex());
    combo->SetItemIndex(2);
    EXPECT_EQ("x Tage-Ansicht", combo->Text());
    EXPECT_EQ(2, combo->Perform(CB_GETCURSEL));
    EXPECT_EQ(5, combo->Perform(CB_GETCOUNT));
    combo->SetText("Jahr");
    EXPECT_EQ(3, combo->ItemIndex());
    // A free text in an editable combo selects nothing.
    combo->SetText("Anders");
    EXPECT_EQ(-1, combo->ItemIndex());
    EXPECT_EQ("Anders", combo->Text());
    combo->SetItemIndex(7);
    EXPECT_EQ(-1, combo->ItemIndex());
    // The program's changes are not announced.
    EXPECT_TRUE(events.empty());
}

TEST_F(ComboTest, DropDownListShowsOnlyItems) {
    combo->SetStyle(csDropDownList);
    combo->SetItemIndex(1);
    combo->SetText("Unbekannt");
    EXPECT_EQ(1, combo->ItemIndex());
    EXPECT_EQ("Wochenansicht", combo->Text());
    // Removing the selected row leaves nothing selected and no text.
    combo->Items()->Delete(4);
    combo->Items()->Delete(3);
    combo->Items()->Delete(2);
    combo->Items()->Delete(1);
    EXPECT_EQ(-1, combo->ItemIndex());
    EXPECT_EQ("", combo->Text());
    combo->Clear();
    EXPECT_EQ(0, combo->Perform(CB_GETCOUNT));
}

TEST_F(ComboTest, ArrowKeysSelectAndNotifyOnlyOnChange) {
    int clicks = 0;
    combo->OnClick = [&](TObject*) { ++clicks; };
    combo->SetFocus();
    Key(VK_DOWN);
    EXPECT_EQ(0, combo->ItemIndex());
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ("x Tage-Ansicht", combo->Text());
    Key(VK_UP);
    EXPECT_EQ(1, combo->ItemIndex());
    combo->SetStyle(csDropDownList);
    Key(VK_END);
    EXPECT_EQ(4, combo->ItemIndex());
    Key(VK_DOWN);   // already the last: no change, no notification
    Key(VK_HOME);
    EXPECT_EQ(0, combo->ItemIndex());
    EXPECT_EQ(6, clicks);
    EXPECT_EQ(6u, events.size());
}

TEST_F(ComboTest, ListStyleJumpsByFirstLetterEditableStyleTypes) {
    combo->SetStyle(csDropDownList);
    combo->SetFocus();
    Type("w");
    EXPECT_EQ(1, combo->ItemIndex());
    Type("Z");
    EXPECT_EQ(4, combo->ItemIndex());
    Type("q");
    EXPECT_EQ(4, combo->ItemIndex());
    EXPECT_EQ(2u, events.size());

    events.clear();
    combo->SetStyle(csDropDown);
    combo->SetText("");
    combo->SetMaxLength(5);
    Type("Jahr");
    EXPECT_EQ("Jahr", combo->Text());
    EXPECT_EQ(3, combo->ItemIndex());
    Type("esz");   // the limit takes one more character only
    EXPECT_EQ("Jahre", combo->Text());
    EXPECT_EQ(-1, combo->ItemIndex());
    combo->Perform(WM_CHAR, 8, 1);
    EXPECT_EQ("Jahr", combo->Text());
    EXPECT_EQ(6u, events.size());
    // Umlauts are whole characters for the limit and for backspace.
    combo->SetText("Mär");
    combo->Perform(WM_CHAR, 8, 1);
    combo->Perform(WM_CHAR, 8, 1);
    EXPECT_EQ("M", combo->Text());
}

// ---- the dropped list ------------------------------------------------------------------------------------
TEST_F(ComboTest, DropsBelowTheControlWithCountAndWidth) {
    combo->SetDropDownCount(3);
    combo->SetItemIndex(1);
    combo->SetDroppedDown(true);
    Application->ProcessMessages();
    TCustomListBox* list = combo->DropList();
    ASSERT_NE(nullptr, list);
    EXPECT_TRUE(combo->DroppedDown());
    EXPECT_EQ(1, combo->Perform(CB_GETDROPPEDSTATE));
    EXPECT_EQ(form, list->Parent());
    EXPECT_TRUE(list->Visible());
    EXPECT_EQ(20, list->Left());
    EXPECT_EQ(42, list->Top());
    EXPECT_EQ(150, list->Width());
    EXPECT_EQ(3 * list->ItemHeight(), list->Height());
    EXPECT_EQ(1, list->ItemIndex());
    EXPECT_EQ(5, list->Count());
    combo->SetDroppedDown(false);
    EXPECT_FALSE(list->Visible());
    EXPECT_EQ(nullptr, list->Parent());
    EXPECT_EQ((std::vector<std::string>{"drop", "close"}), events);

    combo->SetDropWidth(220);
    EXPECT_EQ(220, combo->Perform(CB_GETDROPPEDWIDTH));
    combo->Perform(CB_SHOWDROPDOWN, 1);
    EXPECT_EQ(220, list->Width());
    combo->Perform(CB_SHOWDROPDOWN, 0);
    // 0 leaves the last width with the list, as the platform does.
    combo->SetDropWidth(0);
    EXPECT_EQ(0, combo->DropWidth());
    EXPECT_EQ(220, combo->Perform(CB_GETDROPPEDWIDTH));
}

TEST_F(ComboTest, ClickingARowPicksItAndCloses) {
    int selects = 0;
    combo->OnSelect = [&](TObject*) { ++selects; };
    combo->SetStyle(csDropDownList);
    // A click anywhere on a list style opens it.
    combo->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    combo->Perform(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_TRUE(combo->Focused());
    TCustomListBox* list = combo->DropList();
    const int h = list->ItemHeight();
    list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2 * h + 3));
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(2, combo->ItemIndex());
    EXPECT_EQ("x Tage-Ansicht", combo->Text());
    EXPECT_EQ(1, selects);
    // The list never took the focus away.
    EXPECT_TRUE(combo->Focused());
    EXPECT_EQ((std::vector<std::string>{"drop", "close"}), events);

    // An editable combo opens from its button only.
    combo->SetStyle(csDropDown);
    combo->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_FALSE(combo->DroppedDown());
    const TRect b = combo->ButtonRect();
    combo->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b.Left + 3, b.Top + 3));
    EXPECT_TRUE(combo->DroppedDown());
}

TEST_F(ComboTest, KeysFocusLossAndDisablingCloseTheList) {
    combo->SetFocus();
    Key(VK_F4);
    EXPECT_TRUE(combo->DroppedDown());
    Key(VK_ESCAPE);
    EXPECT_FALSE(combo->DroppedDown());
    Key(VK_F4);
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_FALSE(combo->DroppedDown());
    combo->SetDroppedDown(true);
    combo->SetEnabled(false);
    EXPECT_FALSE(combo->DroppedDown());
    combo->SetDroppedDown(true);   // a disabled combo stays closed
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ((std::vector<std::string>{"drop", "close", "drop", "close", "drop", "close"}), events);
}

TEST_F(ComboTest, FormGoingWhileDroppedFreesEverythingOnce) {
    combo->SetDroppedDown(true);
    Application->ProcessMessages();
    delete form;
    form = nullptr;
    SUCCEED();   // the sanitizers watch for a double free or a dangling list
}

// ---- the flat look ---------------------------------------------------------------------------------------
TEST_F(ComboTest, FlatDefaults) {
    EXPECT_FALSE(combo->AutoFocus());
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL) + 2, combo->ButtonWidth());
    EXPECT_TRUE(combo->Flat());
    EXPECT_FALSE(combo->Ctl3D());
    EXPECT_FALSE(combo->Etched());
    EXPECT_FALSE(combo->FocusBorder());
    EXPECT_EQ(0, combo->DropWidth());
    combo->SetFlat(false);
    EXPECT_TRUE(combo->Ctl3D());
}

TEST_F(ComboTest, ButtonWidthOutsideItsRangeIsIgnored) {
    const int first = combo->ButtonWidth();
    combo->SetButtonWidth(10);
    EXPECT_EQ(first, combo->ButtonWidth());
    combo->SetButtonWidth(40);
    EXPECT_EQ(first, combo->ButtonWidth());
    combo->SetButtonWidth(14);
    EXPECT_EQ(14, combo->ButtonWidth());
    combo->SetButtonWidth(32);
    EXPECT_EQ(32, combo->ButtonWidth());
    EXPECT_EQ((TRect{150 - 32 + 2, 2, 148, 20}), combo->ButtonRect());
    // The painted button follows: its flat arrow frame starts one pixel inside.
    const QImage img = Grab(combo);
    EXPECT_EQ(Rgb(clBtnShadow), At(img, 121, 5));
    EXPECT_EQ(Rgb(clWindow), At(img, 110, 5));
    combo->SetButtonWidth(18);
    EXPECT_EQ(Rgb(clWindow), At(Grab(combo), 121, 5));
}

TEST_F(ComboTest, FrameAtRestShowsTheParentColour) {
    combo->SetFocusBorder(true);
    const QImage img = Grab(combo);
    EXPECT_EQ(Rgb(clTeal), At(img, 0, 0));
    EXPECT_EQ(Rgb(clTeal), At(img, 1, 1));
    EXPECT_EQ(Rgb(clWindow), At(img, 2, 2));
    EXPECT_EQ(Rgb(clTeal), At(img, 149, 21));
    // The button at rest: face around the flat arrow frame, no bevel.
    const TRect b = combo->ButtonRect();
    EXPECT_EQ(Rgb(clBtnFace), At(img, b.Left, b.Top));
    EXPECT_EQ(Rgb(clBtnFace), At(img, b.Left + 1, b.Top + 1));
    EXPECT_EQ(Rgb(clBtnShadow), At(img, b.Left + 1, b.Top + 3));
}

TEST_F(ComboTest, HotWithoutFocusBorderRaisesOnlyTheButton) {
    combo->Perform(CM_MOUSEENTER);
    EXPECT_TRUE(combo->MouseInControl());
    const QImage img = Grab(combo);
    EXPECT_EQ(Rgb(clTeal), At(img, 0, 0));
    const TRect b = combo->ButtonRect();
    EXPECT_EQ(Rgb(clBtnHighlight), At(img, b.Left + 1, b.Top + 1));
    EXPECT_EQ(Rgb(cl3DDkShadow), At(img, b.Right - 1, b.Bottom - 1));
    combo->Perform(CM_MOUSELEAVE);
    EXPECT_FALSE(combo->MouseInControl());
    EXPECT_EQ(Rgb(clBtnShadow), At(Grab(combo), b.Left + 1, b.Top + 3));
}

TEST_F(ComboTest, FocusBorderSinksTheFrameWhileHotOrFocused) {
    combo->SetFocusBorder(true);
    combo->Perform(CM_MOUSEENTER);
    QImage img = Grab(combo);
    EXPECT_EQ(Rgb(clBtnShadow), At(img, 0, 0));
    EXPECT_EQ(Rgb(clBtnHighlight), At(img, 149, 21));
    EXPECT_EQ(Rgb(clBtnFace), At(img, 1, 1));
    EXPECT_EQ(Rgb(clWindow), At(img, 2, 2));
    combo->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(Rgb(clTeal), At(Grab(combo), 0, 0));
    combo->SetFocus();
    Application->ProcessMessages();
    img = Grab(combo);
    EXPECT_EQ(Rgb(clBtnShadow), At(img, 0, 0));
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(Rgb(clTeal), At(Grab(combo), 0, 0));
}

TEST_F(ComboTest, EtchedAndDroppedButtons) {
    combo->SetEtched(true);
    combo->Perform(CM_MOUSEENTER);
    const TRect b = combo->ButtonRect();
    QImage img = Grab(combo);
    // Etched: a sunken outer line with a raised inner one.
    EXPECT_EQ(Rgb(clBtnShadow), At(img, b.Left, b.Top));
    EXPECT_EQ(Rgb(clBtnHighlight), At(img, b.Left + 1, b.Top + 1));
    combo->SetDroppedDown(true);
    img = Grab(combo);
    // Flat-pressed while the list is down: no highlight on the button.
    EXPECT_EQ(Rgb(clBtnShadow), At(img, b.Left, b.Top));
    EXPECT_NE(Rgb(clBtnHighlight), At(img, b.Left + 1, b.Top + 1));
    combo->SetDroppedDown(false);
    EXPECT_EQ(Rgb(clBtnHighlight), At(Grab(combo), b.Left + 1, b.Top + 1));
}

TEST_F(ComboTest, DisabledFlatComboShowsTheParentColour) {
    combo->SetColor(clYellow);
    combo->SetEnabled(false);
    EXPECT_EQ(clTeal, combo->Color());
    EXPECT_TRUE(combo->ParentColor());
    EXPECT_EQ(Rgb(clTeal), At(Grab(combo), 10, 10));
    // A disabled control does not turn hot.
    combo->Perform(CM_MOUSEENTER);
    EXPECT_FALSE(combo->MouseInControl());
    combo->SetEnabled(true);
    EXPECT_EQ(clYellow, combo->Color());
    EXPECT_FALSE(combo->ParentColor());
    EXPECT_EQ(Rgb(clYellow), At(Grab(combo), 10, 10));

    // A combo that followed its parent keeps following it.
    combo->SetParentColor(true);
    combo->SetEnabled(false);
    combo->SetEnabled(true);
    EXPECT_TRUE(combo->ParentColor());
    form->SetColor(clOlive);
    EXPECT_EQ(clOlive, combo->Color());

    // Without the flat look disabling leaves the colour alone.
    combo->SetFlat(false);
    combo->SetColor(clYellow);
    combo->SetEnabled(false);
    EXPECT_EQ(clYellow, combo->Color());
}

TEST_F(ComboTest, AutoFocusTakesTheFocusOnMouseEnter) {
    combo->Perform(CM_MOUSEENTER);
    EXPECT_FALSE(combo->Focused());
    combo->Perform(CM_MOUSELEAVE);
    combo->SetAutoFocus(true);
    combo->Perform(CM_MOUSEENTER);
    EXPECT_TRUE(combo->Focused());
}

TEST_F(ComboTest, StandardLookWithoutFlat) {
    combo->SetFlat(false);
    const QImage empty = Grab(combo);
    combo->SetItemIndex(0);
    const QImage img = Grab(combo);
    // The sunken platform frame, and the raised button of a scroll bar's width.
    EXPECT_EQ(Rgb(clBtnShadow), At(img, 0, 0));
    const TRect b = combo->ButtonRect();
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), b.Width());
    EXPECT_EQ(Rgb(clBtnHighlight), At(img, b.Left + 1, b.Top + 1));
    // The item's text is drawn in the field, which was blank without a selection.
    const TColor field = Rgb(clWindow);
    auto inked = [&](const QImage& i) {
        int n = 0;
        for (int y = 3; y < 19; ++y)
            for (int x = 3; x < b.Left; ++x)
                if (At(i, x, y) != field) ++n;
        return n;
    };
    EXPECT_EQ(0, inked(empty));
    EXPECT_GT(inked(img), 20);
}

} // namespace
