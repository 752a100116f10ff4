// The spin edit on a shown form, offscreen: values and their texts, steps by button, key and digit,
// the character filter, the range check on leaving, layout, the attached label, the repeating
// buttons and the painted look. German separators throughout.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>

#include "TestTime.h"
#include "AdvSpin.h"
#include "GraphicsQt.h"
#include "MMSystem.h"
#include "VclPrivate.h"

namespace {

class TProbeSpin : public TAdvSpinEdit {
public:
    using TAdvSpinEdit::TAdvSpinEdit;
    using TAdvSpinEdit::CheckValue;
};

class AdvSpinTest : public ::testing::Test {
protected:
    void SetUp() override {
        SysUtils::DecimalSeparator = ',';
        SysUtils::ThousandSeparator = '.';
        SysUtils::DateSeparator = '.';
        SysUtils::TimeSeparator = ':';
        SysUtils::ShortDateFormat = "dd.mm.yyyy";
        SysUtils::SetClock([] { return TDateTime(45000.25); });
        form = new TForm(nullptr);
        form->SetBounds(10, 10, 400, 200);
        spin = new TProbeSpin(form);
        spin->SetParent(form);
        spin->SetBounds(100, 50, 120, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(100, 100, 120, 21);
        form->Show();
        Application->ProcessMessages();
        spin->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        delete form;
        SysUtils::SetClock(nullptr);
    }
    void Type(const std::string& s) {
        for (char c : s) spin->Perform(WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    void Key(Word k) { spin->Perform(WM_KEYDOWN, k, 1); }
    void Window(const std::string& w, int caret) {
        spin->SetText(w);
        spin->SetSelStart(caret);
    }
    TForm* form = nullptr;
    TProbeSpin* spin = nullptr;
    TEdit* other = nullptr;
};

TEST_F(AdvSpinTest, DefaultsAfterConstruction) {
    EXPECT_EQ(spin->Text(), "0");
    EXPECT_EQ(spin->Value(), 0);
    EXPECT_EQ(spin->MaxValue, 100);
    EXPECT_EQ(spin->SpinType(), sptNormal);
    EXPECT_TRUE(spin->EditorEnabled());
    EXPECT_TRUE(spin->Transparent());
    TAdvSpinButton pair(nullptr);
    EXPECT_EQ(pair.Width(), 15);
    EXPECT_EQ(pair.Height(), 25);
}

TEST_F(AdvSpinTest, IntegerValueIsClampedOnlyWithARange) {
    spin->SetValue(150);
    EXPECT_EQ(spin->Text(), "100");
    spin->SetValue(-5);
    EXPECT_EQ(spin->Text(), "0");
    spin->MinValue = spin->MaxValue = 7;
    spin->SetValue(150);
    EXPECT_EQ(spin->Text(), "150");
    spin->MinValue = 10;
    spin->MaxValue = 20;
    spin->SetText("abc");
    EXPECT_EQ(spin->Value(), 10);
    // Without typing the value is selected, so the keys act on all of it.
    spin->SetEditorEnabled(false);
    spin->SetValue(15);
    EXPECT_EQ(spin->SelLength(), 2);
}

TEST_F(AdvSpinTest, FloatHexDateAndTimeTexts) {
    spin->SetSpinType(sptFloat);
    spin->SetPrecision(2);
    spin->SetFloatValue(3.5);
    EXPECT_EQ(spin->Text(), "3,50");
    spin->SetFloatValue(1000);
    EXPECT_EQ(spin->Text(), "100,00");
    spin->SetPrecision(0);
    EXPECT_EQ(spin->Text(), "100");
    spin->SetFloatValue(0.1 + 0.2);
    EXPECT_EQ(spin->Text(), "0,3");
    spin->SetText("x");
    EXPECT_DOUBLE_EQ(spin->FloatValue(), 0.0);

    spin->SetSpinType(sptHex);
    spin->SetHexValue(255);
    EXPECT_EQ(spin->Text(), "0xFF");
    spin->SetText("0x1A3");
    EXPECT_EQ(spin->HexValue(), 0x1A3);
    spin->SetText("0xff");
    EXPECT_EQ(spin->HexValue(), 255);

    spin->SetSpinType(sptDate);
    spin->SetDateValue(SysUtils::EncodeDate(2024, 3, 12));
    EXPECT_EQ(spin->Text(), "12.03.2024");
    EXPECT_DOUBLE_EQ(spin->DateValue(), SysUtils::EncodeDate(2024, 3, 12));
    spin->SetText("0");
    EXPECT_DOUBLE_EQ(spin->DateValue(), 45000.25);
    // Text that is no date reads as now rather than failing.
    spin->SetText("31.02.xx");
    EXPECT_DOUBLE_EQ(spin->DateValue(), 45000.25);
    spin->MinDateValue = SysUtils::EncodeDate(2024, 1, 1);
    spin->MaxDateValue = SysUtils::EncodeDate(2024, 12, 31);
    spin->SetDateValue(SysUtils::EncodeDate(2030, 5, 5));
    EXPECT_EQ(spin->Text(), "31.12.2024");

    spin->SetSpinType(sptTime);
    spin->SetTimeValue(SysUtils::EncodeTime(8, 5, 9, 0));
    EXPECT_EQ(spin->Text(), "08:05:09");
    spin->SetText("kaputt");
    EXPECT_DOUBLE_EQ(spin->TimeValue(), 0.0);
}

TEST_F(AdvSpinTest, ValuesSetWhileLoadingShowAfterwards) {
    spin->BeginLoading();
    spin->SetSpinType(sptHex);
    spin->SetHexValue(0x2B);
    EXPECT_EQ(spin->Text(), "0");
    spin->EndLoading();
    EXPECT_EQ(spin->Text(), "0x2B");
}

TEST_F(AdvSpinTest, ButtonsStepEachKind) {
    spin->SetValue(5);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "6");
    spin->Increment = 3;
    spin->DownClick(nullptr);
    EXPECT_EQ(spin->Text(), "3");
    spin->SetValue(100);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "100");

    spin->SetSpinType(sptFloat);
    spin->SetFloatValue(1.2);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "1,3");

    spin->SetSpinType(sptHex);
    spin->SetHexValue(0xFE);
    spin->Increment = 1;
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "0xFF");

    // Read-only: a beep and no change.
    spin->SetReadOnly(true);
    const unsigned beeps = MMSystem::BeepCount();
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "0xFF");
    EXPECT_EQ(MMSystem::BeepCount(), beeps + 1);
}

TEST_F(AdvSpinTest, DateAndTimeStepThePartAtTheCaret) {
    spin->SetSpinType(sptDate);
    spin->SetDateValue(SysUtils::EncodeDate(2024, 1, 31));
    spin->SetSelStart(1);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "01.02.2024");
    EXPECT_EQ(spin->SelStart(), 1);
    spin->SetDateValue(SysUtils::EncodeDate(2024, 1, 31));
    spin->SetSelStart(4);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "29.02.2024");   // the day clamps to the month
    spin->SetSelStart(8);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "28.02.2025");   // no 29 February in 2025
    spin->DownClick(nullptr);
    EXPECT_EQ(spin->Text(), "28.02.2024");

    spin->SetSpinType(sptTime);
    spin->SetTimeValue(SysUtils::EncodeTime(23, 59, 30, 0));
    spin->SetSelStart(0);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "00:59:30");
    spin->SetSelStart(4);
    spin->DownClick(nullptr);
    EXPECT_EQ(spin->Text(), "00:58:30");
    spin->SetSelStart(7);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "00:58:31");
    spin->SetTimeValue(0);
    spin->SetSelStart(0);
    spin->DownClick(nullptr);
    EXPECT_EQ(spin->Text(), "23:00:00");
}

TEST_F(AdvSpinTest, SmartStepUsesThePlaceOfTheDigitLeftOfTheCaret) {
    spin->SetSpinType(sptFloat);
    spin->MaxFloatValue = 1000;
    spin->IncrementSmart = true;
    const std::pair<int, const char*> cases[] = {
        {2, "133,45"}, {5, "123,55"}, {6, "123,46"}, {0, "123,55"}, {3, "124,45"}, {4, "124,45"}};
    for (auto& [caret, expected] : cases) {
        Window("123,45", caret);
        spin->IncSmart();
        EXPECT_EQ(spin->Text(), expected) << "caret " << caret;
        EXPECT_EQ(spin->SelStart(), caret);
    }
    spin->IncrementFloat = 0.1;
    Window("123,45", 2);
    spin->DecSmart();
    EXPECT_EQ(spin->Text(), "113,45");

    spin->SetSpinType(sptNormal);
    spin->MaxValue = 1000;
    Window("123", 1);
    Key(VK_UP);
    EXPECT_EQ(spin->Text(), "223");
    EXPECT_EQ(spin->SelStart(), 1);
    Window("123", 3);
    Key(VK_DOWN);
    EXPECT_EQ(spin->Text(), "122");
    // A selection steps normally.
    Window("123", 0);
    spin->SelectAll();
    Key(VK_UP);
    EXPECT_EQ(spin->Text(), "124");
}

TEST_F(AdvSpinTest, KeysStepAndKeepTheCaret) {
    spin->SetValue(50);
    spin->SetSelStart(1);
    Key(VK_UP);
    EXPECT_EQ(spin->Text(), "51");
    EXPECT_EQ(spin->SelStart(), 1);
    Key(VK_PRIOR);
    EXPECT_EQ(spin->Text(), "61");
    Key(VK_NEXT);
    Key(VK_NEXT);
    EXPECT_EQ(spin->Text(), "41");
    EXPECT_EQ(spin->SelStart(), 1);
    spin->SetSpinType(sptFloat);
    spin->SetFloatValue(2.5);
    Key(VK_PRIOR);
    EXPECT_EQ(spin->Text(), "3,5");

    spin->SetSpinType(sptHex);
    spin->SetHexValue(0xAB);
    Window("0xAB", 1);
    Key(VK_DELETE);
    EXPECT_EQ(spin->Text(), "0xAB");
    Window("0xAB", 2);
    Key(VK_DELETE);
    EXPECT_EQ(spin->Text(), "0xB");
}

// Steps are worked out in 64 bits and stop at the end of the range, or of the integers without one.
TEST_F(AdvSpinTest, StepsStopAtTheEdgeInsteadOfWrapping) {
    auto press = [&](Qt::Key k) {
        QKeyEvent down(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(Vcl::Detail::HandleWidget(spin), &down);
        QKeyEvent up(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(Vcl::Detail::HandleWidget(spin), &up);
    };
    spin->MinValue = spin->MaxValue = 0;
    spin->SetValue(2147483647);
    press(Qt::Key_Up);
    press(Qt::Key_PageUp);
    EXPECT_EQ(spin->Text(), "2147483647");
    spin->SetValue(-2147483647 - 1);
    press(Qt::Key_Down);
    press(Qt::Key_PageDown);
    EXPECT_EQ(spin->Text(), "-2147483648");
    // The digit under the caret of a long number steps by a billion.
    spin->IncrementSmart = true;
    Window("2000000000", 1);
    press(Qt::Key_Up);
    EXPECT_EQ(spin->Text(), "2147483647");
    spin->IncrementSmart = false;

    spin->MinValue = -5;
    spin->MaxValue = 5;
    spin->Increment = 2147483647;
    spin->SetValue(0);
    press(Qt::Key_Up);
    EXPECT_EQ(spin->Text(), "5");
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(spin->Text(), "-5");

    spin->MinValue = spin->MaxValue = 0;
    spin->Increment = 1;
    spin->SetSpinType(sptHex);
    spin->SetHexValue(0x7FFFFFFF);
    spin->UpClick(nullptr);
    EXPECT_EQ(spin->Text(), "0x7FFFFFFF");
}

TEST_F(AdvSpinTest, ReturnMovesOnWhenAsked) {
    Key(VK_RETURN);
    Application->ProcessMessages();
    EXPECT_TRUE(spin->Focused());
    spin->ReturnIsTab = true;
    Key(VK_RETURN);
    Application->ProcessMessages();
    EXPECT_TRUE(other->Focused());
}

TEST_F(AdvSpinTest, CharacterFilterPerKind) {
    unsigned beeps = MMSystem::BeepCount();
    Window("", 0);
    Type("12a");
    EXPECT_EQ(spin->Text(), "12");
    EXPECT_EQ(MMSystem::BeepCount(), ++beeps);
    Type(":");    // a time separator only in a time
    Type(".");    // a date separator only in a date
    EXPECT_EQ(spin->Text(), "12");

    spin->SetSpinType(sptFloat);
    spin->SetPrecision(2);
    Window("1", 1);
    Type(".");    // the thousands separator types the decimal separator
    EXPECT_EQ(spin->Text(), "1,");
    Type("25");
    EXPECT_EQ(spin->Text(), "1,25");
    beeps = MMSystem::BeepCount();
    Type("7");
    EXPECT_EQ(spin->Text(), "1,25");
    Type(",");
    EXPECT_EQ(spin->Text(), "1,25");
    EXPECT_EQ(MMSystem::BeepCount(), beeps + 2);
    spin->SetSelStart(0);
    Type("3");
    EXPECT_EQ(spin->Text(), "31,25");
    // Free format still takes one decimal separator.
    spin->SetPrecision(0);
    Window("4", 1);
    Type(",5");
    EXPECT_EQ(spin->Text(), "4,5");

    spin->SetSpinType(sptTime);
    Window("", 0);
    Type("12:30:15");
    EXPECT_EQ(spin->Text(), "12:30:15");
    Type(":");
    EXPECT_EQ(spin->Text(), "12:30:15");

    spin->SetSpinType(sptDate);
    Window("", 0);
    Type("1.2.2024");
    EXPECT_EQ(spin->Text(), "1.2.2024");

    spin->SetSpinType(sptHex);
    spin->SetHexValue(0);
    Window("0x", 2);
    Type("aFg9");
    EXPECT_EQ(spin->Text(), "0xaF9");
    spin->SetSelStart(1);
    Type("1");
    EXPECT_EQ(spin->Text(), "0xaF9");
    Window("0xAF", 2);
    Type("\b");
    EXPECT_EQ(spin->Text(), "0xAF");
    spin->SetSelStart(3);
    Type("\b");
    EXPECT_EQ(spin->Text(), "0xF");

    spin->SetSpinType(sptNormal);
    spin->SetEditorEnabled(false);
    Window("5", 1);
    Type("6\b");
    EXPECT_EQ(spin->Text(), "5");
}

TEST_F(AdvSpinTest, PasteAndCutOnlyWhenTypingIsAllowed) {
    spin->SetValue(42);
    spin->SelectAll();
    spin->CopyToClipboard();
    spin->SetEditorEnabled(false);
    spin->CutToClipboard();
    EXPECT_EQ(spin->Text(), "42");
    spin->SetEditorEnabled(true);
    spin->SetReadOnly(true);
    spin->SetText("7");
    spin->SelectAll();
    spin->PasteFromClipboard();
    EXPECT_EQ(spin->Text(), "7");
    spin->SetReadOnly(false);
    spin->SelectAll();
    spin->PasteFromClipboard();
    EXPECT_EQ(spin->Text(), "42");
}

TEST_F(AdvSpinTest, LeavingPutsTheValueBackIntoItsRange) {
    spin->SetText("250");
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(spin->Text(), "100");
    EXPECT_EQ(spin->CheckValue(-3), 0);

    spin->SetSpinType(sptHex);
    spin->SetText("0xFFF");
    spin->SetFocus();
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(spin->Text(), "0x64");

    spin->SetSpinType(sptFloat);
    spin->MinFloatValue = 1;
    spin->MaxFloatValue = 2;
    spin->SetText("0,5");
    spin->SetFocus();
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(spin->Text(), "1");

    // A time keeps its value even when a date range is set.
    spin->SetSpinType(sptTime);
    spin->MinDateValue = SysUtils::EncodeDate(2024, 1, 1);
    spin->MaxDateValue = SysUtils::EncodeDate(2024, 12, 31);
    spin->SetText("10:00:00");
    spin->SetFocus();
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(spin->Text(), "10:00:00");
}

TEST_F(AdvSpinTest, EnteringSelectsUnlessClickedIntoATypingEdit) {
    spin->SetValue(12);
    other->SetFocus();
    spin->SetFocus();
    EXPECT_EQ(spin->SelLength(), 2);
    other->SetFocus();
    spin->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 5));
    spin->Perform(WM_LBUTTONUP, 0, MAKELPARAM(3, 5));
    EXPECT_EQ(spin->SelLength(), 0);
    spin->SetEditorEnabled(false);
    other->SetFocus();
    spin->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 5));
    spin->Perform(WM_LBUTTONUP, 0, MAKELPARAM(3, 5));
    EXPECT_EQ(spin->SelLength(), 2);
}

TEST_F(AdvSpinTest, LayoutOfButtonsAndText) {
    EXPECT_GE(spin->Height(), spin->MinHeight());
    spin->SetHeight(5);
    EXPECT_EQ(spin->Height(), spin->MinHeight());
    spin->SetBounds(100, 50, 80, 24);
    TAdvSpinButton* b = spin->Button();
    EXPECT_EQ(b->BoundsRect(), TRect(62, 2, 77, 21));
    EXPECT_EQ(b->UpButton()->BoundsRect(), TRect(0, 0, 15, 9));
    EXPECT_EQ(b->DownButton()->BoundsRect(), TRect(0, 8, 15, 19));
    EXPECT_EQ(spin->FormatRect(), TRect(2, 2, 61, 23));

    spin->SetDirection(spHorizontal);
    EXPECT_EQ(b->Width(), 20);
    EXPECT_EQ(b->DownButton()->BoundsRect(), TRect(0, 0, 10, 19));
    EXPECT_EQ(b->UpButton()->BoundsRect(), TRect(10, 0, 20, 19));
    EXPECT_EQ(b->DownButton()->ArrowKind, 0);
    EXPECT_EQ(b->UpButton()->ArrowKind, 1);
    EXPECT_EQ(spin->Width(), 80);

    spin->SetDirection(spVertical);
    spin->SetFlat(true);
    EXPECT_EQ(spin->BorderStyle(), bsNone);
    EXPECT_EQ(b->BoundsRect(), TRect(64, 0, 79, 23));
    EXPECT_EQ(spin->FormatRect(), TRect(2, 4, 61, 20));
}

TEST_F(AdvSpinTest, LabelFollowsTheEdit) {
    spin->SetLabelCaption("Tage");
    TLabel* l = spin->EditLabel();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->Parent(), form);
    EXPECT_EQ(l->FocusControl, spin);
    TCanvas c;
    c.SetFont(l->Font());
    const int tw = c.TextWidth("Tage");
    EXPECT_EQ(l->Left(), 100 - tw - 4);
    EXPECT_EQ(l->Top(), 50);
    spin->SetLabelPosition(lpTopLeft);
    EXPECT_EQ(l->Left(), 100);
    EXPECT_EQ(l->Top(), 50 - l->Height() - 4);
    spin->SetLeft(150);
    EXPECT_EQ(l->Left(), 150);
    spin->SetVisible(false);
    EXPECT_FALSE(l->Visible());
}

TEST_F(AdvSpinTest, ButtonPairClicksFocusAndKeys) {
    spin->SetValue(10);
    other->SetFocus();
    TAdvTimerSpeedButton* up = spin->Button()->UpButton();
    up->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_TRUE(spin->Focused());
    up->Perform(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(spin->Text(), "11");
    // Released outside: no click.
    TAdvTimerSpeedButton* down = spin->Button()->DownButton();
    down->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    down->Perform(WM_LBUTTONUP, 0, MAKELPARAM(40, 3));
    EXPECT_EQ(spin->Text(), "11");

    TAdvSpinButton pair(nullptr);
    int ups = 0, downs = 0;
    pair.OnUpClick = [&](TObject* s) { EXPECT_EQ(s, &pair); ++ups; };
    pair.OnDownClick = [&](TObject*) { ++downs; };
    pair.Perform(WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(pair.FocusedButton(), pair.DownButton());
    pair.Perform(WM_KEYDOWN, VK_SPACE, 1);
    pair.Perform(WM_KEYDOWN, VK_UP, 1);
    pair.Perform(WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(ups, 2);
    EXPECT_EQ(downs, 2);
}

TEST_F(AdvSpinTest, HeldButtonRepeatsAfter400ThenEvery100Ms) {
    spin->SetValue(10);
    TAdvTimerSpeedButton* up = spin->Button()->UpButton();
    EXPECT_EQ(up->RepeatTimer(), nullptr);
    up->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    TTimer* t = up->RepeatTimer();
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(t->Interval(), 400u);
    t->OnTimer(t);
    EXPECT_EQ(t->Interval(), 100u);
    EXPECT_EQ(spin->Text(), "11");
    t->OnTimer(t);
    EXPECT_EQ(spin->Text(), "12");
    // Dragged off the button: the timer runs on but does not click.
    up->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 3));
    t->OnTimer(t);
    EXPECT_EQ(spin->Text(), "12");
    up->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3, 3));
    up->Perform(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_FALSE(t->Enabled());
    EXPECT_EQ(spin->Text(), "13");   // the release clicks once more
}

TEST_F(AdvSpinTest, RealTimerRepeatsWhileHeld) {
    spin->SetValue(0);
    TAdvTimerSpeedButton* up = spin->Button()->UpButton();
    // When the held button first clicks, taken as it happens: a loaded machine may run the loop late,
    // but not the timer early.
    long long firstClickMs = -1;
    const auto start = std::chrono::steady_clock::now();
    spin->OnChange = [&](TObject*) {
        if (firstClickMs < 0)
            firstClickMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    up->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_TRUE(testsupport::PollUntil([&] { return spin->Text() != "0"; }, 3000, [] { Application->ProcessMessages(); }));
    EXPECT_EQ(spin->Text(), "1");
    EXPECT_GE(firstClickMs, 370);   // the platform timer may fire up to 5 % early
    up->Perform(WM_LBUTTONUP, 0, MAKELPARAM(60, 3));
    spin->OnChange = nullptr;
}

TEST_F(AdvSpinTest, PaintsFlatLineAndArrows) {
    spin->SetBounds(100, 50, 80, 24);
    spin->SetFlat(true);
    spin->SetFlatLineColor(clRed);
    Application->ProcessMessages();
    const QImage img = Vcl::Detail::HandleWidget(spin)->grab().toImage();
    EXPECT_EQ(img.pixelColor(10, spin->Height() - 2).rgb(), GraphicsQt::ToQColor(clRed).rgb());
    EXPECT_NE(img.pixelColor(10, spin->Height() - 4).rgb(), GraphicsQt::ToQColor(clRed).rgb());

    // The up arrow: dark pixels in the middle of the upper button, none at its corner.
    TAdvTimerSpeedButton* up = spin->Button()->UpButton();
    const QImage b = Vcl::Detail::HandleWidget(up)->grab().toImage();
    const QRgb text = GraphicsQt::ToQColor(clBtnText).rgb();
    int dark = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) dark += b.pixelColor(x, y).rgb() == text;
    EXPECT_GT(dark, 3);
    EXPECT_EQ(b.pixelColor(b.width() / 2, b.height() / 2 - 1).rgb(), text);
    EXPECT_NE(b.pixelColor(2, 2).rgb(), text);
}

} // namespace
