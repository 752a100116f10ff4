// The one-line edit: typing, caret and selection in whole characters, the clipboard in the platform's
// code page, the messages a derived control filters, focus moves and painting; a click into any of the
// edit kinds gives it the keys.
// Mouse input takes the window system's way: into the window, to the widget under the pointer.
#define QTEST_QPA_MOUSE_HANDLING
#include <QClipboard>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "Clipbrd.h"
#include "GraphicsQt.h"
#include "ControlsTestSupport.h"
#include "EditBoxes.h"
#include "StdCtrls.h"

using namespace controlstest;

namespace {

// Swallows digits typed or pasted, as a derived control would.
class TNoDigitsEdit : public TEdit {
public:
    explicit TNoDigitsEdit(TComponent* owner) : TEdit(owner) {}
    int pastes = 0;
protected:
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_CHAR && m.WParam >= '0' && m.WParam <= '9') return;
        if (m.Msg == WM_PASTE) {
            ++pastes;
            if (Clipboard()->AsText().find_first_of("0123456789") != std::string::npos) return;
        }
        TEdit::WndProc(m);
    }
};

class EditTest : public WithApplication {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(10, 10, 300, 200);
        edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 150, 21);
        second = new TEdit(form);
        second->SetParent(form);
        second->SetBounds(10, 40, 150, 21);
        form->Show();
        Application->ProcessMessages();
        edit->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }

    void Type(TControl* c, const QString& text) {
        for (QChar ch : text) Key(c, ch.unicode() >= 'a' && ch.unicode() <= 'z' ? Qt::Key_A + (ch.unicode() - 'a') : 0, QString(ch));
    }

    TForm* form = nullptr;
    TEdit* edit = nullptr;
    TEdit* second = nullptr;
};

TEST_F(EditTest, TypingCountsWholeCharacters) {
    Type(edit, QString::fromUtf8("aä€b"));
    EXPECT_EQ(edit->Text(), "aä€b");
    EXPECT_EQ(edit->SelStart(), 4);
    EXPECT_TRUE(edit->Modified());
    Key(edit, Qt::Key_Left);
    Key(edit, Qt::Key_Left, {}, Qt::ShiftModifier);
    EXPECT_EQ(edit->SelStart(), 2);
    EXPECT_EQ(edit->SelLength(), 1);
    EXPECT_EQ(edit->SelText(), "€");
    Key(edit, Qt::Key_Backspace, "\b");
    EXPECT_EQ(edit->Text(), "aäb");
    Key(edit, Qt::Key_Home);
    Key(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->Text(), "äb");
    Key(edit, Qt::Key_End);
    EXPECT_EQ(edit->SelStart(), 2);
    edit->Perform(WM_UNDO);
    EXPECT_EQ(edit->Text(), "aäb");
}

TEST_F(EditTest, ProgramTextResetsCaretAndModifiedAndAnnouncesTheChange) {
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    Type(edit, "ab");
    EXPECT_EQ(changes, 2);
    edit->SetText("hello");
    EXPECT_EQ(changes, 3);
    EXPECT_FALSE(edit->Modified());
    EXPECT_EQ(edit->SelStart(), 0);
    EXPECT_EQ(edit->SelLength(), 0);
    edit->Perform(EM_SETSEL, 1, 3);
    EXPECT_EQ(edit->SelText(), "el");
    edit->Perform(EM_SETSEL, 2, -1);
    EXPECT_EQ(edit->SelText(), "llo");
    edit->SetSelText("p!");
    EXPECT_EQ(edit->Text(), "hep!");
    EXPECT_TRUE(edit->Modified());
}

TEST_F(EditTest, MaxLengthAndReadOnlyLimitInput) {
    edit->SetMaxLength(3);
    Type(edit, "abcd");
    EXPECT_EQ(edit->Text(), "abc");
    Clipboard()->SetAsText("xyz");
    edit->SelectAll();
    edit->SetReadOnly(true);
    edit->PasteFromClipboard();
    Type(edit, "q");
    EXPECT_EQ(edit->Text(), "abc");
    edit->SetReadOnly(false);
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "xyz");
}

TEST_F(EditTest, ClipboardKeysPassThroughTheMessagesAndTheCodePage) {
    edit->SetText("Grüße € ✓ z");
    edit->SelectAll();
    Key(edit, Qt::Key_C, "c", Qt::ControlModifier);
    // The check mark has no form in the 8-bit code page.
    EXPECT_EQ(Clipboard()->AsText(), "Grüße € ? z");
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    Key(edit, Qt::Key_X, "x", Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "");
    Key(edit, Qt::Key_V, "v", Qt::ControlModifier);
    Key(edit, Qt::Key_V, "v", Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "Grüße € ? zGrüße € ? z");
    // A pasted line break ends the pasted text.
    Clipboard()->SetAsText("one\r\ntwo");
    edit->SetText("");
    Key(edit, Qt::Key_Insert, {}, Qt::ShiftModifier);
    EXPECT_EQ(edit->Text(), "one");
    edit->SetPasswordChar('*');
    edit->SelectAll();
    edit->CopyToClipboard();
    EXPECT_EQ(Clipboard()->AsText(), "one\r\ntwo") << "a password edit gives nothing away";
}

TEST_F(EditTest, DerivedControlSeesEveryPathFirst) {
    auto* filtered = new TNoDigitsEdit(form);
    filtered->SetParent(form);
    filtered->SetBounds(10, 70, 150, 21);
    filtered->SetFocus();
    Application->ProcessMessages();
    Type(filtered, "a1b2");
    EXPECT_EQ(filtered->Text(), "ab");
    Clipboard()->SetAsText("x9");
    Key(filtered, Qt::Key_V, "v", Qt::ControlModifier);
    Key(filtered, Qt::Key_Insert, {}, Qt::ShiftModifier);
    filtered->PasteFromClipboard();
    EXPECT_EQ(filtered->pastes, 3);
    EXPECT_EQ(filtered->Text(), "ab");
}

TEST_F(EditTest, PostedTabMovesTheFocusAndReturnPressesTheDefaultButton) {
    ASSERT_TRUE(edit->Focused());
    PostMessage(edit->Handle(), WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(RunUntil([&] { return second->Focused(); }));
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->Default = true;
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    Key(second, Qt::Key_Return, "\r");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(second->Text(), "") << "Return types nothing into a one-line edit";
}

TEST_F(EditTest, MouseClickPlacesTheCaretAndDoubleClickSelectsAWord) {
    edit->SetText("alpha beta");
    const TPoint end = edit->PointFromChar(10);
    const TPoint b = edit->PointFromChar(6);
    EXPECT_GT(end.X, b.X);
    EXPECT_EQ(edit->CharFromPoint({b.X + 1, 8}), 6);
    Click(edit, b.X + 1, 8);
    EXPECT_EQ(edit->SelStart(), 6);
    Mouse(edit, QEvent::MouseButtonDblClick, b.X + 2, 8);
    EXPECT_EQ(edit->SelText(), "beta");
    EXPECT_EQ(static_cast<int>(edit->Perform(EM_CHARFROMPOS, 0, MAKELPARAM(0, 8))), 0);
}

// As a person does it: a button pressed, then a click into an edit and typing there. The keys go to
// the edit clicked, not to the button that had the focus.
TEST_F(EditTest, AClickIntoAnyEditGivesItTheKeys) {
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(200, 10, 75, 25);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    auto place = [&](TWinControl* c, int top, int height) {
        c->SetParent(form);
        c->SetBounds(10, top, 150, height);
        return c;
    };
    auto* line = new TLineEdit(form);
    auto* memo = new TPlainMemo(form);
    auto* spin = new TIntSpinEdit(form);
    auto* time = new TDateTimePicker(form);
    place(line, 70, 21);
    place(memo, 95, 50);
    place(spin, 150, 21);
    place(time, 175, 21);
    time->SetKind(dtkTime);
    time->SetTime(TDateTime(0.75));
    form->SetHeight(260);
    Application->ProcessMessages();
    QWidget* window = WidgetOf(form);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto clickAndType = [&](TWinControl* c, QPoint at, const char* keys) {
        QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
        QTest::mouseClick(WidgetOf(c), Qt::LeftButton, {}, at);
        // Wherever the window system sends them: to the widget with the focus.
        QTest::keyClicks(nullptr, keys);
        Application->ProcessMessages();
    };
    clickAndType(edit, {5, 10}, "ab");
    clickAndType(line, {5, 10}, "cd");
    clickAndType(memo, {20, 20}, "ef");
    clickAndType(spin, {60, 10}, "42");
    // The click selects the hours, which the digits then replace.
    clickAndType(time, {8, 10}, "0930");
    EXPECT_EQ(edit->Text(), "ab");
    EXPECT_EQ(line->Text(), "cd");
    EXPECT_EQ(memo->Lines()->Text(), "ef\r\n");
    EXPECT_EQ(spin->Value(), 42);
    EXPECT_NEAR(time->Time().Val, 9.5 / 24, 1e-6);
    EXPECT_EQ(clicks, 5) << "only the mouse pressed the button";
}

TEST_F(EditTest, PaintsTextSelectionAndBorder) {
    edit->SetText("WWWW");
    edit->SetColor(clWhite);
    edit->Font()->SetColor(clBlack);
    edit->Perform(EM_SETSEL, 0, 2);
    QImage image(edit->Width(), edit->Height(), QImage::Format_RGB32);
    image.fill(Qt::green);
    {
        QPainter painter(&image);
        edit->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&painter));
        edit->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
    }
    const QColor highlight = GraphicsQt::ToQColor(clHighlight);
    bool sawHighlight = false, sawBlackRightHalf = false;
    const int mid = edit->PointFromChar(2).X;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == highlight && x < mid) sawHighlight = true;
            if (c == Qt::black && x > mid && x < edit->PointFromChar(4).X) sawBlackRightHalf = true;
        }
    }
    EXPECT_TRUE(sawHighlight);
    EXPECT_TRUE(sawBlackRightHalf);
    EXPECT_EQ(image.pixelColor(0, 0), GraphicsQt::ToQColor(clBtnShadow));
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), GraphicsQt::ToQColor(clBtnHighlight));
    EXPECT_EQ(image.pixelColor(4, image.height() - 4), Qt::white);
}

} // namespace
