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

// A whole number, so that no locale reads it otherwise; 1 when unset.
inline int TimeFactor() {
    static const int factor = [] {
        const char* text = std::getenv("ZB_TEST_TIME_FACTOR");
        const long f = text ? std::strtol(text, nullptr, 10) : 1;
        return f < 1 ? 1 : f > 100 ? 100 : static_cast<int>(f);
    }();
    return factor;
}

// A deadline in milliseconds as this machine needs it.
inline int Scaled(int Milliseconds) { return Milliseconds * TimeFactor(); }

// A bound that is itself the point (a call must return sooner than a fault let it): scaled like
// any deadline, but never as long as the fault's own wait (Limit), or it would no longer tell.
inline int ScaledBelow(int Milliseconds, int Limit) { return std::min(Scaled(Milliseconds), Limit); }

// Asks Done every few milliseconds until it holds or the scaled deadline has passed.
inline bool SleepUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Scaled(TimeoutMs));
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace testsupport
