// The speaking character: loading and placing it, the component checks and their dialogs, its
// notifications, speaking and waiting, long texts, and putting it away when idle.
#include "AppFixture.h"

#include <chrono>
#include <fstream>

#include <QImage>
#include <QPainter>

#include "AdvCombo.h"
#include "AgentFake.h"
#include "Character.h"
#include "CharacterWindow.h"
#include "GraphicsQt.h"
#include "FehlerMeldung.h"
#include "ShellApi.h"
#include "TarvolinEinstellung.h"

using namespace apptest;

namespace {
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

class Character : public AppTest {
protected:
    FakeAgentInstallation agent;
    std::unique_ptr<TForm1> form;
    // The captions of the modal dialogs shown, in order.
    std::vector<std::string> shown;

    void SetUp() override {
        AppTest::SetUp();
        WriteUserInteger(kTarvolin, "CharacterUsed", 1);
        AddCharacterFile("Merlin.acp");
        Dialogs::SetDialogAnswerer([this](TModalDialog& d) {
            shown.push_back(d.Caption());
            d.Press(d.Buttons().empty() ? "OK" : d.Buttons().front());
        });
        form = std::make_unique<TForm1>(nullptr);
        form->Character().SayTimeEnabled = false;
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }

    void AddCharacterFile(const std::string& name) {
        const auto path = dir.path() / "program" / "Figuren" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "character";
    }
    void RemoveCharacters() { std::filesystem::remove_all(dir.path() / "program" / "Figuren"); }

    bool Start(int x = 0, int y = 0) {
        form->Character().AgentLoaded = form->Character().Start(x, y, true);
        return form->Character().AgentLoaded;
    }
    int ReadInt(const char* name) {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly(kTarvolin) || !reg.ValueExists(name)) return -999;
        return reg.ReadInteger(name);
    }
    std::string DebugLog() {
        std::ifstream in(dir.str() + "temp/tarvolindebug.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static TRect Work() { return Screen->WorkAreaRect(); }
};
} // namespace

// ---- loading and placing ---------------------------------------------------------------------------------------
TEST_F(Character, AFreshCharacterIsLoadedInTheLowerRightCornerShownAndListenedTo) {
    ASSERT_TRUE(Start());
    const TRect work = Work();
    EXPECT_EQ(agent.log->calls,
              (std::vector<std::string>{"Load ", "SetLanguageID 7",
                                        "SetPosition " + std::to_string(work.Right - 128) + " " +
                                            std::to_string(work.Bottom - 128),
                                        "Show", "Register"}));
    ASSERT_TRUE(form->Character().AgentSink);
    // What the server reports reaches the character itself.
    form->Character().AgentSink->Idle(FakeServer::Id, true);
    EXPECT_TRUE(form->Character().AgentIdle);
    EXPECT_EQ(form->Character().AgentSink->CharacterId, FakeServer::Id);
    EXPECT_EQ(form->Character().AgentSinkId, 3);
    EXPECT_EQ(ReadInt("AgentZoom"), 0);   // written when missing
}

TEST_F(Character, ALoadedCharacterIsOnlyShownWhereverTheCallerWantsIt) {
    ASSERT_TRUE(Start());
    agent.log->calls.clear();
    form->Character().StopSpeaking = true;
    EXPECT_TRUE(form->Character().Start(500, 500, true));
    EXPECT_EQ(agent.log->calls, (std::vector<std::string>{"Show"}));
    EXPECT_FALSE(form->Character().StopSpeaking);
    EXPECT_TRUE(form->Character().Start(1, 1, false));
    EXPECT_EQ(agent.log->calls.size(), 1u);
}

TEST_F(Character, SavedPositionsAreUsedAndPulledBackOntoTheScreen) {
    const int sw = Screen->Width(), sh = Screen->Height();
    WriteUserInteger(kTarvolin, "AgentLastPositionX", sw - 30);
    WriteUserInteger(kTarvolin, "AgentLastPositionY", sh - 24);
    ASSERT_TRUE(Start());
    EXPECT_EQ(agent.log->With("SetPosition"),
              (std::vector<std::string>{"SetPosition " + std::to_string(sw - 30) + " " + std::to_string(sh - 24),
                                        "SetPosition " + std::to_string(sw - 138) + " " + std::to_string(sh - 138)}));
    form->Character().SaveAndUnload();

    // Beyond the screen or negative: 128 each.
    WriteUserInteger(kTarvolin, "AgentLastPositionX", sw + 20);
    WriteUserInteger(kTarvolin, "AgentLastPositionY", -5);
    agent.log->calls.clear();
    ASSERT_TRUE(Start());
    EXPECT_EQ(agent.log->With("SetPosition"), (std::vector<std::string>{"SetPosition 128 128"}));
    form->Character().SaveAndUnload();

    // A position asked for by the caller wins.
    agent.log->calls.clear();
    ASSERT_TRUE(Start(300, 200));
    EXPECT_EQ(agent.log->With("SetPosition"), (std::vector<std::string>{"SetPosition 300 200"}));
}

TEST_F(Character, ZoomMakesTwoThirdsOfTheOriginalSize) {
    WriteUserInteger(kTarvolin, "AgentZoom", 1);
    ASSERT_TRUE(Start());
    const TRect work = Work();
    EXPECT_EQ(agent.log->With("Set"),
              (std::vector<std::string>{"SetLanguageID 7", "SetSize 85 85",
                                        "SetPosition " + std::to_string(work.Right - 85) + " " +
                                            std::to_string(work.Bottom - 85)}));
}

TEST_F(Character, SwitchedOffOrUnsetTheCharacterStaysAway) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kTarvolin, false));
        reg.DeleteValue("CharacterUsed");
    }
    EXPECT_FALSE(Start());
    EXPECT_EQ(ReadInt("CharacterUsed"), 0);
    EXPECT_EQ(agent.serversCreated, 0);
    EXPECT_TRUE(shown.empty());

    // Switched off, only a forced load brings it.
    EXPECT_FALSE(Start());
    form->Character().AgentForceLoad = true;
    EXPECT_TRUE(Start());
}

TEST_F(Character, TheChosenFileAndVoiceAreHandedToTheServer) {
    const std::string file = dir.str() + "program/Figuren/Merlin.acp";
    WriteUserString(kTarvolin, "AgentFromFileSystem", file);
    WriteUserString(kTarvolin, "AgentVoiceModeID", "de");
    ASSERT_TRUE(Start());
    EXPECT_TRUE(agent.log->Has("Load " + file));
    EXPECT_TRUE(agent.log->Has("SetTTSModeID {de}"));
    form->Character().SaveAndUnload();

    // A file that is gone gives the default character; a voice the server refuses is logged.
    WriteUserString(kTarvolin, "AgentFromFileSystem", dir.str() + "gone.acp");
    agent.server->voiceResult = Agent::E_FAIL;
    agent.log->calls.clear();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(agent.log->Has("Load "));
    EXPECT_NE(DebugLog().find("SetTTSModeID=>Fehler"), std::string::npos);
}

// A chosen package that is a link to one outside its folder is refused as its pictures would be: the
// user hears why once, beside the page, not at every request for the character.
TEST_F(Character, APackageLinkedFromOutsideItsFolderIsRefusedAndTheUserToldOnce) {
    // The shipped character beside the program, and a whole package outside.
    const auto outside = dir.path() / "aussen";
    std::filesystem::create_directories(outside);
    for (const auto& entry : std::filesystem::directory_iterator(ZB_PROGRAM_FIGUREN)) {
        std::filesystem::copy_file(entry.path(), outside / entry.path().filename());
        std::filesystem::copy_file(entry.path(), dir.path() / "program" / "Figuren" / entry.path().filename());
    }
    const std::string linked = dir.str() + "program/Figuren/fremd.acp";
    std::filesystem::create_symlink(outside / "eulalia.acp", linked);
    WriteUserString(kTarvolin, "AgentFromFileSystem", linked);
    std::vector<std::string> told;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        told.push_back(d.Text());
        d.Press(d.Buttons().empty() ? "OK" : d.Buttons().front());
    });
    // The real server judges the package.
    const Agent::AgentServerFactory fake = Agent::SetAgentServerFactory(nullptr);
    form->Character().ComponentChecksPending = false;
    EXPECT_FALSE(Start());
    EXPECT_FALSE(Start());
    Agent::SetAgentServerFactory(fake);
    const std::string why = "Die Figur \"fremd.acp\" wurde nicht geladen: die Datei liegt außerhalb ihres Ordners.";
    EXPECT_EQ(told, std::vector<std::string>{why});
    EXPECT_NE(DebugLog().find(why), std::string::npos);
}

TEST_F(Character, FailuresOfTheServerLeaveNoCharacter) {
    // Load refused: nothing kept.
    agent.server->loadResult = Agent::E_FAIL;
    EXPECT_FALSE(Start());
    EXPECT_EQ(form->Character().AgentServer, nullptr);
    agent.server->loadResult = Agent::S_OK;

    // Notifications refused: the character stays, without them.
    agent.server->registerResult = Agent::E_FAIL;
    EXPECT_TRUE(Start());
    EXPECT_EQ(form->Character().AgentSinkId, -1);
    EXPECT_NE(DebugLog().find("NotifySinkissPech"), std::string::npos);
    form->Character().SaveAndUnload();

    // The checks have passed: a server that cannot be had now turns the character off.
    agent.serverAvailable = false;
    EXPECT_FALSE(Start());
    EXPECT_EQ(ReadInt("CharacterUsed"), 0);
    EXPECT_TRUE(shown.empty());
}

// ---- component checks -----------------------------------------------------------------------------------------
TEST_F(Character, TheChecksRunUntilTheyPassOnceAndThenNoMore) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(agent.serversCreated, 2);   // one to check, one to use
    EXPECT_FALSE(form->Character().ComponentChecksPending);
    form->Character().SaveAndUnload();

    agent.voices = 0;
    RemoveCharacters();
    EXPECT_TRUE(Start());
    EXPECT_EQ(agent.serversCreated, 3);
    EXPECT_TRUE(shown.empty());
}

TEST_F(Character, TheFirstMissingPieceShowsOnlyItsDialog) {
    agent.serverAvailable = false;
    agent.libraryAvailable = false;
    agent.voices = 0;
    RemoveCharacters();
    EXPECT_FALSE(Start());
    EXPECT_EQ(shown, (std::vector<std::string>{"MS Agent nicht installiert!"}));

    agent.serverAvailable = true;
    EXPECT_FALSE(Start());
    agent.libraryAvailable = true;
    EXPECT_FALSE(Start());
    agent.voices = 2;
    EXPECT_FALSE(Start());
    EXPECT_EQ(shown, (std::vector<std::string>{"MS Agent nicht installiert!", "SAPI nicht installiert!",
                                               "TTS nicht installiert!",
                                               "mindestens eine Figur muß installiert sein."}));
    EXPECT_FALSE(agent.log->Has("Load "));
    EXPECT_TRUE(form->Character().ComponentChecksPending);

    AddCharacterFile("peedy.ACP");
    EXPECT_TRUE(Start());
    EXPECT_EQ(shown.size(), 4u);
}

TEST_F(Character, OnlyAPackageTheServerCanLoadCountsAsACharacter) {
    // The real server judges the packages here.
    FehlerMeldung::SetCharacterProbe(nullptr);
    RemoveCharacters();
    TSpeechComponentCheck check(form.get());
    const auto folder = dir.path() / "program" / "Figuren";
    std::filesystem::create_directories(folder / "sub");
    // Windows character files, a package without its pictures, and a good one in a subfolder.
    AddCharacterFile("merlin.ACS");
    AddCharacterFile("peedy.acf");
    std::filesystem::copy_file(ZB_PROGRAM_FIGUREN "/eulalia.acp", folder / "kaputt.acp");
    for (const auto& entry : std::filesystem::directory_iterator(ZB_PROGRAM_FIGUREN))
        std::filesystem::copy_file(entry.path(), folder / "sub" / entry.path().filename());
    EXPECT_FALSE(check.AreAgentCharactersInstalled());
    // The package with its pictures beside it.
    for (const auto& entry : std::filesystem::directory_iterator(ZB_PROGRAM_FIGUREN))
        std::filesystem::copy_file(entry.path(), folder / entry.path().filename());
    EXPECT_TRUE(check.AreAgentCharactersInstalled());

    // The listing itself: names of the folder's own entries, case ignored, without extensions.
    TStringList names;
    FehlerMeldung::GetFileList(dir.str() + "program/Figuren", "*.ac?", &names, true);
    names.Sort();
    EXPECT_EQ(names.Text(), "eulalia\r\nkaputt\r\nmerlin\r\npeedy\r\n");
    names.Clear();
    FehlerMeldung::GetFileList(dir.str() + "nowhere", "*.ac*", &names, false);
    FehlerMeldung::GetFileList("", "*.ac*", &names, false);
    EXPECT_EQ(names.Count(), 0);
}

TEST_F(Character, TheDialogsLookAsDesignedAndCloseWithCancel) {
    TFehlerMeldungAGENT agentDialog(nullptr);
    EXPECT_EQ(agentDialog.Caption(), "MS Agent nicht installiert!");
    EXPECT_EQ(agentDialog.Width(), 363);
    EXPECT_EQ(agentDialog.Height(), 177);
    EXPECT_EQ(agentDialog.HTMLabel1->BoundsRect(), TRect(2, 24, 355, 81));
    EXPECT_EQ(agentDialog.Button1->BoundsRect(), TRect(144, 104, 219, 129));
    EXPECT_EQ(agentDialog.Button1->Caption(), "Ok");
    EXPECT_EQ(agentDialog.Image1->BoundsRect(), TRect(16, 80, 66, 130));
    EXPECT_EQ(agentDialog.HTMLabel1->ShadowOffset(), 2);
    EXPECT_EQ(agentDialog.HTMLabel1->URLColor(), clBlue);
    EXPECT_EQ(agentDialog.Position(), poScreenCenter);
    EXPECT_EQ(agentDialog.ShowModal(), mrCancel);

    TFehlerMeldungSAPI sapi(nullptr);
    EXPECT_EQ(sapi.ClientWidth(), 373);
    EXPECT_EQ(sapi.ClientHeight(), 144);
    TFehlerMeldungTTS tts(nullptr);
    EXPECT_EQ(tts.HTMLabel1->BoundsRect(), TRect(-2, 24, 351, 105));
    EXPECT_NE(tts.HTMLabel1->HTMLText()->Text().find("<A href=\"TTSGER\">"), std::string::npos);
    TFehlerMeldungAGENTS characters(nullptr);
    EXPECT_EQ(characters.Width(), 379);
    EXPECT_EQ(characters.Height(), 171);
}

TEST_F(Character, TheVoiceDialogShowsItsLoudspeakerPicture) {
    auto painted = [](THTMLabel* label) {
        QImage img(label->Width(), label->Height(), QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter painter(&img);
            label->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
        }
        int count = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (GraphicsQt::FromQColor(img.pixelColor(x, y)) == TColor(0xD08040)) ++count;
        return count;
    };
    TFehlerMeldungTTS tts(nullptr);
    EXPECT_EQ(painted(tts.HTMLabel1), 2 * 8 + 2 * 4);   // the two sound waves
    tts.HTMLabel1->SetPictureContainer(nullptr);
    EXPECT_EQ(painted(tts.HTMLabel1), 0);
}

TEST_F(Character, TheDialogLinksLeadToTheSpeechPackageAndTheCharacterPage) {
    std::vector<std::string> opened;
    ShellApi::SetUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    // The page about character packages beside the program, as the build lays it out.
    std::filesystem::copy_file(ZB_PROGRAM_PAGE, dir.path() / "program" / CharacterPageName);
    const std::string page = "file://" + dir.str() + "program/" + CharacterPageName;
    {
        // Clicked where the label shows its link.
        TFehlerMeldungAGENTS d(nullptr);
        bool clicked = false;
        TRect r;
        for (int y = 1; y < d.HTMLabel1->Height() && !clicked; y += 2)
            for (int x = 1; x < d.HTMLabel1->Width() && !clicked; x += 2)
                if (d.HTMLabel1->IsAnchor(x, y, r) == "SAPIINSTALL") {
                    d.HTMLabel1->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
                    d.HTMLabel1->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
                    clicked = true;
                }
        EXPECT_TRUE(clicked);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{page}));
    opened.clear();
    {
        TFehlerMeldungTTS d(nullptr);
        d.HTMLabel1AnchorClick(d.HTMLabel1, "SAPIINSTALL");
        EXPECT_TRUE(opened.empty());
        d.HTMLabel1AnchorClick(d.HTMLabel1, "TTSGER");
        TFehlerMeldungSAPI s(nullptr);
        s.HTMLabel1AnchorClick(s.HTMLabel1, "SAPIINSTALL");
    }
    EXPECT_EQ(opened, (std::vector<std::string>{SpeechPackagePage, SpeechPackagePage}));
    opened.clear();
    {
        TFehlerMeldungAGENT d(nullptr);
        d.HTMLabel1AnchorClick(d.HTMLabel1, "SAPIINSTALL");
        EXPECT_EQ(opened, (std::vector<std::string>{page}));
    }
    // The page says what a package is and where it goes.
    const std::string text = dir.read("program/" + std::string(CharacterPageName));
    EXPECT_NE(text.find(".acp"), std::string::npos);
    EXPECT_NE(text.find("Ordner <code>Figuren</code> neben dem Programm"), std::string::npos);
    EXPECT_NE(text.find("espeak-ng"), std::string::npos);
    ShellApi::SetUrlOpener(nullptr);
}

// ---- notifications and idle -----------------------------------------------------------------------------------
TEST_F(Character, NotificationsBecomeTheCharactersFlags) {
    ASSERT_TRUE(Start());
    Agent::IAgentNotifySink& sink = **agent.server->sink;
    sink.Idle(99, true);
    EXPECT_TRUE(WaitUntil([&] { return form->Character().AgentIdle; }, 5000));
    EXPECT_EQ(form->Character().AgentIdleTicks, 4);
    sink.Idle(99, false);
    EXPECT_TRUE(WaitUntil([&] { return !form->Character().AgentIdle; }, 5000));

    // Hiding counts only for our own character.
    sink.VisibleState(99, false, 1);
    sink.DblClick(99, 1, 1);
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_FALSE(form->Character().StopSpeaking);
    sink.VisibleState(FakeServer::Id, true, 1);
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    EXPECT_FALSE(form->Character().StopSpeaking);
    sink.VisibleState(FakeServer::Id, false, 1);
    EXPECT_TRUE(WaitUntil([&] { return form->Character().StopSpeaking; }, 5000));
}

// The character hears its server itself, with no window about: a character made on its own takes
// the reports, and one that is gone (its server still holding its sink) takes none.
TEST_F(Character, ACharacterHearsItsServerWithoutAWindowAndNotOnceItIsGone) {
    struct Owner : ICharacterOwner {
        std::vector<std::string> log;
        void WriteDebugLog(const AnsiString& Text) override { log.push_back(Text); }
        AnsiString ExeDir() const override { return SysUtils::ProgramFolder(); }
        TComponent* CharacterOwnerWindow() override { return nullptr; }
        TRect CharacterWorkArea() override { return {}; }
        void StartAnnouncementTimer() override {}
        void SetAnnouncePending(bool) override {}
        void ReportProblem(const AnsiString& Text) override { log.push_back(Text); }
    } owner;
    auto alone = std::make_unique<TSpeakingCharacter>(owner);
    ASSERT_TRUE(alone->Load());
    const std::shared_ptr<Agent::IAgentNotifySink> sink = *agent.server->sink;
    ASSERT_TRUE(sink);
    sink->Idle(FakeServer::Id, true);
    EXPECT_TRUE(alone->AgentIdle);
    EXPECT_EQ(alone->AgentIdleTicks, 4);
    sink->VisibleState(FakeServer::Id, false, 1);
    EXPECT_TRUE(alone->StopSpeaking);
    EXPECT_FALSE(form->Character().AgentIdle);

    // Gone without being put away: reports still on their way reach nobody.
    alone.reset();
    sink->Idle(FakeServer::Id, false);
    sink->VisibleState(FakeServer::Id, false, 1);
    EXPECT_TRUE(owner.log.empty());
}

TEST_F(Character, AnIdleCharacterIsHiddenAtSixTicksAndPutAwayAtSeven) {
    ASSERT_TRUE(Start());
    agent.Character().left = 640;
    agent.Character().top = 480;
    form->Character().AgentSink->Idle(FakeServer::Id, true);
    ASSERT_TRUE(WaitUntil([&] { return form->Character().AgentIdleTicks == 4; }, 5000));
    agent.log->calls.clear();
    form->DayClock().Tick();
    EXPECT_EQ(form->Character().AgentIdleTicks, 5);
    EXPECT_TRUE(agent.log->calls.empty());
    form->DayClock().Tick();
    EXPECT_EQ(agent.log->calls, (std::vector<std::string>{"Hide"}));
    EXPECT_TRUE(form->Character().AgentLoaded);
    // What the server reports of the hide comes before the next tick.
    ASSERT_TRUE(WaitUntil([&] { return form->Character().StopSpeaking; }, 5000));
    EXPECT_EQ(form->Character().AgentIdleTicks, 6);
    form->DayClock().Tick();
    EXPECT_FALSE(form->Character().AgentLoaded);
    EXPECT_EQ(agent.log->calls, (std::vector<std::string>{"Hide", "Unregister 3", "StopAll -1", "Unload 7"}));
    EXPECT_EQ(ReadInt("AgentLastPositionX"), 640);
    EXPECT_EQ(ReadInt("AgentLastPositionY"), 480);
    EXPECT_EQ(form->Character().AgentServer, nullptr);
    EXPECT_EQ(form->Character().AgentSinkId, -1);
}

namespace {
// The program's own server with the character shipped with it, and nothing installed in its place.
class ServerCharacter : public AppTest {
protected:
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        AppTest::SetUp();
        WriteUserInteger(kTarvolin, "CharacterUsed", 1);
        std::filesystem::copy(ZB_PROGRAM_FIGUREN, dir.path() / "program" / "Figuren");
        form = std::make_unique<TForm1>(nullptr);
        form->Character().SayTimeEnabled = false;
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
};

// Records the idle reports of a server of the test's own.
struct IdleCount : Agent::IAgentNotifySink {
    void VisibleState(std::int32_t, bool, std::int32_t) override {}
    void Idle(std::int32_t, bool start) override { starts += start ? 1 : 0; }
    void DblClick(std::int32_t, int, int) override {}
    int starts = 0;
};
} // namespace

TEST_F(ServerCharacter, TheServersOwnHideLetsTheIdleCharacterBePutAway) {
    ASSERT_TRUE(form->Character().Load());
    TSpeakingCharacter& c = form->Character();
    // Shown, the character rests: the server says so, and the count stands at four.
    ASSERT_TRUE(WaitUntil([&] { return c.AgentIdle; }, 10000));
    ASSERT_EQ(c.AgentIdleTicks, 4);
    form->DayClock().Tick();
    form->DayClock().Tick();
    ASSERT_EQ(c.AgentIdleTicks, 6);
    ASSERT_TRUE(WaitUntil([&] { return c.StopSpeaking; }, 10000)) << "the hide is reported";

    // A second server's character rests after a request that ends after the hide: whatever the first
    // server reports of the hidden character has reached the character before.
    auto clock = Agent::CreateAgentServer();
    ASSERT_TRUE(clock);
    auto sink = std::make_shared<IdleCount>();
    std::int32_t sinkId = 0, id = 0, request = 0;
    ASSERT_EQ(clock->Register(sink, sinkId), Agent::S_OK);
    ASSERT_EQ(clock->Load("", id, request), Agent::S_OK);
    std::shared_ptr<Agent::IAgentCharacterEx> other;
    ASSERT_EQ(clock->GetCharacterEx(id, other), Agent::S_OK);
    other->Play("Blink", request);
    ASSERT_TRUE(WaitUntil([&] { return sink->starts > 0; }, 10000));
    Application->ProcessMessages();

    EXPECT_EQ(c.AgentIdleTicks, 6);
    form->DayClock().Tick();
    EXPECT_FALSE(c.AgentLoaded) << "put away at the seventh tick";
    EXPECT_EQ(form->Character().AgentServer, nullptr);
}

TEST_F(ServerCharacter, AnAnimationChosenInTheSayingsIsShownBesideTheDialog) {
    TEinstellungen dialog(nullptr);
    const TRect area = Screen->WorkAreaRect();
    dialog.SetBounds(area.Right - dialog.Width(), area.Bottom - dialog.Height(), dialog.Width(), dialog.Height());
    dialog.Show();
    TSpeakingCharacter& c = form->Character();
    ASSERT_TRUE(c.AgentLoaded) << "the dialog starts the character";
    auto character = [&] { return std::dynamic_pointer_cast<Agent::Detail::Character>(c.AgentCharacter); };
    const int wave = dialog.Animationen->Items()->IndexOf("Wave");
    ASSERT_GE(wave, 0);
    auto waves = [&] {
        auto shown = character();
        return shown && shown->Visible() && shown->Window()->Picture().rfind("winken", 0) == 0;
    };
    auto clearOfDialog = [&] {
        const QRect at = character()->Window()->geometry();
        const TRect box = dialog.BoundsRect();
        return at.right() < box.Left || at.left() >= box.Right || at.bottom() < box.Top || at.top() >= box.Bottom;
    };

    // Hidden by the idle count, the character comes back for the preview and plays it.
    ASSERT_TRUE(WaitUntil([&] { return c.AgentIdle; }, 10000));
    c.Hide();
    ASSERT_TRUE(WaitUntil([&] { return c.StopSpeaking; }, 10000));
    auto choose = [&] {
        dialog.Animationen->SetItemIndex(wave);
        dialog.Animationen->OnChange(dialog.Animationen);
    };
    choose();
    EXPECT_TRUE(WaitUntil(waves, 10000));

    // Put away, it is loaded for the preview, out of the dialog's way.
    ASSERT_TRUE(WaitUntil([&] { return c.AgentIdle; }, 10000));
    c.SaveAndUnload();
    choose();
    EXPECT_TRUE(WaitUntil(waves, 10000));
    EXPECT_TRUE(clearOfDialog());

    // A voice chosen loads the character anew where it stood: it steps out of the dialog's way again.
    ASSERT_TRUE(WaitUntil([&] { return c.AgentIdle; }, 10000));
    character()->SetPosition(dialog.Left() + 10, dialog.Top() + 10);
    ASSERT_GT(dialog.Voices->Items()->Count(), 1);
    dialog.Voices->SetItemIndex(dialog.Voices->ItemIndex() == 0 ? 1 : 0);
    dialog.VoicesChange(dialog.Voices);
    ASSERT_TRUE(WaitUntil([&] { return character() && character()->Visible(); }, 10000));
    EXPECT_TRUE(clearOfDialog());
    dialog.Hide();
}

TEST_F(Character, TheSessionsQueryKeepsWhereTheCharacterStandsAndLeavesItThere) {
    ASSERT_TRUE(Start());
    agent.Character().left = 321;
    agent.Character().top = 123;
    // Also a checkpoint of the session asks it: the character stays.
    EXPECT_EQ(form->Perform(WM_QUERYENDSESSION), 1);
    EXPECT_EQ(ReadInt("AgentLastPositionX"), 321);
    EXPECT_EQ(ReadInt("AgentLastPositionY"), 123);
    EXPECT_TRUE(form->Character().AgentLoaded);
}

// ---- speaking ---------------------------------------------------------------------------------------------
TEST_F(Character, SpeakPlaysTheReadingAnimationsAndWaitsForTheCharacter) {
    ASSERT_TRUE(Start());
    agent.log->calls.clear();
    form->Character().AgentIdleTicks = 3;
    form->Character().AgentIdle = true;   // from earlier speech
    form->Character().Say("Hallo", false, true, true, false, false);
    EXPECT_EQ(agent.log->calls, (std::vector<std::string>{"Play Read", "Play ReadContinued", "Speak Hallo", "Idle",
                                                          "Play ReadReturn"}));
    EXPECT_EQ(form->Character().AgentIdleTicks, 4);   // the idle report came inside the wait

    agent.log->calls.clear();
    form->Character().Say("Hm", true, false, true, true, true);
    EXPECT_EQ(agent.log->calls, (std::vector<std::string>{"Think Hm"}));

    // Not loaded: only the idle count is reset.
    form->Character().SaveAndUnload();
    agent.log->calls.clear();
    form->Character().AgentIdleTicks = 5;
    form->Character().Say("Niemand", false, true, true, false, false);
    EXPECT_TRUE(agent.log->calls.empty());
    EXPECT_EQ(form->Character().AgentIdleTicks, 0);
}

TEST_F(Character, TheWaitForSpeechEndsWhenStoppedOrAfterATime) {
    ASSERT_TRUE(Start());
    agent.Character().reportIdle = false;
    agent.log->calls.clear();
    Classes::QueueOnMainThread([&] { (*agent.server->sink)->VisibleState(FakeServer::Id, false, 1); });
    form->Character().Say("Weg", false, true, true, false, false);
    EXPECT_TRUE(form->Character().StopSpeaking);
    EXPECT_FALSE(agent.log->Has("Play ReadReturn"));

    // Without any report the wait gives up after a while.
    form->Character().StopSpeaking = false;
    agent.log->calls.clear();
    const auto start = std::chrono::steady_clock::now();
    form->Character().Say("Ha", false, false, true, false, false);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(2000));
    EXPECT_LT(waited, std::chrono::milliseconds(testsupport::Scaled(8000)));
    EXPECT_EQ(agent.log->calls.back(), "Play ReadReturn");
}

TEST_F(Character, LongTextsAreSpokenInPieces) {
    ASSERT_TRUE(Start());
    auto speeches = [&] {
        std::vector<std::string> v;
        for (const auto& s : agent.log->With("Speak ")) v.push_back(s.substr(6));
        return v;
    };
    const std::string whole = "Erster Satz.\n" + std::string(587, 'b');
    ASSERT_EQ(whole.size(), 600u);
    form->Character().SayLongText(whole);
    EXPECT_EQ(speeches(), (std::vector<std::string>{whole}));

    agent.log->calls.clear();
    form->Character().SayLongText("Erster Satz.\n" + std::string(588, 'b'));
    EXPECT_EQ(speeches(), (std::vector<std::string>{"Erster Satz. ", std::string(588, 'b') + " "}));

    // A full stop at the second character does not end a piece.
    agent.log->calls.clear();
    form->Character().SayLongText("X. abc\r\nDas ist gut! Ja\r\n" + std::string(680, 'a'));
    EXPECT_EQ(speeches(), (std::vector<std::string>{"X. abc Das ist gut! Ja ", std::string(680, 'a') + " "}));
    EXPECT_EQ(agent.log->With("Play"), (std::vector<std::string>{"Play ReadContinued", "Play ReadContinued"}));

    // Umlauts count as one character each.
    agent.log->calls.clear();
    const std::string umlauts = "Größe: " + std::string(593, 'x');   // 600 characters, more bytes
    form->Character().SayLongText(umlauts);
    EXPECT_EQ(speeches(), (std::vector<std::string>{umlauts}));

    agent.log->calls.clear();
    form->Character().SayLongText("");
    EXPECT_TRUE(speeches().empty());
    form->Character().SaveAndUnload();
    form->Character().SayLongText("Hallo");
    EXPECT_NE(DebugLog().find("AgantWasNotLoaded"), std::string::npos);
}
