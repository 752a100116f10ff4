#include "FileLocks.h"

#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
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

std::string FileLocks::KeepAside(const std::string& File) {
    char stampText[32];
    const std::time_t t = std::time(nullptr);
    struct tm tmv {};
    localtime_r(&t, &tmv);
    std::strftime(stampText, sizeof stampText, "%Y%m%d-%H%M%S", &tmv);
    const std::string base = File + ".unreadable-" + stampText + "-" + std::to_string(::getpid());
    std::string aside = base;
    for (int n = 2;; ++n) {
        if (::link(File.c_str(), aside.c_str()) == 0) return aside;
        if (errno != EEXIST || n >= 10) return "";
        aside = base + "-" + std::to_string(n);   // a second one within the second
    }
}
