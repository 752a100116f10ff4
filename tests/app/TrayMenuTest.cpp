// The tray icon and its callback, the popup menu and its commands, the application hooks and the
// order of shut-down.
#include "AppFixture.h"

#include <fstream>

#include "Graphics.h"
#include "ShellNotify.h"
#include "WinUser.h"

using namespace apptest;

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

class SettingsForm : public CountingForm {
public:
    using CountingForm::CountingForm;
    int result = 1;
    bool modified = true;
    int opened = 0;
    bool itemEnabledWhileOpen = true;
    int ShowSettingsDialog(bool& Modified) override {
        ++opened;
        itemEnabledWhileOpen = Einstellungen1->Enabled;
        Modified = modified;
        return result;
    }
};

class TrayAndMenu : public AppTest {
protected:
    std::string db;
    void SetUp() override {
        AppTest::SetUp();
        LayOutDesign();
        db = LayOutDatabase();
        WriteUserString(kZorbelin, "BENUTZER", "hans");
        WriteUserInteger(kTarvolin, "VORLAGE", 1);
        // The application's own window, which stands for the program when it is minimised.
        Application->Initialize();
    }
    void TearDown() override {
        ShellNotify::SetNotificationAreaForTesting(-1);
        if (AppEvnts::ApplicationMinimized()) AppEvnts::RestoreApplication();
        AppTest::TearDown();
    }
    void Connect(TForm1& form) { form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db)); }
    static std::vector<std::string> Captions(TMenuItem* parent) {
        std::vector<std::string> out;
        for (int i = 0; i < parent->Count(); ++i) out.push_back(parent->Items(i)->Caption());
        return out;
    }
};
} // namespace

TEST_F(TrayAndMenu, TipTellsWhetherAlarmsArePresent) {
    TForm1 form(nullptr);
    EXPECT_EQ(form.TrayTip(), "Zorbelin!");
    form.SetAlarmsPresent(true);
    EXPECT_EQ(form.TrayTip(), "Alarme sind vorhanden");
    EXPECT_LE(form.TrayTip().size(), 63u);
}

TEST_F(TrayAndMenu, IconIsAddedWithoutPictureThenGetsIconAndTipAndGoesWithTheWindow) {
    ShellNotify::SetNotificationAreaForTesting(1);
    std::ofstream(ProgramFolder() + "TaskIcon.xpm")
        << "/* XPM */\nstatic const char *t[] = {\n\"1 1 1 1\",\n\". c #2D6FEA\",\n\".\"};\n";
    auto* form = new TForm1(nullptr);
    const HWND h = form->Handle();
    ASSERT_TRUE(form->TrayIcon(NIM_ADD));
    NOTIFYICONDATA data;
    ASSERT_TRUE(ShellNotify::FindIcon(h, TrayIconId, data));
    EXPECT_EQ(data.uCallbackMessage, WM_TRAYICON);
    EXPECT_EQ(data.hIcon, nullptr);
    EXPECT_STREQ(data.szTip, "");
    ASSERT_TRUE(form->TrayIcon(NIM_MODIFY));
    ShellNotify::FindIcon(h, TrayIconId, data);
    EXPECT_NE(data.hIcon, nullptr);
    EXPECT_STREQ(data.szTip, "Zorbelin!");
    delete form;
    EXPECT_FALSE(ShellNotify::FindIcon(h, TrayIconId, data));
}

TEST_F(TrayAndMenu, WithoutANotificationAreaTheStartRunsOnAndTheIconComesASecondLater) {
    ShellNotify::SetNotificationAreaForTesting(0);
    CountingForm form(nullptr);
    form.FormCreate(&form);
    NOTIFYICONDATA data;
    EXPECT_FALSE(ShellNotify::FindIcon(form.Handle(), TrayIconId, data));
    EXPECT_TRUE(form.PlacementLoaded);
    EXPECT_FALSE(form.FrameVisible);
    // The area the session was still starting is there now: the icon follows on its own.
    ShellNotify::SetNotificationAreaForTesting(1);
    ASSERT_TRUE(WaitUntil([&] { return ShellNotify::FindIcon(form.Handle(), TrayIconId, data); }, 5000));
    EXPECT_STREQ(data.szTip, "Zorbelin!");
}

TEST_F(TrayAndMenu, ClicksOnTheIconBringTheWindowOpenThePlannerOrTheMenu) {
    const std::string planner = LayOutPlanner();
    TForm1 form(nullptr);
    std::vector<TPoint> popups;
    form.PopupAt = [&](int x, int y) { popups.push_back({x, y}); };
    form.Show();
    form.Perform(WM_TRAYICON, TrayIconId, WM_RBUTTONUP);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], Forms::GetCursorPos());

    form.Perform(WM_TRAYICON, TrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(planner); }, 10000));
    EXPECT_EQ(dir.read("planner.txt"), "");

    // A click on the icon of a minimised program brings it back.
    form.minimierenClick(form.minimieren);
    ASSERT_TRUE(AppEvnts::ApplicationMinimized());
    form.Perform(WM_TRAYICON, TrayIconId, WM_LBUTTONUP);
    EXPECT_FALSE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(form.minimieren->Caption(), "Minimieren");
}

TEST_F(TrayAndMenu, MenuHoldsItsItemsInOrder) {
    TForm1 form(nullptr);
    EXPECT_EQ(Captions(form.PopupMenu1->Items()),
              (std::vector<std::string>{"Minimieren", "MS-Agent", "Aufgaben", "Adressen", "Zorbelin!", "Info",
                                        "Optionen", "Beenden"}));
    EXPECT_EQ(Captions(form.Agent1), (std::vector<std::string>{"Zwischenablage vorlesen!"}));
    EXPECT_EQ(Captions(form.Info2), (std::vector<std::string>{"Über", "Hilfe"}));
    EXPECT_EQ(Captions(form.Update1),
              (std::vector<std::string>{"Einstellungen", "Fensterrahmen sichtbar (Größe ändern)"}));
    EXPECT_TRUE(form.Zorbelin1->RadioItem);
    EXPECT_TRUE(form.Ende1->RadioItem);
    EXPECT_EQ(form.PopupMenu1->Alignment, paCenter);
}

TEST_F(TrayAndMenu, RowsAreWiderAndCarryTheBlueBandWithTheNameRunningUp) {
    TForm1 form(nullptr);
    form.SetMenuFont();
    int w = 100, h = 19;
    form.MenuMeasureItem(form.minimieren, nullptr, w, h);
    EXPECT_EQ(w, 115);
    EXPECT_EQ(h, 19);

    const int band = GetSystemMetrics(SM_CXMENUCHECK) + 15;
    const TColor blue = TColor(15363885);
    // The menu's rows one below the other, as the menu shows them.
    std::vector<std::unique_ptr<TBitmap>> rows;
    const auto pixel = [&](int x, int y) { return rows[static_cast<std::size_t>(y / 19)]->Canvas()->Pixels(x, y % 19); };
    TMenuItem* top = form.PopupMenu1->Items();
    form.PopupMenu1Popup(form.PopupMenu1);
    EXPECT_FALSE(form.MenuSideTextDrawn);
    for (int i = 0; i < top->Count(); ++i) {
        rows.push_back(std::make_unique<TBitmap>());
        rows.back()->SetSize(150, 19);
        form.MenuAdvancedDrawItem(top->Items(i), rows.back()->Canvas(), {0, 0, 150, 19},
                                  i == 2 ? TOwnerDrawState{odSelected} : TOwnerDrawState{});
    }
    EXPECT_TRUE(form.MenuSideTextDrawn);
    int white = 0, blueCount = 0;
    int firstWhiteRow = 8 * 19;
    for (int y = 0; y < 8 * 19; ++y) {
        for (int x = 0; x < band; ++x) {
            const TColor c = pixel(x, y);
            if (c == clWhite) {
                ++white;
                firstWhiteRow = std::min(firstWhiteRow, y);
            } else if (c == blue) {
                ++blueCount;
            }
        }
    }
    EXPECT_GT(white, 40);
    EXPECT_GT(blueCount, band * 8 * 19 / 2);
    // " Zorbelin" begins at the bottom and runs up about half the menu.
    EXPECT_GT(firstWhiteRow, 19);
    EXPECT_LT(firstWhiteRow, 8 * 19 - 40);
    // Beside the band the rows are the menu's colour, the chosen one highlighted.
    EXPECT_EQ(pixel(band + 20, 17), Graphics::ColorToRGB(clMenu));
    EXPECT_EQ(pixel(140, 2 * 19 + 17), Graphics::ColorToRGB(clHighlight));
}

TEST_F(TrayAndMenu, MinimiseTogglesAndActsAtOnceAfterAnyRestore) {
    TForm1 form(nullptr);
    form.Show();
    form.minimierenClick(form.minimieren);
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(form.minimieren->Caption(), "Wiederherstellen");
    EXPECT_TRUE(form.Minimized());
    form.minimierenClick(form.minimieren);
    EXPECT_FALSE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(form.minimieren->Caption(), "Minimieren");
    form.minimierenClick(form.minimieren);
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
    // Restored from outside the menu: the next choice minimises at once too.
    ShowWindow(Application->Handle(), SW_RESTORE);
    EXPECT_EQ(form.minimieren->Caption(), "Minimieren");
    EXPECT_FALSE(form.Minimized());
    form.minimierenClick(form.minimieren);
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
}

TEST_F(TrayAndMenu, SettingsWithChangesRebuildAndResetTheFade) {
    SettingsForm form(nullptr);
    Connect(form);
    form.SetAlarmsPresent(true);
    form.FadedOut = false;
    form.FadeOut();
    ASSERT_NE(form.FadeThread(), nullptr);
    WriteUserInteger(kTarvolin, "FormPosTopNormal", 77);
    form.Einstellungen1Click(form.Einstellungen1);
    EXPECT_FALSE(form.itemEnabledWhileOpen);
    EXPECT_TRUE(form.Einstellungen1->Enabled);
    EXPECT_FALSE(form.AlarmsPresent());
    EXPECT_EQ(form.FadeThread(), nullptr);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_EQ(form.Top(), 77);

    form.modified = false;
    form.SetAlarmsPresent(true);
    form.Einstellungen1Click(form.Einstellungen1);
    form.modified = true;
    form.result = 0;
    form.Einstellungen1Click(form.Einstellungen1);
    EXPECT_EQ(form.opened, 3);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_TRUE(form.AlarmsPresent());
}

TEST_F(TrayAndMenu, HooksLogFailuresTakeTheCharactersNotesAndBreakHintLines) {
    TForm1 form(nullptr);
    try {
        throw SysUtils::Exception("Menübefehl fehlgeschlagen");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(dir.read("temp/tarvolindebug.log"), "Menübefehl fehlgeschlagen");
    EXPECT_TRUE(dialogs.empty());

    TMsg msg{nullptr, WM_AGENTIDLESTART, 0, 0};
    bool handled = false;
    form.ApplicationEvents1Message(msg, handled);
    EXPECT_TRUE(handled);
    EXPECT_TRUE(form.AgentIdle);
    EXPECT_EQ(form.AgentIdleTicks, 4);
    msg.message = WM_AGENTIDLEEND;
    form.ApplicationEvents1Message(msg, handled);
    EXPECT_FALSE(form.AgentIdle);
    msg.message = WM_AGENTHIDDEN;
    form.ApplicationEvents1Message(msg, handled);
    EXPECT_TRUE(form.StopSpeaking);

    AnsiString hint = "Zeile1@Zeile2@";
    bool show = true;
    THintInfo info;
    ASSERT_TRUE(Application->OnShowHint);
    Application->OnShowHint(hint, show, info);
    EXPECT_EQ(hint, "Zeile1\rZeile2\r");
}

TEST_F(TrayAndMenu, ClosingSavesThePlaceEachTimeButShutsDownOnce) {
    CountingForm form(nullptr);
    Connect(form);
    form.ADOConnection1->SetConnected(true);
    form.AgentLoaded = true;
    form.Timer1->SetEnabled(true);
    form.SetBounds(5, 6, 300, 500);
    form.Ende1Click(form.Ende1);
    EXPECT_TRUE(form.ShutDownDone());
    EXPECT_EQ(form.unloads, 1);
    EXPECT_FALSE(form.ADOConnection1->Connected());
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_TRUE(form.StopSpeaking);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(reg.ReadInteger("FormPosLeftNormal"), 5);

    form.AgentLoaded = true;
    form.SetBounds(9, 6, 300, 500);
    TCloseAction action = caHide;
    form.FormClose(&form, action);
    EXPECT_EQ(form.unloads, 1);
    TRegistry again;
    ASSERT_TRUE(again.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(again.ReadInteger("FormPosLeftNormal"), 9);
}

TEST_F(TrayAndMenu, SessionEndClosesTheWindowAndAgrees) {
    CountingForm form(nullptr);
    Connect(form);
    form.Timer1->SetEnabled(true);
    EXPECT_EQ(form.Perform(WM_QUERYENDSESSION), 1);
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_TRUE(form.ShutDownDone());
    EXPECT_EQ(form.Perform(WM_ENDSESSION, 1), 1);
}
