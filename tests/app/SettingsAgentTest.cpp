// The settings dialog and the main window's speaking character: the animation list, moving the
// character out of the dialog's way, the preview of an animation, the size slider, the character
// choosers and the voice list. The character server is a fake that records every call.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "AdvCombo.h"
#include "AgentServer.h"
#include "AppFixture.h"
#include "TarvolinEinstellung.h"

using namespace apptest;

namespace {

const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

struct Calls {
    std::vector<std::string> log;
    bool has(const std::string& call) const {
        for (const auto& c : log)
            if (c == call) return true;
        return false;
    }
};

class FakeCharacter : public Agent::IAgentCharacterEx {
public:
    explicit FakeCharacter(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    int left = 0, top = 0, width = 128, height = 128, originalWidth = 128, originalHeight = 128;
    std::int32_t nextRequest = 10;
    std::vector<std::string> animations{"Wave", "Blink", "Surprised", "GestureDown"};

    Agent::HRESULT SetLanguageID(std::int32_t) override { return Agent::S_OK; }
    Agent::HRESULT SetTTSModeID(const std::string& id) override { return Log("SetTTSModeID " + id); }
    Agent::HRESULT GetOriginalSize(int& w, int& h) override {
        w = originalWidth, h = originalHeight;
        return Agent::S_OK;
    }
    Agent::HRESULT GetSize(int& w, int& h) override {
        w = width, h = height;
        return Agent::S_OK;
    }
    Agent::HRESULT SetSize(int w, int h) override {
        width = w, height = h;
        return Log("SetSize " + std::to_string(w) + " " + std::to_string(h));
    }
    Agent::HRESULT GetPosition(int& l, int& t) override {
        l = left, t = top;
        return Agent::S_OK;
    }
    Agent::HRESULT SetPosition(int l, int t) override {
        left = l, top = t;
        return Agent::S_OK;
    }
    Agent::HRESULT Show(bool, std::int32_t& id) override { return Request("Show", id); }
    Agent::HRESULT Hide(bool, std::int32_t& id) override { return Request("Hide", id); }
    Agent::HRESULT Play(const std::string& a, std::int32_t& id) override { return Request("Play " + a, id); }
    Agent::HRESULT Speak(const std::string& t, const std::string&, std::int32_t& id) override { return Request("Speak " + t, id); }
    Agent::HRESULT Think(const std::string& t, std::int32_t& id) override { return Request("Think " + t, id); }
    Agent::HRESULT MoveTo(std::int16_t x, std::int16_t y, std::int32_t speed, std::int32_t& id) override {
        left = x, top = y;
        return Request("MoveTo " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(speed), id);
    }
    Agent::HRESULT StopAll(std::int32_t) override { return Log("StopAll"); }
    Agent::HRESULT Stop(std::int32_t id) override { return Log("Stop " + std::to_string(id)); }
    Agent::HRESULT GetAnimationNames(std::vector<std::string>& names) override {
        names = animations;
        return Agent::S_OK;
    }

private:
    Agent::HRESULT Log(const std::string& call) {
        calls_->log.push_back(call);
        return Agent::S_OK;
    }
    Agent::HRESULT Request(const std::string& call, std::int32_t& id) {
        id = nextRequest++;
        return Log(call + " #" + std::to_string(id));
    }
    std::shared_ptr<Calls> calls_;
};

class FakeServer : public Agent::IAgentEx {
public:
    explicit FakeServer(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    std::shared_ptr<FakeCharacter> character;
    std::string loadedKey;
    // The animations of the characters loaded from now on (the fake's own when empty).
    std::vector<std::string> nextAnimations;
    Agent::HRESULT Load(const std::string& key, std::int32_t& id, std::int32_t& request) override {
        loadedKey = key;
        calls_->log.push_back("Load " + key);
        character = std::make_shared<FakeCharacter>(calls_);
        if (!nextAnimations.empty()) character->animations = nextAnimations;
        character->left = 1152, character->top = 866;
        id = 1, request = 1;
        return Agent::S_OK;
    }
    Agent::HRESULT Unload(std::int32_t) override {
        calls_->log.push_back("Unload");
        return Agent::S_OK;
    }
    Agent::HRESULT GetCharacterEx(std::int32_t, std::shared_ptr<Agent::IAgentCharacterEx>& c) override {
        c = character;
        return c ? Agent::S_OK : Agent::E_FAIL;
    }
    Agent::HRESULT Register(std::shared_ptr<Agent::IAgentNotifySink>, std::int32_t& sink) override {
        sink = 1;
        return Agent::S_OK;
    }
    Agent::HRESULT Unregister(std::int32_t) override { return Agent::S_OK; }
    Agent::HRESULT ShowDefaultCharacterProperties(int, int, bool) override {
        calls_->log.push_back("ShowDefaultCharacterProperties");
        return Agent::S_OK;
    }
    Agent::HRESULT ShowOutputProperties() override {
        calls_->log.push_back("ShowOutputProperties");
        return Agent::S_OK;
    }

private:
    std::shared_ptr<Calls> calls_;
};

// A character loaded from the fake server: switched off unless forced, as the real one is.
class ServerCharacter : public TSpeakingCharacter {
public:
    ServerCharacter(ICharacterOwner& owner, std::shared_ptr<FakeServer> server)
        : TSpeakingCharacter(owner), server_(std::move(server)) {}
    bool installed = true, used = true;
    int starts = 0, unloads = 0;
    // The arguments of the last start: "x y shown".
    std::string lastStart;
    bool Start(int X, int Y, bool Show) override {
        ++starts;
        lastStart = std::to_string(X) + " " + std::to_string(Y) + (Show ? " shown" : " hidden");
        if (!installed || !(used || AgentForceLoad)) return false;
        AgentServer = server_;
        if (!AgentCharacter) {
            TRegistry reg;
            AnsiString file;
            if (reg.OpenKeyReadOnly(kTarvolin)) reg.TryReadString("AgentFromFileSystem", file);
            std::int32_t request = 0;
            server_->Load(file, AgentCharacterId, request);
            server_->GetCharacterEx(AgentCharacterId, AgentCharacter);
        }
        return true;
    }
    void SaveAndUnload() override {
        ++unloads;
        server_->Unload(AgentCharacterId);
        AgentCharacter.reset();
        AgentServer.reset();
        AgentLoaded = false;
    }

private:
    std::shared_ptr<FakeServer> server_;
};

// The main window with that character.
class AgentForm : public TForm1 {
public:
    explicit AgentForm(std::shared_ptr<FakeServer> server)
        : TForm1(nullptr, [server](ICharacterOwner& owner) { return std::make_unique<ServerCharacter>(owner, server); }) {}
    // Its builds end before the window below it is taken apart.
    ~AgentForm() override { BeforeDestruction(); }
    ServerCharacter& character = static_cast<ServerCharacter&>(Character());
    bool& installed = character.installed;
    bool& used = character.used;
    int& starts = character.starts;
    int& unloads = character.unloads;
    std::string& lastStart = character.lastStart;
};

class SettingsAgent : public AppTest {
protected:
    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<FakeServer> server = std::make_shared<FakeServer>(calls);
    std::unique_ptr<AgentForm> form;
    std::unique_ptr<TEinstellungen> dialog;
    Agent::AgentServerFactory oldFactory;
    SettingsVoices::TVoiceSource oldVoices;

    void SetUp() override {
        AppTest::SetUp();
        WriteUserInteger(kTarvolin, "CharacterUsed", 1);
        Application->Initialize();
        oldFactory = Agent::SetAgentServerFactory([this] { return std::static_pointer_cast<Agent::IAgentEx>(server); });
        oldVoices = SettingsVoices::SetVoiceSource([] { return std::vector<TVoiceEntry>{}; });
        form = std::make_unique<AgentForm>(server);
    }
    void TearDown() override {
        dialog.reset();
        form.reset();
        SettingsVoices::SetVoiceSource(oldVoices);
        Agent::SetAgentServerFactory(oldFactory);
        AppTest::TearDown();
    }
    // The dialog where the main window puts it: in the bottom right corner of the work area.
    void Open() {
        dialog = std::make_unique<TEinstellungen>(nullptr);
        const TRect area = Screen->WorkAreaRect();
        dialog->SetBounds(area.Right - dialog->Width(), area.Bottom - dialog->Height(), dialog->Width(), dialog->Height());
    }
    std::vector<std::string> Items(TCustomComboBox* combo) {
        std::vector<std::string> items;
        for (int i = 0; i < combo->Items()->Count(); ++i) items.push_back(combo->Items()->Get(i));
        return items;
    }
    static void Select(TCustomComboBox* combo, int index) {
        combo->SetItemIndex(index);
        combo->OnChange(combo);
    }
};

TEST_F(SettingsAgent, TheCharacterListsItsAnimationsAndStepsAsideWhenTheDialogShows) {
    Open();
    EXPECT_TRUE(form->Character().AgentLoaded);
    EXPECT_EQ(form->lastStart, "0 0 shown");
    EXPECT_EQ(Items(dialog->Animationen), (std::vector<std::string>{"Wave", "Blink", "Surprised", "GestureDown"}));
    const TRect area = Screen->WorkAreaRect();
    // Where the dialog stands once shown decides where the character goes; the character is at
    // (l, t) under it.
    auto showAt = [&](int left, int top, int width, int height, int l, int t) {
        dialog->SetBounds(left, top, width, height);
        server->character->left = l;
        server->character->top = t;
        calls->log.clear();
        dialog->Show();
        dialog->Hide();
        return calls->log.empty() ? std::string() : calls->log.back().substr(0, calls->log.back().find(" #"));
    };
    // Room on the left: beside the dialog there, at the same height.
    EXPECT_EQ(showAt(area.Right - 400, area.Bottom - 300, 400, 300, area.Right - 350, area.Bottom - 240),
              "MoveTo " + std::to_string(area.Right - 400 - 128) + " " + std::to_string(area.Bottom - 240) + " 1000");
    // At the left edge: right of the dialog, pulled up into the work area.
    EXPECT_EQ(showAt(area.Left, area.Bottom - 400, 300, 400, area.Left + 100, area.Bottom - 100),
              "MoveTo " + std::to_string(area.Left + 300) + " " + std::to_string(area.Bottom - 128) + " 1000");
    // As wide as the work area: above it.
    EXPECT_EQ(showAt(area.Left, area.Bottom - 300, area.Width(), 300, 100, area.Bottom - 200),
              "MoveTo 100 " + std::to_string(area.Bottom - 300 - 128) + " 1000");
    // A character clear of the dialog stays where it is.
    EXPECT_EQ(showAt(area.Right - 400, area.Bottom - 300, 400, 300, area.Left, area.Top), "");
}

TEST_F(SettingsAgent, WithoutACharacterTheAnimationListStaysEmpty) {
    form->installed = false;
    Open();
    EXPECT_FALSE(form->Character().AgentLoaded);
    EXPECT_EQ(dialog->Animationen->Items()->Count(), 0);
    dialog->Show();
    EXPECT_TRUE(calls->log.empty());
    dialog->Hide();

    // Switched off: the dialog does not start it either.
    form->installed = true;
    form->used = false;
    dialog.reset();
    Open();
    EXPECT_FALSE(form->Character().AgentLoaded);
    EXPECT_EQ(dialog->Animationen->Items()->Count(), 0);
}

TEST_F(SettingsAgent, ChoosingAnAnimationPreviewsItOnTheCharacter) {
    Open();
    form->Character().AgentIdleTicks = 5;
    calls->log.clear();
    // The preview stops the main window's last request and becomes its last one.
    const std::int32_t before = form->Character().AgentRequestId;
    Select(dialog->Animationen, 2);
    EXPECT_EQ(dialog->TabControl1->Tag, 1);
    EXPECT_EQ(form->Character().AgentIdleTicks, 0);
    ASSERT_EQ(calls->log.size(), 2u);
    EXPECT_EQ(calls->log[0], "Stop " + std::to_string(before));
    EXPECT_EQ(calls->log[1].substr(0, 14), "Play Surprised");
    const std::string first = calls->log[1].substr(calls->log[1].find('#') + 1);
    EXPECT_EQ(std::to_string(form->Character().AgentRequestId), first);
    // The next preview stops the one before.
    Select(dialog->Animationen, 0);
    EXPECT_EQ(calls->log[2], "Stop " + first);
    EXPECT_EQ(calls->log[3].substr(0, 9), "Play Wave");

    // A character put away meanwhile is loaded again, out of the dialog's way, and nothing of the
    // character before is stopped on the new one.
    form->Character().SaveAndUnload();
    calls->log.clear();
    Select(dialog->Animationen, 1);
    EXPECT_TRUE(form->Character().AgentLoaded);
    ASSERT_EQ(calls->log.size(), 2u);
    EXPECT_EQ(calls->log[0], "Load ");
    EXPECT_EQ(calls->log[1].substr(0, 10), "Play Blink");
    const TRect at{server->character->left, server->character->top, server->character->left + 128,
                   server->character->top + 128};
    const TRect box = dialog->BoundsRect();
    EXPECT_TRUE(at.Right <= box.Left || at.Left >= box.Right || at.Bottom <= box.Top || at.Top >= box.Bottom);

    // Loading a saying shows its animation without playing it.
    calls->log.clear();
    dialog->LoadSaying("irgendeiner");
    EXPECT_EQ(dialog->Animationen->Text(), "Blink");
    EXPECT_TRUE(calls->log.empty());
}

TEST_F(SettingsAgent, TheSizeSliderResizesTheLoadedCharacter) {
    Open();
    calls->log.clear();
    dialog->TrackBar2->SetPosition(0);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(reg.ReadInteger("AgentZoom"), 1);
    EXPECT_TRUE(calls->has("SetSize 85 85"));
    server->character->originalWidth = 100;
    server->character->originalHeight = 150;
    dialog->TrackBar2->SetPosition(1);
    EXPECT_EQ(reg.ReadInteger("AgentZoom"), 0);
    EXPECT_TRUE(calls->has("SetSize 100 150"));
    dialog->TrackBar2->SetPosition(0);
    EXPECT_TRUE(calls->has("SetSize 66 100"));
}

TEST_F(SettingsAgent, CharacterChoosersForceTheCharacterAndStoreTheChoice) {
    form->used = false;
    WriteUserString(kTarvolin, "AgentFromFileSystem", "/alt/merlin.acp");
    Open();
    EXPECT_FALSE(form->Character().AgentLoaded);
    dialog->StandardAgent->Click();
    // Forced: the chooser loads it although it is switched off, for the choice only.
    EXPECT_TRUE(form->Character().AgentLoaded);
    EXPECT_TRUE(calls->has("ShowDefaultCharacterProperties"));
    EXPECT_FALSE(form->Character().AgentForceLoad);
    EXPECT_EQ(ReadUserString(kTarvolin, "AgentFromFileSystem"), "");
    form->used = true;

    // "Figur suchen": a character package of this platform, then the character is loaded anew.
    const std::string package = Agent::CharactersFolder() + "/peedy.acp";
    chosenFile = package;
    presses = {"Öffnen"};
    const int unloads = form->unloads;
    server->nextAnimations = {"Greet", "Sad"};
    dialog->AgentAtFileSystem->Click();
    ASSERT_EQ(dialogs.size(), 1u);
    // The file type as the dialog shows it, in German.
    EXPECT_EQ(Dialogs::QtNameFilters(dialog->SearchAgent->Filter), std::vector<std::string>{"Figuren (*.acp)"});
    EXPECT_EQ(dialog->SearchAgent->InitialDir, Agent::CharactersFolder());
    EXPECT_EQ(dialogs[0].text, "Microsoft® Agent Dateien");
    EXPECT_EQ(ReadUserString(kTarvolin, "AgentFromFileSystem"), package);
    EXPECT_EQ(form->unloads, unloads + 1);
    EXPECT_TRUE(form->Character().AgentLoaded);
    EXPECT_EQ(server->loadedKey, package);
    // The new character's animations are offered.
    EXPECT_EQ(Items(dialog->Animationen), (std::vector<std::string>{"Greet", "Sad"}));

    // Cancelled: the stored package stays, and the character is loaded anew all the same.
    chosenFile.clear();
    presses.push_back("");
    dialog->AgentAtFileSystem->Click();
    EXPECT_EQ(ReadUserString(kTarvolin, "AgentFromFileSystem"), package);
    EXPECT_EQ(form->unloads, unloads + 2);
    EXPECT_TRUE(form->Character().AgentLoaded);
}

TEST_F(SettingsAgent, TheOutputSettingsButtonForcesTheCharacter) {
    form->used = false;
    Open();
    dialog->dxfPictureButton8->Click();
    EXPECT_TRUE(form->Character().AgentLoaded);
    EXPECT_TRUE(calls->has("ShowOutputProperties"));
    EXPECT_FALSE(form->Character().AgentForceLoad);
}

TEST_F(SettingsAgent, VoiceListSelectsTheStoredVoiceAndAChoiceReloadsTheCharacter) {
    SettingsVoices::SetVoiceSource(
        [] { return std::vector<TVoiceEntry>{{"Anna", "a"}, {"Bernd", "b"}, {"Bernd2", "b"}}; });
    WriteUserString(kTarvolin, "AgentVoiceModeID", "b");
    Open();
    EXPECT_EQ(Items(dialog->Voices), (std::vector<std::string>{"Anna", "Bernd", "Bernd2"}));
    // The last voice with the stored id wins.
    EXPECT_EQ(dialog->Voices->ItemIndex(), 2);
    const int unloads = form->unloads, starts = form->starts;
    auto key = [&](Word k) { dialog->Voices->Perform(WM_KEYDOWN, k, 0); };
    // Paging with the keys shows the voices passed, and stores none of them; Escape brings back the
    // voice there was.
    key(VK_UP);
    key(VK_UP);
    EXPECT_EQ(dialog->Voices->ItemIndex(), 0);
    key(VK_ESCAPE);
    EXPECT_EQ(dialog->Voices->ItemIndex(), 2);
    key(VK_F4);
    ASSERT_TRUE(dialog->Voices->DroppedDown());
    key(VK_UP);
    key(VK_UP);
    key(VK_ESCAPE);
    EXPECT_FALSE(dialog->Voices->DroppedDown());
    EXPECT_EQ(dialog->Voices->ItemIndex(), 2);
    EXPECT_EQ(ReadUserString(kTarvolin, "AgentVoiceModeID"), "b");
    EXPECT_EQ(form->unloads, unloads);
    EXPECT_EQ(form->starts, starts);
    // Return in the list chooses the voice: stored, and the character loaded anew with it, once.
    key(VK_F4);
    key(VK_UP);
    key(VK_UP);
    key(VK_RETURN);
    EXPECT_FALSE(dialog->Voices->DroppedDown());
    EXPECT_EQ(ReadUserString(kTarvolin, "AgentVoiceModeID"), "a");
    EXPECT_EQ(form->unloads, unloads + 1);
    EXPECT_EQ(form->starts, starts + 1);
    EXPECT_TRUE(form->Character().AgentLoaded);
    // So does Return in the closed box, and leaving it.
    key(VK_DOWN);
    key(VK_RETURN);
    EXPECT_EQ(ReadUserString(kTarvolin, "AgentVoiceModeID"), "b");
    key(VK_UP);
    dialog->Voices->OnExit(dialog->Voices);
    EXPECT_EQ(ReadUserString(kTarvolin, "AgentVoiceModeID"), "a");
    EXPECT_EQ(form->unloads, unloads + 3);
    dialog.reset();

    WriteUserString(kTarvolin, "AgentVoiceModeID", "z");
    Open();
    EXPECT_EQ(dialog->Voices->Items()->Count(), 3);
    EXPECT_EQ(dialog->Voices->ItemIndex(), -1);
}

TEST_F(SettingsAgent, TheInstalledVoicesAreNamedInGermanWithTheGermanVoiceFirst) {
    SettingsVoices::SetVoiceSource(nullptr);   // the voices espeak-ng has on this machine
    Open();
    const std::vector<std::string> names = Items(dialog->Voices);
    ASSERT_GT(names.size(), 10u);
    EXPECT_EQ(names[0], "Deutsch");
    for (const char* german : {"Afrikaans", "Albanisch", "Englisch (Großbritannien)", "Französisch (Frankreich)"})
        EXPECT_NE(std::find(names.begin(), names.end(), german), names.end()) << german;
    for (const char* english : {"German", "Albanian", "English (Great Britain)", "French (France)"})
        EXPECT_EQ(std::find(names.begin(), names.end(), english), names.end()) << english;
    // The others in German alphabetical order, umlauts beside their letters.
    for (std::size_t i = 2; i < names.size(); ++i)
        EXPECT_LE(SysUtils::AnsiCompareText(names[i - 1], names[i]), 0) << names[i - 1] << " / " << names[i];
    dialog->Voices->SetItemIndex(0);
    dialog->VoicesChange(dialog->Voices);
    EXPECT_EQ(ReadUserString(kTarvolin, "AgentVoiceModeID"), "de");
}

} // namespace
