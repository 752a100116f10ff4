#pragma once
// Deadlines of the tests. A test waits for the event it needs; its deadline only ends a wait that
// will never be served, and a loaded machine may need longer for any of them: ZB_TEST_TIME_FACTOR
// (./test sets it from the machine's load) lengthens every deadline.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace testsupport {

inline double TimeFactor() {
    static const double factor = [] {
        const char* text = std::getenv("ZB_TEST_TIME_FACTOR");
        const double f = text ? std::atof(text) : 1.0;
        return f >= 1.0 ? f : 1.0;
    }();
    return factor;
}

// A deadline in milliseconds as this machine needs it.
inline int Scaled(int Milliseconds) { return static_cast<int>(Milliseconds * TimeFactor()); }

// A bound that is itself the point (a call must return sooner than a fault let it): scaled like
// any deadline, but never as long as the fault's own wait (Limit), or it would no longer tell.
inline int ScaledBelow(int Milliseconds, int Limit) { return std::min(Scaled(Milliseconds), Limit); }

// Calls Step until Done holds or the scaled deadline has passed; the last word is Done's.
inline bool PollUntil(const std::function<bool()>& Done, int TimeoutMs, const std::function<void()>& Step) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Scaled(TimeoutMs));
    while (std::chrono::steady_clock::now() < end) {
        if (Done()) return true;
        Step();
    }
    return Done();
}

// Calls Done every few milliseconds until it holds or the scaled deadline has passed.
inline bool SleepUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
    return PollUntil(Done, TimeoutMs, [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
}

} // namespace testsupport
