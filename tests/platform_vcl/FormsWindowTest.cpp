// Forms as windows: placement, window kinds, opacity, focus, activation, the screen and cursors.
#include <QCursor>
#include <QEnterEvent>

#include "ControlsTestSupport.h"
#include "StdCtrls.h"

using namespace controlstest;

namespace {
class FormWindow : public WithApplication {};
}

TEST_F(FormWindow, ScreenCentredFormIsPlacedWhenFirstShown) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    form.SetPosition(poScreenCenter);
    form.Show();
    EXPECT_EQ(form.Left(), (Screen->Width() - 200) / 2);
    EXPECT_EQ(form.Top(), (Screen->Height() - 100) / 2);
    // Later moves stay where the program puts the form.
    form.Hide();
    form.SetLeft(5);
    form.Show();
    EXPECT_EQ(form.Left(), 5);
}

TEST_F(FormWindow, BorderStyleAndFormStyleChooseTheKindOfWindow) {
    TForm form(nullptr);
    const auto flags = [&] { return WidgetOf(&form)->windowFlags(); };
    EXPECT_EQ(flags() & Qt::WindowType_Mask, Qt::Window);
    EXPECT_TRUE(flags() & Qt::WindowMaximizeButtonHint);
    form.SetBorderStyle(bsSizeToolWin);
    // A tool window has no task-bar button.
    EXPECT_EQ(flags() & Qt::WindowType_Mask, Qt::Tool);
    form.SetBorderIcons({biSystemMenu});
    EXPECT_TRUE(flags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags() & Qt::WindowMinimizeButtonHint);
    form.SetBorderStyle(bsNone);
    EXPECT_TRUE(flags() & Qt::FramelessWindowHint);
    form.SetFormStyle(fsStayOnTop);
    EXPECT_TRUE(flags() & Qt::WindowStaysOnTopHint);
    form.SetFormStyle(fsNormal);
    EXPECT_FALSE(flags() & Qt::WindowStaysOnTopHint);
    // A fixed border keeps the window from being sized by the person.
    form.SetBorderStyle(bsDialog);
    EXPECT_EQ(WidgetOf(&form)->minimumSize(), WidgetOf(&form)->maximumSize());
}

TEST_F(FormWindow, AlphaBlendSetsTheWindowsOpacity) {
    TForm form(nullptr);
    form.SetAlphaBlendValue(185);
    EXPECT_DOUBLE_EQ(WidgetOf(&form)->windowOpacity(), 1.0);
    form.SetAlphaBlend(true);
    EXPECT_NEAR(WidgetOf(&form)->windowOpacity(), 185 / 255.0, 0.01);
    form.SetAlphaBlend(false);
    EXPECT_DOUBLE_EQ(WidgetOf(&form)->windowOpacity(), 1.0);
}

TEST_F(FormWindow, CaptionIsTheWindowTitle) {
    TForm form(nullptr);
    form.SetCaption("Tarvolin für Zorbelin");
    EXPECT_EQ(WidgetOf(&form)->windowTitle(), QString::fromUtf8("Tarvolin für Zorbelin"));
}

TEST_F(FormWindow, ResizeAndActivationReachTheirEvents) {
    TForm form(nullptr);
    std::string events;
    form.OnResize = [&](TObject*) { events += "resize "; };
    form.OnActivate = [&](TObject*) { events += "activate "; };
    form.OnDeactivate = [&](TObject*) { events += "deactivate"; };
    form.SetBounds(0, 0, 400, 300);
    form.SetBounds(10, 10, 400, 300);
    form.Perform(WM_ACTIVATE, WA_ACTIVE);
    form.Perform(WM_ACTIVATE, WA_INACTIVE);
    EXPECT_EQ(events, "resize activate deactivate");
}

TEST_F(FormWindow, FocusMovesWithEnterAndExitAndTheFormKnowsItsActiveControl) {
    TForm form(nullptr);
    auto* a = new TButton(&form);
    a->SetParent(&form);
    auto* b = new TButton(&form);
    b->SetParent(&form);
    b->SetLeft(100);
    std::string events;
    a->OnEnter = [&](TObject*) { events += "a-enter "; };
    a->OnExit = [&](TObject*) { events += "a-exit "; };
    b->OnEnter = [&](TObject*) { events += "b-enter "; };
    form.Show();
    Application->ProcessMessages();
    a->SetFocus();
    Application->ProcessMessages();
    if (!WidgetOf(&form)->isActiveWindow()) GTEST_SKIP() << "the window system gave the window no focus";
    EXPECT_TRUE(a->Focused());
    b->SetFocus();
    Application->ProcessMessages();
    EXPECT_TRUE(b->Focused());
    EXPECT_EQ(form.ActiveControl(), b);
    EXPECT_EQ(Screen->ActiveControl(), b);
    EXPECT_EQ(events, "a-enter a-exit b-enter ");
    // A control that goes is no longer the active one.
    delete b;
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST_F(FormWindow, ScreenKnowsItsFormsAndSize) {
    const int before = Screen->FormCount();
    {
        TForm form(nullptr);
        EXPECT_EQ(Screen->FormCount(), before + 1);
        EXPECT_EQ(Screen->Forms(Screen->FormCount() - 1), &form);
    }
    EXPECT_EQ(Screen->FormCount(), before);
    EXPECT_GT(Screen->Width(), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), Screen->Width());
    const TRect work = Screen->WorkAreaRect();
    EXPECT_LE(work.Width(), Screen->Width());
    EXPECT_GT(work.Height(), 0);
}

TEST_F(FormWindow, CursorsOfControlsAndOfTheScreen) {
    TForm form(nullptr);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetCursor(crHandPoint);
    EXPECT_EQ(WidgetOf(button)->cursor().shape(), Qt::PointingHandCursor);
    button->SetCursor(crSizeAll);
    EXPECT_EQ(WidgetOf(button)->cursor().shape(), Qt::SizeAllCursor);
    button->SetCursor(crDefault);
    EXPECT_FALSE(WidgetOf(button)->testAttribute(Qt::WA_SetCursor));
    Screen->SetCursor(crHourGlass);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FormWindow, ChildrenGoWithTheirParentAndOwnerCountsStayRight) {
    auto* form = new TForm(nullptr);
    auto* panelOwnedElsewhere = new TButton(nullptr);
    panelOwnedElsewhere->SetParent(form);
    auto* owned = new TButton(form);
    owned->SetParent(form);
    EXPECT_EQ(form->ControlCount(), 2);
    EXPECT_EQ(form->ComponentCount(), 1);
    delete owned;
    EXPECT_EQ(form->ControlCount(), 1);
    EXPECT_EQ(form->ComponentCount(), 0);
    // The parent frees the child it holds even when another owns it.
    delete form;
    SUCCEED();
}

TEST_F(FormWindow, FreeingAFormWithAFocusedControlRaisesNoEventsOfItsControls) {
    auto* form = new TForm(nullptr);
    auto* a = new TButton(form);
    a->SetParent(form);
    auto* b = new TButton(form);
    b->SetParent(form);
    b->SetLeft(100);
    int events = 0;
    for (TButton* button : {a, b}) {
        button->OnEnter = [&](TObject*) { ++events; };
        button->OnExit = [&](TObject*) { ++events; };
        button->OnMouseLeave = [&](TObject*) { ++events; };
    }
    form->Show();
    b->SetFocus();
    Application->ProcessMessages();
    QWidget* w = WidgetOf(b);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(w, &enter);
    ASSERT_EQ(MouseControl(), b);
    events = 0;
    delete form;
    EXPECT_EQ(events, 0);
    EXPECT_EQ(MouseControl(), nullptr);
}
