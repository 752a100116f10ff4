#include "Trace.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <string>
#include <unistd.h>

#include "SysUtils.h"

namespace Trace {

namespace {

// The kernel's record of when this process started, in clock ticks since boot: it also covers the
// time spent loading libraries before any code of ours ran.
long long StartTicks() {
    FILE* f = std::fopen("/proc/self/stat", "r");
    if (!f) return -1;
    char buf[1024];
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    // The name in parentheses may hold spaces; the fields count from after its closing one.
    const char* p = std::strrchr(buf, ')');
    if (!p) return -1;
    int field = 2;
    for (++p; *p && field < 22; ++p)
        if (*p == ' ') ++field;
    return std::atoll(p);
}

long long MillisecondsSinceStart() {
    static const long long start = StartTicks();
    static const long tick = sysconf(_SC_CLK_TCK);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const long long nowMs = now.tv_sec * 1000LL + now.tv_nsec / 1000000;
    return start < 0 || tick <= 0 ? -1 : nowMs - start * 1000 / tick;
}

std::atomic<bool> enabled{false};
std::mutex lock;
std::string& Label() {
    static std::string label;
    return label;
}
} // namespace

void Setup(const char* switchVariable, const char* label) {
    std::lock_guard<std::mutex> guard(lock);
    Label() = label;
    enabled = SysUtils::GetEnvironmentVariable(switchVariable) == "1";
}

bool Enabled() { return enabled; }

void Step(const char* Name) {
    if (!Enabled()) return;
    static std::set<std::string> seen;
    std::lock_guard<std::mutex> guard(lock);
    if (!seen.insert(Name).second) return;
    std::fprintf(stderr, "%s: %6lld ms  %s\n", Label().c_str(), MillisecondsSinceStart(), Name);
}

} // namespace Trace
