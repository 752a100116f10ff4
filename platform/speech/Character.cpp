#include "Character.h"

#include <chrono>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <random>

#include "CharacterWindow.h"
#include "SpeechOutput.h"
#include "SysUtils.h"

namespace Agent::Detail {
namespace {

// How long after the last request the character counts as idle.
constexpr int kIdleDelayMs = 700;
// How long the balloon stays after the speech.
constexpr int kBalloonLingerMs = 1200;

RandomSource& Random() {
    static RandomSource source;
    return source;
}

MoveClock& Clock() {
    static MoveClock clock;
    return clock;
}

std::int64_t NowMs() {
    if (Clock()) return Clock()();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int DefaultRandom(int count) {
    static std::mt19937 engine{std::random_device{}()};
    return std::uniform_int_distribution<int>(0, count - 1)(engine);
}

// Reading time of a text shown without a voice (or when the voice fails).
int ReadingMs(const std::string& text) { return std::clamp(800 + 45 * static_cast<int>(text.size()), 1000, 8000); }

// The language codes of the primary language ids a caller may pass.
const char* LanguageVoice(std::int32_t languageId) {
    switch (languageId & 0x3ff) {
    case 0x07: return "de";
    case 0x09: return "en";
    case 0x0a: return "es";
    case 0x0c: return "fr";
    case 0x10: return "it";
    case 0x13: return "nl";
    default: return nullptr;
    }
}

} // namespace

// ---- notifications -----------------------------------------------------------------------------------------------
std::int32_t Notifier::Register(std::shared_ptr<IAgentNotifySink> sink) {
    const std::int32_t id = ++nextSinkId_;
    sinks_[id] = std::move(sink);
    return id;
}

bool Notifier::Unregister(std::int32_t id) { return sinks_.erase(id) > 0; }

void Notifier::Post(std::function<void(IAgentNotifySink&)> call) {
    QMetaObject::invokeMethod(
        &context_,
        [this, call = std::move(call)] {
            const auto sinks = sinks_;  // a sink may unregister itself meanwhile
            for (const auto& entry : sinks) call(*entry.second);
        },
        Qt::QueuedConnection);
}

// ---- alternatives ------------------------------------------------------------------------------------------------
MoveClock SetMoveClock(MoveClock clock) {
    MoveClock old = std::move(Clock());
    Clock() = std::move(clock);
    return old;
}

RandomSource SetRandomSource(RandomSource source) {
    RandomSource old = std::move(Random());
    Random() = std::move(source);
    return old;
}

std::string PickAlternative(const std::string& text) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto bar = text.find('|', start);
        parts.push_back(SysUtils::Trim(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    if (parts.size() == 1) return parts[0];
    const int n = static_cast<int>(parts.size());
    int i = Random() ? Random()(n) : DefaultRandom(n);
    if (i < 0 || i >= n) i = 0;
    return parts[static_cast<std::size_t>(i)];
}

// ---- the character ---------------------------------------------------------------------------------------------
Character::Character(std::int32_t id, std::unique_ptr<CharacterPackage> package, std::shared_ptr<Notifier> notifier)
    : id_(id), package_(std::move(package)), notifier_(std::move(notifier)) {
    window_ = std::make_unique<CharacterWindow>(*package_);
    balloon_ = std::make_unique<BalloonWindow>();
    output_ = std::make_unique<SpeechOutput>([this] { SpeechFinished(); });

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window_->move(area.right() + 1 - package_->Width(), area.bottom() + 1 - package_->Height());
    }
    window_->OnDoubleClick = [this](QPoint at) {
        const std::int32_t cid = id_;
        notifier_->Post([cid, at](IAgentNotifySink& s) { s.DblClick(cid, at.x(), at.y()); });
    };
    window_->OnHideByUser = [this] { HideByUser(); };
    window_->OnMoved = [this] { PlaceBalloon(); };

    idleTimer_.setSingleShot(true);
    QObject::connect(&idleTimer_, &QTimer::timeout, &context_, [this] {
        if (current_ || !queue_.empty() || idle_) return;
        idle_ = true;
        Rest();
        ScheduleBlink();
        const std::int32_t cid = id_;
        notifier_->Post([cid](IAgentNotifySink& s) { s.Idle(cid, true); });
    });
    frameTimer_.setSingleShot(true);
    QObject::connect(&frameTimer_, &QTimer::timeout, &context_, [this] { NextFrame(); });
    QObject::connect(&mouthTimer_, &QTimer::timeout, &context_, [this] {
        const auto& frames = package_->SpeakingFrames();
        if (frames.empty()) return;
        mouthIndex_ = (mouthIndex_ + 1) % frames.size();
        window_->SetMouth(frames[mouthIndex_].picture);
        mouthTimer_.start(std::max(20, frames[mouthIndex_].durationMs));
    });
    moveTimer_.setInterval(15);
    QObject::connect(&moveTimer_, &QTimer::timeout, &context_, [this] {
        const double t = moveMs_ > 0 ? std::min(1.0, double(NowMs() - moveStartMs_) / moveMs_) : 1.0;
        window_->move(moveFrom_ + (moveTo_ - moveFrom_) * t);
        if (t >= 1.0) {
            moveTimer_.stop();
            Complete();
        }
    });
    pollTimer_.setInterval(15);
    QObject::connect(&pollTimer_, &QTimer::timeout, &context_, [this] {
        if (job_ && job_->done.load()) {
            pollTimer_.stop();
            SpeechSynthesized();
        }
    });
    balloonTimer_.setSingleShot(true);
    QObject::connect(&balloonTimer_, &QTimer::timeout, &context_, [this] { HideBalloon(); });
    thinkTimer_.setSingleShot(true);
    QObject::connect(&thinkTimer_, &QTimer::timeout, &context_, [this] { SpeechFinished(); });
    pageTimer_.setSingleShot(true);
    QObject::connect(&pageTimer_, &QTimer::timeout, &context_, [this] {
        if (page_ + 1 >= pages_.size()) return;
        ++page_;
        balloon_->SetText(pages_[page_], thought_);
        PlaceBalloon();
        if (page_ + 1 < pages_.size()) pageTimer_.start(pageStartMs_[page_ + 1] - pageStartMs_[page_]);
    });
    // Now and then she blinks while she waits.
    blinkTimer_.setSingleShot(true);
    QObject::connect(&blinkTimer_, &QTimer::timeout, &context_, [this] {
        const Animation* blink = package_->FindAnimation("Blink");
        if (!blink || !idle_ || current_ || !queue_.empty() || !Visible() || frames_) return;
        blinking_ = true;
        PlayFrames(&blink->frames, [this] {
            blinking_ = false;
            ScheduleBlink();
        });
    });
}

void Character::ScheduleBlink() {
    static std::mt19937 engine{std::random_device{}()};
    blinkTimer_.start(std::uniform_int_distribution<int>(4000, 9000)(engine));
}

Character::~Character() {
    Unload();
    if (!QCoreApplication::instance()) {
        // Released after the application: its windows can no longer be destroyed cleanly, and the
        // process is ending anyway.
        (void)window_.release();
        (void)balloon_.release();
        (void)output_.release();
    }
}

void Character::Unload() {
    if (unloaded_) return;
    queue_.clear();
    CancelCurrent();
    idleTimer_.stop();
    blinkTimer_.stop();
    unloaded_ = true;
    balloon_->hide();
    window_->hide();
}

bool Character::Visible() const { return window_->isVisible(); }

HRESULT Character::SetLanguageID(std::int32_t languageId) {
    if (unloaded_) return E_FAIL;
    const char* code = LanguageVoice(languageId);
    if (!code) return E_FAIL;
    // The language's own voice, else one of its regional voices ("en" has only "en-gb", "en-us" ...).
    const std::string prefix = std::string(code) + "-";
    std::string regional;
    for (const Voice& v : SpeechEngine::Instance().Voices()) {
        if (v.id == code) {
            voice_ = v.id;
            return S_OK;
        }
        if (regional.empty() && v.id.compare(0, prefix.size(), prefix) == 0) regional = v.id;
    }
    if (regional.empty()) return E_FAIL;
    voice_ = regional;
    return S_OK;
}

HRESULT Character::SetTTSModeID(const std::string& modeId) {
    if (unloaded_) return E_FAIL;
    std::string id = SysUtils::Trim(modeId);
    if (id.size() >= 2 && id.front() == '{' && id.back() == '}') id = SysUtils::Trim(id.substr(1, id.size() - 2));
    if (id.empty() || !SpeechEngine::Instance().HasVoice(id)) return E_INVALIDARG;
    voice_ = id;
    return S_OK;
}

HRESULT Character::GetOriginalSize(int& width, int& height) {
    if (unloaded_) return E_FAIL;
    width = package_->Width();
    height = package_->Height();
    return S_OK;
}

HRESULT Character::GetSize(int& width, int& height) {
    if (unloaded_) return E_FAIL;
    width = window_->width();
    height = window_->height();
    return S_OK;
}

HRESULT Character::SetSize(int width, int height) {
    if (unloaded_) return E_FAIL;
    if (width <= 0 || height <= 0 || width > 4000 || height > 4000) return E_INVALIDARG;
    window_->resize(width, height);
    PlaceBalloon();
    return S_OK;
}

HRESULT Character::GetPosition(int& left, int& top) {
    if (unloaded_) return E_FAIL;
    left = window_->x();
    top = window_->y();
    return S_OK;
}

HRESULT Character::SetPosition(int left, int top) {
    if (unloaded_) return E_FAIL;
    window_->move(left, top);
    return S_OK;
}

HRESULT Character::Queue(Request r, std::int32_t& requestId) {
    if (unloaded_) return E_FAIL;
    r.id = notifier_->NextRequestId();
    requestId = r.id;
    queue_.push_back(std::move(r));
    SchedulePump();
    return S_OK;
}

HRESULT Character::Show(bool fast, std::int32_t& requestId) {
    Request r;
    r.kind = RequestKind::Show;
    r.fast = fast;
    return Queue(std::move(r), requestId);
}

HRESULT Character::Hide(bool fast, std::int32_t& requestId) {
    Request r;
    r.kind = RequestKind::Hide;
    r.fast = fast;
    return Queue(std::move(r), requestId);
}

HRESULT Character::Play(const std::string& animation, std::int32_t& requestId) {
    Request r;
    r.kind = RequestKind::Play;
    r.text = animation;
    return Queue(std::move(r), requestId);
}

HRESULT Character::Speak(const std::string& text, const std::string&, std::int32_t& requestId) {
    Request r;
    r.kind = RequestKind::Speak;
    r.text = text;
    return Queue(std::move(r), requestId);
}

HRESULT Character::Think(const std::string& text, std::int32_t& requestId) {
    Request r;
    r.kind = RequestKind::Think;
    r.text = text;
    return Queue(std::move(r), requestId);
}

HRESULT Character::MoveTo(std::int16_t x, std::int16_t y, std::int32_t speed, std::int32_t& requestId) {
    Request r;
    r.kind = RequestKind::Move;
    r.target = QPoint(x, y);
    r.speed = speed;
    return Queue(std::move(r), requestId);
}

HRESULT Character::StopAll(std::int32_t types) {
    if (unloaded_) return E_FAIL;
    auto matches = [types](RequestKind k) {
        if (types == STOP_TYPE_ALL) return true;
        switch (k) {
        case RequestKind::Play: return (types & STOP_TYPE_PLAY) != 0;
        case RequestKind::Move: return (types & STOP_TYPE_MOVE) != 0;
        case RequestKind::Speak:
        case RequestKind::Think: return (types & STOP_TYPE_SPEAK) != 0;
        case RequestKind::Show:
        case RequestKind::Hide: return (types & STOP_TYPE_VISIBLE) != 0;
        }
        return false;
    };
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [&](const Request& r) { return matches(r.kind); }),
                 queue_.end());
    if (current_ && matches(current_->kind)) {
        CancelCurrent();
        Complete();
    }
    return S_OK;
}

HRESULT Character::Stop(std::int32_t requestId) {
    if (unloaded_) return E_FAIL;
    if (current_ && current_->id == requestId) {
        CancelCurrent();
        Complete();
        return S_OK;
    }
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->id == requestId) {
            queue_.erase(it);
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

HRESULT Character::GetAnimationNames(std::vector<std::string>& names) {
    if (unloaded_) return E_FAIL;
    names.clear();
    for (const Animation& a : package_->Animations()) names.push_back(a.name);
    return S_OK;
}

void Character::HideByUser() {
    if (unloaded_ || !Visible()) return;
    queue_.clear();
    if (current_) {
        CancelCurrent();
        current_.reset();
    }
    HideBalloon();
    window_->hide();
    const std::int32_t cid = id_;
    notifier_->Post([cid](IAgentNotifySink& s) { s.VisibleState(cid, false, 1); });
    idleTimer_.start(kIdleDelayMs);
}

// ---- the queue --------------------------------------------------------------------------------------------------
void Character::SchedulePump() {
    if (pumpScheduled_ || current_) return;
    pumpScheduled_ = true;
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            pumpScheduled_ = false;
            Pump();
        },
        Qt::QueuedConnection);
}

void Character::Pump() {
    if (unloaded_ || current_ || queue_.empty()) return;
    current_ = queue_.front();
    queue_.pop_front();
    idleTimer_.stop();
    blinkTimer_.stop();
    if (blinking_) {
        blinking_ = false;
        frameTimer_.stop();
        frames_ = nullptr;
        framesDone_ = nullptr;
        Rest();
    }
    if (idle_) {
        idle_ = false;
        const std::int32_t cid = id_;
        notifier_->Post([cid](IAgentNotifySink& s) { s.Idle(cid, false); });
    }
    Begin(*current_);
}

void Character::Complete() {
    // A hide is no activity to rest from: the hidden character does not go idle, or the program that
    // put it away when idle would count its idle time afresh and never unload it.
    const bool hid = current_ && current_->kind == RequestKind::Hide && !Visible();
    current_.reset();
    if (unloaded_) return;
    if (!queue_.empty()) SchedulePump();
    else if (!hid) idleTimer_.start(kIdleDelayMs);
}

void Character::Begin(const Request& r) {
    const std::int32_t cid = id_;
    switch (r.kind) {
    case RequestKind::Show: {
        if (Visible()) return Complete();
        const Animation* show = r.fast ? nullptr : package_->FindAnimation("Show");
        window_->SetMouth({});
        window_->SetPicture(show ? show->frames.front().picture : package_->RestPicture());
        window_->show();
        window_->Raise();
        notifier_->Post([cid](IAgentNotifySink& s) { s.VisibleState(cid, true, 2); });
        if (!show) return Complete();
        return PlayFrames(&show->frames, [this] { Complete(); });
    }
    case RequestKind::Hide: {
        if (!Visible()) return Complete();
        HideBalloon();
        auto finish = [this, cid] {
            window_->hide();
            notifier_->Post([cid](IAgentNotifySink& s) { s.VisibleState(cid, false, 2); });
            Complete();
        };
        const Animation* hide = r.fast ? nullptr : package_->FindAnimation("Hide");
        if (!hide) return finish();
        return PlayFrames(&hide->frames, finish);
    }
    case RequestKind::Play: {
        // An unknown name, or a character nobody sees, plays nothing.
        const Animation* a = package_->FindAnimation(r.text);
        if (!a || !Visible()) return Complete();
        return PlayFrames(&a->frames, [this] { Complete(); });
    }
    case RequestKind::Speak: {
        const std::string text = PickAlternative(r.text);
        if (text.empty()) return Complete();
        return StartSpeech(text);
    }
    case RequestKind::Think: {
        const std::string text = SysUtils::Trim(r.text);
        if (text.empty()) return Complete();
        ShowBalloon(text, true);
        thinkTimer_.start(ReadingMs(text));
        TurnPages(ReadingMs(text));
        return;
    }
    case RequestKind::Move: {
        moveFrom_ = window_->pos();
        moveTo_ = r.target;
        moveMs_ = r.speed;
        if (r.speed <= 0 || !Visible()) {
            window_->move(moveTo_);
            return Complete();
        }
        moveStartMs_ = NowMs();
        moveTimer_.start();
        return;
    }
    }
}

void Character::CancelCurrent() {
    blinking_ = false;
    frameTimer_.stop();
    frames_ = nullptr;
    framesDone_ = nullptr;
    moveTimer_.stop();
    pollTimer_.stop();
    thinkTimer_.stop();
    if (job_) job_->cancelled = true;
    job_.reset();
    output_->Stop();
    mouthTimer_.stop();
    window_->SetMouth({});
    if (current_ && current_->kind == RequestKind::Hide && Visible()) {
        // A hide that was cut short still hides.
        window_->hide();
        const std::int32_t cid = id_;
        notifier_->Post([cid](IAgentNotifySink& s) { s.VisibleState(cid, false, 2); });
    }
    if (current_ && (current_->kind == RequestKind::Speak || current_->kind == RequestKind::Think)) HideBalloon();
}

// ---- animation --------------------------------------------------------------------------------------------------
void Character::PlayFrames(const std::vector<Frame>* frames, std::function<void()> done) {
    frames_ = frames;
    frameIndex_ = 0;
    framesDone_ = std::move(done);
    window_->SetPicture((*frames_)[0].picture);
    frameTimer_.start(std::max(10, (*frames_)[0].durationMs));
}

void Character::NextFrame() {
    if (!frames_) return;
    if (++frameIndex_ < frames_->size()) {
        window_->SetPicture((*frames_)[frameIndex_].picture);
        frameTimer_.start(std::max(10, (*frames_)[frameIndex_].durationMs));
        return;
    }
    frames_ = nullptr;
    auto done = std::move(framesDone_);
    framesDone_ = nullptr;
    if (done) done();
}

void Character::Rest() {
    if (Visible()) window_->SetPicture(package_->RestPicture());
}

// ---- speech -----------------------------------------------------------------------------------------------------
void Character::StartSpeech(const std::string& text) {
    lastSpoken_ = text;
    const OutputSettings settings = ReadOutputSettings();
    if (settings.balloon) ShowBalloon(text, false);
    lastSpeechMs_ = 0;
    if (!SpeechEngine::Instance().Available()) {
        thinkTimer_.start(ReadingMs(text));
        TurnPages(ReadingMs(text));
        return;
    }
    job_ = std::make_shared<SpeechJob>();
    job_->text = text;
    job_->voice = voice_;
    job_->rate = settings.rate;
    job_->volume = settings.volume;
    SpeechEngine::Instance().Start(job_);
    pollTimer_.start();
}

void Character::SpeechSynthesized() {
    std::shared_ptr<SpeechJob> job = std::move(job_);
    if (!job || job->failed || job->pcm.samples.empty()) {
        thinkTimer_.start(ReadingMs(lastSpoken_));
        TurnPages(ReadingMs(lastSpoken_));
        return;
    }
    lastSpeechMs_ = job->pcm.DurationMs();
    TurnPages(lastSpeechMs_);
    if (Visible() && !package_->SpeakingFrames().empty()) {
        mouthIndex_ = 0;
        window_->SetMouth(package_->SpeakingFrames()[0].picture);
        mouthTimer_.start(std::max(20, package_->SpeakingFrames()[0].durationMs));
    }
    output_->Start(job->pcm);
}

void Character::SpeechFinished() {
    mouthTimer_.stop();
    window_->SetMouth({});
    balloonTimer_.start(kBalloonLingerMs);
    Complete();
}

void Character::ShowBalloon(const std::string& text, bool thought) {
    balloonTimer_.stop();
    pageTimer_.stop();
    pages_.clear();
    if (!Visible()) return;
    thought_ = thought;
    pages_ = balloon_->Pages(QString::fromStdString(text));
    page_ = 0;
    balloon_->SetText(pages_.front(), thought);
    PlaceBalloon();
    balloon_->show();
    balloon_->Raise();
}

void Character::TurnPages(int durationMs) {
    if (pages_.size() < 2 || !balloon_->isVisible()) return;
    // Each page gets its share of the time by its length.
    std::size_t total = 0;
    for (const QString& p : pages_) total += static_cast<std::size_t>(p.size());
    pageStartMs_.clear();
    std::size_t before = 0;
    for (const QString& p : pages_) {
        pageStartMs_.push_back(total ? static_cast<int>(durationMs * before / total) : 0);
        before += static_cast<std::size_t>(p.size());
    }
    page_ = 0;
    pageTimer_.start(pageStartMs_[1]);
}

void Character::HideBalloon() {
    pageTimer_.stop();
    balloonTimer_.stop();
    balloon_->hide();
}

void Character::PlaceBalloon() {
    if (balloon_) balloon_->PlaceAt(window_->geometry());
}

} // namespace Agent::Detail
