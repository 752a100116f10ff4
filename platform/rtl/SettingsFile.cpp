#include "SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "SysUtils.h"
#include "TextEncoding.h"

SettingsFile::TLock::TLock(const std::string& Path, int OpenFlags, int WaitMs) {
    fd_ = ::open(Path.c_str(), OpenFlags | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = errno;
    } else if (!FileLocks::LockExclusive(fd_, WaitMs)) {
        error_ = errno;
        ::close(fd_);
        fd_ = -1;
    }
}

SettingsFile::TLock::~TLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool SettingsFile::TLock::HeldByAnother() const { return fd_ < 0 && error_ == EWOULDBLOCK; }

std::string SettingsFile::TLock::Error() const {
    return error_ == EWOULDBLOCK ? "another program holds its lock" : std::strerror(error_);
}

bool SettingsFile::SameFile(const struct stat& A, const struct stat& B) {
    return A.st_dev == B.st_dev && A.st_ino == B.st_ino && A.st_size == B.st_size &&
           A.st_mtim.tv_sec == B.st_mtim.tv_sec && A.st_mtim.tv_nsec == B.st_mtim.tv_nsec &&
           A.st_ctim.tv_sec == B.st_ctim.tv_sec && A.st_ctim.tv_nsec == B.st_ctim.tv_nsec;
}

SettingsFile::TRead SettingsFile::ReadUnlessUnchanged(const std::string& File, const struct stat* Known,
                                                      std::string& Bytes, struct stat& Stamp) {
    const auto file = SysUtils::TRegularFile::Open(File, SysUtils::MaxSettingsFileBytes);
    if (!file) return TRead::Missing;
    Stamp = file->Status();
    if (Known && SameFile(*Known, Stamp)) return TRead::Unchanged;
    Bytes += file->ReadAll();
    return TRead::Read;
}

std::string SettingsFile::Decode(std::string Text, bool& Converted) {
    if (TextEncoding::IsValidUtf8(Text)) return Text;
    Converted = true;
    return TextEncoding::Cp1252ToUtf8(Text);
}
