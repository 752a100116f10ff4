#pragma once
// The most memory the process has held so far, in bytes: what a test of bounded reading compares
// before and after.
#include <sys/resource.h>

namespace testsupport {

inline long long PeakBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

} // namespace testsupport
