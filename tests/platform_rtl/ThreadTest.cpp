#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "TestTime.h"
#include "Classes.h"

namespace {

// A thread whose Execute is given as a function.
class TTestThread : public TThread {
public:
    explicit TTestThread(std::function<void(TTestThread&)> body) : TThread(true), body_(std::move(body)) {}
    ~TTestThread() override {
        // body_ goes before the base destructor waits: stop the thread first.
        if (!Finished()) {
            Terminate();
            WaitFor();
        }
        if (destroyed) *destroyed = true;
    }
    using TThread::SetReturnValue;
    using TThread::Terminated;
    std::atomic<bool>* destroyed = nullptr;
protected:
    void Execute() override { body_(*this); }
private:
    std::function<void(TTestThread&)> body_;
};

// Runs queued calls until cond holds, for at most five seconds (scaled).
template <typename Cond>
bool PumpUntil(Cond cond) {
    return testsupport::PollUntil(cond, 5000, [] {
        if (!Classes::CheckSynchronize()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
}

} // namespace

TEST(Thread, SynchronizedCallsRunOnTheMainThreadWhileItWaits) {
    const auto mainId = std::this_thread::get_id();
    ASSERT_TRUE(Classes::IsMainThread());
    std::vector<int> seen;   // touched only on the main thread
    std::atomic<int> wrongThread{0};
    TTestThread t([&](TTestThread& self) {
        EXPECT_FALSE(Classes::IsMainThread());
        for (int i = 0; i < 5; ++i) {
            self.Synchronize([&, i] {
                if (std::this_thread::get_id() != mainId) ++wrongThread;
                seen.push_back(i);
            });
        }
        self.SetReturnValue(42);
    });
    t.Resume();
    EXPECT_EQ(t.WaitFor(), 42);
    EXPECT_TRUE(t.Finished());
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(wrongThread, 0);
    EXPECT_FALSE(Classes::CheckSynchronize());   // nothing left behind
}

TEST(Thread, AnExceptionInASynchronizedCallIsRaisedInTheThread) {
    std::string caught;
    TTestThread t([&](TTestThread& self) {
        try {
            self.Synchronize([] { throw SysUtils::EConvertError("kein Datum"); });
        } catch (const SysUtils::EConvertError& e) {
            caught = e.Message;
        }
        self.Synchronize([] { throw SysUtils::EInOutError("nicht gefangen"); });
    });
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(caught, "kein Datum");
    ASSERT_TRUE(t.FatalException());
    try {
        std::rethrow_exception(t.FatalException());
    } catch (const SysUtils::EInOutError& e) {
        EXPECT_EQ(e.Message, "nicht gefangen");
    }
}

TEST(Thread, OnTerminateRunsOnTheMainThreadAfterExecute) {
    const auto mainId = std::this_thread::get_id();
    std::vector<std::string> order;
    std::mutex m;
    std::thread::id terminateThread;
    TTestThread t([&](TTestThread&) {
        std::lock_guard<std::mutex> lock(m);
        order.push_back("execute");
    });
    t.OnTerminate = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &t);
        terminateThread = std::this_thread::get_id();
        std::lock_guard<std::mutex> lock(m);
        order.push_back("terminate");
    };
    t.Resume();
    // Not WaitFor: the ordinary event loop drains the queue.
    ASSERT_TRUE(PumpUntil([&] { return t.Finished(); }));
    EXPECT_EQ(terminateThread, mainId);
    EXPECT_EQ(order, (std::vector<std::string>{"execute", "terminate"}));
    t.WaitFor();
}

TEST(Thread, ASelfSuspendingThreadIsResumedTwice) {
    std::atomic<int> step{0};
    TTestThread t([&](TTestThread& self) {
        for (int i = 0; i < 2; ++i) {
            ++step;
            self.Suspend();
        }
        ++step;
    });
    EXPECT_TRUE(t.Suspended());   // created suspended
    t.Resume();
    for (int round = 1; round <= 2; ++round) {
        ASSERT_TRUE(PumpUntil([&] { return t.Suspended(); })) << round;
        EXPECT_EQ(step, round);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(step, round);   // stays put until resumed
        t.Resume();
    }
    t.WaitFor();
    EXPECT_EQ(step, 3);
    EXPECT_FALSE(t.Suspended());
}

TEST(Thread, TerminateEndsALoopAndTheDestructorWaits) {
    std::atomic<int> loops{0};
    {
        TTestThread t([&](TTestThread& self) {
            while (!self.Terminated()) {
                ++loops;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        t.Resume();
        ASSERT_TRUE(PumpUntil([&] { return loops > 3; }));
        t.Terminate();
        t.WaitFor();
        EXPECT_TRUE(t.Finished());
    }
    std::atomic<bool> running{false}, ended{false};
    {
        // Destroyed while running: the destructor terminates it and waits for the end.
        TTestThread t([&](TTestThread& self) {
            running = true;
            while (!self.Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ended = true;
        });
        t.Resume();
        ASSERT_TRUE(PumpUntil([&] { return running.load(); }));
    }
    EXPECT_TRUE(ended);
    {
        // Destroyed before it ran: Execute is skipped, as for any thread terminated before it starts.
        std::atomic<bool> ran{false};
        TTestThread t([&](TTestThread&) { ran = true; });
        t.Terminate();
        t.Resume();
        t.WaitFor();
        EXPECT_FALSE(ran);
    }
    // Never started: nothing to wait for.
    TTestThread idle([](TTestThread&) { FAIL() << "never started"; });
    EXPECT_EQ(idle.WaitFor(), 0);
}

TEST(Thread, FreeOnTerminateDeletesTheThread) {
    std::atomic<bool> destroyed{false};
    std::atomic<bool> terminated{false};
    auto* t = new TTestThread([](TTestThread&) {});
    t->destroyed = &destroyed;
    t->FreeOnTerminate = true;
    t->OnTerminate = [&](TObject*) { terminated = true; };
    t->Resume();
    ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }));
    EXPECT_TRUE(terminated);
}

// A call queued by an object that is gone by the time the main thread runs it does nothing: the
// object's life token has ended with it. A copy of the object lives on with a token of its own.
TEST(Thread, ALifeTokenEndsTheCallsQueuedByItsOwnerOnceTheOwnerIsGone) {
    struct Owner {
        std::vector<int>* served;
        TLifeToken life;
        void Ask(int Value) {
            Classes::QueueOnMainThread([this, alive = life.Guard(), Value] {
                if (!alive.Expired()) served->push_back(Value);
            });
        }
    };
    std::vector<int> served;
    auto first = std::make_unique<Owner>(Owner{&served, {}});
    auto second = std::make_unique<Owner>(*first);
    std::thread other([&] {
        first->Ask(1);
        second->Ask(2);
        first->Ask(3);
    });
    other.join();
    first.reset();
    while (Classes::CheckSynchronize()) {
    }
    EXPECT_EQ(served, std::vector<int>{2});
}

TEST(Thread, QueuedCallsWaitForTheMainLoopAndWakeIt) {
    std::atomic<int> wakes{0};
    Classes::SetWakeMainThread([&] { ++wakes; });
    int ran = 0;
    std::thread other([&] { Classes::QueueOnMainThread([&] { ++ran; }); });
    other.join();
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(wakes, 1);
    EXPECT_TRUE(Classes::CheckSynchronize());
    EXPECT_EQ(ran, 1);
    Classes::SetWakeMainThread(nullptr);
    // On the main thread, Synchronize runs at once.
    TThread::StaticSynchronize([&] { ++ran; });
    EXPECT_EQ(ran, 2);
}

TEST(Thread, TheFirstThreadToSynchronizeDoesNotBecomeTheMainThread) {
    // A worker asking before the main thread ever did must still have its call run on the main thread.
    const auto mainId = std::this_thread::get_id();
    std::thread::id ranOn;
    std::thread worker([&] { TThread::StaticSynchronize([&] { ranOn = std::this_thread::get_id(); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));   // the worker asks first
    ASSERT_TRUE(PumpUntil([&] { return ranOn != std::thread::id(); }));
    worker.join();
    EXPECT_EQ(ranOn, mainId);
}
