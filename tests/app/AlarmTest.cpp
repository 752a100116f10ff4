// Reminders: which appointments raise a popup at which minute, the alarm text, the popup's links,
// its sound and its close button, and the pause before the next check.
#include "AppFixture.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "ADODB.h"
#include "Alarms.h"
#include "GraphicsQt.h"
#include "MMSystem.h"
#include "WinApi.h"

using namespace apptest;

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

// The main window with a character that can be installed, and the time of every reminder check.
class AlarmForm : public TForm1 {
public:
    explicit AlarmForm(TComponent* owner) : TForm1(owner) {}
    bool agentInstalled = false;
    std::vector<std::string> spoken;
    std::vector<double> checks;
    bool StartAgent(int, int, bool) override { return agentInstalled; }
    void Speak(const AnsiString& text, bool, bool, bool, bool, bool) override { spoken.push_back(text); }
    void CheckAlarms() override {
        checks.push_back(double(SysUtils::Now()));
        TForm1::CheckAlarms();
    }
};

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
        while (!ShowAlarm::Open().empty()) ShowAlarm::Open().front()->ClosePopup(nullptr);
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
        char when[40];
        std::snprintf(when, sizeof when, "%.10f", double(start));
        Execute("insert into termine (Subject, StartTime, Benutzer, Notes, Alarm) values (" + Quoted(subject) + ", " +
                when + ", " + Quoted(user) + ", " + Quoted(notes) + ", " + std::to_string(alarm) + ")");
    }
    static TDateTime At(int day, int hour, int minute, int second = 0) {
        return D(2026, 12, Word(day), hour + minute / 60.0 + second / 3600.0);
    }

    // Runs the check and the main thread's messages until Count popups are open.
    bool Check(TForm1& form, std::size_t count) {
        form.CheckAlarms();
        return WaitUntil([count] { return ShowAlarm::Open().size() >= count; }) && ShowAlarm::Open().size() == count;
    }
    static std::vector<std::string> Subjects() {
        std::vector<std::string> v;
        for (ShowAlarm* a : ShowAlarm::Open()) v.push_back(a->AlarmHtml()->Strings(2));
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
    form.Timer1->SetInterval(5000);

    ASSERT_TRUE(Check(form, 4));
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"", "Für alle", "Ohne Alarmflag", "Zahnarzt"}));
    // The window keeps the last due appointment of the walk, in start order.
    EXPECT_EQ(form.AlarmHtml->Strings(2), "");
    EXPECT_EQ(form.Timer1->Interval(), 60000u);
    EXPECT_FALSE(form.ADODataSet->Active());
    EXPECT_TRUE(form.spoken.empty());

    // A minute later only the next minute's appointment is due.
    now = At(7, 10, 16, 2);
    ASSERT_TRUE(Check(form, 5));
    EXPECT_EQ(ShowAlarm::Open().back()->AlarmHtml()->Strings(2), "Nächste Minute");
}

TEST_F(Reminders, NothingDueLeavesTheTickAndTheTextAlone) {
    Appointment("Gestern", At(6, 10, 15));
    Appointment("Mitternacht", At(6, 0, 0));
    AlarmForm form(nullptr);
    Connect(form);
    form.Timer1->SetInterval(5000);
    form.CheckAlarms();
    Application->ProcessMessages();
    EXPECT_TRUE(ShowAlarm::Open().empty());
    EXPECT_EQ(form.AlarmHtml->Count(), 0);
    EXPECT_EQ(form.Timer1->Interval(), 5000u);
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
    EXPECT_EQ(Lines(form.AlarmHtml), expected);
    EXPECT_EQ(form.AlarmNotes, "Bohrer\r\nmitbringen");
    ShowAlarm* alarm = ShowAlarm::Open().front();
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
    ShowAlarm* alarm = ShowAlarm::Open().front();
    const THTMLDrawResult shown = Shown(alarm->PopupLabel);
    EXPECT_EQ(shown.StripVal.substr(shown.StripVal.rfind('\r') + 1), subject);
    EXPECT_EQ(shown.HyperLinks, 2);   // "verschieben" and "memo" only
    EXPECT_EQ(form.spoken, std::vector<std::string>{subject});
}

TEST_F(Reminders, MissingNotesGiveAnEmptyText) {
    Appointment("Ohne Notiz", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    form.AlarmNotes = "alt";
    ASSERT_TRUE(Check(form, 1));
    EXPECT_EQ(form.AlarmNotes, "");
}

TEST_F(Reminders, CharacterSaysTheSubjectAndOnlyShowsMarkupOfTheText) {
    Appointment("Zahnarzt", At(7, 10, 15));
    Appointment("<b>Chef</b>", At(7, 10, 15, 5));
    AlarmForm form(nullptr);
    Connect(form);
    form.agentInstalled = true;
    ASSERT_TRUE(Check(form, 2));
    EXPECT_TRUE(form.AgentLoaded);
    EXPECT_EQ(form.spoken, (std::vector<std::string>{"Zahnarzt", "<b>Chef</b>"}));
}

TEST_F(Reminders, NextCheckComesAMinuteAndFiftyFiveSecondsAfterAnAlarm) {
    Appointment("Zahnarzt", At(7, 10, 15));
    Appointment("Nächste Minute", At(7, 10, 16));
    AlarmForm form(nullptr);
    Connect(form);
    form.SetAlarmsPresent(true);
    now = At(7, 10, 14, 20);
    const double start = double(now);
    // Each tick comes after the interval the previous one left on the timer.
    for (int tick = 1; tick <= 42; ++tick) {
        form.Timer1Timer(form.Timer1);
        ASSERT_TRUE(form.Timer1->Enabled());
        now = TDateTime(double(now) + form.Timer1->Interval() / 86400000.0);
    }
    ASSERT_EQ(form.checks.size(), 4u);
    auto seconds = [&](std::size_t i) { return int(std::lround((form.checks[i] - start) * 86400)); };
    // 10:14:45 nothing, 10:15:45 the alarm, then 115 s to 10:17:40, then the usual 60 s.
    EXPECT_EQ(seconds(0), 25);
    EXPECT_EQ(seconds(1), 85);
    EXPECT_EQ(seconds(2), 200);
    EXPECT_EQ(seconds(3), 260);
    // The minute in between was never checked: its appointment raised nothing.
    ASSERT_TRUE(WaitUntil([] { return ShowAlarm::Open().size() == 1; }));
    Application->ProcessMessages();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Zahnarzt"});
}

TEST_F(Reminders, PopupSitsInTheCornerOfTheWorkAreaWithItsTextButtonAndTimers) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    ShowAlarm* alarm = ShowAlarm::Open().front();
    TForm* popup = alarm->Popup;
    const TRect work = Screen->WorkAreaRect();
    EXPECT_EQ(popup->BoundsRect(), TRect(work.Right - 250, work.Bottom - 100, work.Right, work.Bottom));
    EXPECT_TRUE(popup->Visible());
    EXPECT_EQ(popup->BorderStyle(), bsNone);
    EXPECT_EQ(popup->FormStyle(), fsStayOnTop);
    EXPECT_EQ(popup->Color(), TColor(0xC0DCC0));
    EXPECT_EQ(alarm->PopupLabel->BoundsRect(), TRect(10, 10, 245, 80));
    EXPECT_TRUE(alarm->PopupLabel->Transparent());
    EXPECT_EQ(alarm->CloseButton->BoundsRect(), TRect(224, 11, 239, 26));
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
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(100, 28)), TColor(0x90B090));
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(100, 1)), TColor(0xC0DCC0));
}

TEST_F(Reminders, PostponeHidesTheAlarmForTenMinutesThenItComesBackWithTheSound) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    const unsigned bells = MMSystem::BeepCount();
    ASSERT_TRUE(Check(form, 1));
    // No sound is chosen: the platform rings its bell.
    EXPECT_EQ(MMSystem::BeepCount(), bells + 1);
    ShowAlarm* alarm = ShowAlarm::Open().front();

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
    EXPECT_TRUE(ShowAlarm::Open().front()->Popup->Visible());
}

TEST_F(Reminders, MemoShowsEachPopupsOwnNotesInPlaceOfTheText) {
    Appointment("Zahnarzt", At(7, 10, 15), "hans", "Bohrer mitbringen");
    Appointment("Friseur", At(7, 10, 15, 30), "hans", "Nur schneiden");
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 2));
    EXPECT_EQ(form.AlarmNotes, "Nur schneiden");
    for (ShowAlarm* alarm : ShowAlarm::Open()) {
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
    for (ShowAlarm* alarm : ShowAlarm::Open()) {
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
    ShowAlarm* alarm = ShowAlarm::Open().front();
    alarm->AnchorClick(alarm->PopupLabel, "woanders");
    EXPECT_TRUE(alarm->Popup->Visible());
    EXPECT_EQ(alarm->NotesMemo, nullptr);

    const int forms = Screen->FormCount();
    alarm->CloseButton->Click();
    EXPECT_TRUE(ShowAlarm::Open().empty());
    EXPECT_TRUE(WaitUntil([&] { return Screen->FormCount() == forms - 1; }, 2000));
}

TEST_F(Reminders, AttentionTicksRunThroughTwentyOneValuesAndKeepTheCharacterAwake) {
    Appointment("Zahnarzt", At(7, 10, 15));
    AlarmForm form(nullptr);
    Connect(form);
    ASSERT_TRUE(Check(form, 1));
    ShowAlarm* alarm = ShowAlarm::Open().front();
    std::vector<int> seen;
    for (int i = 0; i < 22; ++i) {
        form.AgentIdleTicks = 5;
        alarm->AttentionTimer->OnTimer(alarm->AttentionTimer);
        seen.push_back(ShowAlarm::AttentionTicks);
        EXPECT_EQ(form.AgentIdleTicks, 0);
    }
    EXPECT_EQ(seen[0], 1);
    EXPECT_EQ(seen[19], 20);
    EXPECT_EQ(seen[20], 0);
    EXPECT_EQ(seen[21], 1);
}
