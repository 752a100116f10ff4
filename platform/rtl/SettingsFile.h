#pragma once
// What the profile files and the registry files do alike: a writer takes a lock within a time limit,
// a reader reads the whole file with the identity it had, so an unchanged file is not parsed again,
// and each name and text is decoded on its own (UTF-8, else Windows-1252).
#include <sys/stat.h>

#include <string>

#include "FileLocks.h"

namespace SettingsFile {

// An exclusive lock on Path, opened with OpenFlags (O_CLOEXEC added), held until destruction; another
// holder is waited for up to WaitMs. Held() is false when the path could not be opened or the lock
// not had; HeldByAnother() tells the second apart, Error() says why in words.
class TLock {
public:
    TLock(const std::string& Path, int OpenFlags, int WaitMs = FileLocks::DefaultWaitMs);
    ~TLock();
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;
    bool Held() const { return fd_ >= 0; }
    bool HeldByAnother() const;
    std::string Error() const;
private:
    int fd_ = -1;
    int error_ = 0;
};

// The same file, unchanged: device, inode, size, modification and change time.
bool SameFile(const struct stat& A, const struct stat& B);

enum class TRead { Missing, Unchanged, Read };
// Reads File whole into Bytes, with the identity it had when read in Stamp, unless it is still the
// file Known describes (Known may be null: always read). Missing when it cannot be opened (errno says
// why). Only a regular file of at most SysUtils::MaxSettingsFileBytes is read: anything else raises
// SysUtils::EFileRefused.
TRead ReadUnlessUnchanged(const std::string& File, const struct stat* Known, std::string& Bytes, struct stat& Stamp);

// Text as UTF-8: valid UTF-8 stays as it is, anything else is read as Windows-1252 and Converted is
// set, so the caller knows the file differs from what it would write back.
std::string Decode(std::string Text, bool& Converted);

} // namespace SettingsFile
