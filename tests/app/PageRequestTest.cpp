// Page requests: the 5-second tick, the minute tick, day changes, other programs' refresh flag and
// the calendar's user.
#include "AppFixture.h"

#include "ADODB.h"
#include "FileRights.h"
#include "HeldLock.h"

#include <chrono>
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
};
} // namespace

TEST_F(PageRequests, EveryTickLooksAtTheSayingsAndTheTimeAndNothingElseWithoutAlarms) {
    CountingForm form(nullptr);
    Connect(form);
    for (int tick = 1; tick <= 30; ++tick) {
        form.Timer1Timer(form.Timer1);
        EXPECT_EQ(form.Timer1->Interval(), 5000u);
        EXPECT_TRUE(form.Timer1->Enabled());
    }
    // The sayings and the time each decide by the clock which minute is due.
    EXPECT_EQ(form.sayings, 30);
    EXPECT_EQ(form.spokenTimes, 30);
    EXPECT_EQ(form.alarmChecks, 0);
    EXPECT_EQ(form.BuildCount(), 0);
}

TEST_F(PageRequests, AFailingStepNeverStopsTheTick) {
    CountingForm form(nullptr);
    form.failSayings = true;
    for (int tick = 1; tick <= 6; ++tick) form.Timer1Timer(form.Timer1);
    EXPECT_EQ(form.sayings, 6);
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_EQ(form.spokenTimes, 6);
}

TEST_F(PageRequests, CharacterIsHiddenAtTheSixthIdleTickAndUnloadedAtTheSeventh) {
    CountingForm form(nullptr);
    form.Character().AgentLoaded = true;
    for (int tick = 1; tick <= 5; ++tick) form.Timer1Timer(form.Timer1);
    EXPECT_EQ(form.hides + form.unloads, 0);
    form.Timer1Timer(form.Timer1);
    EXPECT_EQ(form.hides, 1);
    form.Timer1Timer(form.Timer1);
    EXPECT_EQ(form.unloads, 1);
    form.Timer1Timer(form.Timer1);
    EXPECT_EQ(form.Character().AgentIdleTicks, 0);
}

TEST_F(PageRequests, TickSeesTheNewDayAndAsksForItsPage) {
    CountingForm form(nullptr);
    Connect(form);
    now = D(2007, 3, 10, 23.999);
    form.Timer1Timer(form.Timer1);
    form.Character().AnnounceIntroPending = false;
    EXPECT_EQ(form.BuildCount(), 0);
    now = D(2007, 3, 11, 0.001);
    form.Timer1Timer(form.Timer1);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_TRUE(form.Character().AnnounceIntroPending);
    Finish(form);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 11)));
    form.Timer1Timer(form.Timer1);
    EXPECT_EQ(form.BuildCount(), 1);
}

TEST_F(PageRequests, MinuteTickSeesTheNewDayOtherwiseChecksForRefreshes) {
    CountingForm form(nullptr);
    Connect(form);
    now = D(2007, 3, 10, 23.99);
    form.EineMinuteTimer(form.EineMinute);
    EXPECT_EQ(form.BuildCount(), 0);
    EXPECT_EQ(Count("select * from BenutzerEinstellungen where Benutzer = 'hans'"), 1);
    form.Character().AnnounceIntroPending = false;
    now = D(2007, 3, 11, 0.01);
    form.EineMinuteTimer(form.EineMinute);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_TRUE(form.Character().AnnounceIntroPending);
    Finish(form);
    EXPECT_EQ(double(form.CalendarDate()), double(D(2007, 3, 11)));
}

TEST_F(PageRequests, BothTicksAtMidnightMakeTwoBuildsTheSecondAfterTheFirstWithoutWaiting) {
    CountingForm form(nullptr);
    Connect(form);
    now = D(2007, 3, 10, 23.99);
    form.Timer1Timer(form.Timer1);
    form.EineMinuteTimer(form.EineMinute);
    now = D(2007, 3, 11, 0.01);
    form.Timer1Timer(form.Timer1);
    BuildTarvolan* first = form.RunningBuilder();
    // The first build still runs: the second request is remembered, the tick goes on at once.
    form.EineMinuteTimer(form.EineMinute);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_EQ(form.RunningBuilder(), first);
    ASSERT_TRUE(WaitUntil([&] { return form.BuildCount() == 2; }));
    Finish(form);
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_EQ(form.BuildCount(), 2);
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
        form.EineMinuteTimer(form.EineMinute);
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(testsupport::ScaledBelow(1500, 4000)));
    }
    // The user's row that could not be made then is made at the next minute.
    form.EineMinuteTimer(form.EineMinute);
    EXPECT_EQ(Count("select * from BenutzerEinstellungen where Benutzer = 'hans'"), 1);
    EXPECT_EQ(form.BuildCount(), 0);
    Execute("update BenutzerEinstellungen set NeedUpdate = true where Benutzer = 'hans'");
    {
        auto other = testsupport::HeldLock::ExclusiveDatabase(db + "zorbelin.mde");
        ASSERT_TRUE(other.Held());
        form.EineMinuteTimer(form.EineMinute);
        EXPECT_EQ(form.BuildCount(), 0);
    }
    form.EineMinuteTimer(form.EineMinute);
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
    form.EineMinuteTimer(form.EineMinute);
    form.EineMinuteTimer(form.EineMinute);
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

TEST_F(PageRequests, UserIsTheStoredNameElseTheComputersName) {
    TForm1 form(nullptr);
    EXPECT_EQ(form.GetCalendarUser(), "hans");
    WriteUserString(kZorbelin, "BENUTZER", "");
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
