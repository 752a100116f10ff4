// The tray icon and its callback, the popup menu and its commands, the application hooks and the
// order of shut-down.
#include "AppFixture.h"

#include <fstream>
#include <set>

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QObject>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include "Graphics.h"
#include "ShellNotify.h"
#include "VersionInfo.h"
#include "WinUser.h"
#include "htmlhint.h"

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
        itemEnabledWhileOpen = Tray().Einstellungen1->Enabled;
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
    EXPECT_EQ(form.Tray().TrayTip(), "Zorbelin!");
    form.SetAlarmsPresent(true);
    EXPECT_EQ(form.Tray().TrayTip(), "Alarme sind vorhanden");
    EXPECT_LE(form.Tray().TrayTip().size(), 63u);
}

TEST_F(TrayAndMenu, IconIsAddedWithoutPictureThenGetsIconAndTipAndGoesWithTheWindow) {
    ShellNotify::SetNotificationAreaForTesting(1);
    std::ofstream(ProgramFolder() + "TaskIcon.xpm")
        << "/* XPM */\nstatic const char *t[] = {\n\"1 1 1 1\",\n\". c #2D6FEA\",\n\".\"};\n";
    auto* form = new TForm1(nullptr);
    const HWND h = form->Handle();
    ASSERT_TRUE(form->Tray().TrayIcon(NIM_ADD));
    NOTIFYICONDATA data;
    ASSERT_TRUE(ShellNotify::FindIcon(h, TrayIconId, data));
    EXPECT_EQ(data.uCallbackMessage, WM_TRAYICON);
    EXPECT_EQ(data.hIcon, nullptr);
    EXPECT_STREQ(data.szTip, "");
    // Not shown as a blank before it has its picture.
    ASSERT_NE(ShellNotify::TrayObject(h, TrayIconId), nullptr);
    EXPECT_FALSE(ShellNotify::TrayObject(h, TrayIconId)->property("visible").toBool());
    ASSERT_TRUE(form->Tray().TrayIcon(NIM_MODIFY));
    ShellNotify::FindIcon(h, TrayIconId, data);
    EXPECT_NE(data.hIcon, nullptr);
    EXPECT_STREQ(data.szTip, "Zorbelin!");
    EXPECT_TRUE(ShellNotify::TrayObject(h, TrayIconId)->property("visible").toBool());
    delete form;
    EXPECT_FALSE(ShellNotify::FindIcon(h, TrayIconId, data));
}

TEST_F(TrayAndMenu, WithoutANotificationAreaTheStartRunsOnAndTheIconComesOnceTheAreaIsThere) {
    ShellNotify::SetNotificationAreaForTesting(0);
    CountingForm form(nullptr);
    form.FormCreate(&form);
    NOTIFYICONDATA data;
    EXPECT_FALSE(ShellNotify::FindIcon(form.Handle(), TrayIconId, data));
    EXPECT_TRUE(form.Frame().PlacementLoaded);
    EXPECT_FALSE(form.Frame().FrameVisible);
    // The page covers the window: its background is never painted.
    EXPECT_EQ(form.Brush()->Style(), bsClear);
    // The session starts its area a few seconds later; then the icon follows on its own.
    const auto later = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    WaitUntil([&] { return std::chrono::steady_clock::now() >= later; });
    EXPECT_FALSE(ShellNotify::FindIcon(form.Handle(), TrayIconId, data));
    ShellNotify::SetNotificationAreaForTesting(1);
    ASSERT_TRUE(WaitUntil([&] { return ShellNotify::FindIcon(form.Handle(), TrayIconId, data); }));
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
    form.Tray().minimieren->Click();
    ASSERT_TRUE(AppEvnts::ApplicationMinimized());
    form.Perform(WM_TRAYICON, TrayIconId, WM_LBUTTONUP);
    EXPECT_FALSE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(form.Tray().minimieren->Caption(), "Minimieren");
}

TEST_F(TrayAndMenu, MenuHoldsItsItemsInOrder) {
    TForm1 form(nullptr);
    EXPECT_EQ(Captions(form.Tray().PopupMenu1->Items()),
              (std::vector<std::string>{"Minimieren", "MS-Agent", "Aufgaben", "Adressen", "Zorbelin!", "Info",
                                        "Optionen", "Beenden"}));
    EXPECT_EQ(Captions(form.Tray().Agent1), (std::vector<std::string>{"Zwischenablage vorlesen!"}));
    EXPECT_EQ(Captions(form.Tray().Info2), (std::vector<std::string>{"Über", "Hilfe"}));
    EXPECT_EQ(Captions(form.Tray().Update1),
              (std::vector<std::string>{"Einstellungen", "Fensterrahmen sichtbar (Größe ändern)"}));
    EXPECT_TRUE(form.Tray().Zorbelin1->RadioItem);
    EXPECT_TRUE(form.Tray().Ende1->RadioItem);
    EXPECT_EQ(form.Tray().PopupMenu1->Alignment, paCenter);
}

TEST_F(TrayAndMenu, RowsCarryTheirPicturesBesideOneWholeBandWithTheNameRunningUp) {
    // The pictures the build lays beside the program.
    std::filesystem::copy(std::string(ZB_PROGRAM_DIR) + "/Bilder", dir.path() / "program" / "Bilder");
    TForm1 form(nullptr);
    ASSERT_EQ(form.Tray().ImageList1->Count(), 4);
    EXPECT_EQ(form.Tray().PopupMenu1->Images(), form.Tray().ImageList1);
    form.Tray().SetMenuFont();
    int w = 100, h = 19;
    form.Tray().MenuMeasureItem(form.Tray().minimieren, nullptr, w, h);
    EXPECT_EQ(w, 100 + 15 + 16 + 4);
    EXPECT_EQ(h, 19);

    const int band = GetSystemMetrics(SM_CXMENUCHECK) + 15;
    const TColor blue = TColor(15363885);
    // The menu as one surface, its rows one below the other, as the menu draws them.
    TMenuItem* top = form.Tray().PopupMenu1->Items();
    const int rows = top->Count();
    TBitmap menu;
    menu.SetSize(170, rows * 19);
    const auto draw = [&](int i, TOwnerDrawState state) {
        form.Tray().MenuAdvancedDrawItem(top->Items(i), menu.Canvas(), {0, 19 * i, 170, 19 * i + 19}, state);
    };
    form.Tray().PopupMenu1Popup(form.Tray().PopupMenu1);
    EXPECT_FALSE(form.Tray().MenuSideTextDrawn());
    for (int i = 0; i < rows; ++i) draw(i, {});
    EXPECT_TRUE(form.Tray().MenuSideTextDrawn());
    // Choosing a row draws it again alone: the band stays whole.
    draw(2, TOwnerDrawState{odSelected});
    const auto pixel = [&](int x, int y) { return menu.Canvas()->Pixels(x, y); };
    int white = 0, firstWhiteRow = rows * 19;
    for (int y = 0; y < rows * 19; ++y) {
        // The band (its colour, or its letters) from the top of the menu to its bottom.
        EXPECT_NE(pixel(1, y), Graphics::ColorToRGB(clMenu)) << y;
        EXPECT_EQ(pixel(band - 9, y), blue) << y;
        for (int x = 0; x < band - 8; ++x) {
            if (pixel(x, y) == clWhite) {
                ++white;
                firstWhiteRow = std::min(firstWhiteRow, y);
            }
        }
    }
    EXPECT_GT(white, 40);
    // " Zorbelin" begins at the bottom and runs up about half the menu.
    EXPECT_GT(firstWhiteRow, 19);
    EXPECT_LT(firstWhiteRow, rows * 19 - 40);
    // Beside the band the rows are the menu's colour, the chosen one highlighted; "Aufgaben" shows
    // its picture, "Minimieren" none.
    EXPECT_EQ(pixel(band + 40, 17), Graphics::ColorToRGB(clMenu));
    EXPECT_EQ(pixel(160, 2 * 19 + 17), Graphics::ColorToRGB(clHighlight));
    const int picture = GetSystemMetrics(SM_CXMENUCHECK) + 10;
    const auto colours = [&](int row) {
        std::set<TColor> seen;
        for (int y = 19 * row + 2; y < 19 * row + 17; ++y)
            for (int x = picture; x < picture + 16; ++x) seen.insert(pixel(x, y));
        return seen.size();
    };
    EXPECT_GT(colours(2), 3u);
    EXPECT_EQ(colours(0), 1u);
}

// The user opens the menu and rests on "Info" and "Optionen": "Über", "Hilfe" and "Einstellungen"
// show their own pictures beside their captions.
TEST_F(TrayAndMenu, SubmenuItemsShowTheirOwnPictures) {
    TForm1 form(nullptr);
    std::vector<QImage> submenus;
    QTimer::singleShot(50, [&] {
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr);
        for (TMenuItem* over : {form.Tray().Info2, form.Tray().Update1}) {
            const QPoint at(60, 1 + 19 * over->MenuIndex() + 9);
            QMouseEvent move(QEvent::MouseMove, QPointF(at), menu->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(menu, &move);
            QWidget* opened = QApplication::activePopupWidget();
            if (opened && opened != menu) submenus.push_back(opened->grab().toImage());
        }
        menu->close();
    });
    form.Tray().PopupMenu1->Popup(300, 300);
    ASSERT_EQ(submenus.size(), 2u);
    // The picture beside row `row` (1 pixel of frame, rows 19 high, the picture 2 pixels in).
    const auto count = [](const QImage& img, int row, QColor colour) {
        int n = 0;
        for (int y = 1 + 19 * row; y < 1 + 19 * row + 19; ++y)
            for (int x = 3; x < 19; ++x) n += img.pixelColor(x, y).rgb() == colour.rgb();
        return n;
    };
    EXPECT_GT(count(submenus[0], 0, QColor(0, 0, 255)), 40) << "Über: the blue sign";
    EXPECT_GT(count(submenus[0], 1, QColor(0, 128, 128)), 40) << "Hilfe: the teal sign";
    EXPECT_GT(count(submenus[1], 0, QColor(128, 128, 128)), 20) << "Einstellungen: the cog's teeth";
    for (const QImage& sub : submenus) EXPECT_EQ(count(sub, 0, QColor(255, 0, 255)) + count(sub, 1, QColor(255, 0, 255)), 0);
}

TEST_F(TrayAndMenu, HelpAndAddressBookSayWhatIsMissing) {
    TForm1 form(nullptr);
    form.Tray().Hilfe->Click();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dialogs[0].text.find("Die Hilfedatei \"zbhelp.chm\" wurde im Programmordner"), std::string::npos);
    form.Tray().Adressen1->Click();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_NE(dialogs[1].text.find("Das Adressbuch \"brunvex\""), std::string::npos);

    // A help viewer that takes a topic gets it; the address book starts in the program folder.
    std::filesystem::create_directories(dir.path() / "bin");
    const std::string args = dir.file("viewer.txt");
    for (const char* name : {"bin/kchmviewer", "program/brunvex"}) {
        const std::string script = dir.file(name);
        std::ofstream(script) << "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > " << args
                              << ".part\nmv " << args << ".part " << args << "\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    }
    dir.write("program/zbhelp.chm", "ITSF");
    testsupport::ScopedEnv path{"PATH", dir.str() + "bin:/usr/bin:/bin"};
    form.Tray().Hilfe->Click();
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(args); }, 10000));
    EXPECT_EQ(dialogs.size(), 2u);
    const std::string shown = dir.read("viewer.txt");
    EXPECT_NE(shown.find("-showPage\nzorbelin.htm\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("program/zbhelp.chm\n"), std::string::npos) << shown;
    std::filesystem::remove(args);
    form.Tray().Adressen1->Click();
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(args); }, 10000));
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dir.read("viewer.txt"), dir.str() + "program\n");
}

TEST_F(TrayAndMenu, MainWindowCarriesItsSizeLimitVersionAndHintWindow) {
    TForm1 form(nullptr);
    form.SetBounds(0, 0, 100, 100);
    EXPECT_EQ(form.Width(), 250);
    EXPECT_EQ(form.Height(), 400);
    EXPECT_EQ(form.fshVersionLabel1->Caption(), std::string("Version: ") + ZB_PROJECT_VERSION);
    TFileVersionInfo info;
    ASSERT_TRUE(VersionInfo::GetFileVersion(SysUtils::ParamStr(0), info));
    EXPECT_EQ(info.Strings["CompanyName"], "Hallowerk");
    EXPECT_EQ(info.Strings["FileDescription"], "Tarvolin für Zorbelin");
    // Hints of the whole program are the main window's HTML hints.
    Application->SetMainForm(&form);
    ASSERT_TRUE(Application->HintWindowClass);
    std::unique_ptr<THintWindow> made(Application->HintWindowClass(nullptr));
    auto* window = dynamic_cast<THTMLHintWindow*>(made.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->FindHintControl(), form.HTMLHint1);
    EXPECT_EQ(form.HTMLHint1->HintFont()->Name(), "Tahoma");
    EXPECT_TRUE(form.HTMLHint1->Ellipsis());
    Application->SetMainForm(nullptr);
}

TEST_F(TrayAndMenu, MinimiseTogglesAndActsAtOnceAfterAnyRestore) {
    TForm1 form(nullptr);
    form.Show();
    form.Tray().minimieren->Click();
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(form.Tray().minimieren->Caption(), "Wiederherstellen");
    EXPECT_TRUE(form.Minimized());
    form.Tray().minimieren->Click();
    EXPECT_FALSE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(form.Tray().minimieren->Caption(), "Minimieren");
    form.Tray().minimieren->Click();
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
    // Restored from outside the menu: the next choice minimises at once too.
    ShowWindow(Application->Handle(), SW_RESTORE);
    EXPECT_EQ(form.Tray().minimieren->Caption(), "Minimieren");
    EXPECT_FALSE(form.Minimized());
    form.Tray().minimieren->Click();
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
}

namespace {
void SendButton(QWidget* menu, QEvent::Type type, Qt::MouseButton button, QPoint global) {
    const QPoint local = menu->mapFromGlobal(global);
    QMouseEvent e(type, QPointF(local), QPointF(global), button,
                  type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(menu, &e);
}
} // namespace

TEST_F(TrayAndMenu, RightClicksOnTheIconMinimiseAndRestoreButNeverEndTheProgram) {
    TForm1 form(nullptr);
    int closes = 0;
    CountCloses(form, closes);
    form.Show();
    // The icon low on the screen: the menu opens above the pointer, its last row "Beenden" under it.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint icon(area.center().x(), area.y() + area.height() - 3);
    QCursor::setPos(icon);
    std::vector<std::string> offered;
    bool minimisedWhileOpen = false;
    // The menu opens on the press of the right button; its release comes while the menu is open.
    const auto rightClickAndChooseFirstRow = [&] {
        QTimer::singleShot(50, [&] {
            QWidget* menu = QApplication::activePopupWidget();
            ASSERT_NE(menu, nullptr);
            ASSERT_TRUE(menu->frameGeometry().contains(icon));
            offered.push_back(form.Tray().minimieren->Caption());
            minimisedWhileOpen = AppEvnts::ApplicationMinimized();
            SendButton(menu, QEvent::MouseButtonRelease, Qt::RightButton, icon);
            // Still open: the user clicks the first row.
            ASSERT_EQ(QApplication::activePopupWidget(), menu);
            const QPoint first = menu->mapToGlobal(QPoint(menu->width() / 2, 10));
            SendButton(menu, QEvent::MouseButtonPress, Qt::LeftButton, first);
            SendButton(menu, QEvent::MouseButtonRelease, Qt::LeftButton, first);
        });
        form.Perform(WM_TRAYICON, TrayIconId, WM_RBUTTONUP);
    };

    rightClickAndChooseFirstRow();
    EXPECT_EQ(closes, 0);
    EXPECT_FALSE(form.ShutDownDone());
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(form.Tray().minimieren->Caption(), "Wiederherstellen");
    // Opening the menu leaves the program minimised: the item offers to bring it back.
    rightClickAndChooseFirstRow();
    EXPECT_EQ(offered, (std::vector<std::string>{"Minimieren", "Wiederherstellen"}));
    EXPECT_TRUE(minimisedWhileOpen);
    EXPECT_FALSE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(form.Tray().minimieren->Caption(), "Minimieren");
    rightClickAndChooseFirstRow();
    EXPECT_TRUE(AppEvnts::ApplicationMinimized());
    EXPECT_EQ(closes, 0);
    EXPECT_FALSE(form.ShutDownDone());
}

// The user opens the menu, rests on "Optionen" and clicks "Einstellungen": the window's command
// runs, with the row greyed while the dialog is open.
TEST_F(TrayAndMenu, ARowChosenInTheOpenMenuRunsTheWindowsCommand) {
    SettingsForm form(nullptr);
    form.modified = false;
    TTrayMenu& tray = form.Tray();
    QTimer::singleShot(50, [&] {
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr);
        const QPoint over(60, 1 + 19 * tray.Update1->MenuIndex() + 9);
        QMouseEvent move(QEvent::MouseMove, QPointF(over), menu->mapToGlobal(QPointF(over)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(menu, &move);
        QWidget* options = QApplication::activePopupWidget();
        ASSERT_TRUE(options && options != menu);
        const QPoint row = options->mapToGlobal(QPoint(options->width() / 2, 1 + 19 * tray.Einstellungen1->MenuIndex() + 9));
        SendButton(options, QEvent::MouseButtonPress, Qt::LeftButton, row);
        SendButton(options, QEvent::MouseButtonRelease, Qt::LeftButton, row);
    });
    tray.PopupMenu1->Popup(300, 300);
    ASSERT_TRUE(WaitUntil([&] { return form.opened > 0; }, 5000));
    EXPECT_EQ(form.opened, 1);
    EXPECT_FALSE(form.itemEnabledWhileOpen);
    EXPECT_TRUE(tray.Einstellungen1->Enabled);
}

TEST_F(TrayAndMenu, SettingsWithChangesRebuildAndResetTheFade) {
    SettingsForm form(nullptr);
    Connect(form);
    form.SetAlarmsPresent(true);
    form.Frame().FadedOut = false;
    form.Frame().FadeOut();
    ASSERT_NE(form.Frame().FadeThread(), nullptr);
    // A top at which the window (the view's default height) stays inside the work area.
    WriteUserInteger(kTarvolin, "FormPosTopNormal", 33);
    form.Tray().Einstellungen1->Click();
    EXPECT_FALSE(form.itemEnabledWhileOpen);
    EXPECT_TRUE(form.Tray().Einstellungen1->Enabled);
    EXPECT_FALSE(form.AlarmsPresent());
    EXPECT_EQ(form.Frame().FadeThread(), nullptr);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_EQ(form.Top(), 33);

    form.modified = false;
    form.SetAlarmsPresent(true);
    form.Tray().Einstellungen1->Click();
    form.modified = true;
    form.result = 0;
    form.Tray().Einstellungen1->Click();
    EXPECT_EQ(form.opened, 3);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_TRUE(form.AlarmsPresent());
}

TEST_F(TrayAndMenu, HooksLogFailuresAndBreakHintLines) {
    TForm1 form(nullptr);
    try {
        throw SysUtils::Exception("Menübefehl fehlgeschlagen");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(dir.read("temp/tarvolindebug.log"), "Menübefehl fehlgeschlagen");
    EXPECT_TRUE(dialogs.empty());

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
    form.Character().AgentLoaded = true;
    form.DayClock().Timer1->SetEnabled(true);
    form.SetBounds(5, 6, 300, 500);
    form.Tray().Ende1->Click();
    EXPECT_TRUE(form.ShutDownDone());
    EXPECT_EQ(form.unloads, 1);
    EXPECT_FALSE(form.ADOConnection1->Connected());
    EXPECT_FALSE(form.DayClock().Timer1->Enabled());
    EXPECT_TRUE(form.Character().StopSpeaking);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(reg.ReadInteger("FormPosLeftNormal"), 5);

    form.Character().AgentLoaded = true;
    form.SetBounds(9, 6, 300, 500);
    TCloseAction action = caHide;
    form.FormClose(&form, action);
    EXPECT_EQ(form.unloads, 1);
    TRegistry again;
    ASSERT_TRUE(again.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(again.ReadInteger("FormPosLeftNormal"), 9);
}

TEST_F(TrayAndMenu, TheSessionsQueryKeepsThePlacesAndOnlyItsEndClosesTheWindow) {
    CountingForm form(nullptr);
    Connect(form);
    form.DayClock().Timer1->SetEnabled(true);
    form.SetBounds(7, 8, 300, 500);
    // Asked whether the session may end (or only saved): it agrees and keeps its place, and goes on.
    EXPECT_EQ(form.Perform(WM_QUERYENDSESSION), 1);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
        EXPECT_EQ(reg.ReadInteger("FormPosLeftNormal"), 7);
    }
    EXPECT_TRUE(form.DayClock().Timer1->Enabled());
    EXPECT_FALSE(form.ShutDownDone());
    // The session goes on.
    form.Perform(WM_ENDSESSION, FALSE);
    EXPECT_FALSE(form.ShutDownDone());
    // The session ends.
    form.Perform(WM_ENDSESSION, TRUE);
    EXPECT_FALSE(form.DayClock().Timer1->Enabled());
    EXPECT_TRUE(form.ShutDownDone());
}
