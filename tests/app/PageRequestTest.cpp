// Page requests: the 5-second tick, the minute tick, day changes, other programs' refresh flag and
// the calendar's user.
#include "PeakMemory.h"
#include "AppFixture.h"

#include "ADODB.h"
#include "FileRights.h"
#include "HeldLock.h"

#include <chrono>
#include <sys/resource.h>

#include "TarvolinEinstellung.h"
#include "WinApi.h"

using namespace apptest;

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";

class PageRequests : public AppTest {
protected:
    std::string db;
    void SetUp() override {
        AppTest::SetUp();
        LayOutDesign();
        db = LayOutDatabase();
        WriteUserString(kZorbelin, "BENUTZER", "hans");
    }
    // The window as start-up leaves it for the ticks, without a browser.
    void Connect(TForm1& form) { form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db)); }

    int Count(const std::string& sql) {
        TADODataSet ds(nullptr);
        ds.SetConnectionString(ZorbelinConnectionString(db));
        ds.SetCommandText(sql);
        ds.Open();
        return ds.RecordCount();
    }
    void Execute(const std::string& sql) {
        TADOCommand c(nullptr);
        c.SetConnectionString(ZorbelinConnectionString(db));
        c.SetCommandText(sql);
        c.Execute();
    }
    static void Finish(TForm1& form) {
        if (form.RunningBuilder()) form.RunningBuilder()->WaitFor();
    }
    // The build that runs has ended, and so has one asked for while it ran (whose start frees the
    // first builder, so it is not waited for on that builder).
    static void Settle(TForm1& form) {
        for (int round = 0; round < 2; ++round) {
            EXPECT_TRUE(WaitUntil([&] { return !form.RunningBuilder() || form.RunningBuilder()->Finished(); }));
            for (int i = 0; i < 5; ++i) Application->ProcessMessages();
        }
    }
};
} // namespace

TEST_F(PageRequests, EveryTickLooksAtTheSayingsAndTheTimeAndEachMinuteOnceForReminders) {
    // The reminder check itself runs, and is counted.
    struct Form : CountingForm {
        using CountingForm::CountingForm;
        void CheckAlarms() override {
            ++alarmChecks;
            TForm1::CheckAlarms();
        }
    } form(nullptr);
    Connect(form);
    for (int tick = 1; tick <= 30; ++tick) {
        form.DayClock().Tick();
        EXPECT_EQ(form.DayClock().Timer1->Interval(), 5000u);
        EXPECT_TRUE(form.DayClock().Timer1->Enabled());
    }
    // The sayings, the time and the reminders each decide by the clock which minute is due: the
    // clock stands, so the reminders had one minute to check.
    EXPECT_EQ(form.sayings, 30);
    EXPECT_EQ(form.spokenTimes, 30);
    EXPECT_EQ(form.alarmChecks, 1);
    EXPECT_EQ(form.BuildCount(), 0);
}

TEST_F(PageRequests, AFailingStepNeverStopsTheTick) {
    CountingForm form(nullptr);
    form.failSayings = true;
    for (int tick = 1; tick <= 6; ++tick) form.DayClock().Tick();
    EXPECT_EQ(form.sayings, 6);
    EXPECT_TRUE(form.DayClock().Timer1->Enabled());
    EXPECT_EQ(form.spokenTimes, 6);
}

TEST_F(PageRequests, CharacterIsHiddenAtTheSixthIdleTickAndUnloadedAtTheSeventh) {
    CountingForm form(nullptr);
    form.Character().AgentLoaded = true;
    for (int tick = 1; tick <= 5; ++tick) form.DayClock().Tick();
    EXPECT_EQ(form.hides + form.unloads, 0);
    form.DayClock().Tick();
    EXPECT_EQ(form.hides, 1);
    form.DayClock().Tick();
    EXPECT_EQ(form.unloads, 1);
    form.DayClock().Tick();
    EXPECT_EQ(form.Character().AgentIdleTicks, 0);
}

TEST_F(PageRequests, TickSeesTheNewDayAndAsksForItsPage) {
    CountingForm form(nullptr);
    Connect(form);
    now = D(2007, 3, 10, 23.999);
    form.DayClock().Tick();
    form.Character().AnnounceIntroPending = false;
    EXPECT_EQ(form.BuildCount(), 0);
    now = D(2007, 3, 11, 0.001);
    form.DayClock().Tick();
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_TRUE(form.Character().AnnounceIntroPending);
    Finish(form);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 11)));
    form.DayClock().Tick();
    EXPECT_EQ(form.BuildCount(), 1);
}

TEST_F(PageRequests, MinuteTickSeesTheNewDayOtherwiseChecksForRefreshes) {
    CountingForm form(nullptr);
    Connect(form);
    now = D(2007, 3, 10, 23.99);
    form.DayClock().Minute();
    EXPECT_EQ(form.BuildCount(), 0);
    EXPECT_EQ(Count("select * from BenutzerEinstellungen where Benutzer = 'hans'"), 1);
    form.Character().AnnounceIntroPending = false;
    now = D(2007, 3, 11, 0.01);
    form.DayClock().Minute();
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_TRUE(form.Character().AnnounceIntroPending);
    Finish(form);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 11)));
}

TEST_F(PageRequests, BothTicksAtMidnightMakeOneBuildForTheNewDay) {
    CountingForm form(nullptr);
    Connect(form);
    now = D(2007, 3, 10, 23.99);
    form.DayClock().Tick();
    form.DayClock().Minute();
    now = D(2007, 3, 11, 0.001);
    form.DayClock().Tick();
    EXPECT_EQ(form.BuildCount(), 1);
    form.Character().AnnounceIntroPending = false;
    // The minute comes while the day's build still runs, and again after it: the day is not new to it.
    now = D(2007, 3, 11, 0.01);
    form.DayClock().Minute();
    Settle(form);
    now = D(2007, 3, 11, 0.02);
    form.DayClock().Minute();
    form.DayClock().Tick();
    Settle(form);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_FALSE(form.Character().AnnounceIntroPending);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 11)));
}

TEST_F(PageRequests, TheClockSetBackOrATickAfterDaysAsleepAsksOnceForTheDayItIs) {
    CountingForm form(nullptr);
    Connect(form);
    now = D(2007, 3, 11, 0.05);
    form.DayClock().Tick();
    // Put back within the day: the page stays.
    now = D(2007, 3, 11, 0.01);
    form.DayClock().Minute();
    form.DayClock().Tick();
    Settle(form);
    EXPECT_EQ(form.BuildCount(), 0);
    // Put back over midnight (a clock that ran ahead, corrected): the page of the day it is, once.
    now = D(2007, 3, 10, 23.9);
    form.DayClock().Tick();
    form.DayClock().Minute();
    Settle(form);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 10)));
    // Asleep for days: the first tick after it asks for the day it wakes on, not for the days between.
    now = D(2007, 3, 13, 8);
    form.DayClock().Minute();
    form.DayClock().Tick();
    form.DayClock().Tick();
    Settle(form);
    EXPECT_EQ(form.BuildCount(), 2);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 13)));
}

TEST_F(PageRequests, RebuildsAskedForWhileTheWindowWaitsForABuildRunOnceAfterIt) {
    CountingForm form(nullptr);
    Connect(form);
    int asked = 0;
    // Calls the wait for the page runs, as a dialog's message loop inside it would: a request that
    // waits and one that does not.
    Classes::QueueOnMainThread([&] {
        ++asked;
        EXPECT_TRUE(form.WaitingForBuilder());
        form.RebuildCalendar(D(2007, 3, 12), true);
        form.RebuildCalendar(D(2007, 3, 13), false);
    });
    form.RebuildCalendar(D(2007, 3, 11), true);
    EXPECT_EQ(asked, 1);
    // Neither waited inside the wait; the two became one build, for the last date, after the first.
    EXPECT_EQ(form.BuildCount(), 2);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 13)));
    Finish(form);
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_EQ(form.BuildCount(), 2);
}

TEST_F(PageRequests, MissingUserRowIsInsertedOnceWithoutRefresh) {
    Execute("delete from BenutzerEinstellungen");
    TForm1 form(nullptr);
    Connect(form);
    form.CheckUserRefresh();
    EXPECT_EQ(Count("select * from BenutzerEinstellungen where Benutzer = 'hans' and NeedUpdate = false"), 1);
    EXPECT_EQ(form.BuildCount(), 0);
    // Removed again by someone else: this run does not put it back.
    Execute("delete from BenutzerEinstellungen");
    form.CheckUserRefresh();
    EXPECT_EQ(Count("select * from BenutzerEinstellungen"), 0);
}

TEST_F(PageRequests, RefreshFlagRebuildsUntilTheBuildClearsIt) {
    TForm1 form(nullptr);
    Connect(form);
    form.CheckUserRefresh();
    Execute("update BenutzerEinstellungen set NeedUpdate = true where Benutzer = 'hans'");
    form.CheckUserRefresh();
    EXPECT_EQ(form.BuildCount(), 1);
    Finish(form);
    EXPECT_EQ(Count("select * from BenutzerEinstellungen where Benutzer = 'hans' and NeedUpdate = true"), 0);
    form.CheckUserRefresh();
    EXPECT_EQ(form.BuildCount(), 1);
}

TEST_F(PageRequests, ADatabaseAnotherProgramHoldsCostsTheMinuteTickAMomentAndTheRefreshComesAfter) {
    Execute("delete from BenutzerEinstellungen");
    TForm1 form(nullptr);
    Connect(form);
    {
        auto other = testsupport::HeldLock::ExclusiveDatabase(db + "zorbelin.mde");
        ASSERT_TRUE(other.Held());
        const auto start = std::chrono::steady_clock::now();
        form.DayClock().Minute();
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(testsupport::ScaledBelow(1500, 4000)));
    }
    // The user's row that could not be made then is made at the next minute.
    form.DayClock().Minute();
    EXPECT_EQ(Count("select * from BenutzerEinstellungen where Benutzer = 'hans'"), 1);
    EXPECT_EQ(form.BuildCount(), 0);
    Execute("update BenutzerEinstellungen set NeedUpdate = true where Benutzer = 'hans'");
    {
        auto other = testsupport::HeldLock::ExclusiveDatabase(db + "zorbelin.mde");
        ASSERT_TRUE(other.Held());
        form.DayClock().Minute();
        EXPECT_EQ(form.BuildCount(), 0);
    }
    form.DayClock().Minute();
    EXPECT_EQ(form.BuildCount(), 1);
    Finish(form);
}

TEST_F(PageRequests, UserNameWithAQuoteStillFindsItsRow) {
    WriteUserString(kZorbelin, "BENUTZER", "o'brien");
    TForm1 form(nullptr);
    Connect(form);
    form.CheckUserRefresh();
    EXPECT_EQ(Count("select * from BenutzerEinstellungen where Benutzer = 'o''brien'"), 1);
}

TEST_F(PageRequests, ClosedDatabaseMakesTheMinuteTickDoNothing) {
    TForm1 form(nullptr);
    form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(dir.str() + "nowhere/"));
    form.DayClock().Minute();
    form.DayClock().Minute();
    EXPECT_EQ(form.BuildCount(), 0);
}

TEST_F(PageRequests, RedrawMessageAsksForTodaysPageWithoutWaiting) {
    TForm1 form(nullptr);
    Connect(form);
    form.ViewParameters.CalendarDate = D(2006, 1, 1);
    form.Perform(WM_REDRAWCALENDAR);
    EXPECT_EQ(form.BuildCount(), 1);
    Finish(form);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 10)));
}

TEST_F(PageRequests, UserIsTheStoredNameElseTheComputersNameReadAgainOnlyAfterTheSettings) {
    TForm1 form(nullptr);
    EXPECT_EQ(form.GetCalendarUser(), "hans");
    WriteUserString(kZorbelin, "BENUTZER", "");
    // The window keeps the name: neither a reminder check nor a build reads the settings for it.
    Connect(form);
    form.CheckAlarms();
    EXPECT_EQ(form.GetCalendarUser(), "hans");
    EXPECT_EQ(ReadUserString(kZorbelin, "BENUTZER"), "");
    Dialogs::SetDialogAnswerer([](TModalDialog& d) {
        if (auto* settings = dynamic_cast<TEinstellungen*>(d.Form())) settings->Ok->Click();
    });
    form.Tray().Einstellungen1->Click();
    char name[255];
    DWORD size = sizeof(name);
    ASSERT_TRUE(GetComputerName(name, &size));
    EXPECT_EQ(form.GetCalendarUser(), std::string(name, size));
    EXPECT_EQ(ReadUserString(kZorbelin, "BENUTZER"), std::string(name, size));
}

TEST_F(PageRequests, AFailedBuildIsExplainedOnceAndLogged) {
    Execute("drop table termine");
    TForm1 form(nullptr);
    Connect(form);
    for (int i = 0; i < 3; ++i) {
        form.RebuildCalendar(SysUtils::Date(), true);
        Finish(form);
        Application->ProcessMessages();
    }
    ASSERT_EQ(dialogs.size(), 1u);
    const std::string cause = "Der Kalender konnte nicht aufgebaut werden. Die Tabelle \"termine\" fehlt in der Datenbank.";
    EXPECT_EQ(dialogs[0].text.rfind(cause, 0), 0u) << dialogs[0].text;
    EXPECT_EQ(dir.read("temp/tarvolindebug.log").rfind("Seitenaufbau: " + cause, 0), 0u);
}

TEST_F(PageRequests, AWriteProtectedDatabaseIsOnlyReadWithoutAMessage) {
    const std::string file = db + "zorbelin.mde";
    std::filesystem::permissions(file, std::filesystem::perms(0444));
    TForm1 form(nullptr);
    Connect(form);
    {
        // SQLite opens a file it may not write for reading only, as it does for a user.
        testsupport::ScopedUserFileRights user;
        form.ADOConnection1->SetConnected(true);
    }
    form.RebuildCalendar(SysUtils::Date(), true);
    Finish(form);
    Application->ProcessMessages();
    std::filesystem::permissions(file, std::filesystem::perms(0644));
    // The page is built and the refresh flag left alone: nothing for the user to do, so no message.
    EXPECT_TRUE(dialogs.empty()) << dialogs[0].text;
    EXPECT_EQ(dir.read("temp/tarvolindebug.log").find("readonly"), std::string::npos)
        << dir.read("temp/tarvolindebug.log");
}

using testsupport::PeakBytes;

TEST_F(PageRequests, HugeValuesCostThePageAndTheRemindersNeitherTimeNorMemoryAndAreToldOnceEach) {
    // A colleague's generated column makes the notes of eight of today's appointments 100 MB each,
    // out of a file of a few kilobytes.
    constexpr long long kHuge = 104857600;
    Execute("alter table termine drop column Notes");
    Execute("alter table termine add column NotesSeed INTEGER");
    for (int i = 0; i < 8; ++i)
        Execute("insert into termine (Subject, StartTime, EndTime, Benutzer, Alarm, NotesSeed) values ('Termin " +
                std::to_string(i) + "', " + SysUtils::FloatToCText(double(D(2007, 3, 10, 10 + i / 60.0)), 10, true) +
                ", " + SysUtils::FloatToCText(double(D(2007, 3, 10, 11)), 10, true) + ", 'hans', 1, " +
                std::to_string(kHuge) + ")");
    Execute("alter table termine add column Notes TEXT GENERATED ALWAYS AS (printf('%.*c', NotesSeed, 'x'))");
    TForm1 form(nullptr);
    Connect(form);
    form.SetAlarmsPresent(true);
    const long long before = PeakBytes();
    const auto start = std::chrono::steady_clock::now();
    form.RebuildCalendar(SysUtils::Date(), true);
    Finish(form);
    Application->ProcessMessages();
    const auto built = std::chrono::steady_clock::now();
    // The reminder check of three minutes, each a tick of its own.
    for (int minute = 0; minute < 3; ++minute) {
        now = D(2007, 3, 10, 10 + minute / 60.0);
        form.DayClock().Tick();
    }
    const auto checked = std::chrono::steady_clock::now();
    Application->ProcessMessages();
    // Not even one value's memory was taken, and the window stood still for no more than moments
    // (the values took it most of a minute).
    EXPECT_LT(PeakBytes() - before, kHuge);
    EXPECT_LT(built - start, std::chrono::milliseconds(testsupport::ScaledBelow(3000, 10000)));
    EXPECT_LT(checked - built, std::chrono::milliseconds(testsupport::ScaledBelow(3000, 10000)));
    const std::string cause = "Ein Wert in der Datenbank ist größer als 4 MB und wird nicht gelesen.";
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].text.rfind("Der Kalender konnte nicht aufgebaut werden.", 0), 0u) << dialogs[0].text;
    EXPECT_NE(dialogs[0].text.find(cause), std::string::npos) << dialogs[0].text;
    EXPECT_EQ(dialogs[1].text.rfind("Die Erinnerungen können nicht geprüft werden.", 0), 0u) << dialogs[1].text;
    EXPECT_NE(dialogs[1].text.find(cause), std::string::npos) << dialogs[1].text;
}

TEST_F(PageRequests, TablesTurnedIntoViewsAreNamedAsTheCauseAndTheStoppedRemindersAreToldOnce) {
    Execute("insert into termine (Subject, StartTime, Benutzer, Alarm) values ('Zahnarzt', " +
            SysUtils::FloatToCText(double(D(2007, 3, 10, 11)), 10, true) + ", 'hans', 1)");
    TForm1 form(nullptr);
    Connect(form);
    // A colleague puts a view where the users' table was: the page shows, its refresh flag cannot
    // be cleared.
    Execute("alter table BenutzerEinstellungen rename to Benutzer2");
    Execute("create view BenutzerEinstellungen as select Benutzer, NeedUpdate from Benutzer2");
    form.RebuildCalendar(SysUtils::Date(), true);
    Finish(form);
    Application->ProcessMessages();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dialogs[0].text.find("\"BenutzerEinstellungen\" ist in der Datenbank keine Tabelle, sondern eine Sicht "
                                   "(View)"), std::string::npos) << dialogs[0].text;
    EXPECT_TRUE(form.AlarmsPresent());
    // While the program runs the appointments become a view as well: every reminder check fails,
    // and the user hears of it once.
    Execute("alter table termine rename to termine2");
    Execute("create view termine as select * from termine2");
    for (int minute = 0; minute < 3; ++minute) {
        now = D(2007, 3, 10, 10 + minute / 60.0);
        form.DayClock().Tick();
        Application->ProcessMessages();
    }
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].text.rfind("Die Erinnerungen können nicht geprüft werden.", 0), 0u) << dialogs[1].text;
    EXPECT_NE(dialogs[1].text.find("\"termine\" ist in der Datenbank keine Tabelle, sondern eine Sicht (View)"),
              std::string::npos) << dialogs[1].text;
    // Mended, the reminders run; broken again, the user hears of it again.
    Execute("drop view termine");
    Execute("alter table termine2 rename to termine");
    now = D(2007, 3, 10, 10 + 3 / 60.0);
    form.DayClock().Tick();
    Execute("alter table termine rename to termine2");
    Execute("create view termine as select * from termine2");
    now = D(2007, 3, 10, 10 + 4 / 60.0);
    form.DayClock().Tick();
    Application->ProcessMessages();
    EXPECT_EQ(dialogs.size(), 3u);
}

TEST_F(PageRequests, OneMessageShowsAtATimeAndOneShownOrWaitingIsNotToldAgain) {
    TForm1 form(nullptr);
    std::size_t shownWhileOpen = 0;
    bool first = true;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        dialogs.push_back({d.Text(), d.Buttons(), d.Directory()});
        if (first) {
            // While the first is open, the same causes come again and again.
            first = false;
            for (int i = 0; i < 20; ++i) {
                form.Messages().Tell("Erste Meldung");
                form.Messages().Tell("Zweite Meldung");
                form.Messages().Tell("Einstellungen: Kopie " + std::to_string(i), "HKEY_CURRENT_USER.reg");
                for (int j = 0; j < 3; ++j) Application->ProcessMessages();
            }
            shownWhileOpen = dialogs.size();
        }
        d.Press("OK");
    });
    form.Messages().Tell("Erste Meldung");
    ASSERT_TRUE(WaitUntil([&] { return dialogs.size() >= 3; }));
    for (int i = 0; i < 10; ++i) Application->ProcessMessages();
    EXPECT_EQ(shownWhileOpen, 1u);
    // What waited comes after it, in turn; of one file's reports the latest.
    std::vector<std::string> texts;
    for (const Answer& a : dialogs) texts.push_back(a.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Erste Meldung", "Zweite Meldung", "Einstellungen: Kopie 19"}));
}
