// The start-up splash with its progress, and the about box.
#include "AppFixture.h"

#include "ExtCtrls.h"
#include "GraphicsQt.h"
#include "VclPrivate.h"
#include "Splash1.h"
#include "WinUser.h"

using namespace apptest;

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";

class Splash : public AppTest {
protected:
    std::string db;
    void SetUp() override {
        AppTest::SetUp();
        LayOutDesign();
        db = LayOutDatabase();
        WriteUserString(kZorbelin, "BENUTZER", "hans");
    }
    void Connect(TForm1& form) { form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db)); }
};
} // namespace

TEST_F(Splash, SitsInTheCornerOfTheWorkAreaAndTurnsTranslucentAfterATenthOfASecond) {
    TSplashScreen splash(nullptr);
    const TRect work = Screen->WorkAreaRect();
    EXPECT_EQ(splash.ClientWidth(), 249);
    EXPECT_EQ(splash.ClientHeight(), 96);
    EXPECT_EQ(splash.BorderStyle(), bsNone);
    EXPECT_EQ(splash.Left(), work.Right - 249 - 5);
    EXPECT_EQ(splash.Top(), work.Bottom - 96 - 5);
    // The title a window list or task switcher shows is the program's name.
    EXPECT_EQ(splash.Caption(), "Zorbelin");
    EXPECT_EQ(Vcl::Detail::HandleWidget(&splash)->window()->windowTitle().toStdString(), "Zorbelin");
    EXPECT_EQ(GetWindowLong(splash.Handle(), GWL_EXSTYLE) & (WS_EX_TOOLWINDOW | WS_EX_LAYERED),
              WS_EX_TOOLWINDOW | WS_EX_LAYERED);
    EXPECT_EQ(WinUser::WindowOpacity(splash.Handle()), 0);
    EXPECT_TRUE(splash.Timer1->Enabled());
    EXPECT_EQ(splash.Timer1->Interval(), 100u);
    splash.Show();
    ASSERT_TRUE(WaitUntil([&] { return !splash.Timer1->Enabled(); }, 3000));
    EXPECT_EQ(WinUser::WindowOpacity(splash.Handle()), 185);
    COLORREF key = 1;
    DWORD flags = 0;
    GetLayeredWindowAttributes(splash.Handle(), &key, nullptr, &flags);
    EXPECT_EQ(flags, LWA_ALPHA);
    EXPECT_EQ(splash.Label1->Caption(), "Zorbelin");
    // A click on it hides it (and ends the about box).
    splash.HTMLabel1Click(splash.HTMLabel1);
    EXPECT_FALSE(splash.Visible());
    EXPECT_EQ(splash.ModalResult(), mrOk);
}

TEST_F(Splash, ReportsCountUpOnTheBarUntilTheFirstPageRemovesTheSplash) {
    TForm1 form(nullptr, nullptr, new TSplashScreen(nullptr));
    Connect(form);
    TSplashScreen*& SplashScreen = form.SplashScreen;
    EXPECT_EQ(SplashScreen->Label2->Caption(), std::string("Version ") + ZB_PROJECT_VERSION);
    TSplashScreen* const splash = SplashScreen;
    SplashScreen = nullptr;
    form.SetSplashStatus("vorher");   // no splash: nothing happens, not even the count
    SplashScreen = splash;
    form.SetSplashStatus("initialisieren...");
    EXPECT_EQ(SplashScreen->Progress->Max(), 12);
    EXPECT_EQ(SplashScreen->Progress->Position(), 0);
    form.SetSplashStatus("Datenbank öffnen");
    EXPECT_EQ(SplashScreen->Progress->Position(), 1);
    EXPECT_EQ(SplashScreen->Message->Caption(), "Datenbank öffnen");
    // The flat bar of blocks running from the band's blue to silver, in a lowered bevel.
    EXPECT_EQ(SplashScreen->Progress->Style(), sExRectangles);
    EXPECT_EQ(SplashScreen->Progress->BeginColor(), TColor(15363885));
    EXPECT_EQ(SplashScreen->Progress->EndColor(), clSilver);
    EXPECT_EQ(SplashScreen->Progress->BevelOuter(), bvLowered);
    EXPECT_GT(SplashScreen->Progress->FilledRect(1).Width(), 0);
    SplashScreen->Progress->SetPosition(12);
    SplashScreen->Show();
    Application->ProcessMessages();
    const QImage shot = Vcl::Detail::HandleWidget(SplashScreen->Progress)->grab().toImage();
    // Filled to the end: blue blocks at the start, near silver at the end.
    EXPECT_EQ(GraphicsQt::FromQColor(shot.pixelColor(4, 4)), TColor(15363885));
    int silvery = 0;
    for (int x = 160; x < 213; ++x) {
        const TColor c = GraphicsQt::FromQColor(shot.pixelColor(x, 4));
        if ((c & 0xFF) > 0x90 && ((c >> 8) & 0xFF) > 0x90) ++silvery;
    }
    EXPECT_GT(silvery, 10);
    SplashScreen->Progress->SetPosition(1);

    // The builder's own reports arrive while the window waits for it.
    form.RebuildCalendar(SysUtils::Date(), false);
    form.RunningBuilder()->WaitFor();
    ASSERT_NE(SplashScreen, nullptr);
    EXPECT_GE(SplashScreen->Progress->Position(), 3);
    EXPECT_EQ(SplashScreen->Message->Caption(), "Tarvolin erzeugen...");
    form.RebuildCalendar(SysUtils::Date(), true);
    EXPECT_EQ(SplashScreen, nullptr);
    form.SetSplashStatus("danach");
    EXPECT_EQ(SplashScreen, nullptr);
}

TEST_F(Splash, AboutBoxShowsPictureAndVersionOnlyAndSurvivesAWaitedBuild) {
    // The box ends by a click on it alone.
    Dialogs::SetDialogAnswerer(nullptr);
    TForm1 form(nullptr);
    Connect(form);
    std::vector<std::string> seen;
    TTimer click(nullptr);
    click.SetEnabled(false);
    click.SetInterval(50);
    form.OnAboutShown = [&](TSplashScreen* box) {
        EXPECT_FALSE(form.Tray().Info1->Enabled);
        EXPECT_EQ(form.AboutBox(), box);
        EXPECT_FALSE(box->Visible());
        for (TControl* c : std::initializer_list<TControl*>{box->Progress, box->Label1, box->Label2, box->Message})
            EXPECT_EQ(c->Top(), 200);
        for (int i = 0; i < box->HTMLabel1->HTMLText()->Count(); ++i)
            seen.push_back(box->HTMLabel1->HTMLText()->Strings(i));
        click.OnTimer = [&, box](TObject*) {
            click.SetEnabled(false);
            // A page asked for meanwhile does not take the box away.
            form.RebuildCalendar(SysUtils::Now(), true);
            EXPECT_EQ(form.AboutBox(), box);
            EXPECT_TRUE(box->Visible());
            box->HTMLabel1Click(box->HTMLabel1);
        };
        click.SetEnabled(true);
    };
    form.Tray().Info1->Click();
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[0], "<P align=\"center\"><FONT color=\"#FFFFFF\" face=\"Tahoma\" FONT size=\"10\">");
    EXPECT_EQ(seen[1], "<br><B>Zorbelin</B>");
    EXPECT_EQ(seen[2], "</b></FONT></P>");
    EXPECT_EQ(seen[3], "<P align=\"center\"><FONT color=\"#FFFFFF\" face=\"Tahoma\" FONT size=\"8\">Version ");
    // The version the build gave the program, as its version label reads it.
    EXPECT_EQ(seen[4], ZB_PROJECT_VERSION);
    EXPECT_EQ(form.fshVersionLabel1->Caption(), std::string("Version: ") + ZB_PROJECT_VERSION);
    EXPECT_EQ(seen[5], "<br>");
    EXPECT_EQ(seen[6].substr(seen[6].size() - 11), "</FONT></P>");
    EXPECT_EQ(form.AboutBox(), nullptr);
    EXPECT_TRUE(form.Tray().Info1->Enabled);
    EXPECT_EQ(form.BuildCount(), 1);
}

TEST_F(Splash, AboutBoxHeadingIsNotCrossedByALine) {
    Dialogs::SetDialogAnswerer(nullptr);
    TForm1 form(nullptr);
    Connect(form);
    QImage shot;
    TTimer click(nullptr);
    click.SetEnabled(false);
    click.SetInterval(50);
    form.OnAboutShown = [&](TSplashScreen* box) {
        click.OnTimer = [&, box](TObject*) {
            click.SetEnabled(false);
            box->Repaint();
            shot = Vcl::Detail::HandleWidget(box)->grab().toImage();
            box->HTMLabel1Click(box->HTMLabel1);
        };
        click.SetEnabled(true);
    };
    form.Tray().Info1->Click();
    ASSERT_FALSE(shot.isNull());
    if (const char* folder = std::getenv("ZB_SCREENSHOTS")) shot.save(QString(folder) + "/about.png");
    // The heading: the first rows from the top with the white text in them.
    auto white = [&](int y) {
        for (int x = 0; x < shot.width(); ++x)
            if (qGray(shot.pixel(x, y)) > 220) return true;
        return false;
    };
    int top = 0;
    while (top < shot.height() && !white(top)) ++top;
    int bottom = top;
    while (bottom < shot.height() && white(bottom)) ++bottom;
    ASSERT_LT(top, 40);
    ASSERT_GT(bottom - top, 6);
    // Left of the text the picture runs on evenly through the heading's rows: no line crosses it.
    const int before = qGray(shot.pixel(3, top - 2));
    for (int y = top - 1; y <= bottom; ++y)
        EXPECT_LT(std::abs(qGray(shot.pixel(3, y)) - before), 12) << "a line in row " << y << " of the heading "
                                                                 << top << ".." << bottom;
}
