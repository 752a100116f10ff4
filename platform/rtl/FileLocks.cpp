#include "FileLocks.h"

#include <dirent.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

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

namespace {

// The copies kept aside of a file: "<file>.unreadable-<yyyymmdd>-<hhmmss>-<pid>", and
// "...-<n>" for the n-th made by one process within one second.
struct AsideCopy {
    std::string path;
    std::string made;   // "<yyyymmdd>-<hhmmss>"
    std::string pid;
    long long number = 1;
};

// The copy Name stands for, after "<file>.unreadable-"; false for any other name.
bool ReadAsideName(const std::string& Rest, AsideCopy& Copy) {
    std::size_t i = 0;
    const auto digits = [&Rest, &i](std::size_t least, std::size_t most) {
        const std::size_t from = i;
        while (i < Rest.size() && i - from < most && Rest[i] >= '0' && Rest[i] <= '9') ++i;
        return i - from >= least;
    };
    const auto dash = [&Rest, &i] { return i < Rest.size() && Rest[i++] == '-'; };
    if (!digits(8, 8) || !dash() || !digits(6, 6)) return false;
    Copy.made = Rest.substr(0, i);
    const std::size_t pid = i + 1;
    if (!dash() || !digits(1, 10)) return false;
    Copy.pid = Rest.substr(pid, i - pid);
    Copy.number = 1;
    if (i == Rest.size()) return true;
    const std::size_t number = i + 1;
    if (!dash() || !digits(1, 9) || i != Rest.size()) return false;
    Copy.number = std::stoll(Rest.substr(number));
    return true;
}

std::vector<AsideCopy> AsideCopies(const std::string& File) {
    const std::size_t slash = File.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : File.substr(0, slash + 1);
    const std::string prefix = (slash == std::string::npos ? File : File.substr(slash + 1)) + ".unreadable-";
    std::vector<AsideCopy> copies;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return copies;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        AsideCopy copy;
        if (name.compare(0, prefix.size(), prefix) == 0 && ReadAsideName(name.substr(prefix.size()), copy)) {
            copy.path = folder + name;
            copies.push_back(std::move(copy));
        }
    }
    ::closedir(d);
    return copies;
}

} // namespace

std::string FileLocks::KeepAside(const std::string& File) {
    char stampText[32];
    const std::time_t t = std::time(nullptr);
    struct tm tmv {};
    localtime_r(&t, &tmv);
    std::strftime(stampText, sizeof stampText, "%Y%m%d-%H%M%S", &tmv);
    const std::string pid = std::to_string(::getpid());
    const std::string base = File + ".unreadable-" + stampText + "-" + pid;
    // The copies are kept in the order they were made: a number freed by a copy that went is not
    // taken again within the second.
    std::vector<AsideCopy> copies = AsideCopies(File);
    long long number = 1;
    for (const AsideCopy& c : copies)
        if (c.made == stampText && c.pid == pid) number = std::max(number, c.number + 1);
    for (int attempt = 0;; ++attempt, ++number) {
        const std::string aside = number == 1 ? base : base + "-" + std::to_string(number);
        if (::link(File.c_str(), aside.c_str()) == 0) {
            // The newest few stay; the copy just made is one of them, whatever the clock says.
            std::sort(copies.begin(), copies.end(), [](const AsideCopy& a, const AsideCopy& b) {
                return std::tie(a.made, a.number, a.pid) > std::tie(b.made, b.number, b.pid);
            });
            for (std::size_t i = KeptAsideCopies - 1; i < copies.size(); ++i) ::unlink(copies[i].path.c_str());
            return aside;
        }
        if (errno != EEXIST || attempt >= 100) return "";
    }
}
