#pragma once
// Files that are not what their names claim, as a damaged or hostile folder may hold them: a FIFO
// nobody writes to, a link to /dev/zero, a sparse file far larger than any reader takes. And a
// guard for a call that reads them: it tells whether the call came back in time and how much the
// process read meanwhile, frees a call stuck in a FIFO's open so that the test can end, and ends
// the test program before a call that reads without end takes the machine's memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TestTime.h"

namespace testsupport {

inline bool MakeFifo(const std::string& Path) { return ::mkfifo(Path.c_str(), 0600) == 0; }
inline bool MakeZeroLink(const std::string& Path) { return ::symlink("/dev/zero", Path.c_str()) == 0; }
// A file of Bytes that takes no room on the disk (truncate).
inline bool MakeSparse(const std::string& Path, long long Bytes) {
    const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return ::truncate(Path.c_str(), Bytes) == 0;
}

// What read() handed this process, or this thread, so far ("rchar" of /proc/.../io).
inline long long BytesRead(const char* IoFile = "/proc/self/io") {
    std::ifstream in(IoFile);
    std::string name;
    long long value = 0;
    while (in >> name >> value)
        if (name == "rchar:") return value;
    return -1;
}
inline long long BytesReadByThisThread() { return BytesRead("/proc/thread-self/io"); }

struct GuardedCall {
    bool returned = false;   // within the deadline
    long long bytesRead = 0; // by the whole process meanwhile
};

// Runs Call here, watched from a thread of its own: past TimeoutMs (scaled) a writer comes and goes
// on each of Fifos until the call returns, and a call that reads more than MaxBytes ends the test
// program.
inline GuardedCall Guarded(const std::function<void()>& Call, const std::vector<std::string>& Fifos = {},
                           int TimeoutMs = 5000, long long MaxBytes = 512ll << 20) {
    GuardedCall result;
    const long long before = BytesRead();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Scaled(TimeoutMs));
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        while (!done) {
            if (BytesRead() - before > MaxBytes) {
                std::fprintf(stderr, "A call read more than %lld bytes; ending before it takes the memory.\n", MaxBytes);
                std::_Exit(3);
            }
            if (std::chrono::steady_clock::now() > deadline) {
                for (const std::string& fifo : Fifos) {
                    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    Call();
    result.returned = std::chrono::steady_clock::now() <= deadline;
    done = true;
    watchdog.join();
    result.bytesRead = BytesRead() - before;
    return result;
}

} // namespace testsupport
