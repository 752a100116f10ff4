#pragma once
// Another program that holds a lock on a real file until the test lets it go: a settings file's
// flock (the flock tool) or a database's exclusive lock (the sqlite3 shell). It runs with a pipe as
// its input and ends, giving its lock back, when the pipe is closed (also when the test dies), and
// after half a minute in any case, so a program that waits for the lock without end fails its test
// rather than hanging it.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include <sqlite3.h>

#include "TestTime.h"

extern char** environ;

namespace testsupport {

class HeldLock {
public:
    // flock -x on File (a file or a folder), held until Release.
    static HeldLock Flock(const std::string& File) {
        HeldLock held({"flock", "-x", File, "timeout", "30", "cat"}, "");
        held.held_ = SleepUntil([&] { return FlockTakenByAnother(File); });
        return held;
    }
    // BEGIN EXCLUSIVE on the database File, held until Release.
    static HeldLock ExclusiveDatabase(const std::string& File) {
        // The shell waits a moment for a lock another connection holds just then (a machine under
        // load may still be closing one), as the program's own connections do.
        HeldLock held({"timeout", "30", "sqlite3", File}, ".timeout 5000\nBEGIN EXCLUSIVE;\n");
        held.held_ = SleepUntil([&] { return DatabaseBusy(File); });
        return held;
    }

    HeldLock(HeldLock&& other) noexcept
        : pid_(std::exchange(other.pid_, -1)), input_(std::exchange(other.input_, -1)), held_(other.held_) {}
    HeldLock& operator=(HeldLock&&) = delete;
    ~HeldLock() { Release(); }

    // Whether the other program has the lock.
    bool Held() const { return held_; }
    // Ends the other program and waits for it: its lock is free afterwards.
    void Release() {
        if (input_ >= 0) ::close(input_);
        input_ = -1;
        if (pid_ > 0) {
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        }
        pid_ = -1;
        held_ = false;
    }

    static bool FlockTakenByAnother(const std::string& File) {
        const int fd = ::open(File.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);
        return taken;
    }
    static bool DatabaseBusy(const std::string& File) {
        sqlite3* db = nullptr;
        bool busy = false;
        if (sqlite3_open_v2(File.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
            busy = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr) == SQLITE_BUSY;
        sqlite3_close(db);
        return busy;
    }

private:
    HeldLock(const std::vector<std::string>& args, const std::string& input) {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[0]);
        input_ = pipeFds[1];
        if (pid_ > 0 && !input.empty() && ::write(input_, input.data(), input.size()) < 0) {}
    }

    pid_t pid_ = -1;
    int input_ = -1;
    bool held_ = false;
};

} // namespace testsupport
