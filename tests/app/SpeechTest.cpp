// What the character says on its own: the time, the sayings, today's appointments, the clipboard;
// the birthday mail; the character's options reached from the settings; and the alarm popup's
// character.
#include "AppFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <fstream>
#include <thread>

#include "ADODB.h"
#include "AgentFake.h"
#include "Alarms.h"
#include "DueAlarms.h"
#include "Reminders.h"
#include "ShellApi.h"
#include "TarvolinEinstellung.h"

using namespace apptest;

namespace {
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

class Speech : public AppTest {
protected:
    FakeAgentInstallation agent;
    std::unique_ptr<TForm1> form;
    std::vector<std::string> messages;

    void SetUp() override {
        AppTest::SetUp();
        WriteUserInteger(kTarvolin, "CharacterUsed", 1);
        std::filesystem::create_directories(dir.path() / "program" / "Figuren");
        std::ofstream(dir.path() / "program" / "Figuren" / "Merlin.acp") << "character";
        Dialogs::SetDialogAnswerer([this](TModalDialog& d) {
            messages.push_back(d.Text());
            d.Press(d.Buttons().empty() ? "OK" : d.Buttons().front());
        });
        form = std::make_unique<TForm1>(nullptr);
        form->Character().SayTimeEnabled = true;
    }
    void TearDown() override {
        for (int i = 0; i < 5; ++i) Application->ProcessMessages();
        form.reset();
        AppTest::TearDown();
    }

    // The character's animations and speech since the last call.
    std::vector<std::string> Said() {
        std::vector<std::string> out;
        for (const auto& c : agent.log->calls)
            if (c.rfind("Play ", 0) == 0 || c.rfind("Speak ", 0) == 0) out.push_back(c);
        agent.log->calls.clear();
        return out;
    }
    void At(int hour, int minute, int second = 0) { now = D(2026, 12, 9, hour + minute / 60.0 + second / 3600.0); }
    void TimeAt(int hour, int minute, int second = 0) {
        At(hour, minute, second);
        form->Character().SayTime();
    }
    std::string DebugLog() {
        std::ifstream in(dir.str() + "temp/tarvolindebug.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Sayings(const std::string& text) { dir.write("program/sprueche.ini", text); }
};
} // namespace

// ---- the time -------------------------------------------------------------------------------------------------
TEST_F(Speech, TheTimeIsSpokenOnceInEachDueMinuteWithLateEveningTexts) {
    WriteUserString(kTarvolin, "SPAgentTime", "Die Zeit, es ist <TIME>");
    form->Character().SayTimeInterval = 15;
    TimeAt(22, 30);
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Wave", "Play GestureDown", "Speak Die Zeit, es ist 22:30 Uhr"}));
    TimeAt(22, 30, 5);
    EXPECT_TRUE(Said().empty());
    TimeAt(22, 31);
    EXPECT_TRUE(Said().empty());
    TimeAt(22, 45);
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Wave", "Play GetAttention", "Play GetAttentionReturn",
                                                "Play GestureDown",
                                                "Speak Es ist schon spät geworden, es ist 22:45 Uhr"}));

    form->Character().SayTimeInterval = 1;
    TimeAt(22, 31);
    EXPECT_EQ(Said().back(), "Speak Es ist schon spät geworden, es ist 22:31 Uhr");
    TimeAt(23, 45);
    EXPECT_EQ(Said().back(), "Speak Die Zeit, es ist 23:45 Uhr");
    TimeAt(23, 46);
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Wave", "Play Surprised", "Play GestureDown",
                                                "Speak Es ist schon ziemlich spät geworden, es ist 23:46 Uhr"}));
    // Every minute is due at interval 1, and each is spoken once.
    TimeAt(23, 47);
    EXPECT_EQ(Said().size(), 4u);
    TimeAt(23, 47, 30);
    EXPECT_TRUE(Said().empty());
}

TEST_F(Speech, AtIntervalSixtyTheTimeComesWithEachFullHour) {
    WriteUserString(kTarvolin, "SPAgentTime", "<TIME> und <TIME>");
    form->Character().SayTimeInterval = 60;
    TimeAt(14, 0, 3);
    EXPECT_EQ(Said().back(), "Speak 14:00 Uhr und 14:00 Uhr");
    TimeAt(14, 0, 8);
    TimeAt(14, 1);
    TimeAt(14, 59, 55);
    EXPECT_TRUE(Said().empty());
    TimeAt(15, 0, 2);
    EXPECT_EQ(Said().back(), "Speak 15:00 Uhr und 15:00 Uhr");

    // An interval below one minute counts as an hour.
    form->Character().SayTimeInterval = 0;
    TimeAt(15, 30);
    EXPECT_TRUE(Said().empty());
    TimeAt(16, 0);
    EXPECT_EQ(Said().size(), 3u);
}

TEST_F(Speech, AMissingTimeTextIsTheDialogsAndAnEmptyOneOnlyGestures) {
    form->Character().SayTimeInterval = 15;
    TimeAt(9, 15);
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Wave", "Play GestureDown", "Speak Die Zeit, es ist 09:15 Uhr"}));
    WriteUserString(kTarvolin, "SPAgentTime", "");
    TimeAt(9, 30);
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Wave", "Play GestureDown"}));
    // A text that is not a string falls back to the standard one.
    WriteUserInteger(kTarvolin, "SPAgentTime", 5);
    TimeAt(9, 45);
    EXPECT_EQ(Said().back(), "Speak Die Zeit, es ist 09:45 Uhr");

    form->Character().SayTimeEnabled = false;
    TimeAt(10, 0);
    EXPECT_TRUE(Said().empty());
}

// ---- the sayings -------------------------------------------------------------------------------------------
TEST_F(Speech, SayingsAreSpokenAtTheirMinuteUntilTheFirstEmptySlot) {
    Sayings("[Namen]\nTab0=Morgen\nTab1=empty\nTab2=Kaffee\nTab3=Abend\nTab5=Spät\n\n"
            "[Morgen]\nZeit=0,3125\nAnimation=Wave\nSpruch=Guten Morgen\n\n"
            "[Kaffee]\nZeit=0,3125\nSpruch=Kaffeezeit\n\n"
            "[Abend]\nZeit=0,75\nSpruch=Feierabend\n\n"
            "[Spät]\nZeit=0,75\nSpruch=Nie\n\n"
            "[empty]\nSpruch=\n");
    At(7, 30, 20);
    form->Character().SaySayings();
    // Two sayings of one minute go to the character one after the other; its server says them in
    // that order while the caller goes on (no idle report was waited for).
    std::vector<std::string> order;
    for (const auto& c : agent.log->calls)
        if (c == "Idle" || c.rfind("Speak", 0) == 0 || c.rfind("Play", 0) == 0) order.push_back(c);
    EXPECT_EQ(order, (std::vector<std::string>{"Play Wave", "Speak Guten Morgen", "Play Blink", "Speak Kaffeezeit"}));
    agent.log->calls.clear();
    At(18, 0);
    form->Character().SaySayings();
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Blink", "Speak Feierabend"}));
    // The mark of a deleted saying is no saying.
    At(0, 0);
    form->Character().SaySayings();
    EXPECT_TRUE(Said().empty());
    At(12, 0);
    form->Character().SaySayings();
    EXPECT_TRUE(Said().empty());
}

TEST_F(Speech, TheTickNeverWaitsForSpeechAndTheCharacterStaysUntilItHasSpoken) {
    WriteUserString(kTarvolin, "SPAgentTime", "Die Zeit, es ist <TIME>");
    Sayings("[Namen]\nTab0=Morgen\n\n[Morgen]\nZeit=0,3125\nSpruch=Guten Morgen\n");
    form->Character().SayTimeInterval = 15;
    At(7, 30, 2);
    // The saying and the time of a due minute come at the first tick of that minute, once.
    for (int tick = 1; tick <= 6; ++tick) form->DayClock().Tick();
    // Both were handed to the character, and the tick returned without running the character's
    // reports (they come as messages): nothing was waited for.
    EXPECT_EQ(agent.log->With("Speak"), (std::vector<std::string>{"Speak Guten Morgen",
                                                                  "Speak Die Zeit, es ist 07:30 Uhr"}));
    EXPECT_FALSE(agent.log->Has("Idle"));
    EXPECT_TRUE(form->DayClock().Timer1->Enabled());
    // While it speaks, ticks neither hide nor unload it.
    for (int tick = 0; tick < 8; ++tick) form->DayClock().Tick();
    EXPECT_FALSE(agent.log->Has("Hide"));
    EXPECT_TRUE(form->Character().AgentLoaded);
    // Once it reports that it has said all, it goes after the usual idle ticks.
    Application->ProcessMessages();
    ASSERT_TRUE(agent.log->Has("Idle"));
    EXPECT_TRUE(form->Character().AgentIdle);
    form->DayClock().Tick();
    form->DayClock().Tick();
    EXPECT_TRUE(agent.log->Has("Hide"));
    form->DayClock().Tick();
    EXPECT_FALSE(form->Character().AgentLoaded);
}

TEST_F(Speech, ASayingOfAMinuteThatATickSkippedIsSaidOnceWhenTheTickComes) {
    Sayings("[Namen]\nTab0=Vier\nTab1=Fuenf\n\n[Vier]\nZeit=0,593055555555556\nSpruch=Vierzehn vierzehn\n\n"
            "[Fuenf]\nZeit=0,59375\nSpruch=Vierzehn fuenfzehn\n");
    const auto tick = [&](int minute, int second) {
        At(14, minute, second);
        form->DayClock().Tick();
        return agent.log->With("Speak Vierzehn");
    };
    EXPECT_TRUE(tick(13, 55).empty());
    // A dialog held the tick for 40 s past the whole minute 14:14.
    EXPECT_EQ(tick(14, 35), std::vector<std::string>{"Speak Vierzehn vierzehn"});
    agent.log->calls.clear();
    EXPECT_TRUE(tick(14, 40).empty());
    // The next minute comes once, and a held tick over both minutes says each once.
    EXPECT_EQ(tick(15, 0), std::vector<std::string>{"Speak Vierzehn fuenfzehn"});
    agent.log->calls.clear();
    EXPECT_TRUE(tick(15, 5).empty());
    // The clock set back a little says nothing twice.
    EXPECT_TRUE(tick(14, 50).empty());
    EXPECT_TRUE(tick(15, 10).empty());
}

TEST_F(Speech, ASayingWithoutTimeIsDueAtMidnightAndTab100IsNeverRead) {
    std::string text = "[Namen]\n";
    for (int i = 0; i < 100; ++i) text += "Tab" + std::to_string(i) + "=S" + std::to_string(i) + "\n";
    text += "Tab100=Hundert\n[S0]\nSpruch=Mitternacht\n[S1]\nZeit=0,5\nSpruch=Mittag\n"
            "[Hundert]\nZeit=0,25\nSpruch=Nie\n";
    Sayings(text);
    At(6, 0);
    form->Character().SaySayings();
    EXPECT_TRUE(Said().empty());
    At(12, 0);
    form->Character().SaySayings();
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Blink", "Speak Mittag"}));
    // 00:00: S0 with its text, and S2..S99 (no section) with nothing to say.
    At(0, 0, 30);
    form->Character().SaySayings();
    const auto said = Said();
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said[0], "Play Blink");
    EXPECT_EQ(said[1], "Speak Mitternacht");
    EXPECT_EQ(said.size(), 2u + 98u);
}

TEST_F(Speech, WithoutASayingsFileNothingIsSaid) {
    At(0, 0);
    form->Character().SaySayings();
    EXPECT_TRUE(agent.log->calls.empty());
}

// ---- today's appointments -----------------------------------------------------------------------------------
TEST_F(Speech, TodaysAppointmentsAreAnnouncedThroughTheTimerWithTheirIntroduction) {
    WriteUserString(kTarvolin, "SBAgentAppointments", "Heute:");
    form->Character().AnnounceIntroPending = true;
    form->SetAnnouncePending(true);
    form->SetAnnouncementText("");
    EXPECT_FALSE(form->TreadSyncTimer1->Enabled());

    // Handed over by the page builder's thread: nothing happens there.
    std::thread builder([&] { form->SetAnnouncementText("09:00 Uhr - Zahnarzt\r\nTeam"); });
    builder.join();
    EXPECT_TRUE(agent.log->calls.empty());
    ASSERT_TRUE(WaitUntil([&] { return agent.log->With("Speak").size() == 3; }, 5000));
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play ReadContinued", "Speak Heute:", "Play ReadContinued",
                                                "Speak 09:00 Uhr - Zahnarzt", "Play ReadContinued", "Speak Team"}));
    EXPECT_FALSE(form->TreadSyncTimer1->Enabled());
    EXPECT_TRUE(form->Character().SpeechText.empty());
    EXPECT_FALSE(form->AnnouncePending());
    EXPECT_FALSE(form->Character().AnnounceIntroPending);

    // Without a character the lines are dropped, and the announcement is still over.
    form->Character().SaveAndUnload();
    WriteUserInteger(kTarvolin, "CharacterUsed", 0);
    form->SetAnnouncePending(true);
    form->SetAnnouncementText("Später");
    ASSERT_TRUE(WaitUntil([&] { return !form->TreadSyncTimer1->Enabled(); }, 5000));
    EXPECT_TRUE(Said().empty());
    EXPECT_FALSE(form->AnnouncePending());
}

// ---- the clipboard ------------------------------------------------------------------------------------------
TEST_F(Speech, TheClipboardIsReadAloudAndTheMenuItemComesBack) {
    // Switched off, the character stays away, and the reading does not force it on for later.
    WriteUserInteger(kTarvolin, "CharacterUsed", 0);
    Clipboard()->SetAsText("Ein kurzer Text.");
    form->Tray().Zwischenablagevorlesen1->Click();
    EXPECT_TRUE(Said().empty());
    EXPECT_FALSE(form->Character().AgentLoaded);
    EXPECT_FALSE(form->Character().AgentForceLoad);
    EXPECT_TRUE(form->Tray().Zwischenablagevorlesen1->Enabled);
    EXPECT_FALSE(form->Character().Start(0, 0, true));

    WriteUserInteger(kTarvolin, "CharacterUsed", 1);
    form->Tray().Zwischenablagevorlesen1->Click();
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Read", "Play ReadContinued", "Play ReadContinued",
                                                "Speak Ein kurzer Text.", "Play ReadReturn"}));
    EXPECT_TRUE(form->Tray().Zwischenablagevorlesen1->Enabled);
    EXPECT_FALSE(form->Character().ClipboardReadingBusy);
    // The reading forced the character for itself only: switched off now, it goes and stays away.
    EXPECT_FALSE(form->Character().AgentForceLoad);
    WriteUserInteger(kTarvolin, "CharacterUsed", 0);
    EXPECT_FALSE(form->Character().Start(0, 0, true));
    EXPECT_FALSE(form->Character().AgentLoaded);
    WriteUserInteger(kTarvolin, "CharacterUsed", 1);

    auto* empty = new QMimeData;
    empty->setText("");
    QApplication::clipboard()->setMimeData(empty);
    form->Tray().Zwischenablagevorlesen1->Click();
    EXPECT_EQ(Said(), (std::vector<std::string>{
                          "Play Read", "Play ReadContinued", "Play Read", "Play ReadContinued",
                          "Speak Hmmm,ich soll die Zwischenablage vorlesen? Ich habe dort aber leider keinen Text "
                          "gefunden!",
                          "Play ReadReturn", "Play ReadReturn"}));

    auto* picture = new QMimeData;
    picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(picture);
    form->Tray().Zwischenablagevorlesen1->Click();
    EXPECT_EQ(Said(), (std::vector<std::string>{"Play Read", "Play ReadContinued", "Play ReadReturn"}));
}

TEST_F(Speech, AReadingThatCannotStartGivesTheMenuItemBack) {
    agent.serverAvailable = false;
    form->Tray().Zwischenablagevorlesen1->Click();
    EXPECT_TRUE(form->Tray().Zwischenablagevorlesen1->Enabled);
    EXPECT_EQ(messages.size(), 1u);   // the missing server's dialog

    // While one reading runs, a second one does nothing.
    form->Character().ClipboardReadingBusy = true;
    form->Tray().Zwischenablagevorlesen1->Click();
    EXPECT_FALSE(form->Tray().Zwischenablagevorlesen1->Enabled);
    EXPECT_EQ(agent.serversCreated, 1);
}

// ---- the birthday mail ----------------------------------------------------------------------------------------
TEST_F(Speech, TheBirthdayMailOpensTheMailProgramWithTheTextAsItIs) {
    std::vector<std::string> opened;
    ShellApi::SetUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    WriteUserString(kTarvolin, "Body", "Alles Gute, Jürgen");
    form->SendBirthdayMail("anna@example.org");
    WriteUserString(kTarvolin, "Body", "Tom & Jerry #1? 50%");
    form->SendBirthdayMail("tom@example.org");
    WriteUserInteger(kTarvolin, "Body", 1);
    form->SendBirthdayMail("eva@example.org");
    // The desktop gets the link in its encoded form; the text itself went in as it is, so only the
    // characters that would have ended it were written as codes beforehand.
    EXPECT_EQ(opened, (std::vector<std::string>{
                          "mailto:anna@example.org?subject=Herzlichen%20Gl%C3%BCckwunsch&body=Alles%20Gute,%20J%C3%BCrgen",
                          "mailto:tom@example.org?subject=Herzlichen%20Gl%C3%BCckwunsch&body=Tom%20%26%20Jerry%20%231%3F%"
                          "2050%25",
                          "mailto:eva@example.org?subject=Herzlichen%20Gl%C3%BCckwunsch&body=...%20und%20alles%20Gute%"
                          "20zum%20Geburtstag"}));

    // No address, no mail: only a line in the log.
    opened.clear();
    form->SendBirthdayMail(" ");
    EXPECT_TRUE(opened.empty());
    EXPECT_NE(DebugLog().find("BM_Keine_EMailAdresse"), std::string::npos);
    ShellApi::SetUrlOpener(nullptr);
}

// ---- the character's options ------------------------------------------------------------------------------------
TEST_F(Speech, TheServersOwnDialogsAreReachedThroughTheCharacter) {
    TarvolinAgent::ShowDefaultCharacterProperties();
    EXPECT_TRUE(form->Character().AgentLoaded);
    EXPECT_TRUE(agent.log->Has("ShowDefaultCharacterProperties 0 0 1"));
    TarvolinAgent::ShowPropertySheet();
    EXPECT_TRUE(agent.log->Has("ShowOutputProperties"));
    EXPECT_TRUE(messages.empty());
    agent.server->outputResult = Agent::E_FAIL;
    TarvolinAgent::ShowPropertySheet();
    EXPECT_EQ(messages, (std::vector<std::string>{"Evtl. ist der MS-Agent bei Ihnen nicht installiert!"}));

    // Reload puts the character away and brings it back; Start can keep it hidden.
    agent.log->calls.clear();
    TarvolinAgent::Reload();
    EXPECT_EQ(agent.log->With("Unload").size(), 1u);
    EXPECT_EQ(agent.log->With("Load ").size(), 1u);
    EXPECT_EQ(TarvolinAgent::Character(), form->Character().AgentCharacter);
    form->Character().SaveAndUnload();
    agent.log->calls.clear();
    WriteUserInteger(kTarvolin, "CharacterUsed", 0);
    EXPECT_TRUE(TarvolinAgent::Start(true, false));
    EXPECT_FALSE(agent.log->Has("Show"));
}

// ---- the alarm popup's character ----------------------------------------------------------------------------
TEST_F(Speech, TheCharacterStandsOnTheAlarmPopupAndSaysTheSubject) {
    form->Character().AgentLoaded = form->Character().Start(0, 0, true);
    ASSERT_TRUE(form->Character().AgentLoaded);
    auto popup = [&](const std::string& subject) {
        DueAlarm due;
        due.Subject = AppointmentField<AnsiString>(subject);
        const std::size_t before = form->Reminders().Open().size();
        form->Reminders().Raise(due);
        EXPECT_TRUE(WaitUntil([&] { return form->Reminders().Open().size() > before; }));
        return form->Reminders().Open().back();
    };
    agent.log->calls.clear();
    ShowAlarm* alarm = popup("Zahnarzt");
    const TRect work = Screen->WorkAreaRect();
    const int popupHeight = alarm->Popup->Height();
    std::vector<std::string> calls;
    for (const auto& c : agent.log->calls)
        if (c != "Idle") calls.push_back(c);
    EXPECT_EQ(calls, (std::vector<std::string>{"Show",
                                               "MoveTo " + std::to_string(work.Right - 128) + " " +
                                                   std::to_string(work.Bottom - popupHeight - 128) + " 1000",
                                               "Show", "Play Read", "Play ReadContinued", "Speak Zahnarzt",
                                               "Play ReadReturn"}));

    agent.log->calls.clear();
    // The attention animation at the fifteenth tick of a visible popup.
    ShowAlarm::AttentionTicks = 13;
    alarm->AgentAttention(alarm->AttentionTimer);
    EXPECT_TRUE(agent.log->calls.empty());
    form->Character().AgentIdleTicks = 3;
    alarm->AgentAttention(alarm->AttentionTimer);
    EXPECT_EQ(form->Character().AgentIdleTicks, 0);
    EXPECT_EQ(agent.log->calls, (std::vector<std::string>{"Show", "Play GetAttention", "Play GetAttentionContinued",
                                                          "Play GetAttentionContinued", "Play GetAttentionReturn"}));
    agent.log->calls.clear();
    ShowAlarm::AttentionTicks = 14;
    alarm->Popup->SetVisible(false);
    alarm->AgentAttention(alarm->AttentionTimer);
    EXPECT_TRUE(agent.log->calls.empty());
}

TEST_F(Speech, AMissingPiecesDialogDuringTheReminderCheckLosesNoAlarm) {
    const std::string db = LayOutDatabase();
    auto execute = [&](const std::string& sql) {
        TADOCommand c(nullptr);
        c.SetConnectionString(ZorbelinConnectionString(db));
        c.SetCommandText(sql);
        c.Execute();
    };
    execute("delete from termine");
    WriteUserString("\\Software\\Hallowerk\\Zorbelin", "BENUTZER", "hans");
    At(10, 15, 30);
    for (const char* subject : {"Zahnarzt", "Friseur"}) {
        const std::string when = SysUtils::FloatToCText(double(D(2026, 12, 9, 10.25)), 10, true);
        execute(std::string("insert into termine (Subject, StartTime, Benutzer, Alarm) values ('") + subject + "', " +
                when + ", 'hans', 1)");
    }
    form->ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
    // The server is missing: each alarm's start of the character shows the dialog, and while it is open
    // the minute timer looks for page requests with the window's own query.
    agent.serverAvailable = false;
    Dialogs::SetDialogAnswerer([this](TModalDialog& d) {
        messages.push_back(d.Caption());
        form->CheckUserRefresh();
        d.Press("Ok");
    });
    form->CheckAlarms();
    ASSERT_TRUE(WaitUntil([this] { return form->Reminders().Open().size() == 2; }, 5000));
    // Once for each alarm by the check and once by its popup.
    EXPECT_EQ(messages, std::vector<std::string>(4, "MS Agent nicht installiert!"));
}
