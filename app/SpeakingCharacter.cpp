// The main window's speaking character: loading, placing, speaking and putting it away, and what it
// says on its own (the time, the sayings, today's appointments, the clipboard).
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

#include "Clipbrd.h"
#include "Dialogs.h"
#include "FehlerMeldung.h"
#include "IniFiles.h"
#include "Forms.h"
#include "Registry.h"
#include "Settings.h"
#include "ShellApi.h"
#include "TextEncoding.h"
#include "Trace.h"
#include "SpeakingCharacter.h"

namespace {

constexpr std::size_t WholeTextLimit = 600, PieceLimit = 500;

std::size_t Chars(const AnsiString& s) { return TextEncoding::CharCount(s); }

// The 1-based character position of the first Sub in S, 0 when there is none.
std::size_t CharPos(const AnsiString& Sub, const AnsiString& S) {
    const std::size_t at = S.find(Sub);
    return at == AnsiString::npos ? 0 : TextEncoding::CharCount(std::string_view(S).substr(0, at)) + 1;
}

// How long a wait for speech may last: the character may never report that it is done (no
// notifications, a voice that hangs), and the window must not wait for ever then.
std::chrono::milliseconds SpeechWaitLimit(const AnsiString& Text) {
    const auto ms = 2000 + 100 * static_cast<long long>(Chars(Text));
    return std::chrono::milliseconds(std::min<long long>(ms, 60000));
}

} // namespace

// ---- loading and putting away ---------------------------------------------------------------------------------
bool TSpeakingCharacter::Start(int X, int Y, bool Show) {
    AnsiString file;
    bool zoom = false;
    int savedX = 0, savedY = 0;
    {
        TSettings& settings = TSettings::Program();
        const TSettingsValue s = settings.Current();
        if (s.KeyFound) {
            file = s.AgentFromFileSystem;
            if (s.WasRead("AgentLastPositionX") && s.WasRead("AgentLastPositionY")) {
                savedX = s.AgentLastPositionX;
                savedY = s.AgentLastPositionY;
            }
            if (savedX > Screen->Width() || savedX < 0) savedX = 128;
            if (savedY > Screen->Height() || savedY < 0) savedY = 128;
            // Switched off, the character serves only the action that forces it; one still loaded
            // for such an action goes as soon as anything else asks for it.
            bool used = s.CharacterUsed;
            if (!s.WasRead("CharacterUsed")) {
                settings.Write(&TSettingsValue::CharacterUsed, false);
                used = false;
            }
            if (!used && !AgentForceLoad) {
                SaveAndUnload();
                return false;
            }
            zoom = s.AgentZoom;
            if (!s.WasRead("AgentZoom")) settings.Write(&TSettingsValue::AgentZoom, false);
        }
    }
    if (AgentLoaded && AgentCharacter) {
        if (Show) {
            // Shown again, the character may speak again: an earlier hiding no longer stops it.
            StopSpeaking = false;
            AgentCharacter->Show(false, AgentRequestId);
        }
        return true;
    }
    if (ComponentChecksPending) {
        TSpeechComponentCheck check(owner_.CharacterOwnerWindow());
        if (!check.Run()) return false;
        ComponentChecksPending = false;
    }
    AgentIdleTicks = 0;
    try {
        AgentServer = Agent::CreateAgentServer();
    } catch (const std::exception&) {
        owner_.WriteDebugLog("Agent nicht installiert");
        return false;
    }
    if (!AgentServer) {
        if (!TSettings::Program().Write(&TSettingsValue::CharacterUsed, false))
            owner_.WriteDebugLog("Figur nicht abgeschaltet: die Einstellungen sind nicht zu schreiben\n");
        return false;
    }
    const std::string key = !file.empty() && SysUtils::FileExists(file) ? std::string(file) : std::string();
    std::int32_t request = 0;
    if (AgentServer->Load(key, AgentCharacterId, request) < 0) {
        const AnsiString why = Agent::LastCharacterLoadError();
        owner_.WriteDebugLog(why);
        // Every reminder asks for the character again: the user hears why once.
        if (!why.empty() && why != toldLoadError_) owner_.ReportProblem(toldLoadError_ = why);
        AgentServer.reset();
        return false;
    }
    AgentCharacter.reset();
    if (AgentServer->GetCharacterEx(AgentCharacterId, AgentCharacter) < 0 || !AgentCharacter) {
        AgentServer->Unload(AgentCharacterId);
        AgentCharacter.reset();
        AgentServer.reset();
        return false;
    }
    Trace::Step("character loaded");
    if (AgentCharacter->SetLanguageID(7) < 0) owner_.WriteDebugLog("SetTTSModeID=>Fehler");
    const AnsiString voice = TSettings::Program().Current().AgentVoiceModeID;
    if (!voice.empty() && AgentCharacter->SetTTSModeID("{" + voice + "}") < 0) owner_.WriteDebugLog("SetTTSModeID=>Fehler");
    int w = 0, h = 0;
    AgentCharacter->GetOriginalSize(w, h);
    if (zoom) {
        w = w * 2 / 3;
        h = h * 2 / 3;
        AgentCharacter->SetSize(w, h);
    }
    // Before start-up has read the work area, the screen's own serves.
    const TRect area = owner_.CharacterWorkArea();
    const TRect work = area.Width() > 0 && area.Height() > 0 ? area : Screen->WorkAreaRect();
    int x = X, y = Y;
    if (x != 0 || y != 0) {
        AgentCharacter->SetPosition(x, y);
    } else if (savedX == 0 && savedY == 0) {
        AgentCharacter->SetPosition(work.Right - w, work.Bottom - h);
    } else {
        x = savedX;
        y = savedY;
        AgentCharacter->SetPosition(x, y);
    }
    bool moved = false;
    if (x + w > Screen->Width()) {
        x = Screen->Width() - w - 10;
        moved = true;
    }
    if (y + h > Screen->Height()) {
        y = Screen->Height() - h - 10;
        moved = true;
    }
    if (moved) AgentCharacter->SetPosition(x, y);
    if (Show) {
        StopSpeaking = false;
        AgentCharacter->Show(false, AgentRequestId);
    }
    AgentSinkId = -1;
    AgentSink = std::make_shared<AgentNotifySink>();
    if (AgentServer->Register(AgentSink, AgentSinkId) < 0) {
        owner_.WriteDebugLog("NotifySinkissPech");
    } else {
        AgentSink->OnReport = [this, alive = life_.Guard()](TAgentReport Report) {
            if (!alive.Expired()) HandleReport(Report);
        };
        AgentSink->CharacterId = AgentCharacterId;
    }
    return true;
}

void TSpeakingCharacter::SavePosition() {
    if (!AgentLoaded || !AgentCharacter) return;
    int left = 0, top = 0;
    AgentCharacter->GetPosition(left, top);
    TSettings& settings = TSettings::Program();
    if (settings.Current().KeyFound &&
        !(settings.Write(&TSettingsValue::AgentLastPositionX, left) && settings.Write(&TSettingsValue::AgentLastPositionY, top)))
        owner_.WriteDebugLog("Die Position der Figur kann nicht gespeichert werden.");
}

void TSpeakingCharacter::SaveAndUnload() {
    if (!AgentLoaded) return;
    if (AgentCharacter) {
        if (AgentSink) {
            if (AgentSinkId != -1 && AgentServer) AgentServer->Unregister(AgentSinkId);
            AgentSinkId = -1;
            // Notifications still on their way report nothing any more.
            AgentSink->OnReport = nullptr;
            AgentSink.reset();
        }
        AgentCharacter->StopAll(Agent::STOP_TYPE_ALL);
        SavePosition();
        AgentCharacter.reset();
        if (AgentServer) AgentServer->Unload(AgentCharacterId);
    }
    AgentServer.reset();
    AgentLoaded = false;
}

void TSpeakingCharacter::Hide() {
    if (AgentLoaded && AgentCharacter) AgentCharacter->Hide(false, AgentRequestId);
}

void TSpeakingCharacter::Play(const AnsiString& Animation) {
    // A wait for speech runs messages: the character may have been put away meanwhile.
    if (AgentLoaded && AgentCharacter) AgentCharacter->Play(Animation, AgentRequestId);
}

void TSpeakingCharacter::IdleTick() {
    if (!AgentLoaded) {
        AgentIdleTicks = 0;
        return;
    }
    // Speech that was not waited for keeps the character until it has been said.
    if (SpeechBusy()) AgentIdleTicks = 0;
    ++AgentIdleTicks;
    if (AgentIdleTicks >= 7) SaveAndUnload();
    else if (AgentIdleTicks == 6) Hide();
}

void TSpeakingCharacter::HandleReport(TAgentReport Report) {
    switch (Report) {
    case TAgentReport::Hidden: StopSpeaking = true; break;
    case TAgentReport::IdleStart:
        AgentIdle = true;
        AgentIdleTicks = 4;
        break;
    case TAgentReport::IdleEnd: AgentIdle = false; break;
    // A double click on the character asks for nothing.
    case TAgentReport::DblClick: break;
    }
}

// ---- what a reminder asks of it -----------------------------------------------------------------------------
bool TSpeakingCharacter::ComeToCorner() {
    const TRect area = owner_.CharacterWorkArea();
    AgentLoaded = Start(area.Right - 128, area.Bottom - 240, true);
    return AgentLoaded;
}

bool TSpeakingCharacter::ComeForward() { return Load(); }

void TSpeakingCharacter::StandOn(int Right, int Top) {
    if (!AgentLoaded || !AgentCharacter) return;
    AgentCharacter->Show(false, AgentRequestId);
    int w = 0, h = 0;
    AgentCharacter->GetSize(w, h);
    AgentCharacter->MoveTo(static_cast<std::int16_t>(Right - 128), static_cast<std::int16_t>(Top - h), 1000,
                           AgentRequestId);
}

bool TSpeakingCharacter::ShowIfLoaded() {
    if (!AgentLoaded || !AgentCharacter) return false;
    AgentCharacter->Show(false, AgentRequestId);
    return true;
}

// ---- speaking ---------------------------------------------------------------------------------------------
void TSpeakingCharacter::Say(const AnsiString& Text, bool Think, bool StartAnimation, bool EndAnimation, bool NoWait,
                   bool NoAnimations) {
    AgentIdleTicks = 0;
    if (!AgentLoaded || !AgentCharacter) return;
    if (StartAnimation && !NoAnimations) Play("Read");
    if (!NoAnimations) Play("ReadContinued");
    if (!AgentCharacter) return;
    // The character is busy from this request on; an idle report of earlier speech must not end the
    // wait for this one.
    if (!NoWait) AgentIdle = false;
    if (Think) AgentCharacter->Think(Text, AgentRequestId);
    else AgentCharacter->Speak(Text, "", AgentRequestId);
    if (!NoWait) {
        const auto deadline = std::chrono::steady_clock::now() + SpeechWaitLimit(Text);
        while (!AgentIdle) {
            if (StopSpeaking) return;
            if (std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            Application->ProcessMessages();
        }
    }
    if (EndAnimation && !NoAnimations) Play("ReadReturn");
}

void TSpeakingCharacter::SayWithoutWaiting(const AnsiString& Text, bool StartAnimation, bool EndAnimation) {
    // The server says queued requests one after the other, so a second saying still follows the
    // first; the five-second tick goes on meanwhile.
    Say(Text, false, StartAnimation, EndAnimation, true, true);
    if (!AgentLoaded) return;
    AgentIdle = false;
    speechBusyUntil_ = std::chrono::steady_clock::now() + SpeechWaitLimit(Text);
}

void TSpeakingCharacter::SayLongText(const AnsiString& Text) {
    if (!AgentLoaded) {
        owner_.WriteDebugLog("AgantWasNotLoaded");
        return;
    }
    if (Text.empty()) return;
    auto speak = [this](const AnsiString& piece) { Say(piece, false, false, false, false, false); };
    if (Chars(Text) <= WholeTextLimit) {
        speak(Text);
    } else {
        TStringList lines;
        lines.SetText(Text);
        AnsiString piece;
        for (int i = 0; i < lines.Count(); ++i) {
            piece += lines.Strings(i) + " ";
            if (Chars(piece) > PieceLimit) {
                if (AgentLoaded) speak(piece);
                piece.clear();
            }
            for (const char* end : {". ", "! ", "? "}) {
                if (CharPos(end, piece) > 3) {
                    if (!AgentLoaded) return;
                    speak(piece);
                    piece.clear();
                }
            }
        }
        if (!piece.empty()) {
            if (!AgentLoaded) return;
            speak(piece);
        }
    }
    Application->ProcessMessages();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(60000);
    while (!AgentIdle && std::chrono::steady_clock::now() < deadline) {
        AgentIdleTicks = 0;
        if (StopSpeaking) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        Application->ProcessMessages();
    }
}

// ---- what the character says on its own -----------------------------------------------------------------------
void TSpeakingCharacter::SayTime() {
    if (!SayTimeEnabled) return;
    const TDateTime now = SysUtils::Now();
    Word h, m, s, ms;
    SysUtils::DecodeTime(now, h, m, s, ms);
    // Only an edited registry holds an interval below one minute.
    const int interval = SayTimeInterval < 1 ? 60 : SayTimeInterval;
    if (m % interval != 0) {
        SayTimeArmed = true;
        return;
    }
    // Each due minute speaks once, also when every minute is due.
    const long long minute = std::llround(double(now) * 86400000.0) / 60000;
    if (!SayTimeArmed && minute == lastSpokenMinute_) return;
    SayTimeArmed = false;
    lastSpokenMinute_ = minute;
    if (!Load()) return;
    Play("Wave");
    // A text never saved is the one the settings dialog shows.
    AnsiString text = TSettings::Program().Current().SPAgentTime;
    if (h == 22 && m > 30) {
        Play("GetAttention");
        text = "Es ist schon spät geworden, es ist <TIME>";
        Play("GetAttentionReturn");
    } else if (h == 23 && m > 45) {
        Play("Surprised");
        text = "Es ist schon ziemlich spät geworden, es ist <TIME>";
    }
    Play("GestureDown");
    text = SysUtils::StringReplace(text, "<TIME>", SysUtils::FormatDateTime("hh:mm 'Uhr'", now), SysUtils::rfReplaceAll);
    if (!text.empty()) SayWithoutWaiting(text, false, false);
}

void TSpeakingCharacter::SaySayings() {
    // The clock decides, not the count of ticks: every minute is looked at once, and minutes a held
    // tick skipped are caught up, though only the last few: a saying is for its moment, not hours later.
    const long long current = std::llround(double(SysUtils::Now()) * 86400000.0) / 60000;
    if (current == lastSayingMinute_) return;
    const bool recent = lastSayingMinute_ >= 0 && current > lastSayingMinute_ &&
                        current - lastSayingMinute_ <= SayingCatchUpMinutes;
    const long long first = recent ? lastSayingMinute_ + 1 : current;
    // A clock set back a little waits until it has caught up, so no minute is said twice.
    if (lastSayingMinute_ >= 0 && current < lastSayingMinute_ && lastSayingMinute_ - current <= SayingCatchUpMinutes)
        return;
    lastSayingMinute_ = current;
    constexpr long long day = 24 * 60;
    TIniFile ini(owner_.ExeDir() + "sprueche.ini");
    for (int i = 0; i < 100; ++i) {
        try {
            const AnsiString name = ini.ReadString("Namen", "Tab" + SysUtils::IntToStr(i), "");
            if (name.empty()) break;
            // The sayings editor marks the slot of a deleted saying so; it has nothing to say.
            if (name == "empty") continue;
            const double t = ini.ReadFloat(name, "Zeit", 0);
            Word th, tm, ts, tms;
            SysUtils::DecodeTime(TDateTime(t), th, tm, ts, tms);
            // The first minute of the span that shows the saying's clock time.
            const long long wanted = th * 60 + tm;
            const long long due = first + ((wanted - first % day) % day + day) % day;
            if (due > current) continue;
            if (!Load()) continue;
            Play(ini.ReadString(name, "Animation", "Blink"));
            const AnsiString saying = ini.ReadString(name, "Spruch", "");
            if (!saying.empty()) SayWithoutWaiting(saying, false, false);
        } catch (const std::exception& e) {
            // The other sayings are still said.
            owner_.WriteDebugLog(AnsiString("Spruch: ") + e.what() + "\n");
        }
    }
}

void TSpeakingCharacter::SetAnnouncementText(const AnsiString& Text) {
    if (!Classes::IsMainThread()) {
        // The timer and the text belong to the main thread.
        Classes::QueueOnMainThread([this, alive = life_.Guard(), Text] {
            if (!alive.Expired()) SetAnnouncementText(Text);
        });
        return;
    }
    if (Text.empty()) return;
    SpeechText = Text;
    owner_.StartAnnouncementTimer();
}

void TSpeakingCharacter::Announce() {
    TStringList lines;
    lines.SetText(SpeechText);
    for (int i = 0; i < lines.Count(); ++i) {
        owner_.SetAnnouncePending(false);
        if (!Load()) continue;
        if (AnnounceIntroPending) {
            Say(TSettings::Program().Current().SBAgentAppointments, false, false, false, true, false);
            AnnounceIntroPending = false;
        }
        Say(lines.Strings(i), false, false, false, true, false);
    }
    SpeechText.clear();
}

void TSpeakingCharacter::ReadClipboard(TMenuItem* Item) {
    StopSpeaking = false;
    Item->Enabled = false;
    // The reading that runs gives the item back when it ends.
    if (ClipboardReadingBusy) return;
    bool reading = false;
    ScopeExit done([this, Item, &reading] {
        if (reading) ClipboardReadingBusy = false;
        Item->Enabled = true;
    });
    if (!Load()) return;
    ClipboardReadingBusy = true;
    reading = true;
    // Loaded, the character stays available to the reading even when it is switched off meanwhile,
    // and only to the reading.
    const TForcedCharacter forced(AgentForceLoad);
    AgentIdleTicks = 0;
    Start(0, 0, true);
    Play("Read");
    Play("ReadContinued");
    if (Clipboard()->HasFormat(CF_TEXT)) {
        const AnsiString text = Clipboard()->AsText();
        if (text.empty())
            Say("Hmmm,ich soll die Zwischenablage vorlesen? Ich habe dort aber leider keinen Text gefunden!", false,
                  true, true, false, false);
        else
            SayLongText(text);
    }
    Play("ReadReturn");
}

AnsiString TSpeakingCharacter::Greeting(int Hour) {
    // A text never saved is the one the settings dialog shows.
    const TSettingsValue settings = TSettings::Program().Current();
    AnsiString greeting;
    if (Hour >= 2 && Hour <= 11) greeting = settings.SPAgentHalloFrueh;
    else if (Hour == 12) greeting = settings.SPAgentHalloMittag;
    else if (Hour >= 13 && Hour <= 17) greeting = settings.SPAgentHallo;
    else if (Hour >= 19 && Hour <= 23) greeting = settings.SPAgentHalloAbend;
    return greeting.empty() ? AnsiString("Hallo") : greeting;
}

void TSpeakingCharacter::Greet() {
    if (!AgentLoaded) Load();
    if (!AgentLoaded) return;
    Word hour, min, sec, msec;
    SysUtils::DecodeTime(SysUtils::Now(), hour, min, sec, msec);
    SayWithoutWaiting(Greeting(hour), true, true);
}

// ---- as the settings dialog uses it ----------------------------------------------------------------------------
bool TarvolinAgent::Start(bool Force, bool Show) {
    TSpeakingCharacter* c = TSpeakingCharacter::Main();
    if (!c) return false;
    // A forced load serves this call only; afterwards the user's switch decides again.
    std::optional<TForcedCharacter> forced;
    if (Force) forced.emplace(c->AgentForceLoad);
    return c->Load(Show);
}

std::shared_ptr<Agent::IAgentCharacterEx> TarvolinAgent::Character() {
    TSpeakingCharacter* c = TSpeakingCharacter::Main();
    return c && c->AgentLoaded ? c->AgentCharacter : nullptr;
}

void TarvolinAgent::ResetIdle() {
    if (TSpeakingCharacter* c = TSpeakingCharacter::Main()) c->AgentIdleTicks = 0;
}

std::int32_t& TarvolinAgent::RequestId() {
    static std::int32_t withoutWindow = 0;
    TSpeakingCharacter* c = TSpeakingCharacter::Main();
    return c ? c->AgentRequestId : withoutWindow;
}

void TarvolinAgent::ShowDefaultCharacterProperties() {
    TSpeakingCharacter* c = TSpeakingCharacter::Main();
    if (!c) return;
    // The chooser and the output settings work while the character is switched off.
    const TForcedCharacter forced(c->AgentForceLoad);
    c->Load();
    if (c->AgentLoaded && c->AgentServer) c->AgentServer->ShowDefaultCharacterProperties(0, 0, true);
}

void TarvolinAgent::ShowPropertySheet() {
    TSpeakingCharacter* c = TSpeakingCharacter::Main();
    if (!c) return;
    const TForcedCharacter forced(c->AgentForceLoad);
    c->Load();
    if (!c->AgentLoaded) return;
    if (!c->AgentServer || c->AgentServer->ShowOutputProperties() < 0)
        Dialogs::ShowMessage("Evtl. ist der MS-Agent bei Ihnen nicht installiert!");
}

void TarvolinAgent::Reload() {
    TSpeakingCharacter* c = TSpeakingCharacter::Main();
    if (!c) return;
    if (c->AgentLoaded) c->SaveAndUnload();
    c->Load();
}
