// Mouse, key, enter/leave and focus messages reach a control in the class library's order, whether
// they come from the window system or from Perform.
#include <QEnterEvent>

#include "ControlsTestSupport.h"
#include "StdCtrls.h"

using namespace controlstest;

namespace {

class TProbe : public TCustomControl {
public:
    explicit TProbe(TComponent* owner) : TCustomControl(owner) {}
    Log log;
    std::vector<UINT> messages;
protected:
    void WndProc(TMessage& m) override {
        messages.push_back(m.Msg);
        TCustomControl::WndProc(m);
    }
};

std::string ShiftText(TShiftState s) {
    std::string out;
    if (s.Contains(ssShift)) out += "S";
    if (s.Contains(ssCtrl)) out += "C";
    if (s.Contains(ssAlt)) out += "A";
    if (s.Contains(ssDouble)) out += "D";
    return out;
}

class ControlEvents : public WithApplication {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(10, 10, 300, 200);
        probe = new TProbe(form);
        probe->SetParent(form);
        probe->SetBounds(20, 30, 100, 50);
        Log& log = probe->log;
        probe->OnMouseDown = [&log](TObject*, TMouseButton b, TShiftState s, int x, int y) {
            log.push_back("down " + std::to_string(b) + " " + ShiftText(s) + " " + std::to_string(x) + "," + std::to_string(y));
        };
        probe->OnMouseUp = [&log](TObject*, TMouseButton b, TShiftState, int x, int y) {
            log.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
        };
        probe->OnClick = [&log](TObject*) { log.push_back("click"); };
        probe->OnDblClick = [&log](TObject*) { log.push_back("dblclick"); };
        probe->OnKeyDown = [&log](TObject*, Word& k, TShiftState s) {
            log.push_back("keydown " + std::to_string(k) + " " + ShiftText(s));
        };
        probe->OnKeyPress = [&log](TObject*, AnsiString& k) { log.push_back("keypress " + k); };
        probe->OnKeyUp = [&log](TObject*, Word& k, TShiftState) { log.push_back("keyup " + std::to_string(k)); };
        probe->OnMouseEnter = [&log](TObject*) { log.push_back("enter"); };
        probe->OnMouseLeave = [&log](TObject*) { log.push_back("leave"); };
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }
    TForm* form = nullptr;
    TProbe* probe = nullptr;
};

} // namespace

TEST_F(ControlEvents, ClickGivesDownClickUpInThatOrder) {
    Click(probe, 7, 9);
    EXPECT_EQ(probe->log, (Log{"down 0  7,9", "click", "up 0 7,9"}));
    // The window saw the platform's messages, not Qt's events.
    EXPECT_NE(std::find(probe->messages.begin(), probe->messages.end(), WM_LBUTTONDOWN), probe->messages.end());
    EXPECT_NE(std::find(probe->messages.begin(), probe->messages.end(), WM_LBUTTONUP), probe->messages.end());
}

TEST_F(ControlEvents, ReleaseOutsideTheControlIsNoClick) {
    Mouse(probe, QEvent::MouseButtonPress, 5, 5);
    Mouse(probe, QEvent::MouseButtonRelease, 150, 5);
    EXPECT_EQ(probe->log, (Log{"down 0  5,5", "up 0 150,5"}));
}

TEST_F(ControlEvents, RightButtonGivesNoClick) {
    Mouse(probe, QEvent::MouseButtonPress, 5, 6, Qt::RightButton);
    Mouse(probe, QEvent::MouseButtonRelease, 5, 6, Qt::RightButton);
    EXPECT_EQ(probe->log, (Log{"down 1  5,6", "up 1 5,6"}));
}

TEST_F(ControlEvents, DoubleClickSequenceAsTheClassLibraryRaisesIt) {
    Mouse(probe, QEvent::MouseButtonPress, 3, 4);
    Mouse(probe, QEvent::MouseButtonRelease, 3, 4);
    Mouse(probe, QEvent::MouseButtonDblClick, 3, 4);
    Mouse(probe, QEvent::MouseButtonRelease, 3, 4);
    EXPECT_EQ(probe->log, (Log{"down 0  3,4", "click", "up 0 3,4", "dblclick", "down 0 D 3,4", "up 0 3,4"}));
}

TEST_F(ControlEvents, ShiftAndControlHeldDuringAClick) {
    Mouse(probe, QEvent::MouseButtonPress, 1, 2, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    ASSERT_FALSE(probe->log.empty());
    EXPECT_EQ(probe->log[0], "down 0 SC 1,2");
}

TEST_F(ControlEvents, PerformedMouseMessagesTakeTheSamePath) {
    probe->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(11, 12));
    probe->Perform(WM_LBUTTONUP, 0, MAKELPARAM(11, 12));
    EXPECT_EQ(probe->log, (Log{"down 0  11,12", "click", "up 0 11,12"}));
}

TEST_F(ControlEvents, KeyPressGivesDownCharacterUp) {
    Key(probe, Qt::Key_A, "a");
    EXPECT_EQ(probe->log, (Log{"keydown 65 ", "keypress a", "keyup 65"}));
}

TEST_F(ControlEvents, TypedUmlautArrivesAsUtf8) {
    Key(probe, Qt::Key_Adiaeresis, QString::fromUtf8("ä"));
    ASSERT_EQ(probe->log.size(), 3u);
    EXPECT_EQ(probe->log[1], "keypress \xC3\xA4");
    // A character outside the basic plane stays one character.
    probe->log.clear();
    probe->Perform(WM_CHAR, 0x1F600, 0);
    EXPECT_EQ(probe->log, (Log{"keypress \xF0\x9F\x98\x80"}));
}

TEST_F(ControlEvents, ControlLetterIsItsControlCode) {
    Key(probe, Qt::Key_C, "c", Qt::ControlModifier);
    EXPECT_EQ(probe->log, (Log{"keydown 67 C", "keypress \x03", "keyup 67"}));
}

TEST_F(ControlEvents, KeysWithoutCharacterGiveNoKeyPress) {
    Key(probe, Qt::Key_Left);
    Key(probe, Qt::Key_F2);
    EXPECT_EQ(probe->log, (Log{"keydown 37 ", "keyup 37", "keydown 113 ", "keyup 113"}));
}

TEST_F(ControlEvents, SwallowedKeyDownStillSendsTheCharacter) {
    probe->OnKeyDown = [this](TObject*, Word& k, TShiftState) {
        probe->log.push_back("keydown " + std::to_string(k));
        k = 0;
    };
    Key(probe, Qt::Key_B, "b");
    EXPECT_EQ(probe->log, (Log{"keydown 66", "keypress b", "keyup 66"}));
}

TEST_F(ControlEvents, FormWithKeyPreviewSeesKeysFirstAndCanSwallowThem) {
    form->SetKeyPreview(true);
    form->OnKeyDown = [this](TObject*, Word& k, TShiftState) {
        probe->log.push_back("form keydown " + std::to_string(k));
        if (k == 'X') k = 0;
    };
    Key(probe, Qt::Key_Y, "y");
    Key(probe, Qt::Key_X, "x");
    EXPECT_EQ(probe->log, (Log{"form keydown 89", "keydown 89 ", "keypress y", "keyup 89", "form keydown 88",
                               "keypress x", "keyup 88"}));
}

TEST_F(ControlEvents, EnterAndLeaveBecomeMouseEnterAndLeave) {
    QWidget* w = WidgetOf(probe);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(w, &enter);
    EXPECT_EQ(MouseControl(), probe);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
    EXPECT_EQ(MouseControl(), nullptr);
    EXPECT_EQ(probe->log, (Log{"enter", "leave"}));
    EXPECT_NE(std::find(probe->messages.begin(), probe->messages.end(), CM_MOUSEENTER), probe->messages.end());
    EXPECT_NE(std::find(probe->messages.begin(), probe->messages.end(), CM_MOUSELEAVE), probe->messages.end());
}

TEST_F(ControlEvents, MovingOntoAnotherControlLeavesTheFirst) {
    auto* other = new TProbe(form);
    other->SetParent(form);
    other->SetBounds(150, 30, 50, 50);
    Log& log = probe->log;
    other->OnMouseEnter = [&log](TObject*) { log.push_back("other enter"); };
    Mouse(probe, QEvent::MouseMove, 5, 5, Qt::NoButton);
    Mouse(other, QEvent::MouseMove, 5, 5, Qt::NoButton);
    EXPECT_EQ(probe->log, (Log{"enter", "leave", "other enter"}));
    EXPECT_EQ(MouseControl(), other);
    delete other;
    EXPECT_EQ(MouseControl(), nullptr);
}

TEST_F(ControlEvents, WindowProcCanBeHookedAndChained) {
    std::vector<UINT> seen;
    TWndMethod previous = probe->WindowProc;
    probe->WindowProc = [&](TMessage& m) {
        seen.push_back(m.Msg);
        if (m.Msg == WM_USER + 7) {
            m.Result = 99;
            return;
        }
        previous(m);
    };
    EXPECT_EQ(probe->Perform(WM_USER + 7, 0, 0), 99);
    Click(probe, 1, 1);
    EXPECT_EQ(probe->log, (Log{"down 0  1,1", "click", "up 0 1,1"}));
    EXPECT_EQ(seen.front(), WM_USER + 7u);
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_LBUTTONDOWN), seen.end());
}

TEST_F(ControlEvents, DisabledControlGetsNoMouse) {
    probe->SetEnabled(false);
    Click(probe, 5, 5);
    EXPECT_TRUE(probe->log.empty());
}

TEST_F(ControlEvents, ButtonClickSetsTheFormsModalResult) {
    auto* button = new TButton(form);
    button->SetParent(form);
    button->ModalResult = mrOk;
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    Click(button, 10, 10);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->ModalResult(), mrOk);
    // Space pressed and let go on the button clicks it too.
    Key(button, Qt::Key_Space, " ");
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlEvents, ReturnAndEscapePressTheDefaultAndCancelButtons) {
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->Default = true;
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->Cancel = true;
    std::string pressed;
    ok->OnClick = [&](TObject*) { pressed += "ok "; };
    cancel->OnClick = [&](TObject*) { pressed += "cancel "; };
    Key(probe, Qt::Key_Return, "\r");
    Key(probe, Qt::Key_Escape, "\x1b");
    EXPECT_EQ(pressed, "ok cancel ");
    // A control that swallows the key keeps it from the buttons.
    probe->OnKeyDown = [](TObject*, Word& k, TShiftState) { k = 0; };
    Key(probe, Qt::Key_Return, "\r");
    EXPECT_EQ(pressed, "ok cancel ");
}

TEST_F(ControlEvents, ExceptionFromAHandlerGoesToOnException) {
    std::string reported;
    TObject* sender = nullptr;
    Application->OnException = [&](TObject* s, SysUtils::Exception* e) {
        sender = s;
        reported = e->Message;
    };
    probe->OnClick = [](TObject*) { throw SysUtils::EConvertError("kaputt"); };
    Click(probe, 3, 3);
    EXPECT_EQ(reported, "kaputt");
    EXPECT_EQ(sender, probe);
    // A plain C++ exception arrives as an exception with its text; EAbort stays silent.
    probe->OnClick = [](TObject*) { throw std::runtime_error("auch kaputt"); };
    Click(probe, 3, 3);
    EXPECT_EQ(reported, "auch kaputt");
    reported.clear();
    probe->OnClick = [](TObject*) { SysUtils::Abort(); };
    Click(probe, 3, 3);
    EXPECT_EQ(reported, "");
    Application->OnException = nullptr;
}

TEST_F(ControlEvents, AutomaticDragStartsAtThePressAndDropsOnTheControlThatAccepts) {
    auto* target = new TProbe(form);
    target->SetParent(form);
    target->SetBounds(150, 30, 100, 50);
    Log log;
    target->OnDragOver = [&](TObject*, TObject* Source, int, int, TDragState State, bool& Accept) {
        log.push_back("over " + std::to_string(State));
        Accept = Source == probe;
    };
    target->OnDragDrop = [&](TObject*, TObject* Source, int X, int Y) {
        log.push_back(std::string("drop ") + (Source == probe ? "probe " : "? ") + std::to_string(X) + "," + std::to_string(Y));
    };
    probe->OnStartDrag = [&](TObject*, TDragObject*&) { log.push_back("start"); };
    probe->OnEndDrag = [&](TObject*, TObject* Target, int X, int Y) {
        log.push_back(std::string("end ") + (Target == target ? "target " : "- ") + std::to_string(X) + "," + std::to_string(Y));
    };
    probe->SetDragMode(dmAutomatic);
    Mouse(probe, QEvent::MouseButtonPress, 5, 5);
    // The press is the drag's: no mouse-down of the control, and over itself (which takes nothing) no drop.
    EXPECT_TRUE(probe->Dragging());
    EXPECT_EQ(probe->log, Log{});
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    Mouse(probe, QEvent::MouseMove, 140, 10);   // 10,10 of the target
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
    Mouse(probe, QEvent::MouseButtonRelease, 140, 10);
    // The release is a last move to where the mouse is, then the drop.
    EXPECT_EQ(log, (Log{"start", "over 0", "over 2", "over 2", "over 1", "drop probe 10,10", "end target 10,10"}));
    EXPECT_FALSE(probe->Dragging());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(probe->log, Log{});
}
