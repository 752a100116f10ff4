#include "PendingWrites.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "FileLocks.h"

namespace PendingWrites {

namespace {

// The writing thread waits for a lock in short turns: a writer of the program that meets a change
// of the same kind pending waits at most one turn for it, and the end waits at most one for the thread.
constexpr int kTurnMs = 50;

// Never destroyed: the writing thread and the exit handler may use it while the program's other
// statics go.
struct State {
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<TWriter> writers;
    bool woken = false, stopping = false, exitHandled = false;
    std::thread thread;

    std::mutex noticeMutex;
    std::vector<TNotStored> notices;
    std::function<void(const TNotStored&)> handler;

    std::mutex clockMutex;
    std::function<Clock::time_point()> clock;
};
State& S() {
    static State* state = new State;
    return *state;
}

void Loop() {
    State& s = S();
    std::unique_lock<std::mutex> lock(s.mutex);
    while (!s.stopping) {
        s.woken = false;
        const std::vector<TWriter> writers = s.writers;
        lock.unlock();
        bool left = false;
        for (TWriter w : writers) left = w(kTurnMs, false) || left;
        Deliver();
        lock.lock();
        // Between turns the program's own writers get their chance at the locks.
        if (left) s.wake.wait_for(lock, std::chrono::milliseconds(20), [&] { return s.stopping; });
        else s.wake.wait(lock, [&] { return s.woken || s.stopping; });
    }
}

void Stop(bool tell) {
    State& s = S();
    std::thread thread;
    std::vector<TWriter> writers;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stopping = true;
        thread = std::move(s.thread);
        writers = s.writers;
    }
    s.wake.notify_all();
    if (thread.joinable()) thread.join();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stopping = false;
    }
    for (TWriter w : writers) w(FileLocks::DefaultWaitMs, true);
    if (tell) Deliver();
}

// After main the program's windows are gone: what is left goes to stderr only.
void AtExit() { Stop(false); }

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

} // namespace

void SetNotStoredHandler(std::function<void(const TNotStored&)> Handler) {
    {
        std::lock_guard<std::mutex> lock(S().noticeMutex);
        S().handler = std::move(Handler);
    }
    Deliver();
}

void Report(TNotStored NotStored) {
    static const char* const why[] = {"another program held its lock for too long", "it could not be written",
                                      "the program ended while another program held its lock"};
    std::fprintf(stderr, "Changes to %s were not stored (%s%s%s): %s\n", NotStored.FileName.c_str(),
                 why[NotStored.Reason], NotStored.Detail.empty() ? "" : ": ", NotStored.Detail.c_str(),
                 Joined(NotStored.Names).c_str());
    std::lock_guard<std::mutex> lock(S().noticeMutex);
    // Without a handler nobody reads them; a few are enough to tell the story.
    if (S().notices.size() < 16) S().notices.push_back(std::move(NotStored));
}

void Deliver() {
    std::vector<TNotStored> notices;
    std::function<void(const TNotStored&)> handler;
    {
        std::lock_guard<std::mutex> lock(S().noticeMutex);
        if (!S().handler || S().notices.empty()) return;
        notices.swap(S().notices);
        handler = S().handler;
    }
    for (const auto& n : notices) handler(n);
}

void Retry(TWriter Writer) {
    State& s = S();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (std::find(s.writers.begin(), s.writers.end(), Writer) == s.writers.end()) s.writers.push_back(Writer);
        s.woken = true;
        if (!s.thread.joinable()) {
            // Registered after every static of the program was made, so it runs before any of them goes.
            if (!s.exitHandled) std::atexit(AtExit);
            s.exitHandled = true;
            s.thread = std::thread(Loop);
        }
    }
    s.wake.notify_all();
}

void Finish() { Stop(true); }

Clock::time_point Now() {
    std::lock_guard<std::mutex> lock(S().clockMutex);
    return S().clock ? S().clock() : Clock::now();
}

void SetClock(std::function<Clock::time_point()> Source) {
    std::lock_guard<std::mutex> lock(S().clockMutex);
    S().clock = std::move(Source);
}

} // namespace PendingWrites
