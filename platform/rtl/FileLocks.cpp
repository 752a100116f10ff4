#include "FileLocks.h"

#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

bool FileLocks::LockExclusive(int Fd, int WaitMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(std::max(0, WaitMs));
    // flock has no time limit of its own: it is asked without blocking, at growing intervals.
    std::chrono::milliseconds pause(1);
    for (;;) {
        if (::flock(Fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return false;
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            errno = EWOULDBLOCK;
            return false;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, end - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}
