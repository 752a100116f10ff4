// The window's frame, its place per view, its translucency and the fading.
#include "AppFixture.h"

#include <algorithm>
#include <chrono>

#include "Fadeing.h"
#include "WinUser.h"

using namespace apptest;

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

class WindowFrame : public AppTest {
protected:
    std::string db;
    void SetUp() override {
        AppTest::SetUp();
        LayOutDesign();
        db = LayOutDatabase();
        WriteUserString(kZorbelin, "BENUTZER", "hans");
        WriteUserInteger(kTarvolin, "VORLAGE", 1);
    }
    void Connect(TForm1& form) { form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db)); }
    int ReadInt(const char* name) {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly(kTarvolin) || !reg.ValueExists(name)) return -9999;
        return reg.ReadInteger(name);
    }
    bool Layered(TForm1& form) { return (GetWindowLong(form.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }
};

using Steps = std::vector<int>;

// A fade thread that records its steps and windows instead of touching a window. The thread is the
// last member, so it has ended before anything it writes to goes.
struct RecordedFade {
    std::mutex mutex;
    Steps steps;
    std::vector<HWND> windows;
    std::atomic<int> done{0};
    Fadeing fade;
    RecordedFade() {
        fade.Pause = [](int) {};
        fade.Apply = [this](HWND w, COLORREF, Byte a) {
            std::lock_guard<std::mutex> lock(mutex);
            steps.push_back(a);
            windows.push_back(w);
        };
        fade.OnFadeDone = [this](bool) { ++done; };
    }
    Steps Run(bool in) {
        const int before = done;
        {
            std::lock_guard<std::mutex> lock(mutex);
            steps.clear();
        }
        fade.Start(in);
        testsupport::PollUntil([&] { return done > before; }, 20000, [] {
            Application->ProcessMessages();
            usleep(1000);
        });
        std::lock_guard<std::mutex> lock(mutex);
        return steps;
    }
};
} // namespace

TEST_F(WindowFrame, HidingAndShowingTheFrameKeepsTheClientAreaInPlace) {
    WriteUserInteger(kTarvolin, "Alpha", 200);
    TForm1 form(nullptr);
    Connect(form);
    // Where start-up's placement put it.
    form.SetPosition(poDesigned);
    form.SetBounds(100, 200, 300, 460);
    const TRect framedClient{0, 0, form.ClientWidth(), form.ClientHeight()};
    const int dx = (300 - framedClient.Width()) / 2, dy = (460 - framedClient.Height()) - dx;

    // The first hide (at start-up) neither moves nor remembers anything.
    form.Frame().SetFrameVisible(false);
    EXPECT_EQ(form.BoundsRect(), (TRect{100, 200, 400, 660}));
    EXPECT_EQ(ReadInt("divL"), -9999);
    EXPECT_EQ(form.BorderStyle(), bsNone);
    EXPECT_EQ(form.ColorKey(), 8);
    EXPECT_EQ(form.ViewParameters.ColorKeyHtml, "#080000");
    EXPECT_FALSE(form.Tray().Fensterrahmensichtbar1->Checked);
    EXPECT_TRUE(Layered(form));
    EXPECT_EQ(WinUser::WindowOpacity(form.Handle()), 200);
    COLORREF key = 0;
    Byte alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(form.Handle(), &key, &alpha, &flags));
    EXPECT_EQ(key, 8u);
    EXPECT_EQ(flags, LWA_COLORKEY | LWA_ALPHA);
    EXPECT_EQ(form.Color(), 8);
    EXPECT_EQ(form.BuildCount(), 1);

    // The frame goes round the client area where it is, opaque and white.
    form.Frame().SetFrameVisible(true);
    EXPECT_EQ(form.ClientOrigin(), (TPoint{100, 200}));
    EXPECT_EQ(form.BoundsRect().Width(), 300);
    // How far the client area lies inside the framed window, as the platform puts it.
    const int fx = form.ClientOrigin().X - form.Left(), fy = form.ClientOrigin().Y - form.Top();
    EXPECT_GE(fx, 0);
    EXPECT_GE(fy, dy);
    EXPECT_EQ(form.BorderStyle(), bsSizeToolWin);
    EXPECT_EQ(form.ViewParameters.ColorKeyHtml, "#FFFFFF");
    EXPECT_TRUE(form.Tray().Fensterrahmensichtbar1->Checked);
    EXPECT_FALSE(Layered(form));
    EXPECT_EQ(WinUser::WindowOpacity(form.Handle()), 255);

    form.Frame().SetFrameVisible(false);
    EXPECT_EQ(form.BoundsRect(), (TRect{100, 200, 400, 660}));
    EXPECT_EQ(ReadInt("divL"), fx);
    EXPECT_EQ(ReadInt("divT"), fy);
    // Offsets stored by another frame are not taken over.
    WriteUserInteger(kTarvolin, "divL", 50);
    form.Frame().SetFrameVisible(true);
    EXPECT_EQ(form.Left(), 100 - fx);
    EXPECT_EQ(form.Top(), 200 - fy);
    EXPECT_EQ(form.BuildCount(), 4);
    EXPECT_TRUE(form.Visible());
}

TEST_F(WindowFrame, CloseBoxHidesTheFrameASecondLaterAndNeverCloses) {
    TForm1 form(nullptr);
    Connect(form);
    int closes = 0;
    CountCloses(form, closes);
    form.Show();
    form.Perform(WM_CLOSE);
    EXPECT_TRUE(form.Frame().WindowCloseTimer->Enabled());
    EXPECT_EQ(form.Frame().WindowCloseTimer->Interval(), 1000u);
    EXPECT_EQ(closes, 0);
    form.Frame().WindowCloseTimer->SetEnabled(false);
    EXPECT_EQ(form.Perform(WM_SYSCOMMAND, 1), 0);
    EXPECT_TRUE(form.Frame().WindowCloseTimer->Enabled());
    form.Frame().WindowCloseTimer->SetEnabled(false);
    form.Perform(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_TRUE(form.Frame().WindowCloseTimer->Enabled());
    form.Frame().WindowCloseTimerTimer(form.Frame().WindowCloseTimer);
    EXPECT_FALSE(form.Frame().WindowCloseTimer->Enabled());
    EXPECT_FALSE(form.Frame().FrameVisible);
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(closes, 0);
}

TEST_F(WindowFrame, PlacementDefaultsDependOnTheViewAndTheScreen) {
    TForm1 form(nullptr);
    const int sw = Screen->Width(), sh = Screen->Height();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kTarvolin, false));
    reg.DeleteValue("VORLAGE");
    form.Frame().LoadWindowPlacement();
    EXPECT_EQ(ReadInt("VORLAGE"), 1);
    EXPECT_EQ(form.Left(), sw - 310);
    EXPECT_EQ(form.Width(), 290);
    EXPECT_EQ(form.Height(), sh - 40);

    WriteUserInteger(kTarvolin, "VORLAGE", 0);
    form.Frame().LoadWindowPlacement();
    EXPECT_EQ(form.Left(), 20);
    EXPECT_EQ(form.Width(), sw - 150);
    EXPECT_EQ(form.Height(), sh - 50);

    // One value missing: the defaults, all of them.
    WriteUserInteger(kTarvolin, "FormPosLeftMonth", 33);
    WriteUserInteger(kTarvolin, "FormPosWidthMonth", 444);
    form.Frame().LoadWindowPlacement();
    EXPECT_EQ(form.Left(), 20);
    EXPECT_EQ(form.Width(), sw - 150);
    WriteUserInteger(kTarvolin, "FormPosHeightMonth", 555);
    form.Frame().LoadWindowPlacement();
    EXPECT_EQ(form.BoundsRect(), (TRect{33, form.Top(), 33 + 444, form.Top() + 555}));
}

TEST_F(WindowFrame, PlacesAndSizesFromADamagedSettingsFileStayInsideTheWorkArea) {
    const TRect work = Screen->WorkAreaRect();
    TForm1 form(nullptr);
    for (const char* big : {"7fffffff", "80000000", "fffffff0"}) {
        const std::string huge = std::string("dword:") + big;
        dir.write("registry/HKEY_CURRENT_USER.reg",
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin\\Tarvolin]\n"
                  "\"VORLAGE\"=dword:00000001\n\"FormPosLeftNormal\"=" + huge + "\n\"FormPosTopNormal\"=" + huge +
                  "\n\"FormPosWidthNormal\"=" + huge + "\n\"FormPosHeightNormal\"=" + huge + "\n");
        form.Frame().LoadWindowPlacement();
        const TRect r = form.BoundsRect();
        EXPECT_GE(r.Left, work.Left) << big;
        EXPECT_LE(r.Right, work.Right) << big;
        EXPECT_LE(r.Height(), work.Height()) << big;
        // Never below the window's least size.
        EXPECT_GE(r.Width(), 250) << big;
        EXPECT_GE(r.Height(), 400) << big;
    }
}

TEST_F(WindowFrame, PlacementIsSavedForTheViewShown) {
    TForm1 form(nullptr);
    form.SetBounds(11, 22, 333, 444);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kTarvolin, false));
    reg.DeleteValue("VORLAGE");
    // Unreadable view: the month's values.
    form.Frame().SaveWindowPlacement();
    EXPECT_EQ(ReadInt("FormPosTopMonth"), 22);
    EXPECT_EQ(ReadInt("FormPosLeftMonth"), 11);
    EXPECT_EQ(ReadInt("FormPosWidthMonth"), 333);
    EXPECT_EQ(ReadInt("FormPosHeightMonth"), 444);
    EXPECT_EQ(ReadInt("FormPosTopNormal"), -9999);
    WriteUserInteger(kTarvolin, "VORLAGE", 2);
    form.SetBounds(1, 2, 300, 400);
    form.Frame().SaveWindowPlacement();
    EXPECT_EQ(ReadInt("FormPosTopNormal"), 2);
    EXPECT_EQ(ReadInt("FormPosHeightNormal"), 400);
    EXPECT_EQ(ReadInt("FormPosTopMonth"), 22);
}

TEST_F(WindowFrame, ResizingSavesAndRebuildsOnceASecondAfterTheLastChange) {
    TForm1 form(nullptr);
    Connect(form);
    form.SetBounds(10, 20, 300, 400);
    form.Frame().ResizeTimerTimer(form.Frame().ResizeTimer);
    EXPECT_EQ(form.BuildCount(), 0);   // not before start-up has placed the window
    form.Frame().PlacementLoaded = true;
    for (int w : {310, 320, 330}) {
        form.SetBounds(10, 20, w, 400);
        EXPECT_TRUE(form.Frame().ResizeTimer->Enabled());
        Application->ProcessMessages();
    }
    EXPECT_EQ(form.BuildCount(), 0);
    EXPECT_TRUE(WaitUntil([&] { return form.BuildCount() > 0; }, 3000));
    // A little longer: no second save or build follows.
    WaitUntil([] { return false; }, 1300);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_FALSE(form.Frame().ResizeTimer->Enabled());
    EXPECT_EQ(ReadInt("FormPosWidthNormal"), 330);
}

TEST(FadeLimits, LowNotBelowHighGivesTheFixedPair) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv registry{"ZORBELIN_REGISTRY", dir.file("registry")};
    int low = 0, high = 0;
    Fadeing::ReadLimits(low, high);
    EXPECT_EQ(low, 240);
    EXPECT_EQ(high, 255);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kTarvolin, true));
    for (auto [a, b, l, h] : {std::tuple{200, 100, 245, 255}, {250, 250, 245, 255}, {240, 255, 240, 255}, {50, 80, 50, 80},
                               // A damaged file: what the dialog offers, never an invisible window.
                               {0, 30, 245, 255}, {int(0x80000000u), 0x7fffffff, 50, 255}, {-5, 300, 50, 255}}) {
        reg.WriteInteger("Alpha", a);
        reg.WriteInteger("AlphaAktive", b);
        Fadeing::ReadLimits(low, high);
        EXPECT_EQ(low, l) << a << "/" << b;
        EXPECT_EQ(high, h) << a << "/" << b;
    }
}

TEST_F(WindowFrame, FadesRestExactlyAtTheirLimitsAndGoOnFromWhereTheyStopped) {
    WriteUserInteger(kTarvolin, "Alpha", 240);
    WriteUserInteger(kTarvolin, "AlphaAktive", 255);
    RecordedFade f;
    EXPECT_EQ(f.Run(true), (Steps{250, 255}));
    EXPECT_EQ(f.Run(false), (Steps{245, 240}));
    EXPECT_EQ(f.Run(true), (Steps{250, 255}));
    // New limits are read after each fade.
    WriteUserInteger(kTarvolin, "Alpha", 200);
    WriteUserInteger(kTarvolin, "AlphaAktive", 100);
    EXPECT_EQ(f.Run(false), (Steps{245}));
    EXPECT_EQ(f.Run(true), (Steps{255}));
}

TEST_F(WindowFrame, AFadeTurnsRoundAndTakesTheWindowHandedOverWhileItRan) {
    WriteUserInteger(kTarvolin, "Alpha", 100);
    WriteUserInteger(kTarvolin, "AlphaAktive", 250);
    RecordedFade f;
    f.fade.Pause = [](int) { usleep(2000); };
    HWND first = reinterpret_cast<HWND>(std::intptr_t(0x10)), second = reinterpret_cast<HWND>(std::intptr_t(0x20));
    f.fade.Window = first;
    f.fade.Start(true);
    ASSERT_TRUE(testsupport::SleepUntil([&] {
        std::lock_guard<std::mutex> lock(f.mutex);
        return f.steps.size() >= 3;
    }, 20000));
    // While it runs, the main thread hands over another window and turns the fade round.
    f.fade.Window = second;
    f.fade.ColorKey = 0xFFFFFF;
    const Steps steps = f.Run(false);
    ASSERT_GE(steps.size(), 4u);
    EXPECT_GT(*std::max_element(steps.begin(), steps.end()), 100);
    EXPECT_EQ(steps.back(), 100);
    EXPECT_TRUE(std::is_sorted(std::max_element(steps.begin(), steps.end()), steps.end(), std::greater<int>()));
    // The fade that turned round has ended with its one report; nothing runs on after it.
    WaitUntil([] { return false; }, 300);
    std::lock_guard<std::mutex> lock(f.mutex);
    EXPECT_EQ(f.done, 1);
    EXPECT_EQ(f.steps, steps);
    EXPECT_EQ(f.windows.front(), first);
    EXPECT_EQ(f.windows.back(), second);
}

TEST_F(WindowFrame, FadeThreadChangesTheWindowAndTellsWhichWayItWent) {
    WriteUserInteger(kTarvolin, "Alpha", 100);
    WriteUserInteger(kTarvolin, "AlphaAktive", 220);
    TForm1 form(nullptr);
    Connect(form);
    form.Frame().SetFrameVisible(false);
    EXPECT_EQ(WinUser::WindowOpacity(form.Handle()), 100);
    EXPECT_TRUE(form.Frame().FadedOut);
    form.Frame().FadeOut();   // already out: nothing starts
    EXPECT_EQ(form.Frame().FadeThread(), nullptr);
    form.Frame().FadeIn();
    ASSERT_TRUE(WaitUntil([&] { return !form.Frame().FadedOut; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return WinUser::WindowOpacity(form.Handle()) == 220; }, 2000));
    form.Frame().FadeOut();
    ASSERT_TRUE(WaitUntil([&] { return form.Frame().FadedOut; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return WinUser::WindowOpacity(form.Handle()) == 100; }, 2000));
}

TEST_F(WindowFrame, MouseOverFadesOnlyWhenActivationDoesNot) {
    TForm1 form(nullptr);
    TMsg move{nullptr, WM_MOUSEMOVE, 0, 0};
    bool handled = false;
    form.ApplicationEvents1Message(move, handled);
    EXPECT_FALSE(handled);
    EXPECT_TRUE(form.Frame().MouseOverCheck->Enabled());
    EXPECT_EQ(form.Frame().MouseOverCheck->Interval(), 400u);

    form.ViewParameters.FadeOnActivation = true;
    form.Frame().MouseOverCheckTimer(form.Frame().MouseOverCheck);
    EXPECT_FALSE(form.Frame().MouseOverCheck->Enabled());
    EXPECT_EQ(form.Frame().FadeThread(), nullptr);
    form.Frame().ApplicationEvents1Activate(nullptr);
    ASSERT_NE(form.Frame().FadeThread(), nullptr);
    EXPECT_TRUE(form.Frame().FadeThread()->Direction());

    // Without a page under the mouse the window fades out and the check stops.
    TForm1 other(nullptr);
    other.Frame().FadedOut = false;
    other.Frame().MouseOverCheck->SetEnabled(true);
    other.Frame().MouseOverCheckTimer(other.Frame().MouseOverCheck);
    EXPECT_FALSE(other.Frame().MouseOverCheck->Enabled());
    ASSERT_NE(other.Frame().FadeThread(), nullptr);
    EXPECT_FALSE(other.Frame().FadeThread()->Direction());
    other.Frame().ApplicationEvents1Deactivate(nullptr);   // activation does not fade this window
    EXPECT_FALSE(other.Frame().FadeThread()->Direction());
}

TEST_F(WindowFrame, TenFrameCyclesLeaveTheClientAreaAndTheStoredPlaceAsTheyWere) {
    TForm1 form(nullptr);
    Connect(form);
    const TRect work = Screen->WorkAreaRect();
    form.SetPosition(poDesigned);
    form.SetBounds(work.Right - 310, work.Top + 20, 290, std::min(700, work.Height() - 40));
    form.Show();
    // Start-up hides the frame before the place counts.
    form.Frame().SetFrameVisible(false);
    WaitUntil([] { return false; }, 300);
    form.Frame().PlacementLoaded = true;
    form.Frame().SaveWindowPlacement();
    const TRect bounds = form.BoundsRect();
    const TPoint origin = form.ClientOrigin();
    const TRect client = form.ClientRect();
    const auto stored = [&] {
        return std::vector<int>{ReadInt("FormPosLeftNormal"), ReadInt("FormPosTopNormal"),
                                ReadInt("FormPosWidthNormal"), ReadInt("FormPosHeightNormal")};
    };
    const std::vector<int> before = stored();
    ASSERT_EQ(before, (std::vector<int>{bounds.Left, bounds.Top, bounds.Width(), bounds.Height()}));
    for (int cycle = 0; cycle < 10; ++cycle) {
        form.Frame().SetFrameVisible(true);
        WaitUntil([] { return false; }, 100);
        const TRect framed = form.BoundsRect();
        EXPECT_GE(framed.Left, work.Left) << cycle;
        EXPECT_GE(framed.Top, work.Top) << cycle;
        EXPECT_LE(framed.Right, work.Right) << cycle;
        EXPECT_LE(framed.Bottom, work.Bottom) << cycle;
        form.Frame().SetFrameVisible(false);
        // A window manager places the window a moment later.
        WaitUntil([&] { return form.ClientOrigin() == origin; }, 2000);
        EXPECT_EQ(form.ClientOrigin(), origin) << cycle;
        EXPECT_EQ(form.ClientRect(), client) << cycle;
        EXPECT_EQ(form.BoundsRect(), bounds) << cycle;
    }
    // What a change of size stored meanwhile (a second after it) is the place it had.
    WaitUntil([&] { return !form.Frame().ResizeTimer->Enabled(); }, 3000);
    EXPECT_EQ(stored(), before);
}
