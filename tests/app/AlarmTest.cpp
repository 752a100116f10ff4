// Reminders: which appointments raise a popup at which minute, the alarm text, the popup's links,
// its sound and its close button, and the pause before the next check.
#include "AppFixture.h"

#include <QImage>
#include <QPainter>
#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "ADODB.h"
#include "Alarms.h"
#include "GraphicsQt.h"
#include "HeldLock.h"
#include "MMSystem.h"
#include "Reminders.h"
#include "StrangeFiles.h"
#include "VclPrivate.h"
#include "WinApi.h"

using namespace apptest;

// The pictures drawn at build time, taken out of the program and put back (Qt's resource
// functions live outside any namespace).
static void RemoveDrawnPictures() { Q_CLEANUP_RESOURCE(zb_drawn_pictures); }
static void RestoreDrawnPictures() { Q_INIT_RESOURCE(zb_drawn_pictures); }

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

// The main window with a character that can be installed, and the time of every reminder check.
class AlarmForm : public TForm1 {
public:
    static inline AlarmForm* current = nullptr;
    explicit AlarmForm(TComponent* owner) : TForm1(owner, MakeCharacter<CountingCharacter>) { current = this; }
    // Its builds end before the window below it is taken apart.
    ~AlarmForm() override {
        BeforeDestruction();
        current = nullptr;
    }
    bool& agentInstalled = static_cast<CountingCharacter&>(Character()).agentInstalled;
    std::vector<std::string>& spoken = static_cast<CountingCharacter&>(Character()).spoken;
    std::vector<double> checks;
    void CheckAlarms() override {
        checks.push_back(double(SysUtils::Now()));
        TForm1::CheckAlarms();
    }
};

// The popups of the test's window still open, in the order of their alarms.
std::vector<ShowAlarm*> Open() {
    return AlarmForm::current ? AlarmForm::current->Reminders().Open() : std::vector<ShowAlarm*>{};
}

// What the label's text shows: its plain text (a line break is "\r") and its anchors.
THTMLDrawResult Shown(THTMLabel* label) {
    TBitmap bmp;
    bmp.SetSize(label->Width(), 400);
    bmp.Canvas()->Font()->Assign(label->Font());
    return HTMLHitTest(bmp.Canvas(), label->GetDisplText(), TRect(0, 0, label->Width(), 400), -1, -1);
}

std::vector<std::string> Lines(const TStrings* s) {
    std::vector<std::string> v;
    for (int i = 0; i < s->Count(); ++i) v.push_back(s->Strings(i));
    return v;
}

class Reminders : public AppTest {
protected:
    std::string db;
    void SetUp() override {
        AppTest::SetUp();
        db = LayOutDatabase();
        Execute("delete from termine");
        WriteUserString(kZorbelin, "BENUTZER", "hans");
        ShowAlarm::AttentionTicks = 0;
        now = D(2026, 12, 7, 10 + 15 / 60.0 + 30 / 3600.0);   // 10:15:30
    }
    void TearDown() override {
        for (int i = 0; i < 5; ++i) Application->ProcessMessages();
        AppTest::TearDown();
    }

    void Connect(TForm1& form) { form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db)); }
    void Execute(const std::string& sql) {
        TADOCommand c(nullptr);
        c.SetConnectionString(ZorbelinConnectionString(db));
        c.SetCommandText(sql);
        c.Execute();
    }
    static std::string Quoted(const std::string& s) {
        return s == "NULL" ? s : "'" + SysUtils::StringReplace(s, "'", "''", SysUtils::rfReplaceAll) + "'";
    }
    void Appointment(const std::string& subject, TDateTime start, const std::string& user = "hans",
                     const std::string& notes = "NULL", int alarm = 1) {
        const std::string when = SysUtils::FloatToCText(double(start), 10, true);
        Execute("insert into termine (Subject, StartTime, Benutzer, Notes, Alarm) values (" + Quoted(subject) + ", " +
                when + ", " + Quoted(user) + ", " + Quoted(notes) + ", " + std::to_string(alarm) + ")");
    }
    static TDateTime At(int day, int hour, int minute, int second = 0) {
        return D(2026, 12, Word(day), hour + minute / 60.0 + second / 3600.0);
    }

    // Runs the check and the main thread's messages until Count popups are open.
    bool Check(TForm1& form, std::size_t count) {
        form.CheckAlarms();
        return WaitUntil([count] { return Open().size() >= count; }) && Open().size() == count;
    }
    static std::vector<std::string> Subjects() {
        std::vector<std::string> v;
        for (ShowAlarm* a : Open()) v.push_back(a->AlarmHtml()->Strings(2));
        std::sort(v.begin(), v.end());
        return v;
    }
    // Clicks the label where it shows the anchor.
    static bool ClickAnchor(THTMLabel* label, const std::string& anchor) {
        TRect r;
        for (int y = 1; y < label->Height(); y += 3)
            for (int x = 1; x < label->Width(); x += 3)
                if (label->IsAnchor(x, y, r) == anchor) {
                    label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
                    label->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
                    return true;
                }
        return false;
    }
};
} // namespace

TEST_F(Reminders, TodaysAppointmentsOfTheUserAtTheCurrentMinuteRaiseAPopupEach) {
    Appointment("Zahnarzt", At(7, 10, 15));
    Appointment("Für alle", At(7, 10, 15, 10), "alle");
    Appointment("Ohne Alarmflag", At(7, 10, 15, 20), "hans", "NULL", 0);
    Appointment("", At(7, 10, 15, 59));
    Appointment("NULL", At(7, 10, 15, 40));             // no subject: never an alarm
    Appointment("Ernas Termin", At(7, 10, 15), "erna");
    Appointment("Nächste Minute", At(7, 10, 16));
    Appointment("Vorige Minute", At(7, 10, 14, 59));
    Appointment("Gestern", At(6, 10, 15));              // same clock time a day earlier
    Appointment("Morgen", At(8, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    form.DayClock().Timer1->SetInterval(5000);

    ASSERT_TRUE(Check(form, 3));
    // An appointment the user marked as having no alarm stays quiet, whatever else today holds.
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"", "Für alle", "Zahnarzt"}));
    // The last popup raised is the last due appointment of the walk, in start order.
    EXPECT_EQ(Open().back()->AlarmHtml()->Strings(2), "");
    // The tick goes on as always: the next check knows which minutes it has handled.
    EXPECT_EQ(form.DayClock().Timer1->Interval(), 5000u);
    EXPECT_FALSE(form.ADODataSet->Active());
    EXPECT_TRUE(form.spoken.empty());

    // A minute later only the next minute's appointment is due.
    now = At(7, 10, 16, 2);
    ASSERT_TRUE(Check(form, 4));
    EXPECT_EQ(Open().back()->AlarmHtml()->Strings(2), "Nächste Minute");
}

// Whether a page was built, failed or shows another day, the tick checks each minute.
TEST_F(Reminders, TheTickRingsThoughNoPageWasEverBuilt) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    now = At(7, 10, 14, 50);
    form.DayClock().Tick();
    now = At(7, 10, 15, 5);
    form.DayClock().Tick();
    ASSERT_TRUE(WaitUntil([] { return !Open().empty(); }, 5000));
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Zahnarzt"});
    EXPECT_EQ(form.BuildCount(), 0);
    EXPECT_FALSE(form.AlarmsPresent());
}

// The popups are made on the main thread once the check is over, each in the order of its alarm;
// a closed one goes once its click is over, and the window takes those still open along.
TEST_F(Reminders, PopupsComeAfterTheCheckInTheOrderOfTheirAlarmsAndGoWithTheWindow) {
    Appointment("Drei", At(7, 10, 17, 30));
    Appointment("Eins", At(7, 10, 15));
    Appointment("Vier", At(7, 10, 17, 59));
    Appointment("Zwei", At(7, 10, 16, 59));
    const int forms = Screen->FormCount();
    {
        AlarmForm form(nullptr);
        Connect(form);
        form.agentInstalled = true;
        now = At(7, 10, 14, 30);
        form.CheckAlarms();
        // Held up until 10:17:59, the next check handles four minutes at once.
        now = At(7, 10, 17, 59);
        form.CheckAlarms();
        EXPECT_TRUE(Open().empty());
        EXPECT_TRUE(form.spoken.empty());
        ASSERT_TRUE(WaitUntil([] { return Open().size() == 4; }));
        const std::vector<std::string> order{"Eins", "Zwei", "Drei", "Vier"};
        std::vector<std::string> shown;
        for (ShowAlarm* a : Open()) shown.push_back(a->AlarmHtml()->Strings(2));
        EXPECT_EQ(shown, order);
        EXPECT_EQ(form.spoken, order);
        EXPECT_EQ(static_cast<CountingCharacter&>(form.Character()).spokenOffMainThread, 0);

        const int withPopups = Screen->FormCount();
        Open()[1]->CloseButton->Click();
        EXPECT_EQ(Open().size(), 3u);
        EXPECT_TRUE(WaitUntil([&] { return Screen->FormCount() == withPopups - 1; }, 2000));
    }
    EXPECT_EQ(Screen->FormCount(), forms);
}

// A character that fails keeps neither the popup nor its reason from the user: the popup comes, and
// the log says what failed.
TEST_F(Reminders, ACharacterThatFailsLeavesThePopupAloneAndIsLogged) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    static_cast<CountingCharacter&>(form.Character()).failStart = true;
    ASSERT_TRUE(Check(form, 1));
    EXPECT_TRUE(Open().front()->Popup->Visible());
    const std::string log = dir.read("temp/tarvolindebug.log");
    EXPECT_NE(log.find("Erinnerung um 07.12.2026 10:15, Figur: Figur kaputt\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Erinnerung \"Zahnarzt\", Figur: Figur kaputt\n"), std::string::npos) << log;
}

TEST_F(Reminders, TheSampleDatabasesAppointmentsWithATimeOfDayRingWhenTheyStart) {
    // The sample database as a first start finds it, made afresh.
    db = dir.str() + "sample/";
    const std::string make = std::string("'") + ZB_SAMPLE_TOOL + "' '" + ZB_SCHEMA_FILE + "' '" + ZB_SAMPLE_FILE +
                             "' '" + db + "zorbelin.mde' >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    struct Entry {
        double start;
        bool timed;
        std::string subject;
    };
    std::vector<Entry> entries;
    {
        TADOQuery q(nullptr);
        q.SetConnectionString(ZorbelinConnectionString(db));
        q.SQL()->SetText("select StartTime, EndTime, Subject from termine order by StartTime");
        q.Open();
        for (; !q.Eof(); q.Next())
            entries.push_back({q.Fields()->Fields(0)->AsFloat(),
                               q.Fields()->Fields(0)->AsFloat() != q.Fields()->Fields(1)->AsFloat(),
                               q.Fields()->Fields(2)->AsString()});
    }
    AlarmForm form(nullptr);
    Connect(form);
    // Each at its start minute, in the order of the days: those with a time of day ring, the days'
    // own entries (a holiday, a birthday) stay quiet.
    std::size_t rung = 0, quiet = 0;
    for (const Entry& e : entries) {
        now = TDateTime(e.start + 10 / 86400.0);
        if (e.timed) {
            ASSERT_TRUE(Check(form, ++rung)) << e.subject;
            EXPECT_EQ(Open().back()->AlarmHtml()->Strings(2), e.subject);
        } else {
            ++quiet;
            form.CheckAlarms();
            for (int i = 0; i < 20; ++i) Application->ProcessMessages();
            EXPECT_EQ(Open().size(), rung) << e.subject;
        }
    }
    EXPECT_GE(rung, 3u);
    EXPECT_GE(quiet, 2u);
}

TEST_F(Reminders, DatesBeyondEveryYearOrNoNumberAtAllLeaveTheDueReminderAlone) {
    Appointment("Zahnarzt", At(7, 10, 15));
    // Another program's values: far beyond any date, or no number.
    for (const char* start : {"1e308", "-1e308", "'NaN'", "1e999", "-1e999"})
        Execute(std::string("insert into termine (Subject, StartTime, EndTime, Benutzer, Alarm) values ('kaputt', ") +
                start + ", " + start + ", 'hans', 1)");
    Execute("update termine set EndTime = -1e308 where Subject = 'Zahnarzt'");
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Zahnarzt"}));
}

TEST_F(Reminders, NothingDueLeavesTheTickAndTheTextAlone) {
    Appointment("Gestern", At(6, 10, 15));
    Appointment("Mitternacht", At(6, 0, 0));
    AlarmForm form(nullptr);
    Connect(form);
    form.DayClock().Timer1->SetInterval(5000);
    form.CheckAlarms();
    Application->ProcessMessages();
    EXPECT_TRUE(Open().empty());
    EXPECT_EQ(form.Reminders().RaisedCount(), 0u);
    EXPECT_EQ(form.DayClock().Timer1->Interval(), 5000u);
}

TEST_F(Reminders, AlarmTextIsTheFourLinesOfMarkupAndTheNotesGoWithIt) {
    Appointment("Zahnarzt <i>Müller</i> & Co", At(7, 10, 15), "hans", "Bohrer\r\nmitbringen");
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    // The subject is shown as the text it is, so markup in it is escaped.
    const std::vector<std::string> expected{
        "<FONT  size=\"8\"  face=\"Arial\"><P align=\"left\"><SHAD>Termin:</SHAD><br><P align=\"center\">",
        "<A href=\"verschieben\">...später...</A> - <A href=\"memo\">...Memo...</A><br></P><P align=\"center\"><B>",
        "Zahnarzt &lt;i&gt;Müller&lt;/i&gt; &amp; Co",
        "</FONT></P>"};
    ShowAlarm* alarm = Open().front();
    EXPECT_EQ(Lines(alarm->AlarmHtml()), expected);
    EXPECT_EQ(alarm->AlarmNotes(), "Bohrer\r\nmitbringen");
    // The label takes the lines as one line of markup.
    EXPECT_EQ(Lines(alarm->PopupLabel->HTMLText()),
              std::vector<std::string>{expected[0] + expected[1] + expected[2] + expected[3]});
    const THTMLDrawResult shown = Shown(alarm->PopupLabel);
    EXPECT_EQ(shown.StripVal, "Termin:\r...später... - ...Memo...\rZahnarzt <i>Müller</i> & Co");
}

// Anyone may write into the shared appointments: a subject that names a FIFO as a picture and a file
// as a link is shown and spoken as text; it links nowhere and opens nothing.
TEST_F(Reminders, MarkupInASubjectIsShownAndSpokenAsText) {
    const std::string subject = "<IMG src=\"file:///tmp/fifo\"><A href=\"file:///etc/passwd\">Akte</A> &lt;&amp;";
    Appointment(subject, At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    form.agentInstalled = true;
    ASSERT_TRUE(Check(form, 1));
    ShowAlarm* alarm = Open().front();
    const THTMLDrawResult shown = Shown(alarm->PopupLabel);
    EXPECT_EQ(shown.StripVal.substr(shown.StripVal.rfind('\r') + 1), subject);
    EXPECT_EQ(shown.HyperLinks, 2);   // "verschieben" and "memo" only
    EXPECT_EQ(form.spoken, std::vector<std::string>{subject});
}

TEST_F(Reminders, MissingNotesGiveAnEmptyText) {
    Appointment("Ohne Notiz", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    EXPECT_EQ(Open().front()->AlarmNotes(), "");
}

TEST_F(Reminders, CharacterSaysTheSubjectAndOnlyShowsMarkupOfTheText) {
    Appointment("Zahnarzt", At(7, 10, 15));
    Appointment("<b>Chef</b>", At(7, 10, 15, 5));
    AlarmForm form(nullptr);
    Connect(form);
    form.agentInstalled = true;
    ASSERT_TRUE(Check(form, 2));
    EXPECT_TRUE(form.Character().AgentLoaded);
    EXPECT_EQ(form.spoken, (std::vector<std::string>{"Zahnarzt", "<b>Chef</b>"}));
}

TEST_F(Reminders, TicksCheckEachMinuteOnceAndConsecutiveMinutesRaiseOnePopupEach) {
    Appointment("Zahnarzt", At(7, 10, 15));
    Appointment("Nächste Minute", At(7, 10, 16));
    Appointment("Übernächste Minute", At(7, 10, 17, 30));
    AlarmForm form(nullptr);
    Connect(form);
    form.SetAlarmsPresent(true);
    now = At(7, 10, 14, 20);
    const double start = double(now);
    // Each tick comes after the interval the previous one left on the timer: always five seconds.
    for (int tick = 1; tick <= 45; ++tick) {
        form.DayClock().Tick();
        ASSERT_TRUE(form.DayClock().Timer1->Enabled());
        ASSERT_EQ(form.DayClock().Timer1->Interval(), 5000u);
        now = TDateTime(double(now) + form.DayClock().Timer1->Interval() / 86400000.0);
    }
    // The first tick of each minute checks it: 10:14:20, 10:15:00, 10:16:00, 10:17:00, 10:18:00.
    auto seconds = [&](std::size_t i) { return int(std::lround((form.checks[i] - start) * 86400)); };
    ASSERT_EQ(form.checks.size(), 5u);
    EXPECT_EQ(seconds(0), 0);
    EXPECT_EQ(seconds(1), 40);
    EXPECT_EQ(seconds(2), 100);
    EXPECT_EQ(seconds(3), 160);
    EXPECT_EQ(seconds(4), 220);
    ASSERT_TRUE(WaitUntil([] { return Open().size() >= 3; }));
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Nächste Minute", "Zahnarzt", "Übernächste Minute"}));
}

TEST_F(Reminders, CheckHeldUpForMinutesRaisesEachMissedAppointmentOnceAndOthersNone) {
    Appointment("Gestern", At(6, 10, 16));
    Appointment("Ernas Termin", At(7, 10, 16), "erna");
    Appointment("Vorher", At(7, 10, 14, 10));
    Appointment("Eins", At(7, 10, 15, 30));
    Appointment("Zwei", At(7, 10, 16));
    Appointment("Drei", At(7, 10, 17, 59));
    Appointment("Jetzt", At(7, 10, 18, 1), "alle");
    Appointment("Später", At(7, 10, 19));
    AlarmForm form(nullptr);
    Connect(form);
    // The first check of the run covers its own minute only: what was due before start stays quiet.
    now = At(7, 10, 14, 30);
    ASSERT_TRUE(Check(form, 1));
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Vorher"});
    // The main thread was held up from 10:14:30 to 10:18:05: the minutes in between come now, late.
    now = At(7, 10, 18, 5);
    ASSERT_TRUE(Check(form, 5));
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Drei", "Eins", "Jetzt", "Vorher", "Zwei"}));
    // The last one raised is the latest of them.
    EXPECT_EQ(Open().back()->AlarmHtml()->Strings(2), "Jetzt");
    // Checked again within the minute, and in the next one: no appointment comes twice.
    now = At(7, 10, 18, 40);
    form.CheckAlarms();
    now = At(7, 10, 19, 2);
    ASSERT_TRUE(Check(form, 6));
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Drei", "Eins", "Jetzt", "Später", "Vorher", "Zwei"}));
}

TEST_F(Reminders, AClockSetBackRingsNothingTwice) {
    Appointment("Zahnarzt", At(7, 10, 15));
    Appointment("Zahnarzt", At(7, 10, 15));   // the same row twice rings twice, once each
    AlarmForm form(nullptr);
    Connect(form);
    now = At(7, 10, 15, 10);
    ASSERT_TRUE(Check(form, 2));
    // The clock steps back an hour while the popups are open, then runs through 10:15 again, as in
    // the night the clocks go back.
    now = At(7, 9, 15, 30);
    form.CheckAlarms();
    for (int minute = 16; minute <= 75; ++minute) {
        now = At(7, 9 + minute / 60, minute % 60, 5);
        form.CheckAlarms();
    }
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_EQ(Open().size(), 2u);
    EXPECT_EQ(form.checks.size(), 62u);
}

TEST_F(Reminders, ADatabaseAnotherProgramHoldsCostsATickAMomentAndTheReminderComesOnceItIsFree) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    form.SetAlarmsPresent(true);
    now = At(7, 10, 14, 50);
    form.DayClock().Tick();
    ASSERT_EQ(form.checks.size(), 1u);
    {
        auto other = testsupport::HeldLock::ExclusiveDatabase(db + "zorbelin.mde");
        ASSERT_TRUE(other.Held());
        // The lock lasts over the appointment's minute; each tick meets it, briefly.
        for (const TDateTime at : {At(7, 10, 15, 3), At(7, 10, 15, 58), At(7, 10, 16, 3)}) {
            now = at;
            const auto start = std::chrono::steady_clock::now();
            form.DayClock().Tick();
            EXPECT_LT(std::chrono::steady_clock::now() - start,
                      std::chrono::milliseconds(testsupport::ScaledBelow(1500, 4000)));
            EXPECT_TRUE(form.DayClock().Timer1->Enabled());
        }
        Application->ProcessMessages();
        EXPECT_TRUE(Open().empty());
    }
    // The first tick after the lock has gone raises what fell due meanwhile, once.
    now = At(7, 10, 16, 8);
    form.DayClock().Tick();
    ASSERT_TRUE(WaitUntil([] { return !Open().empty(); }));
    now = At(7, 10, 16, 13);
    form.DayClock().Tick();
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Zahnarzt"});
}

TEST_F(Reminders, EndlessViewsInPlaceOfTheTablesCostTheMinuteTicksAMomentAndAreLogged) {
    // A colleague sharing the database puts endless views where the users' table and the
    // appointments were.
    const std::string endless = " AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM r) SELECT ";
    Execute("drop table BenutzerEinstellungen");
    Execute("create view BenutzerEinstellungen" + endless + "'hans' AS Benutzer, 1 AS NeedUpdate FROM r");
    Execute("drop table termine");
    Execute("create view termine" + endless + "'x' AS Subject, n AS StartTime, 'hans' AS Benutzer, '' AS Notes, "
            "1 AS Alarm FROM r");
    AlarmForm form(nullptr);
    Connect(form);
    form.SetAlarmsPresent(true);
    for (int tick = 0; tick < 2; ++tick) {
        now = At(7, 10, 15 + tick, 5);
        const auto start = std::chrono::steady_clock::now();
        form.DayClock().Minute();
        form.DayClock().Tick();
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(testsupport::ScaledBelow(2000, 20000)));
    }
    // Each tick asked again, and the log says why nothing was read.
    EXPECT_EQ(form.checks.size(), 2u);
    const std::string log = dir.read("temp/tarvolindebug.log");
    EXPECT_NE(log.find("Benutzerprüfung: \"BenutzerEinstellungen\" ist in der Datenbank keine Tabelle"),
              std::string::npos) << log;
    EXPECT_NE(log.find("\"termine\" ist in der Datenbank keine Tabelle"), std::string::npos) << log;
}

TEST_F(Reminders, OpenPopupsStandAboveEachOtherWithinTheWorkArea) {
    for (int i = 0; i < 3; ++i) Appointment("Termin " + std::to_string(i), At(7, 10, 15, i));
    Appointment("Später", At(7, 10, 16));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 3));
    const TRect work = Screen->WorkAreaRect();
    std::vector<TRect> places;
    for (ShowAlarm* a : Open()) places.push_back(a->Popup->BoundsRect());
    std::sort(places.begin(), places.end(), [](const TRect& a, const TRect& b) { return a.Top > b.Top; });
    // One column up from the corner, each popup right on top of the one below.
    for (std::size_t i = 0; i < places.size(); ++i)
        EXPECT_EQ(places[i], TRect(work.Right - 250, work.Bottom - 100 * int(i + 1), work.Right,
                                   work.Bottom - 100 * int(i)));
    // The middle one is closed: the next popup takes its place, overlapping none still open.
    ShowAlarm* middle = nullptr;
    for (ShowAlarm* a : Open())
        if (a->Popup->Top() == work.Bottom - 200) middle = a;
    ASSERT_NE(middle, nullptr);
    middle->ClosePopup(nullptr);
    now = At(7, 10, 16, 5);
    ASSERT_TRUE(Check(form, 3));
    for (ShowAlarm* a : Open()) {
        TRect both;
        EXPECT_TRUE(a->Popup->BoundsRect().Left >= work.Left && a->Popup->BoundsRect().Top >= work.Top);
        for (ShowAlarm* b : Open()) {
            if (a != b) {
                EXPECT_FALSE(IntersectRect(both, a->Popup->BoundsRect(), b->Popup->BoundsRect()));
            }
        }
    }
    EXPECT_EQ(Open().back()->Popup->BoundsRect(),
              TRect(work.Right - 250, work.Bottom - 200, work.Right, work.Bottom - 100));
}

TEST_F(Reminders, PopupSitsInTheCornerOfTheWorkAreaWithItsTextButtonAndTimers) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    ShowAlarm* alarm = Open().front();
    TForm* popup = alarm->Popup;
    const TRect work = Screen->WorkAreaRect();
    EXPECT_EQ(popup->BoundsRect(), TRect(work.Right - 250, work.Bottom - 100, work.Right, work.Bottom));
    EXPECT_TRUE(popup->Visible());
    EXPECT_EQ(popup->BorderStyle(), bsNone);
    EXPECT_EQ(popup->FormStyle(), fsStayOnTop);
    EXPECT_EQ(popup->Color(), TColor(0xC0DCC0));
    EXPECT_EQ(alarm->PopupLabel->BoundsRect(), TRect(10, 10, 245, 80));
    EXPECT_TRUE(alarm->PopupLabel->Transparent());
    EXPECT_EQ(alarm->CloseButton->BoundsRect().Right, 239);
    EXPECT_EQ(alarm->CloseButton->Top(), 11);
    EXPECT_EQ(alarm->CloseButton->Caption(), "OK");
    EXPECT_EQ(alarm->CloseButton->Hint(), "Schliessen!");
    EXPECT_FALSE(alarm->RemindTimer->Enabled());
    EXPECT_TRUE(alarm->AttentionTimer->Enabled());
    EXPECT_EQ(alarm->AttentionTimer->Interval(), 5000u);

    // The background picture is painted on the popup.
    QImage img(popup->Width(), popup->Height(), QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter painter(&img);
        popup->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
    }
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(100, 0)), TColor(0x90B090));
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(100, 1)), TColor(0xC0DCC0));
    // Inside the rim nothing of its colour: no line runs through the text's heading.
    int rimPixels = 0;
    for (int y = 1; y < img.height() - 1; ++y)
        for (int x = 1; x < img.width() - 1; ++x)
            rimPixels += GraphicsQt::FromQColor(img.pixelColor(x, y)) == TColor(0x90B090);
    EXPECT_EQ(rimPixels, 0);
}

TEST_F(Reminders, WithoutItsBackgroundPictureThePopupStillComesInItsOwnColour) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    RemoveDrawnPictures();
    struct Restore {
        ~Restore() { RestoreDrawnPictures(); }
    } restore;
    ASSERT_TRUE(Check(form, 1));
    TForm* popup = Open().front()->Popup;
    const TRect work = Screen->WorkAreaRect();
    EXPECT_EQ(popup->BoundsRect(), TRect(work.Right - 250, work.Bottom - 100, work.Right, work.Bottom));
    EXPECT_TRUE(popup->Visible());
    QImage img(popup->Width(), popup->Height(), QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter painter(&img);
        popup->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
    }
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(100, 28)), TColor(0xC0DCC0));
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(0, 0)), TColor(0xC0DCC0));
}

TEST_F(Reminders, PostponeHidesTheAlarmForTenMinutesThenItComesBackWithTheSound) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    const unsigned bells = MMSystem::BeepCount();
    ASSERT_TRUE(Check(form, 1));
    // No sound is chosen: the platform rings its bell.
    EXPECT_EQ(MMSystem::BeepCount(), bells + 1);
    ShowAlarm* alarm = Open().front();

    ASSERT_TRUE(ClickAnchor(alarm->PopupLabel, "verschieben"));
    EXPECT_FALSE(alarm->Popup->Visible());
    EXPECT_TRUE(alarm->RemindTimer->Enabled());
    EXPECT_EQ(alarm->RemindTimer->Interval(), 600000u);

    alarm->RemindTimer->OnTimer(alarm->RemindTimer);
    EXPECT_TRUE(alarm->Popup->Visible());
    EXPECT_EQ(MMSystem::BeepCount(), bells + 2);
    // It keeps coming every ten minutes until closed.
    EXPECT_TRUE(alarm->RemindTimer->Enabled());
    alarm->Popup->SetVisible(false);
    alarm->RemindTimer->OnTimer(alarm->RemindTimer);
    EXPECT_TRUE(alarm->Popup->Visible());
    EXPECT_EQ(MMSystem::BeepCount(), bells + 3);
}

TEST_F(Reminders, UnreadableSoundSettingRingsTheBellInstead) {
    WriteUserInteger(kTarvolin, "Wav", 7);
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    const unsigned bells = MMSystem::BeepCount();
    ASSERT_TRUE(Check(form, 1));
    EXPECT_EQ(MMSystem::BeepCount(), bells + 1);
    EXPECT_TRUE(Open().front()->Popup->Visible());
}

// The chosen sound may be anything under its name. A file far larger than any sound is not read at
// all: the bell rings at each reminder, and the user hears why once. A large real sound is read
// beside the window, never by it.
TEST_F(Reminders, TheSoundIsReadOnlyWhenItIsOneAndNeverByTheWindow) {
    const std::string huge = dir.file("gong.wav");
    ASSERT_TRUE(testsupport::MakeSparse(huge, 1ll << 30));
    WriteUserString(kTarvolin, "Wav", huge);
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    const unsigned bells = MMSystem::BeepCount();
    const auto call = testsupport::Guarded([&] { EXPECT_TRUE(Check(form, 1)); });
    EXPECT_LT(call.bytesRead, 1 << 20);
    EXPECT_EQ(MMSystem::BeepCount(), bells + 1);
    ShowAlarm* alarm = Open().front();
    ASSERT_TRUE(ClickAnchor(alarm->PopupLabel, "verschieben"));
    alarm->RemindTimer->OnTimer(alarm->RemindTimer);
    EXPECT_EQ(MMSystem::BeepCount(), bells + 2);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, "Die Datei \"" + huge + "\" ist größer als 32 MB und wird nicht gelesen; das Programm "
                               "arbeitet ohne sie weiter.");

    // 20 MB of a real wave: the window's thread reads none of it, and it is played or rung for.
    std::string wave = std::string("RIFF") + std::string(4, '\0') + "WAVEfmt " + std::string("\x10\0\0\0\x01\0\x01\0", 8) +
                       std::string("\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0", 12) + "data" + std::string("\0\0\x40\x01", 4);
    wave += std::string(20 << 20, '\0');
    dir.write("lang.wav", wave);
    WriteUserString(kTarvolin, "Wav", dir.file("lang.wav"));
    const long long before = testsupport::BytesRead(), beforeHere = testsupport::BytesReadByThisThread();
    const unsigned rung = MMSystem::BeepCount();
    Alarms::PlayAlarmSound();
    EXPECT_LT(testsupport::BytesReadByThisThread() - beforeHere, 1 << 20);
    EXPECT_TRUE(WaitUntil([&] { return testsupport::BytesRead() - before >= (20 << 20); }));
    if (!MMSystem::AudioOutputAvailable()) {
        EXPECT_TRUE(WaitUntil([&] { return MMSystem::BeepCount() == rung + 1; }));
    }
    EXPECT_EQ(dialogs.size(), 1u);
}

TEST_F(Reminders, MemoShowsEachPopupsOwnNotesInPlaceOfTheText) {
    Appointment("Zahnarzt", At(7, 10, 15), "hans", "Bohrer mitbringen");
    Appointment("Friseur", At(7, 10, 15, 30), "hans", "Nur schneiden");
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 2));
    EXPECT_EQ(Open().back()->AlarmNotes(), "Nur schneiden");
    for (ShowAlarm* alarm : Open()) {
        const std::string subject = alarm->AlarmHtml()->Strings(2);
        ASSERT_TRUE(ClickAnchor(alarm->PopupLabel, "memo"));
        EXPECT_EQ(alarm->PopupLabel, nullptr);
        ASSERT_NE(alarm->NotesMemo, nullptr);
        EXPECT_EQ(Lines(alarm->NotesMemo->Lines()),
                  std::vector<std::string>{subject == "Zahnarzt" ? "Bohrer mitbringen" : "Nur schneiden"});
        EXPECT_EQ(alarm->NotesMemo->BoundsRect(), TRect(10, 35, 240, 90));
        EXPECT_TRUE(alarm->NotesMemo->ReadOnly());
        EXPECT_EQ(alarm->NotesMemo->Color(), TColor(0xC0DCC0));
        EXPECT_TRUE(alarm->CloseButton->Visible());
    }
    // The label goes once its click is over.
    Application->ProcessMessages();
    for (ShowAlarm* alarm : Open()) {
        int labels = 0;
        for (int i = 0; i < alarm->Popup->ComponentCount(); ++i)
            if (dynamic_cast<THTMLabel*>(alarm->Popup->Components(i))) ++labels;
        EXPECT_EQ(labels, 0);
    }
}

TEST_F(Reminders, CloseButtonEndsThePopupAndOtherAnchorsDoNothing) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    ShowAlarm* alarm = Open().front();
    alarm->AnchorClick(alarm->PopupLabel, "woanders");
    EXPECT_TRUE(alarm->Popup->Visible());
    EXPECT_EQ(alarm->NotesMemo, nullptr);

    const int forms = Screen->FormCount();
    alarm->CloseButton->Click();
    EXPECT_TRUE(Open().empty());
    EXPECT_TRUE(WaitUntil([&] { return Screen->FormCount() == forms - 1; }, 2000));
}

TEST_F(Reminders, AttentionTicksRunThroughTwentyOneValuesAndKeepTheCharacterAwake) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    ShowAlarm* alarm = Open().front();
    std::vector<int> seen;
    for (int i = 0; i < 22; ++i) {
        form.Character().AgentIdleTicks = 5;
        alarm->AttentionTimer->OnTimer(alarm->AttentionTimer);
        seen.push_back(ShowAlarm::AttentionTicks);
        EXPECT_EQ(form.Character().AgentIdleTicks, 0);
    }
    EXPECT_EQ(seen[0], 1);
    EXPECT_EQ(seen[19], 20);
    EXPECT_EQ(seen[20], 0);
    EXPECT_EQ(seen[21], 1);
}

TEST_F(Reminders, CloseButtonShowsItsCaptionWhole) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    ShowAlarm* alarm = Open().front();
    TControl* button = alarm->CloseButton;
    Application->ProcessMessages();
    const QImage shot = Vcl::Detail::HandleWidget(alarm->Popup)->grab().toImage();
    if (const char* folder = std::getenv("ZB_SCREENSHOTS")) shot.save(QString(folder) + "/alarm.png");
    // At least 15 pixels square, as the popup always had it, and large enough for "OK" in its font.
    TCanvas measure;
    measure.SetFont(button->Font());
    EXPECT_GE(button->Width(), std::max(15, measure.TextWidth("OK") + 4));
    EXPECT_GE(button->Height(), std::max(15, measure.TextHeight("OK")));
    EXPECT_EQ(button->Width(), button->Height());
    // Painted, the caption's ink keeps clear of the button's edges.
    const TRect r = button->BoundsRect();
    int ink = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            if (qGray(shot.pixel(x, y)) > 80) continue;
            ++ink;
            EXPECT_TRUE(x > r.Left && x < r.Right - 1 && y > r.Top && y < r.Bottom - 1)
                << "caption cut at " << x - r.Left << "," << y - r.Top;
        }
    EXPECT_GT(ink, 10);
}

// Anyone may write a megabyte of subject and a million characters of notes without a space into
// the shared database: the popup shows a line of the subject and a few pages of the notes, each
// with a mark that more follows, and opening the notes costs no more than the cut notes' length:
// about ten times a tenth of them (a whole megabyte, or a memo slower than linear, cost far more).
TEST_F(Reminders, LongSubjectAndNotesAreCutWithAMarkAndTheMemoOpensAtOnce) {
    std::string subject;
    while (subject.size() < 1000000) subject += "Betreff ";
    const std::string notes = "ü" + std::string(999999, 'x');
    Appointment(subject, At(7, 10, 15), "hans", notes);
    Appointment("Kurz", At(7, 10, 15), "hans", std::string(2000, 'x'));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 2));
    ShowAlarm* alarm = nullptr;
    ShowAlarm* shortOne = nullptr;
    for (ShowAlarm* a : Open()) (a->AlarmHtml()->Strings(2) == "Kurz" ? shortOne : alarm) = a;
    ASSERT_TRUE(alarm && shortOne);
    // Compared as truth values: a failure printing a megabyte helps nobody.
    EXPECT_TRUE(alarm->AlarmHtml()->Strings(2) == subject.substr(0, 200) + "…");
    const std::string cutNotes = notes.substr(0, 20001) + "…";   // "ü" is two bytes
    EXPECT_TRUE(alarm->AlarmNotes() == cutNotes);
    const auto openMemo = [](ShowAlarm* a) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(ClickAnchor(a->PopupLabel, "memo"));
        EXPECT_NE(a->NotesMemo, nullptr);
        a->Popup->Repaint();
        Application->ProcessMessages();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const double shortTook = openMemo(shortOne);
    const double took = openMemo(alarm);
    EXPECT_LT(took, 15 * shortTook);
    ASSERT_NE(alarm->NotesMemo, nullptr);
    EXPECT_TRUE(Lines(alarm->NotesMemo->Lines()) == std::vector<std::string>{cutNotes});
}
