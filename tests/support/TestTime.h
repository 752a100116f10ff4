#pragma once
// Deadlines of the tests. A test waits for the event it needs; its deadline only ends a wait that
// will never be served, and a loaded machine may need longer for any of them. The load is read
// while the tests run, not once before them: other builds may start in the middle of a run.
// ZB_TEST_TIME_FACTOR set by hand is the least factor used.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

#include <time.h>

namespace testsupport {

namespace detail {
inline int FactorSetOutside() {
    static const int factor = [] {
        const char* text = std::getenv("ZB_TEST_TIME_FACTOR");
        const long f = text ? std::strtol(text, nullptr, 10) : 1;
        return f < 1 ? 1 : f > 100 ? 100 : static_cast<int>(f);
    }();
    return factor;
}

// Twice a quiet machine's time, and once more for each time the cores are loaded over. The load is
// the larger of the last minute's average and the threads runnable right now, so that load which
// has only just come counts before the average has caught up with it.
inline int FactorFromLoad() {
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    if (!f) return 2;
    double load1 = 0;
    int runnable = 0;
    const int read = std::fscanf(f, "%lf %*f %*f %d", &load1, &runnable);
    std::fclose(f);
    if (read < 1) return 2;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const double load = std::max(load1, read == 2 ? double(runnable - 1) : 0.0);
    return 2 + static_cast<int>(load / cores);
}
} // namespace detail

// The factor now, read at most every quarter second; a whole number, so that no locale reads it
// otherwise.
inline int TimeFactor() {
    using Clock = std::chrono::steady_clock;
    static std::atomic<long long> readAt{0};
    static std::atomic<int> cached{0};
    const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
    if (cached.load() == 0 || now - readAt.load() > 250) {
        cached = std::min(100, std::max(detail::FactorSetOutside(), detail::FactorFromLoad()));
        readAt = now;
    }
    return cached.load();
}

// A deadline in milliseconds as this machine needs it now.
inline int Scaled(int Milliseconds) { return Milliseconds * TimeFactor(); }

// A bound that is itself the point (a call must return sooner than a fault let it): scaled like
// any deadline, but never as long as the fault's own wait (Limit), or it would no longer tell.
inline int ScaledBelow(int Milliseconds, int Limit) { return std::min(Scaled(Milliseconds), Limit); }

// A deadline that follows the load while it runs: it has passed once the time waited exceeds the
// given milliseconds times the largest factor seen since it started, so load that comes during a
// wait lengthens it.
class Deadline {
public:
    explicit Deadline(int Milliseconds) : ms_(Milliseconds), factor_(TimeFactor()) {}
    bool Passed() {
        factor_ = std::max(factor_, TimeFactor());
        return std::chrono::steady_clock::now() - start_ >= std::chrono::milliseconds(static_cast<long long>(ms_) * factor_);
    }
private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    int ms_;
    int factor_;
};

// Asks Done until it holds or the deadline has passed, calling Between (running the event loop,
// sleeping) in between; answers Done's last value.
template <class Between>
bool PollUntil(const std::function<bool()>& Done, int TimeoutMs, Between between) {
    Deadline deadline(TimeoutMs);
    while (!Done()) {
        if (deadline.Passed()) return Done();
        between();
    }
    return true;
}

// Asks Done every few milliseconds until it holds or the deadline has passed.
inline bool SleepUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
    return PollUntil(Done, TimeoutMs, [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
}

// How many times longer Large takes than Small, in the processor time of the calling thread: the
// work runs on it, and what other programs do costs it no time. Each is timed twice, in turn, and
// its faster run counts. A claim about growth is this ratio, which holds on a loaded machine as on
// a quiet one.
inline double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

inline double TimeRatio(const std::function<void()>& Small, const std::function<void()>& Large) {
    const auto time = [](const std::function<void()>& work) {
        const double start = ThreadSeconds();
        work();
        return ThreadSeconds() - start;
    };
    double small = 1e300, large = 1e300;
    for (int round = 0; round < 2; ++round) {
        small = std::min(small, time(Small));
        large = std::min(large, time(Large));
    }
    return large / std::max(small, 1e-6);
}

} // namespace testsupport
