#pragma once
// What the settings files report as not stored while the object lives, and the clock of their
// pending changes, which the test moves on. The end stops the writing thread first, so no report
// comes after it.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "PendingWrites.h"

namespace testsupport {

class NotStoredReports {
public:
    NotStoredReports() {
        PendingWrites::SetNotStoredHandler([this](const PendingWrites::TNotStored& n) {
            std::lock_guard<std::mutex> lock(mutex_);
            told_.push_back(n);
        });
        std::lock_guard<std::mutex> lock(mutex_);
        told_.clear();   // what earlier tests left undelivered
        auto offset = offset_;
        PendingWrites::SetClock([offset] { return PendingWrites::Clock::now() + offset->load(); });
    }
    ~NotStoredReports() {
        PendingWrites::Finish();
        PendingWrites::SetNotStoredHandler(nullptr);
        PendingWrites::SetClock(nullptr);
    }
    NotStoredReports(const NotStoredReports&) = delete;
    NotStoredReports& operator=(const NotStoredReports&) = delete;

    std::vector<PendingWrites::TNotStored> Told() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return told_;
    }
    void Advance(PendingWrites::Clock::duration By) { offset_->store(offset_->load() + By); }

private:
    mutable std::mutex mutex_;
    std::vector<PendingWrites::TNotStored> told_;
    std::shared_ptr<std::atomic<PendingWrites::Clock::duration>> offset_ =
        std::make_shared<std::atomic<PendingWrites::Clock::duration>>(PendingWrites::Clock::duration::zero());
};

} // namespace testsupport
