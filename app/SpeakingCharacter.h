#pragma once
// The main window's speaking character: loading, placing, speaking and putting it away, and what it
// says on its own (the time, the sayings, today's appointments, the clipboard).
#include <chrono>
#include <cstdint>
#include <memory>

#include "AgentNotifySink.h"
#include "AgentServer.h"
#include "Classes.h"
#include "ExtCtrls.h"
#include "Menus.h"
#include "ReminderCharacter.h"
#include "Settings.h"
#include "Types.h"

// What the character needs of the window that owns it: its log, its folder and the work area; the
// character itself, and what its server reports of it, stay the character's own.
class ICharacterOwner {
public:
    virtual ~ICharacterOwner() = default;
    virtual void WriteDebugLog(const AnsiString& Text) = 0;
    virtual AnsiString ExeDir() const = 0;
    // The window that owns what the speech check shows.
    virtual TComponent* CharacterOwnerWindow() = 0;
    // The work area read at start (empty before).
    virtual TRect CharacterWorkArea() = 0;
    // Runs the appointments' announcement on the main thread soon (TreadSyncTimer1).
    virtual void StartAnnouncementTimer() = 0;
    // The page builder's announcement is wanted (it then hands over the appointments' text).
    virtual void SetAnnouncePending(bool Value) = 0;
    // A problem the user is told of beside the page, without holding anything up.
    virtual void ReportProblem(const AnsiString& Text) = 0;
};

// The character may load although it is switched off, for as long as the action that asked for it
// runs; afterwards the switch decides again.
using TForcedCharacter = ScopedFlag;

// Loading, speaking, hiding and putting away are virtual: whatever a derived character makes of
// them (a test's character without a server) holds for everything the character says on its own.
class TSpeakingCharacter : public IReminderCharacter {
public:
    explicit TSpeakingCharacter(ICharacterOwner& Owner) : owner_(Owner) {}
    ~TSpeakingCharacter() override = default;
    TSpeakingCharacter(const TSpeakingCharacter&) = delete;
    TSpeakingCharacter& operator=(const TSpeakingCharacter&) = delete;

    // The character server while a character is loaded.
    std::shared_ptr<Agent::IAgentEx> AgentServer;
    // The speech components are checked before the character is first loaded, until they have all
    // been found once.
    bool ComponentChecksPending = true;
    bool AgentLoaded = false;
    int AgentIdleTicks = 0;
    std::shared_ptr<Agent::IAgentCharacterEx> AgentCharacter;
    std::int32_t AgentCharacterId = 0;
    std::int32_t AgentRequestId = 0;
    std::shared_ptr<AgentNotifySink> AgentSink;
    std::int32_t AgentSinkId = -1;
    // The time is spoken when the minute is a multiple of the interval (minutes).
    bool SayTimeEnabled = true;
    int SayTimeInterval = 60;
    bool AgentForceLoad = false;
    bool AgentIdle = false;
    bool StopSpeaking = false;
    // Set by the announcements: say the new day's appointments (and their introduction).
    bool AnnounceIntroPending = false;
    // Today's appointments to announce, one per line.
    AnsiString SpeechText;
    // The spoken time is due again (a minute that is not a multiple of the interval came by).
    bool SayTimeArmed = true;
    // The clipboard is being read aloud.
    bool ClipboardReadingBusy = false;

    // Makes sure the character is loaded (placed at X, Y unless both are 0) and shows it when Show.
    virtual bool Start(int X, int Y, bool Show);
    // Starts the character where it stood and notes whether it runs.
    bool Load(bool Show = true) { return AgentLoaded = Start(0, 0, Show); }
    virtual void Say(const AnsiString& Text, bool Think, bool StartAnimation, bool EndAnimation, bool NoWait,
             bool NoAnimations);
    // Speaks without waiting for the end: the character's server queues the speech, and the idle
    // count leaves the character alone until it reports that it has said it.
    void SayWithoutWaiting(const AnsiString& Text, bool StartAnimation, bool EndAnimation);
    // Speaks a text of any length in pieces, and waits until the character has said it all.
    void SayLongText(const AnsiString& Text);
    virtual void Hide();
    // Notes where the loaded character stands, for its next start.
    void SavePosition();
    virtual void SaveAndUnload();
    // Plays an animation of the loaded character.
    void Play(const AnsiString& Animation) override;

    // ---- what a reminder asks of it ----
    bool ComeToCorner() override;
    void StandOn(int Right, int Top) override;
    bool ComeForward() override;
    void SayReminder(const AnsiString& Text) override { Say(Text, false, true, true, true, false); }
    void KeepAwake() override { AgentIdleTicks = 0; }
    bool ShowIfLoaded() override;
    virtual void SayTime();
    // The greeting for the local hour, from the settings ("Hallo" when there is none).
    static AnsiString Greeting(int Hour);
    // Loads the character and greets the user for the hour it is now.
    void Greet();
    // Says the sayings of every minute since the last call (once each), at most a few minutes back.
    virtual void SaySayings();
    // Takes the text of today's appointments to announce (from any thread).
    void SetAnnouncementText(const AnsiString& Text);
    void Announce();
    // Reads the clipboard aloud; Item is the menu item, given back when the reading ends.
    void ReadClipboard(TMenuItem* Item);
    // One tick of the window's timer: a character left idle is hidden, then put away.
    void IdleTick();
    // Takes what the server reports of the character (its sink hands it over).
    void HandleReport(TAgentReport Report);
    // The main window's character, which the settings dialog works with (null without a window).
    static TSpeakingCharacter* Main() { return main_; }
    static void SetMain(TSpeakingCharacter* Character) { main_ = Character; }

    // Speech not waited for is still being said.
    bool SpeechBusy() const { return !AgentIdle && std::chrono::steady_clock::now() < speechBusyUntil_; }

private:
    static inline TSpeakingCharacter* main_ = nullptr;
    ICharacterOwner& owner_;
    TLifeToken life_;
    // Speech not waited for keeps the character awake until it reports idle, at most until then.
    std::chrono::steady_clock::time_point speechBusyUntil_{};
    // The minute the time was last spoken in (minutes since 1899-12-30), -1 before.
    long long lastSpokenMinute_ = -1;
    // The last minute the sayings were looked at, -1 before; minutes skipped are caught up this far.
    long long lastSayingMinute_ = -1;
    static constexpr long long SayingCatchUpMinutes = 10;
    // Why the character last could not be loaded, as the user was told.
    AnsiString toldLoadError_;
};

// The program's speaking character as the settings dialog uses it (the main window's, when there is one).
namespace TarvolinAgent {
// Starts the character at (0, 0); Force loads it even when it is switched off (for this call only);
// Show shows it. True when it runs.
bool Start(bool Force, bool Show = true);
// Unloads the character when it runs and starts it again, shown, so a new choice takes effect.
void Reload();
// The loaded character, or null.
std::shared_ptr<Agent::IAgentCharacterEx> Character();
// Counts as speech activity, so the idle character is not hidden meanwhile.
void ResetIdle();
// The main window's id of the character's last request, which the next one overwrites.
std::int32_t& RequestId();
// The server's default-character chooser and its output settings, each after starting the character.
void ShowDefaultCharacterProperties();
void ShowPropertySheet();
} // namespace TarvolinAgent
