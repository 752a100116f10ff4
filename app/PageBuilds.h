#pragma once
// The calendar page's builds: at most one page builder at a time, started for a date with a request
// made on the main thread; its result is applied to the window on the main thread once the builder
// has ended. A request that comes while a build runs or is waited for is remembered and served,
// once, after it. The window owns it and hears through its events.
#include <functional>
#include <memory>

#include "BuildCalendar.h"
#include "Classes.h"
#include "PageRequest.h"
#include "SysUtils.h"

class TPageBuilds {
public:
    // Window is the window the pages are built for; its view block is the one each request copies.
    explicit TPageBuilds(ICalendarWindow& Window);
    ~TPageBuilds();
    TPageBuilds(const TPageBuilds&) = delete;
    TPageBuilds& operator=(const TPageBuilds&) = delete;

    // A build's end has run on the main thread.
    std::function<void()> OnBuildEnded;
    // A build the main thread waited for has ended.
    std::function<void()> OnWaitEnded;
    // Whether the window has shut down: a remembered request then starts no build.
    std::function<bool()> ShutDown;

    // Builds the page for ADate; Wait holds the main thread until it is shown. Always true.
    bool RebuildCalendar(TDateTime ADate, bool Wait);
    // Waits for the build started last and then serves a remembered request.
    void FinishStartBuild();
    // Waits for the build started last, unless the main thread already waits for it (a dialog's
    // loop inside that wait), where that wait sees it end.
    void WaitForRunningBuild();
    // Waits for the running build and frees it; no remembered request starts another. The window
    // calls it while everything a build calls is still there.
    void EndBuilds();
    // Waiting for a page builder, or applying its result: calls queued for the main thread run,
    // nothing else.
    bool WaitingForBuilder() const { return waitingForBuilder_ || applying_; }
    // Builds started so far, and the builder running now (or finished last).
    int BuildCount() const { return buildCount_; }
    BuildTarvolan* RunningBuilder() const { return builder_.get(); }

private:
    void BuilderTerminated(TObject* Sender);
    void WaitForBuilder();
    // Starts the rebuild asked for while a build ran, once that build has ended.
    void RunPendingRebuild();

    ICalendarWindow& window_;
    std::unique_ptr<BuildTarvolan> builder_;
    // A build's result is being applied (its builder waits for that, as its last step).
    bool applying_ = false;
    int buildCount_ = 0;
    bool waitingForBuilder_ = false;
    // A rebuild asked for while a build ran or was waited for, and the date it asked for.
    bool rebuildPending_ = false;
    TDateTime pendingRebuildDate_;
    // The builder started last has not yet ended (its end runs on the main thread).
    bool builderRunning_ = false;
    TLifeToken life_;
};
