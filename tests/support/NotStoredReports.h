#pragma once
// The clock of the settings files' pending changes, which the test moves on, and what they report as
// not stored while the object lives. The end stops the writing thread first, so nothing comes later.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "PendingWrites.h"

namespace testsupport {

class PendingClock {
public:
    PendingClock() {
        auto offset = offset_;
        PendingWrites::SetClock([offset] { return PendingWrites::Clock::now() + offset->load(); });
    }
    ~PendingClock() {
        PendingWrites::Finish();
        PendingWrites::SetClock(nullptr);
    }
    PendingClock(const PendingClock&) = delete;
    PendingClock& operator=(const PendingClock&) = delete;

    void Advance(PendingWrites::Clock::duration By) { offset_->store(offset_->load() + By); }

private:
    std::shared_ptr<std::atomic<PendingWrites::Clock::duration>> offset_ =
        std::make_shared<std::atomic<PendingWrites::Clock::duration>>(PendingWrites::Clock::duration::zero());
};

class NotStoredReports : public PendingClock {
public:
    NotStoredReports() {
        PendingWrites::SetNotStoredHandler([this](const PendingWrites::TNotStored& n) {
            std::lock_guard<std::mutex> lock(mutex_);
            told_.push_back(n);
        });
        std::lock_guard<std::mutex> lock(mutex_);
        told_.clear();   // what earlier tests left undelivered
    }
    ~NotStoredReports() {
        PendingWrites::Finish();
        PendingWrites::SetNotStoredHandler(nullptr);
    }

    std::vector<PendingWrites::TNotStored> Told() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return told_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<PendingWrites::TNotStored> told_;
};

} // namespace testsupport
