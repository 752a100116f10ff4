#pragma once
// Shared pieces of the fuzz targets: a scratch folder per process, file writing that never lets a
// reader's cache mistake a new file for the old one, and a check that stops the run with a message.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzz {

// A broken invariant is a finding like a crash: print what broke and abort so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "\n*** fuzz check failed: %s\n", what);
    if (!detail.empty()) std::fprintf(stderr, "%s\n", detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(cond, ...)                                                    \
    do {                                                                         \
        if (!(cond)) ::fuzz::Fail(#cond __VA_OPT__(, ) __VA_ARGS__);             \
    } while (0)

// The process's own scratch folder, removed when the process ends normally. It lies in memory where
// there is such a folder: the readers' atomic writes flush to disk, which would slow every run. The
// name is never freed, so the exit handler can still use it after static objects are gone.
inline const std::string& ScratchDir() {
    static const std::string* dir = [] {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string tmpl = (base / "zbfuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) Fail("mkdtemp");
        auto* name = new std::string(tmpl);
        return name;
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*dir, ec);
        });
        return true;
    }();
    (void)cleanup;
    return *dir;
}

// Writes through a temporary file and a rename, so the new file never has the inode of the file it
// replaces: readers that cache by inode, size and time always see the new contents.
inline void ReplaceFile(const std::string& path, std::string_view bytes) {
    const std::string tmp = path + ".new";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) Fail("cannot create", tmp);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) Fail("cannot write", tmp);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (::rename(tmp.c_str(), path.c_str()) != 0) Fail("cannot rename", tmp);
}

// Removes every file of a folder whose name starts with prefix but is not keep.
inline void RemoveFilesStartingWith(const std::string& dir, const std::string& prefix, const std::string& keep) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name != keep) std::filesystem::remove(e.path(), ec);
    }
}

} // namespace fuzz
