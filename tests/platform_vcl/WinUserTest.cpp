// Window styles, stacking and layered windows of forms; the program minimised and restored as a
// whole; application events as components; notification-area icons.
#include <QSystemTrayIcon>

#include <cstring>
#include <fstream>
#include <thread>

#include "AppEvnts.h"
#include "ControlsTestSupport.h"
#include "ExtCtrls.h"
#include "ShellNotify.h"
#include "WinUser.h"

using namespace controlstest;

namespace {
class WindowStyles : public WithApplication {};
class LayeredWindows : public WithApplication {};
class ProgramWindows : public WithApplication {};
class NotifyIcons : public WithApplication {
protected:
    void TearDown() override { ShellNotify::SetNotificationAreaForTesting(-1); }
};

std::vector<TRect> Shape(TForm& f) { return WinUser::WindowShape(f.Handle()); }

int Area(const std::vector<TRect>& rects) {
    int a = 0;
    for (const TRect& r : rects) a += r.Width() * r.Height();
    return a;
}
} // namespace

TEST_F(WindowStyles, StyleBitsFollowTheBorderAndTakingTheFrameKeepsTheOuterRectangle) {
    TForm form(nullptr);
    form.SetBorderStyle(bsSizeToolWin);
    form.SetBounds(100, 50, 300, 400);
    const HWND h = form.Handle();
    EXPECT_EQ(GetWindowLong(h, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), WS_CAPTION | WS_THICKFRAME);
    EXPECT_EQ(GetWindowLong(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    const int framedClient = form.ClientWidth();
    ASSERT_LT(framedClient, 300);

    SetWindowLong(h, GWL_STYLE, GetWindowLong(h, GWL_STYLE) & ~(WS_CAPTION | WS_THICKFRAME));
    EXPECT_EQ(form.BorderStyle(), bsNone);
    EXPECT_EQ(form.BoundsRect(), (TRect{100, 50, 400, 450}));
    EXPECT_EQ(form.ClientWidth(), 300);
    // Still off the task bar without its frame.
    EXPECT_EQ(GetWindowLong(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_TRUE(WidgetOf(&form)->windowFlags().testFlag(Qt::Tool));

    SetWindowLong(h, GWL_STYLE, GetWindowLong(h, GWL_STYLE) | WS_CAPTION | WS_THICKFRAME);
    EXPECT_EQ(form.BorderStyle(), bsSizeToolWin);
    EXPECT_EQ(form.BoundsRect(), (TRect{100, 50, 400, 450}));
    EXPECT_EQ(form.ClientWidth(), framedClient);
}

TEST_F(WindowStyles, UnknownHandlesFailAndSetWindowPosHonoursItsFlags) {
    EXPECT_EQ(GetWindowLong(reinterpret_cast<HWND>(0x7FFFFFF0), GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetWindowPos(nullptr, HWND_BOTTOM, 0, 0, 1, 1, 0));

    TForm form(nullptr);
    form.SetBounds(10, 20, 200, 100);
    EXPECT_TRUE(SetWindowPos(form.Handle(), HWND_BOTTOM, 30, 40, 250, 150, SWP_NOACTIVATE | SWP_NOSIZE));
    EXPECT_EQ(form.BoundsRect(), (TRect{30, 40, 230, 140}));
    EXPECT_TRUE(SetWindowPos(form.Handle(), nullptr, 0, 0, 250, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW));
    EXPECT_EQ(form.BoundsRect(), (TRect{30, 40, 280, 190}));
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(ShowWindow(form.Handle(), SW_HIDE));
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(ShowWindow(form.Handle(), SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST_F(LayeredWindows, AttributesNeedTheLayeredStyleAndSetTheOpacity) {
    TForm form(nullptr);
    const HWND h = form.Handle();
    EXPECT_FALSE(SetLayeredWindowAttributes(h, 0, 100, LWA_ALPHA));
    EXPECT_FALSE(GetLayeredWindowAttributes(h, nullptr, nullptr, nullptr));

    SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) | WS_EX_LAYERED);
    // Layered and not yet given its look: nothing shows.
    EXPECT_EQ(WinUser::WindowOpacity(h), 0);
    ASSERT_TRUE(SetLayeredWindowAttributes(h, 0x123456, 185, LWA_ALPHA));
    COLORREF key = 0;
    Byte alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(h, &key, &alpha, &flags));
    EXPECT_EQ(key, 0x123456u);
    EXPECT_EQ(alpha, 185);
    EXPECT_EQ(flags, LWA_ALPHA);
    EXPECT_EQ(WinUser::WindowOpacity(h), 185);
    // Only the key, no alpha: fully opaque.
    SetLayeredWindowAttributes(h, 8, 40, LWA_COLORKEY);
    EXPECT_EQ(WinUser::WindowOpacity(h), 255);

    SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    EXPECT_EQ(WinUser::WindowOpacity(h), 255);
    EXPECT_TRUE(Shape(form).empty());
    EXPECT_FALSE(SetLayeredWindowAttributes(h, 0, 100, LWA_ALPHA));
}

TEST_F(LayeredWindows, PixelsInTheKeyColourAreCutFromTheWindow) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 120, 80);
    form.SetColor(TColor(8));
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->SetBounds(20, 10, 50, 30);
    form.Show();
    const HWND h = form.Handle();
    SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) | WS_EX_LAYERED);
    ASSERT_TRUE(SetLayeredWindowAttributes(h, 8, 200, LWA_COLORKEY | LWA_ALPHA));
    WinUser::UpdateWindowShape(h);
    const std::vector<TRect> shape = Shape(form);
    ASSERT_FALSE(shape.empty());
    EXPECT_EQ(Area(shape), 50 * 30);
    for (const TRect& r : shape) {
        EXPECT_GE(r.Left, 20);
        EXPECT_GE(r.Top, 10);
        EXPECT_LE(r.Right, 70);
        EXPECT_LE(r.Bottom, 40);
    }
    EXPECT_FALSE(WidgetOf(&form)->mask().isEmpty());
    EXPECT_EQ(WinUser::WindowOpacity(h), 200);

    // The shape follows what the window shows, shortly after it painted.
    panel->SetColor(TColor(8));
    EXPECT_TRUE(RunUntil([&] { return Area(Shape(form)) == 0; }));
    panel->SetColor(clRed);
    EXPECT_TRUE(RunUntil([&] { return Area(Shape(form)) == 50 * 30; }));
}

TEST_F(LayeredWindows, AnotherThreadChangesTheWindowThroughTheMainLoop) {
    TForm form(nullptr);
    const HWND h = form.Handle();
    SetWindowLong(h, GWL_EXSTYLE, WS_EX_LAYERED);
    SetLayeredWindowAttributes(h, 0, 255, LWA_ALPHA);
    BOOL ok = FALSE;
    std::thread worker([&] { ok = SetLayeredWindowAttributes(h, 0, 90, LWA_ALPHA); });
    worker.join();
    EXPECT_TRUE(ok);
    Byte alpha = 0;
    GetLayeredWindowAttributes(h, nullptr, &alpha, nullptr);
    EXPECT_EQ(alpha, 90);
    EXPECT_TRUE(RunUntil([&] { return WinUser::WindowOpacity(h) == 90; }));
}

TEST_F(ProgramWindows, MinimisingTheProgramHidesItsFormsAndBringingOneForwardRestoresThem) {
    TApplicationEvents events(nullptr);
    int minimised = 0, restored = 0;
    events.OnMinimize = [&](TObject*) { ++minimised; };
    events.OnRestore = [&](TObject*) { ++restored; };
    TForm shown(nullptr), hidden(nullptr);
    shown.Show();
    ShowWindow(Application->Handle(), SW_MINIMIZE);
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
    EXPECT_FALSE(WidgetOf(&shown)->isVisible());
    EXPECT_FALSE(IsWindowVisible(shown.Handle()));
    EXPECT_EQ(minimised, 1);
    // Hiding the program's own window changes nothing.
    ShowWindow(Application->Handle(), SW_HIDE);
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());

    EXPECT_TRUE(SetForegroundWindow(shown.Handle()));
    EXPECT_FALSE(AppEvnts::ApplicationMinimized());
    EXPECT_TRUE(WidgetOf(&shown)->isVisible());
    EXPECT_FALSE(WidgetOf(&hidden)->isVisible());
    EXPECT_EQ(restored, 1);
    ShowWindow(Application->Handle(), SW_RESTORE);
    EXPECT_EQ(restored, 1);
}

TEST_F(ProgramWindows, ApplicationEventsHearMessagesAndExceptionsAndHandBackTheHooks) {
    bool appSaw = false;
    Application->OnMessage = [&](TMsg&, bool&) { appSaw = true; };
    std::vector<std::string> log;
    {
        TApplicationEvents first(nullptr), second(nullptr);
        first.OnMessage = [&](TMsg& m, bool& handled) {
            if (m.message == WM_USER + 5) {
                log.push_back("first");
                handled = m.wParam == 1;
            }
        };
        second.OnMessage = [&](TMsg& m, bool&) {
            if (m.message == WM_USER + 5) log.push_back("second");
        };
        second.OnException = [&](TObject*, SysUtils::Exception* e) { log.push_back("failure: " + e->Message); };
        int delivered = 0;
        HWND wnd = AllocateHWnd([&](TMessage& m) {
            if (m.Msg == WM_USER + 5) ++delivered;
        });
        PostMessage(wnd, WM_USER + 5, 0, 0);
        PostMessage(wnd, WM_USER + 5, 1, 0);
        Application->ProcessMessages();
        EXPECT_EQ(delivered, 1);
        EXPECT_TRUE(appSaw);
        Vcl::Detail::Guarded(nullptr, [] { throw SysUtils::Exception("kaputt"); });
        DeallocateHWnd(wnd);
        EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "first", "failure: kaputt"}));
    }
    // The last component gone, the application's own hook is back.
    appSaw = false;
    TMsg m;
    bool handled = false;
    ASSERT_TRUE(Application->OnMessage);
    Application->OnMessage(m, handled);
    EXPECT_TRUE(appSaw);
    Application->OnMessage = nullptr;
}

TEST_F(ProgramWindows, MouseMovesOverAnyWindowReachOnMessage) {
    TApplicationEvents events(nullptr);
    std::vector<TMsg> moves;
    events.OnMessage = [&](TMsg& m, bool&) {
        if (m.message == WM_MOUSEMOVE) moves.push_back(m);
    };
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 100, 100);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 50, 50);
    form.Show();
    QMouseEvent move(QEvent::MouseMove, QPointF(7, 9), QPointF(7, 9), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(WidgetOf(panel), &move);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].hwnd, panel->Handle());
    EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 7);
    EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 9);
}

TEST_F(NotifyIcons, WithoutANotificationAreaNothingIsAdded) {
    ShellNotify::SetNotificationAreaForTesting(0);
    HWND wnd = AllocateHWnd([](TMessage&) {});
    NOTIFYICONDATA data;
    data.hWnd = wnd;
    data.uID = 7;
    data.uFlags = NIF_TIP;
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &data));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &data));
    EXPECT_FALSE(ShellNotify::FindIcon(wnd, 7, data));
    DeallocateHWnd(wnd);
}

TEST_F(NotifyIcons, IconIsAddedChangedClickedAndRemoved) {
    ShellNotify::SetNotificationAreaForTesting(1);
    std::vector<TMessage> got;
    HWND wnd = AllocateHWnd([&](TMessage& m) { got.push_back(m); });
    NOTIFYICONDATA data;
    data.hWnd = wnd;
    data.uID = 1002;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = 0x47D;
    ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &data));

    NOTIFYICONDATA change;
    change.hWnd = wnd;
    change.uID = 1002;
    change.uFlags = NIF_TIP;
    std::string tip(70, 'x');
    std::memcpy(change.szTip, tip.c_str(), sizeof change.szTip - 1);
    ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &change));
    NOTIFYICONDATA shown;
    ASSERT_TRUE(ShellNotify::FindIcon(wnd, 1002, shown));
    EXPECT_EQ(std::string(shown.szTip), std::string(63, 'x'));
    auto* tray = qobject_cast<QSystemTrayIcon*>(ShellNotify::TrayObject(wnd, 1002));
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip().toStdString(), std::string(63, 'x'));

    emit tray->activated(QSystemTrayIcon::DoubleClick);
    emit tray->activated(QSystemTrayIcon::Context);
    emit tray->activated(QSystemTrayIcon::Trigger);
    Application->ProcessMessages();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].Msg, 0x47Du);
    EXPECT_EQ(got[0].WParam, 1002u);
    EXPECT_EQ(got[0].LParam, WM_LBUTTONDBLCLK);
    EXPECT_EQ(got[1].LParam, WM_RBUTTONUP);
    EXPECT_EQ(got[2].LParam, WM_LBUTTONUP);

    ASSERT_TRUE(Shell_NotifyIcon(NIM_DELETE, &data));
    EXPECT_FALSE(ShellNotify::FindIcon(wnd, 1002, shown));
    EXPECT_EQ(ShellNotify::TrayObject(wnd, 1002), nullptr);
    DeallocateHWnd(wnd);
}

TEST_F(NotifyIcons, TheProgramsIconIsAPictureBesideTheProgram) {
    const std::string folder = SysUtils::ProgramFolder();
    EXPECT_EQ(LoadIcon(nullptr, "NO_SUCH_ICON_HERE"), nullptr);
    // A picture named in another case is found too.
    const std::string file = folder + "zbtesticon.xpm";
    {
        std::ofstream out(file);
        out << "/* XPM */\nstatic const char *x[] = {\n\"2 2 2 1\",\n\". c #000000\",\n\"# c #FFFFFF\",\n\".#\",\n\"#.\"};\n";
    }
    HICON icon = LoadIcon(nullptr, "ZBTESTICON");
    std::remove(file.c_str());
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(DestroyIcon(icon));
}
