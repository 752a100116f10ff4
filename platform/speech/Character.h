// The server's inner parts: the notification hub shared by the server and its characters, the
// server's own settings, and one loaded character with its request queue.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <deque>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AgentServer.h"
#include "CharacterPackage.h"
#include "SpeechEngine.h"

namespace Agent::Detail {

class CharacterWindow;
class BalloonWindow;
class SpeechOutput;

// The registered sinks. Notifications are posted to the main thread's queue and reach every sink
// registered when they are delivered, never from inside the operation that raised them.
class Notifier {
public:
    std::int32_t Register(std::shared_ptr<IAgentNotifySink> sink);
    bool Unregister(std::int32_t id);
    void Post(std::function<void(IAgentNotifySink&)> call);
    std::int32_t NextRequestId() { return ++lastRequestId_; }

private:
    QObject context_;
    std::map<std::int32_t, std::shared_ptr<IAgentNotifySink>> sinks_;
    std::int32_t nextSinkId_ = 0;
    std::int32_t lastRequestId_ = 0;
};

// The server's settings under its own registry key (ServerKey).
struct OutputSettings {
    int rate = 175;       // words per minute, 80..450
    int volume = 100;     // percent
    bool balloon = true;  // show the speech balloon
};
OutputSettings ReadOutputSettings();
void WriteOutputSettings(const OutputSettings& settings);
// The packages ("*.acp") of the characters folder, sorted by name (full paths).
std::vector<std::string> CharacterPackages();
// The chooser's choice when its package exists, else the first package; empty when there is none.
std::string DefaultCharacterPath();
void SetDefaultCharacterPath(const std::string& path);

// Chooses one of count alternatives (0 .. count-1); tests put a source of their own in place.
using RandomSource = std::function<int(int count)>;
RandomSource SetRandomSource(RandomSource source);
// Milliseconds of a steady clock, which times a character's moves; tests put a clock of their own in
// place (an empty one puts the steady clock back).
using MoveClock = std::function<std::int64_t()>;
MoveClock SetMoveClock(MoveClock clock);
// One alternative of a text whose alternatives "|" separates, trimmed.
std::string PickAlternative(const std::string& text);

// A request of the queue.
enum class RequestKind { Show, Hide, Play, Speak, Think, Move };

class Character : public IAgentCharacterEx {
public:
    Character(std::int32_t id, std::unique_ptr<CharacterPackage> package, std::shared_ptr<Notifier> notifier);
    ~Character() override;

    HRESULT SetLanguageID(std::int32_t languageId) override;
    HRESULT SetTTSModeID(const std::string& modeId) override;
    HRESULT GetOriginalSize(int& width, int& height) override;
    HRESULT GetSize(int& width, int& height) override;
    HRESULT SetSize(int width, int height) override;
    HRESULT GetPosition(int& left, int& top) override;
    HRESULT SetPosition(int left, int top) override;
    HRESULT Show(bool fast, std::int32_t& requestId) override;
    HRESULT Hide(bool fast, std::int32_t& requestId) override;
    HRESULT Play(const std::string& animation, std::int32_t& requestId) override;
    HRESULT Speak(const std::string& text, const std::string& url, std::int32_t& requestId) override;
    HRESULT Think(const std::string& text, std::int32_t& requestId) override;
    HRESULT MoveTo(std::int16_t x, std::int16_t y, std::int32_t speed, std::int32_t& requestId) override;
    HRESULT StopAll(std::int32_t types) override;
    HRESULT Stop(std::int32_t requestId) override;
    HRESULT GetAnimationNames(std::vector<std::string>& names) override;

    // Closes the windows and stops everything; later calls fail.
    void Unload();
    std::int32_t Id() const { return id_; }
    const CharacterPackage& Package() const { return *package_; }
    const std::string& VoiceId() const { return voice_; }
    CharacterWindow* Window() const { return window_.get(); }
    BalloonWindow* Balloon() const { return balloon_.get(); }
    bool Visible() const;
    bool Idle() const { return idle_; }
    // Requests waiting behind the running one.
    int QueuedRequests() const { return static_cast<int>(queue_.size()); }
    // The duration of the last synthesized speech, 0 when none was.
    int LastSpeechMs() const { return lastSpeechMs_; }
    const std::string& LastSpokenText() const { return lastSpoken_; }
    // What the user's "Ausblenden" does.
    void HideByUser();

private:
    struct Request {
        std::int32_t id = 0;
        RequestKind kind = RequestKind::Play;
        bool fast = false;
        std::string text;
        QPoint target;
        int speed = 0;
    };
    HRESULT Queue(Request r, std::int32_t& requestId);
    void SchedulePump();
    void Pump();
    void Begin(const Request& r);
    void Complete();
    void CancelCurrent();
    void PlayFrames(const std::vector<Frame>* frames, std::function<void()> done);
    void NextFrame();
    void StartSpeech(const std::string& text);
    void SpeechSynthesized();
    void SpeechFinished();
    void ShowBalloon(const std::string& text, bool thought);
    // Turns the balloon's pages in step with a text that lasts durationMs.
    void TurnPages(int durationMs);
    void ScheduleBlink();
    void HideBalloon();
    void PlaceBalloon();
    void Rest();

    std::int32_t id_;
    std::unique_ptr<CharacterPackage> package_;
    std::shared_ptr<Notifier> notifier_;
    std::string voice_ = "de";
    bool unloaded_ = false;
    bool idle_ = true;
    std::deque<Request> queue_;
    std::optional<Request> current_;
    bool pumpScheduled_ = false;
    int lastSpeechMs_ = 0;
    std::string lastSpoken_;

    QObject context_;
    std::unique_ptr<CharacterWindow> window_;
    std::unique_ptr<BalloonWindow> balloon_;
    std::unique_ptr<SpeechOutput> output_;
    QTimer idleTimer_;
    QTimer frameTimer_;
    QTimer mouthTimer_;
    QTimer moveTimer_;
    QTimer pollTimer_;
    QTimer balloonTimer_;
    QTimer thinkTimer_;
    QTimer pageTimer_;
    QTimer blinkTimer_;
    bool blinking_ = false;
    std::vector<QString> pages_;
    std::vector<int> pageStartMs_;
    std::size_t page_ = 0;
    bool thought_ = false;
    const std::vector<Frame>* frames_ = nullptr;
    std::size_t frameIndex_ = 0;
    std::function<void()> framesDone_;
    std::size_t mouthIndex_ = 0;
    QPoint moveFrom_;
    QPoint moveTo_;
    int moveMs_ = 0;
    std::int64_t moveStartMs_ = 0;
    std::shared_ptr<SpeechJob> job_;
};

} // namespace Agent::Detail
