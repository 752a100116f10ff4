#include "PageBuilds.h"

#include "Classes.h"

TPageBuilds::TPageBuilds(ICalendarWindow& Window) : window_(Window) {}

TPageBuilds::~TPageBuilds() { EndBuilds(); }

void TPageBuilds::EndBuilds() {
    // Builds that end build nothing more: a rebuild queued meanwhile, run from inside this wait,
    // would free the builder being waited for.
    rebuildPending_ = false;
    if (builder_) WaitForBuilder();
    builder_.reset();
}

bool TPageBuilds::RebuildCalendar(TDateTime ADate, bool Wait) {
    // A request that comes while the window already waits for a build (a queued call or a dialog's
    // message loop inside that wait) must not wait again nor replace the builder under the wait,
    // and one that comes while a build runs need not hold up the main thread: either is remembered
    // and runs once that build has ended; several such requests give one build, for the last date.
    if (waitingForBuilder_ || applying_ || (builderRunning_ && !Wait)) {
        rebuildPending_ = true;
        pendingRebuildDate_ = ADate;
        return true;
    }
    if (builder_) {
        WaitForBuilder();
        builder_.reset();
    }
    // This build is the latest request: one remembered before it is served by it.
    rebuildPending_ = false;
    builder_ = std::make_unique<BuildTarvolan>(true);
    builder_->SetPriority(tpHighest);
    ViewParameters& view = window_.MainViewParameters();
    view.CalendarDate = ADate;
    view.StartDate = ADate;
    builder_->Request = MakePageRequest(window_, ADate);
    builder_->OnTerminate = [this](TObject* Sender) { BuilderTerminated(Sender); };
    ++buildCount_;
    builderRunning_ = true;
    builder_->Resume();
    if (Wait) FinishStartBuild();
    return true;
}

void TPageBuilds::FinishStartBuild() {
    if (builder_) WaitForBuilder();
    if (OnWaitEnded) OnWaitEnded();
    RunPendingRebuild();
}

void TPageBuilds::WaitForRunningBuild() {
    if (builder_ && !waitingForBuilder_) WaitForBuilder();
}

void TPageBuilds::WaitForBuilder() {
    const ScopedFlag waiting(waitingForBuilder_);
    builder_->WaitFor();
}

void TPageBuilds::RunPendingRebuild() {
    if (!rebuildPending_ || waitingForBuilder_ || (ShutDown && ShutDown())) return;
    // Still running: its end comes back here.
    if (builderRunning_) return;
    RebuildCalendar(pendingRebuildDate_, false);
}

void TPageBuilds::BuilderTerminated(TObject* Sender) {
    // The result comes back with the builder's end, on the main thread; requests made while it is
    // applied (the window's events may run) are remembered and served after it.
    auto* builder = static_cast<BuildTarvolan*>(Sender);
    {
        applying_ = true;
        const ScopeExit applied([this] { applying_ = false; });
        ApplyPageResult(builder->Result, builder->Request, window_);
    }
    builderRunning_ = false;
    // The finished builder stays owned here; the next build or the end of the builds frees it.
    if (OnBuildEnded) OnBuildEnded();
    // A rebuild asked for meanwhile starts once this builder has quite ended, outside any wait.
    if (rebuildPending_) {
        Classes::QueueOnMainThread([this, alive = life_.Guard()] {
            if (!alive.Expired()) RunPendingRebuild();
        });
    }
}
