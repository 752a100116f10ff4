#pragma once
// Exclusive locks (flock) on an open file or folder, taken within a time limit: another program that
// keeps a settings file locked holds a write up after a short wait (PendingWrites.h), and never
// holds up the caller (the main thread among them) without end.
#include <string>

namespace FileLocks {

// How long a writer waits for another holder of a settings file's lock. A writer holds it only for
// one read, write and rename, so a lock held longer than this is held by someone who keeps it.
constexpr int DefaultWaitMs = 500;

// Takes the exclusive lock on Fd, waiting up to WaitMs for another holder to let go. False when it
// could not be had: errno is EWOULDBLOCK when another holder kept it, else the failure's own.
bool LockExclusive(int Fd, int WaitMs = DefaultWaitMs);

// Keeps the file as it is now beside it as "<file>.unreadable-<time>-<pid>" (a hard link, so it
// costs no copy and later replacements of the file leave it alone), before a reader's changes are
// written over it. Called under the file's lock. The name kept, or "" when it could not be kept
// (errno says why). Of the copies of one file the newest KeptAsideCopies stay; older ones go, so a
// file damaged again and again does not fill its folder.
constexpr int KeptAsideCopies = 3;
std::string KeepAside(const std::string& File);

} // namespace FileLocks
