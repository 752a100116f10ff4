#pragma once
// A character server in a temporary program folder with its own registry, the shipped character
// copied into its "Figuren", no audio device, and a sink that records what the server reports.
#include <QApplication>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestTime.h"
#include "AgentServer.h"
#include "Character.h"
#include "Forms.h"
#include "SpeechOutput.h"
#include "SysUtils.h"
#include "TempDir.h"

namespace speechtest {

inline void EnsureApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "platform_speech_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    Application->Initialize();
}

inline bool RunUntil(const std::function<bool()>& pred, int timeoutMs = 5000) {
    return testsupport::PollUntil(pred, timeoutMs, [] {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
}

// Runs the loop for a while.
inline void RunFor(int ms) {
    RunUntil([] { return false; }, ms);
}

class RecordingSink : public Agent::IAgentNotifySink {
public:
    void VisibleState(std::int32_t id, bool visible, std::int32_t cause) override {
        events.push_back("Visible " + std::to_string(id) + " " + (visible ? "1 " : "0 ") + std::to_string(cause));
    }
    void Idle(std::int32_t id, bool start) override {
        events.push_back(std::string("Idle ") + std::to_string(id) + (start ? " 1" : " 0"));
        if (start) ++idleStarts;
    }
    void DblClick(std::int32_t id, int x, int y) override {
        events.push_back("DblClick " + std::to_string(id) + " " + std::to_string(x) + " " + std::to_string(y));
    }
    std::vector<std::string> events;
    int idleStarts = 0;
};

class WithServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    void SetUp() override {
        Agent::Detail::SpeechOutput::SetDeviceAllowed(false);
        std::filesystem::create_directories(dir.path() / "Figuren");
        for (const auto& entry : std::filesystem::directory_iterator(ZB_SHIPPED_FIGUREN))
            std::filesystem::copy_file(entry.path(), dir.path() / "Figuren" / entry.path().filename());
        SysUtils::SetProgramFolder(dir.str());
        server = Agent::CreateAgentServer();
        ASSERT_TRUE(server);
        sink = std::make_shared<RecordingSink>();
        ASSERT_EQ(server->Register(sink, sinkId), Agent::S_OK);
    }

    void TearDown() override {
        Agent::Detail::SetRandomSource(nullptr);
        character.reset();
        server.reset();
        SysUtils::SetProgramFolder("");
    }

    std::string ShippedPackage() const { return dir.file("Figuren/eulalia.acp"); }

    // Loads the shipped character; the test's character then is `character`.
    void LoadShipped() {
        std::int32_t req = 0;
        ASSERT_EQ(server->Load(ShippedPackage(), characterId, req), Agent::S_OK);
        std::shared_ptr<Agent::IAgentCharacterEx> c;
        ASSERT_EQ(server->GetCharacterEx(characterId, c), Agent::S_OK);
        character = std::dynamic_pointer_cast<Agent::Detail::Character>(c);
        ASSERT_TRUE(character);
    }

    bool WaitIdle(int timeoutMs = 8000) {
        const int before = sink->idleStarts;
        return RunUntil([&] { return sink->idleStarts > before; }, timeoutMs);
    }

    testsupport::TempDir dir;
    testsupport::ScopedEnv registry{"ZORBELIN_REGISTRY", dir.file("registry")};
    std::shared_ptr<Agent::IAgentEx> server;
    std::shared_ptr<RecordingSink> sink;
    std::shared_ptr<Agent::Detail::Character> character;
    std::int32_t sinkId = -1;
    std::int32_t characterId = 0;
};

} // namespace speechtest
