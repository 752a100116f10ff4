#pragma once
// The calendar page's builds: at most one page builder at a time, started for a date with a copy of
// the window's view block; a request that comes while a build runs or is waited for is remembered
// and served, once, after it. The window owns it and hears through its events.
#include <functional>
#include <memory>

#include "BuildCalendar.h"
#include "CalendarHost.h"
#include "Classes.h"
#include "SysUtils.h"

class TPageBuilds {
public:
    // Host is the window the builders work for; its view block is the one each build copies.
    explicit TPageBuilds(ICalendarHost& Host);
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
    // Waiting for a page builder: calls it queued for the main thread run, nothing else.
    bool WaitingForBuilder() const { return waitingForBuilder_; }
    // Builds started so far, and the builder running now (or finished last).
    int BuildCount() const { return buildCount_; }
    BuildTarvolan* RunningBuilder() const { return builder_.get(); }

private:
    void BuilderTerminated(TObject* Sender);
    void WaitForBuilder();
    // Starts the rebuild asked for while a build ran, once that build has ended.
    void RunPendingRebuild();

    ICalendarHost& host_;
    std::unique_ptr<BuildTarvolan> builder_;
    int buildCount_ = 0;
    bool waitingForBuilder_ = false;
    // A rebuild asked for while a build ran or was waited for, and the date it asked for.
    bool rebuildPending_ = false;
    TDateTime pendingRebuildDate_;
    // The builder started last has not yet ended (its end runs on the main thread).
    bool builderRunning_ = false;
    TLifeToken life_;
};
