// The request queue: ids, order, the events that tell the program about it, stopping, moving.
#include <QElapsedTimer>

#include <atomic>

#include "CharacterWindow.h"
#include "Classes.h"
#include "SpeechTestSupport.h"

using namespace speechtest;

namespace {

class Queue : public WithServer {
protected:
    void SetUp() override {
        WithServer::SetUp();
        LoadShipped();
    }
    std::string Id() const { return std::to_string(characterId); }
};

} // namespace

TEST_F(Queue, RequestIdsIncreaseAndEventsComeOnlyThroughTheLoop) {
    std::int32_t a = 0, b = 0, c = 0;
    ASSERT_EQ(character->Show(false, a), Agent::S_OK);
    ASSERT_EQ(character->Play("Blink", b), Agent::S_OK);
    ASSERT_EQ(character->Hide(true, c), Agent::S_OK);
    EXPECT_GT(a, 0);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(c, b + 1);
    EXPECT_TRUE(sink->events.empty()) << "nothing is reported from inside the calls";
    EXPECT_FALSE(character->Visible()) << "requests run from the loop";

    ASSERT_TRUE(RunUntil([&] { return !sink->events.empty() && sink->events.back() == "Visible " + Id() + " 0 2"; }));
    EXPECT_EQ(sink->events, (std::vector<std::string>{"Idle " + Id() + " 0", "Visible " + Id() + " 1 2",
                                                      "Visible " + Id() + " 0 2"}));
    EXPECT_FALSE(character->Visible());
}

TEST_F(Queue, ACharacterHiddenByARequestDoesNotGoIdle) {
    std::int32_t req = 0;
    character->Show(true, req);
    ASSERT_TRUE(WaitIdle());
    character->Hide(false, req);
    ASSERT_TRUE(RunUntil([&] { return sink->events.back() == "Visible " + Id() + " 0 2"; }));
    // A second character of the server goes idle after its own request, which ends after the hide:
    // an idle report of the hidden one would have come before it.
    std::int32_t otherId = 0;
    ASSERT_EQ(server->Load(ShippedPackage(), otherId, req), Agent::S_OK);
    std::shared_ptr<Agent::IAgentCharacterEx> other;
    ASSERT_EQ(server->GetCharacterEx(otherId, other), Agent::S_OK);
    other->Play("Blink", req);
    const std::string otherIdle = "Idle " + std::to_string(otherId) + " 1";
    ASSERT_TRUE(RunUntil([&] { return sink->events.back() == otherIdle; }));
    const auto hidden = std::find(sink->events.begin(), sink->events.end(), "Visible " + Id() + " 0 2");
    EXPECT_EQ(std::find(hidden, sink->events.end(), "Idle " + Id() + " 1"), sink->events.end());

    // Shown again, it rests and says so as before.
    character->Show(true, req);
    EXPECT_TRUE(RunUntil([&] { return sink->events.back() == "Idle " + Id() + " 1"; }));
}

TEST_F(Queue, RequestsRunInOrderAndIdleFollowsAfterAPause) {
    std::int32_t req = 0;
    character->Show(true, req);
    character->Play("Wave", req);
    character->Play("Blink", req);
    // Each request waits for the one before.
    RunUntil([&] { return character->Window()->Picture().rfind("winken", 0) == 0; });
    EXPECT_EQ(character->QueuedRequests(), 1);
    std::vector<std::string> seen;
    QElapsedTimer clock;
    // The rest may begin before the loop looks again on a busy machine: it is counted from here.
    const int idleBefore = sink->idleStarts;
    RunUntil([&] {
        const std::string p = character->Window()->Picture();
        if (seen.empty() || seen.back() != p) seen.push_back(p);
        return character->QueuedRequests() == 0 && (p == "zu" || sink->idleStarts > idleBefore);
    });
    EXPECT_NE(std::find(seen.begin(), seen.end(), "winken2"), seen.end());
    ASSERT_TRUE(RunUntil([&] { return sink->idleStarts > idleBefore; }, 8000));
    EXPECT_EQ(character->Window()->Picture(), "ruhe") << "at rest once idle";
    EXPECT_EQ(sink->events.back(), "Idle " + Id() + " 1");
    EXPECT_EQ(std::count(sink->events.begin(), sink->events.end(), "Idle " + Id() + " 0"), 1)
        << "one idle end for the whole run";

    // Idle comes about half a second to a second after the queue ran empty.
    sink->events.clear();
    character->Play("RestPose", req);  // 200 ms
    clock.start();
    ASSERT_TRUE(WaitIdle());
    EXPECT_GE(clock.elapsed(), 200 + 500);
    EXPECT_LE(clock.elapsed(), 200 + 1500);
}

TEST_F(Queue, UnknownAnimationPlaysNothingButCompletes) {
    std::int32_t req = 0;
    character->Show(true, req);
    ASSERT_TRUE(WaitIdle());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(character->Play("Fliegen", req), Agent::S_OK);
    ASSERT_TRUE(WaitIdle(3000));
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(character->Window()->Picture(), "ruhe");
}

TEST_F(Queue, StopAllClearsTheQueueAndStopCancelsOneRequest) {
    std::int32_t show = 0, wave = 0, blink = 0, speak = 0;
    character->Show(true, show);
    character->Play("Wave", wave);
    character->Play("Blink", blink);
    character->Speak("Das wird nie gesagt", "", speak);
    EXPECT_EQ(character->Stop(blink), Agent::S_OK);
    EXPECT_EQ(character->QueuedRequests(), 3);
    EXPECT_LT(character->Stop(12345), 0);
    RunUntil([&] { return character->Window()->Picture().rfind("winken", 0) == 0; });
    EXPECT_EQ(character->StopAll(Agent::STOP_TYPE_ALL), Agent::S_OK);
    EXPECT_EQ(character->QueuedRequests(), 0);
    ASSERT_TRUE(WaitIdle(3000));
    EXPECT_EQ(character->LastSpokenText(), "") << "the queued speech never started";
    EXPECT_NE(character->Window()->Picture(), "zu") << "the stopped blink never ran";

    // Stopping the running request lets the next one start.
    std::int32_t think = 0, play = 0;
    character->Think("Hmm, ich denke nach, und das dauert eine ganze Weile", think);
    character->Play("Surprised", play);
    RunUntil([&] { return character->Balloon()->isVisible(); });
    EXPECT_EQ(character->Stop(think), Agent::S_OK);
    EXPECT_TRUE(RunUntil([&] { return character->Window()->Picture() == "ueberrascht"; }, 1000));
    EXPECT_FALSE(character->Balloon()->isVisible());
}

TEST_F(Queue, StopAllByTypeKeepsTheOthers) {
    std::int32_t req = 0;
    character->Play("Wave", req);
    character->MoveTo(10, 20, 0, req);
    character->Speak("Hallo", "", req);
    EXPECT_EQ(character->StopAll(Agent::STOP_TYPE_PLAY | Agent::STOP_TYPE_SPEAK), Agent::S_OK);
    EXPECT_EQ(character->QueuedRequests(), 1);
    ASSERT_TRUE(WaitIdle());
    int x = 0, y = 0;
    character->GetPosition(x, y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
}

TEST_F(Queue, MoveToEndsAtTheTargetAfterItsTime) {
    std::int32_t req = 0;
    character->SetPosition(100, 100);
    character->Show(true, req);
    ASSERT_TRUE(WaitIdle());
    // The move's own clock, so that it is seen under way however busy the machine is.
    std::atomic<std::int64_t> now{0};
    std::atomic<int> reads{0};
    Agent::Detail::SetMoveClock([&] {
        ++reads;
        return now.load();
    });
    const ScopeExit realClock([] { Agent::Detail::SetMoveClock(nullptr); });
    character->MoveTo(300, 250, 1000, req);
    ASSERT_TRUE(RunUntil([&] { return reads > 0; }));  // the move has begun
    now = 500;
    int x = 0, y = 0;
    ASSERT_TRUE(RunUntil([&] {
        character->GetPosition(x, y);
        return x != 100;
    }));
    EXPECT_EQ(x, 200) << "halfway through its time, the character stands halfway";
    EXPECT_EQ(y, 175);
    EXPECT_EQ(sink->idleStarts, 1) << "the move is under way";
    now = 1000;
    ASSERT_TRUE(RunUntil([&] { return sink->idleStarts == 2; }));
    character->GetPosition(x, y);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 250);

    // A speed of 0 or less moves at once.
    character->MoveTo(50, 60, -128, req);
    RunUntil([&] {
        character->GetPosition(x, y);
        return x == 50;
    }, 200);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 60);
}

TEST_F(Queue, AlternativesArePickedByTheRandomSource) {
    std::vector<int> counts;
    Agent::Detail::SetRandomSource([&](int n) {
        counts.push_back(n);
        return 1;
    });
    std::int32_t req = 0;
    character->Speak("Hallo|Guten Tag | Servus", "", req);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(character->LastSpokenText(), "Guten Tag");
    EXPECT_EQ(counts, std::vector<int>{3});

    Agent::Detail::SetRandomSource([](int n) { return n - 1; });
    EXPECT_EQ(Agent::Detail::PickAlternative("Hallo|Guten Tag | Servus"), "Servus");
    Agent::Detail::SetRandomSource([](int) { return 99; });
    EXPECT_EQ(Agent::Detail::PickAlternative("Hallo|Guten Tag"), "Hallo") << "out of range takes the first";
    EXPECT_EQ(Agent::Detail::PickAlternative("Ohne Auswahl"), "Ohne Auswahl");
}

TEST_F(Queue, UserActionsOnTheWindow) {
    std::int32_t req = 0;
    character->Show(true, req);
    character->Play("Wave", req);
    RunUntil([&] { return !sink->events.empty() && sink->events.back() == "Visible " + Id() + " 1 2"; });
    sink->events.clear();
    // "Ausblenden" in the context menu.
    QMenu* menu = character->Window()->ContextMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().front()->text(), "Ausblenden");
    menu->actions().front()->trigger();
    EXPECT_FALSE(character->Visible());
    EXPECT_EQ(character->QueuedRequests(), 0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(sink->events.front(), "Visible " + Id() + " 0 1");
}
