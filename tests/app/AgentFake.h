#pragma once
// A character server for tests: it records every call in one list, and reports what the program's
// own server reports (queued on the main thread): idle ending when a request starts, idle again once
// the last request has run unless that was a hide (or the test says the character never rests), and
// the character hidden.
#include <memory>
#include <string>
#include <vector>

#include "AgentServer.h"
#include "Classes.h"
#include "FehlerMeldung.h"
#include "Unit1.h"

namespace apptest {

struct AgentLog {
    std::vector<std::string> calls;
    void Add(const std::string& s) { calls.push_back(s); }
    // The calls that begin with Prefix, in order.
    std::vector<std::string> With(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }
    bool Has(const std::string& call) const {
        for (const auto& c : calls)
            if (c == call) return true;
        return false;
    }
};

class FakeCharacter : public Agent::IAgentCharacterEx {
    // What the requests still on their way read, after a reload too.
    struct State {
        bool idle = true, visible = false, reportIdle = true;
        int running = 0;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();

public:
    FakeCharacter(std::shared_ptr<AgentLog> log, std::shared_ptr<std::shared_ptr<Agent::IAgentNotifySink>> sink, int id)
        : log_(std::move(log)), sink_(std::move(sink)), id_(id) {}
    int originalWidth = 128, originalHeight = 128, width = 128, height = 128, left = 0, top = 0;
    // False: the character never rests (a voice that hangs).
    bool& reportIdle = state_->reportIdle;
    Agent::HRESULT voiceResult = Agent::S_OK;

    Agent::HRESULT SetLanguageID(std::int32_t id) override {
        log_->Add("SetLanguageID " + std::to_string(id));
        return Agent::S_OK;
    }
    Agent::HRESULT SetTTSModeID(const std::string& mode) override {
        log_->Add("SetTTSModeID " + mode);
        return voiceResult;
    }
    Agent::HRESULT GetOriginalSize(int& w, int& h) override {
        w = originalWidth;
        h = originalHeight;
        return Agent::S_OK;
    }
    Agent::HRESULT GetSize(int& w, int& h) override {
        w = width;
        h = height;
        return Agent::S_OK;
    }
    Agent::HRESULT SetSize(int w, int h) override {
        width = w;
        height = h;
        log_->Add("SetSize " + std::to_string(w) + " " + std::to_string(h));
        return Agent::S_OK;
    }
    Agent::HRESULT GetPosition(int& l, int& t) override {
        l = left;
        t = top;
        return Agent::S_OK;
    }
    Agent::HRESULT SetPosition(int l, int t) override {
        left = l;
        top = t;
        log_->Add("SetPosition " + std::to_string(l) + " " + std::to_string(t));
        return Agent::S_OK;
    }
    Agent::HRESULT Show(bool, std::int32_t& r) override { return Request("Show", r); }
    Agent::HRESULT Hide(bool, std::int32_t& r) override { return Request("Hide", r); }
    Agent::HRESULT Play(const std::string& a, std::int32_t& r) override { return Request("Play " + a, r); }
    Agent::HRESULT Speak(const std::string& text, const std::string&, std::int32_t& r) override {
        return Request("Speak " + text, r);
    }
    Agent::HRESULT Think(const std::string& text, std::int32_t& r) override { return Request("Think " + text, r); }
    Agent::HRESULT MoveTo(std::int16_t x, std::int16_t y, std::int32_t speed, std::int32_t& r) override {
        return Request("MoveTo " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(speed), r);
    }
    Agent::HRESULT StopAll(std::int32_t types) override {
        log_->Add("StopAll " + std::to_string(types));
        return Agent::S_OK;
    }
    Agent::HRESULT Stop(std::int32_t) override { return Agent::S_OK; }
    Agent::HRESULT GetAnimationNames(std::vector<std::string>& names) override {
        names = {"Blink", "Wave"};
        return Agent::S_OK;
    }

private:
    // The request runs at once and ends when the loop comes round to it, after what was asked before.
    Agent::HRESULT Request(const std::string& call, std::int32_t& r) {
        log_->Add(call);
        r = ++requests_;
        const bool show = call == "Show", hide = call == "Hide";
        auto state = state_;
        if (state->idle) {
            state->idle = false;
            Notify([](Agent::IAgentNotifySink& s, int id) { s.Idle(id, false); });
        }
        ++state->running;
        auto log = log_;
        Notify([state, log, show, hide](Agent::IAgentNotifySink& s, int id) {
            if (show && !state->visible) {
                state->visible = true;
                s.VisibleState(id, true, 2);
            }
            if (hide && state->visible) {
                state->visible = false;
                s.VisibleState(id, false, 2);
            }
            // A queue that ends with a hide leaves the character out of sight, not resting.
            if (--state->running > 0 || hide || !state->reportIdle) return;
            state->idle = true;
            log->Add("Idle");
            s.Idle(id, true);
        });
        return Agent::S_OK;
    }
    // As the server does: later, on the main thread, to the sink registered then.
    template <typename F>
    void Notify(F f) {
        auto sink = sink_;
        const int id = id_;
        Classes::QueueOnMainThread([sink, id, f] {
            if (*sink) f(**sink, id);
        });
    }
    std::shared_ptr<AgentLog> log_;
    std::shared_ptr<std::shared_ptr<Agent::IAgentNotifySink>> sink_;
    int id_;
    int requests_ = 0;
};

class FakeServer : public Agent::IAgentEx {
public:
    explicit FakeServer(std::shared_ptr<AgentLog> log) : log_(std::move(log)) {}
    std::shared_ptr<FakeCharacter> character;
    std::shared_ptr<std::shared_ptr<Agent::IAgentNotifySink>> sink =
        std::make_shared<std::shared_ptr<Agent::IAgentNotifySink>>();
    Agent::HRESULT loadResult = Agent::S_OK, registerResult = Agent::S_OK, outputResult = Agent::S_OK,
                   voiceResult = Agent::S_OK;
    static constexpr int Id = 7;

    Agent::HRESULT Load(const std::string& key, std::int32_t& id, std::int32_t& r) override {
        log_->Add("Load " + key);
        if (loadResult < 0) return loadResult;
        character = std::make_shared<FakeCharacter>(log_, sink, Id);
        character->voiceResult = voiceResult;
        id = Id;
        r = 1;
        return Agent::S_OK;
    }
    Agent::HRESULT Unload(std::int32_t id) override {
        log_->Add("Unload " + std::to_string(id));
        return Agent::S_OK;
    }
    Agent::HRESULT GetCharacterEx(std::int32_t, std::shared_ptr<Agent::IAgentCharacterEx>& c) override {
        c = character;
        return Agent::S_OK;
    }
    Agent::HRESULT Register(std::shared_ptr<Agent::IAgentNotifySink> s, std::int32_t& id) override {
        log_->Add("Register");
        if (registerResult < 0) return registerResult;
        *sink = std::move(s);
        id = 3;
        return Agent::S_OK;
    }
    Agent::HRESULT Unregister(std::int32_t id) override {
        log_->Add("Unregister " + std::to_string(id));
        sink->reset();
        return Agent::S_OK;
    }
    Agent::HRESULT ShowDefaultCharacterProperties(int x, int y, bool d) override {
        log_->Add("ShowDefaultCharacterProperties " + std::to_string(x) + " " + std::to_string(y) + " " +
                  std::to_string(d));
        return Agent::S_OK;
    }
    Agent::HRESULT ShowOutputProperties() override {
        log_->Add("ShowOutputProperties");
        return outputResult;
    }

private:
    std::shared_ptr<AgentLog> log_;
};

// Installs the fake server, a speech library and one voice for the test's life, and clears what a run
// keeps of the character.
class FakeAgentInstallation {
public:
    std::shared_ptr<AgentLog> log = std::make_shared<AgentLog>();
    std::shared_ptr<FakeServer> server = std::make_shared<FakeServer>(log);
    bool serverAvailable = true, libraryAvailable = true;
    int voices = 1;
    int serversCreated = 0;

    FakeAgentInstallation() {
        previous_ = Agent::SetAgentServerFactory([this]() -> std::shared_ptr<Agent::IAgentEx> {
            ++serversCreated;
            return serverAvailable ? server : nullptr;
        });
        FehlerMeldung::SetSpeechLibraryProbe([this] { return libraryAvailable; });
        FehlerMeldung::SetVoiceCountProbe([this] { return voices; });
        // The fake server loads any package file.
        FehlerMeldung::SetCharacterProbe([](const AnsiString&) { return true; });
    }
    ~FakeAgentInstallation() {
        Agent::SetAgentServerFactory(previous_);
        FehlerMeldung::SetSpeechLibraryProbe(nullptr);
        FehlerMeldung::SetVoiceCountProbe(nullptr);
        FehlerMeldung::SetCharacterProbe(nullptr);
    }
    FakeCharacter& Character() { return *server->character; }

private:
    Agent::AgentServerFactory previous_;
};

} // namespace apptest
