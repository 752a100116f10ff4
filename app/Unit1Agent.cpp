// The main window's speaking character: loading, placing, speaking and putting it away, and what it
// says on its own (the time, the sayings, today's appointments, the clipboard), and the birthday mail.
#include <chrono>
#include <cmath>
#include <thread>

#include "Clipbrd.h"
#include "FehlerMeldung.h"
#include "IniFiles.h"
#include "Registry.h"
#include "ShellApi.h"
#include "TextEncoding.h"
#include "Trace.h"
#include "Unit1.h"

std::shared_ptr<Agent::IAgentEx> AgentServer;
bool ComponentChecksPending = true;
bool SayTimeArmed = true;
bool ClipboardReadingBusy = false;

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

// A character that would end the mail address or the text in the link (or add a line of its own)
// is written as %XX; blanks and umlauts stay as they are.
AnsiString MailPart(const AnsiString& s) {
    static const char* const hex = "0123456789ABCDEF";
    AnsiString out;
    for (char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '%' || c == '&' || c == '#' || c == '?' || u < 0x20) {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

// ---- loading and putting away ---------------------------------------------------------------------------------
bool TForm1::StartAgent(int X, int Y, bool Show) {
    if (AgentLoaded && AgentCharacter) {
        if (Show) {
            // Shown again, the character may speak again: an earlier hiding no longer stops it.
            StopSpeaking = false;
            AgentCharacter->Show(false, AgentRequestId);
        }
        return true;
    }
    AnsiString file;
    bool zoom = false;
    int savedX = 0, savedY = 0;
    {
        TRegistry reg;
        if (reg.OpenKey(TarvolinKey, false)) {
            if (!reg.TryReadString("AgentFromFileSystem", file)) file.clear();
            int px = 0, py = 0;
            if (reg.TryReadInteger("AgentLastPositionX", px) && reg.TryReadInteger("AgentLastPositionY", py)) {
                savedX = px;
                savedY = py;
            }
            if (savedX > Screen->Width() || savedX < 0) savedX = 128;
            if (savedY > Screen->Height() || savedY < 0) savedY = 128;
            int used = 0;
            if (!reg.TryReadInteger("CharacterUsed", used)) {
                try {
                    reg.WriteBool("CharacterUsed", false);
                } catch (const std::exception&) {
                }
                return false;
            }
            if (!used && !AgentForceLoad) return false;
            int zoomed = 0;
            if (reg.TryReadInteger("AgentZoom", zoomed)) {
                zoom = zoomed != 0;
            } else {
                try {
                    reg.WriteBool("AgentZoom", false);
                } catch (const std::exception&) {
                }
            }
        }
    }
    if (ComponentChecksPending) {
        TSpeechComponentCheck check(this);
        if (!check.Run()) return false;
        ComponentChecksPending = false;
    }
    AgentIdleTicks = 0;
    try {
        AgentServer = Agent::CreateAgentServer();
    } catch (const std::exception&) {
        WriteDebugLog("Agent nicht installiert");
        return false;
    }
    if (!AgentServer) {
        try {
            TRegistry reg;
            if (reg.OpenKey(TarvolinKey, false)) reg.WriteBool("CharacterUsed", false);
        } catch (const std::exception&) {
        }
        return false;
    }
    const std::string key = !file.empty() && SysUtils::FileExists(file) ? std::string(file) : std::string();
    std::int32_t request = 0;
    if (AgentServer->Load(key, AgentCharacterId, request) < 0) {
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
    if (AgentCharacter->SetLanguageID(7) < 0) WriteDebugLog("SetTTSModeID=>Fehler");
    {
        TRegistry reg;
        AnsiString voice;
        if (reg.OpenKey(TarvolinKey, false) && reg.TryReadString("AgentVoiceModeID", voice) && !voice.empty()) {
            if (AgentCharacter->SetTTSModeID("{" + voice + "}") < 0) WriteDebugLog("SetTTSModeID=>Fehler");
        }
    }
    int w = 0, h = 0;
    AgentCharacter->GetOriginalSize(w, h);
    if (zoom) {
        w = w * 2 / 3;
        h = h * 2 / 3;
        AgentCharacter->SetSize(w, h);
    }
    // Before start-up has read the work area, the screen's own serves.
    const TRect work = WorkArea.Width() > 0 && WorkArea.Height() > 0 ? WorkArea : Screen->WorkAreaRect();
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
        WriteDebugLog("NotifySinkissPech");
    } else {
        AgentSink->NotifyWindow = Handle();
        AgentSink->CharacterId = AgentCharacterId;
    }
    return true;
}

void TForm1::SaveAndUnloadAgent() {
    if (!AgentLoaded) return;
    if (AgentCharacter) {
        if (AgentSink) {
            if (AgentSinkId != -1 && AgentServer) AgentServer->Unregister(AgentSinkId);
            AgentSinkId = -1;
            // Notifications still on their way post nothing any more.
            AgentSink->NotifyWindow = nullptr;
            AgentSink.reset();
        }
        AgentCharacter->StopAll(Agent::STOP_TYPE_ALL);
        try {
            TRegistry reg;
            if (reg.OpenKey(TarvolinKey, false)) {
                int left = 0, top = 0;
                AgentCharacter->GetPosition(left, top);
                reg.WriteInteger("AgentLastPositionX", left);
                reg.WriteInteger("AgentLastPositionY", top);
            }
        } catch (const std::exception& e) {
            WriteDebugLog(e.what());
        }
        AgentCharacter.reset();
        if (AgentServer) AgentServer->Unload(AgentCharacterId);
    }
    AgentServer.reset();
    AgentLoaded = false;
}

void TForm1::HideAgent() {
    if (AgentLoaded && AgentCharacter) AgentCharacter->Hide(false, AgentRequestId);
}

void TForm1::PlayAgent(const AnsiString& Animation) {
    // A wait for speech runs messages: the character may have been put away meanwhile.
    if (AgentLoaded && AgentCharacter) AgentCharacter->Play(Animation, AgentRequestId);
}

// ---- speaking ---------------------------------------------------------------------------------------------
void TForm1::Speak(const AnsiString& Text, bool Think, bool StartAnimation, bool EndAnimation, bool NoWait,
                   bool NoAnimations) {
    AgentIdleTicks = 0;
    if (!AgentLoaded || !AgentCharacter) return;
    if (StartAnimation && !NoAnimations) PlayAgent("Read");
    if (!NoAnimations) PlayAgent("ReadContinued");
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
    if (EndAnimation && !NoAnimations) PlayAgent("ReadReturn");
}

void TForm1::SpeakLongText(const AnsiString& Text) {
    if (!AgentLoaded) {
        WriteDebugLog("AgantWasNotLoaded");
        return;
    }
    if (Text.empty()) return;
    auto speak = [this](const AnsiString& piece) { Speak(piece, false, false, false, false, false); };
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
void TForm1::SpeakTime() {
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
    AgentLoaded = StartAgent(0, 0, true);
    if (!AgentLoaded) return;
    PlayAgent("Wave");
    AnsiString text;
    {
        TRegistry reg;
        if (reg.OpenKey(TarvolinKey, false) && reg.ValueExists("SPAgentTime") && !reg.TryReadString("SPAgentTime", text))
            text = "Die Zeit, es ist <TIME>";
    }
    if (h == 22 && m > 30) {
        PlayAgent("GetAttention");
        text = "Es ist schon spät geworden, es ist <TIME>";
        PlayAgent("GetAttentionReturn");
    } else if (h == 23 && m > 45) {
        PlayAgent("Surprised");
        text = "Es ist schon ziemlich spät geworden, es ist <TIME>";
    }
    PlayAgent("GestureDown");
    text = SysUtils::StringReplace(text, "<TIME>", SysUtils::FormatDateTime("hh:mm 'Uhr'", now), SysUtils::rfReplaceAll);
    if (!text.empty()) Speak(text, false, false, false, false, true);
}

void TForm1::Sayings() {
    TIniFile ini(ExeDir() + "sprueche.ini");
    Word h, m, s, ms;
    SysUtils::DecodeTime(SysUtils::Now(), h, m, s, ms);
    for (int i = 0; i < 100; ++i) {
        try {
            const AnsiString name = ini.ReadString("Namen", "Tab" + SysUtils::IntToStr(i), "");
            if (name.empty()) break;
            // The sayings editor marks the slot of a deleted saying so; it has nothing to say.
            if (name == "empty") continue;
            const double t = ini.ReadFloat(name, "Zeit", 0);
            Word th, tm, ts, tms;
            SysUtils::DecodeTime(TDateTime(t), th, tm, ts, tms);
            if (th != h || tm != m) continue;
            AgentLoaded = StartAgent(0, 0, true);
            if (!AgentLoaded) continue;
            PlayAgent(ini.ReadString(name, "Animation", "Blink"));
            const AnsiString saying = ini.ReadString(name, "Spruch", "");
            if (!saying.empty()) Speak(saying, false, false, false, false, true);
        } catch (const std::exception&) {
        }
    }
}

void TForm1::SetAnnouncementText(const AnsiString& Text) {
    if (!Classes::IsMainThread()) {
        // The timer and the text belong to the main thread.
        std::weak_ptr<bool> alive = alive_;
        Classes::QueueOnMainThread([this, alive, Text] {
            if (!alive.expired()) SetAnnouncementText(Text);
        });
        return;
    }
    if (Text.empty()) return;
    SpeechText = Text;
    TreadSyncTimer1->SetEnabled(true);
}

void TForm1::TreadSyncTimer1Timer(TObject*) {
    TreadSyncTimer1->SetEnabled(false);
    TStringList lines;
    lines.SetText(SpeechText);
    for (int i = 0; i < lines.Count(); ++i) {
        announcePending_ = false;
        AgentLoaded = StartAgent(0, 0, true);
        if (!AgentLoaded) continue;
        if (AnnounceIntroPending) {
            AnsiString intro;
            TRegistry reg;
            if (reg.OpenKey(TarvolinKey, false) && reg.ValueExists("SBAgentAppointments") &&
                !reg.TryReadString("SBAgentAppointments", intro))
                intro = "Sie haben heute Termine";
            Speak(intro, false, false, false, true, false);
            AnnounceIntroPending = false;
        }
        Speak(lines.Strings(i), false, false, false, true, false);
    }
    SpeechText.clear();
}

void TForm1::Zwischenablagevorlesen1Click(TObject*) {
    StopSpeaking = false;
    Zwischenablagevorlesen1->Enabled = false;
    // The reading that runs gives the item back when it ends.
    if (ClipboardReadingBusy) return;
    struct Done {
        TMenuItem* item;
        bool busy = false;
        ~Done() {
            if (busy) ClipboardReadingBusy = false;
            item->Enabled = true;
        }
    } done{Zwischenablagevorlesen1};
    // Asked for by the user: the character comes even when it is switched off otherwise.
    AgentForceLoad = true;
    AgentLoaded = StartAgent(0, 0, true);
    if (!AgentLoaded) return;
    ClipboardReadingBusy = true;
    done.busy = true;
    AgentIdleTicks = 0;
    StartAgent(0, 0, true);
    PlayAgent("Read");
    PlayAgent("ReadContinued");
    if (Clipboard()->HasFormat(CF_TEXT)) {
        const AnsiString text = Clipboard()->AsText();
        if (text.empty())
            Speak("Hmmm,ich soll die Zwischenablage vorlesen? Ich habe dort aber leider keinen Text gefunden!", false,
                  true, true, false, false);
        else
            SpeakLongText(text);
    }
    PlayAgent("ReadReturn");
}

// ---- the birthday mail --------------------------------------------------------------------------------------
void TForm1::SendBirthdayMail(const AnsiString& Address) {
    if (!Classes::IsMainThread()) {
        std::weak_ptr<bool> alive = alive_;
        Classes::QueueOnMainThread([this, alive, Address] {
            if (!alive.expired()) SendBirthdayMail(Address);
        });
        return;
    }
    AnsiString body;
    try {
        TRegistry reg;
        if (reg.OpenKey(TarvolinKey, true) && reg.ValueExists("Body")) body = reg.ReadString("Body");
    } catch (const std::exception&) {
        body = "... und alles Gute zum Geburtstag";
    }
    try {
        // A contact without an address gets no empty mail.
        if (SysUtils::Trim(Address).empty()) throw SysUtils::Exception("no address");
        const AnsiString url =
            "mailto:" + MailPart(Address) + "?subject=Herzlichen Glückwunsch&body=" + MailPart(body);
        ShellExecute(Handle(), "open", url.c_str(), nullptr, nullptr, SW_SHOW);
    } catch (const std::exception&) {
        WriteDebugLog("BM_Keine_EMailAdresse");
    }
}
