#pragma once
// Changes to settings files that another program's lock holds up. A writer waits for the lock only
// briefly (FileLocks::DefaultWaitMs); a change that did not get it in that time stays pending: the
// program reads it at once, and a thread of this unit writes the pending changes, in order, as soon
// as the lock is free. Only a change that cannot be stored at all is reported: the lock held past
// Limit, the file not writable, or the program ending first.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace PendingWrites {

using Clock = std::chrono::steady_clock;

// How long a change may wait for another program's lock before it is given up.
constexpr std::chrono::minutes Limit{1};

// One file's changes that could not be stored.
struct TNotStored {
    enum TReason {
        nsLockHeld,      // another program held the lock past Limit
        nsCannotWrite,   // the file could not be written (Detail says why)
        nsProgramEnds    // the program ended while the lock was held
    };
    TReason Reason;
    std::string FileName;
    std::vector<std::string> Names;   // the values (or keys deleted) changed, each once, in order
    std::string Detail;
};

// Receives each report, once per file and occasion, outside every lock of the settings files, on
// the thread that gave the changes up (the writing thread among them). Reports made before a handler
// is set are handed to it when it is set; they go to stderr too.
void SetNotStoredHandler(std::function<void(const TNotStored&)> Handler);
// Queues a report; the writer delivers it once it has let go of its own locks.
void Report(TNotStored NotStored);
void Deliver();

// A kind of settings file (the registry, the profile files) that holds changes up hands its writer
// over: it writes what is pending, waiting for each file's lock at most WaitMs; gives up (and
// reports) what has waited past Limit, or everything when Last; and says whether anything is still
// pending. The writing thread is started, or woken, and calls it until nothing is left.
using TWriter = bool (*)(int WaitMs, bool Last);
void Retry(TWriter Writer);

// The program's end: the writing thread stops, every pending change gets a last try of at most
// FileLocks::DefaultWaitMs per file, and what is left is reported. Runs at exit in any case, then
// reporting to stderr only.
void Finish();

// The clock pending changes are timed by; tests set their own (nullptr: the steady clock).
Clock::time_point Now();
void SetClock(std::function<Clock::time_point()> Source);

} // namespace PendingWrites
