#pragma once
// Exclusive locks (flock) on an open file or folder, taken within a time limit: another program that
// keeps a settings file locked makes a write fail after a short wait, and never holds up the caller
// (the main thread among them) without end.
namespace FileLocks {

// How long a writer waits for another holder of a settings file's lock. A writer holds it only for
// one read, write and rename, so a lock held longer than this is held by someone who keeps it.
constexpr int DefaultWaitMs = 500;

// Takes the exclusive lock on Fd, waiting up to WaitMs for another holder to let go. False when it
// could not be had: errno is EWOULDBLOCK when another holder kept it, else the failure's own.
bool LockExclusive(int Fd, int WaitMs = DefaultWaitMs);

} // namespace FileLocks
