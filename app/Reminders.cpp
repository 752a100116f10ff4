#include "Reminders.h"

#include <algorithm>

#include "Alarms.h"
#include "Classes.h"
#include "SysUtils.h"

namespace {

// How far the clock may step back before the reminder check starts afresh.
constexpr long long ClockStepBackMinutes = 10;
// How long what rang is remembered: longer than any step back of the clock worth guarding against.
constexpr long long RaisedKeptMinutes = 2 * 24 * 60;

AnsiString Described(const DueAlarm& Due) {
    return "Erinnerung um " + SysUtils::FormatDateTime("dd.mm.yyyy hh:nn", Due.Start);
}

} // namespace

TReminders::TReminders(TADOConnection* Connection, IReminderCharacter& Character,
                       std::function<void(const AnsiString&)> WriteDebugLog)
    : connection_(Connection), character_(Character), log_(std::move(WriteDebugLog)) {}

TReminders::~TReminders() = default;

void TReminders::StartNow() { lastMinute_ = MinuteNumber(SysUtils::Now()) - 1; }

bool TReminders::CheckDue() const { return MinuteNumber(SysUtils::Now()) != lastMinute_; }

void TReminders::Check(const AnsiString& User) {
    const long long current = MinuteNumber(SysUtils::Now());
    // Every minute is handled once: a check that comes late (a suspend, a modal dialog, a busy main
    // thread) takes every minute since the last one it handled, since a late popup beats a lost one.
    // The first check of a run covers every minute since the start, the first after the clock was
    // set back by more than a few minutes only its own; a small step back waits for the clock to
    // catch up. What rang is remembered besides, so a clock set back (or the autumn's repeated hour)
    // rings nothing twice.
    if (lastMinute_ >= 0 && current < lastMinute_ - ClockStepBackMinutes) lastMinute_ = -1;
    while (!raised_.empty() && std::get<0>(*raised_.begin()) < current - RaisedKeptMinutes)
        raised_.erase(raised_.begin());
    const long long first = lastMinute_ < 0 ? current : lastMinute_ + 1;
    if (first > current) return;
    const std::vector<DueAlarm> due = DueAlarmsBetween(connection_, User, first, current);
    // From here on the minutes count as handled, whatever happens to single alarms.
    lastMinute_ = current;
    std::set<Occurrence> seenThisCheck;
    for (const DueAlarm& alarm : due) {
        // One occurrence is its start, user and subject; equal rows count as one each.
        Occurrence occurrence;
        try {
            occurrence = Occurrence{MinuteNumber(alarm.Start), alarm.User.Value(), alarm.Subject.Value(), 0};
        } catch (const std::exception& e) {
            // Without its subject nothing could be shown; the log names the minute and why.
            log_(Described(alarm) + " nicht lesbar: " + e.what() + "\n");
            continue;
        }
        while (raised_.count(occurrence) && seenThisCheck.count(occurrence)) ++std::get<3>(occurrence);
        seenThisCheck.insert(occurrence);
        if (!raised_.insert(occurrence).second) continue;
        try {
            character_.ComeToCorner();
        } catch (const std::exception& e) {
            // The popup comes all the same; only the character stays away.
            log_(Described(alarm) + ", Figur: " + e.what() + "\n");
        }
        Raise(alarm);
    }
}

void TReminders::Raise(const DueAlarm& Due) {
    std::weak_ptr<bool> alive = alive_;
    Classes::QueueOnMainThread([this, alive, Due] {
        if (alive.expired()) return;
        try {
            Show(Due);
        } catch (const std::exception& e) {
            log_(Described(Due) + " nicht gezeigt: " + e.what() + "\n");
        }
    });
}

void TReminders::Show(const DueAlarm& Due) {
    const std::vector<ShowAlarm*> open = Open();
    std::weak_ptr<bool> alive = alive_;
    popups_.push_back(std::make_unique<ShowAlarm>(Due, character_, log_, [this, alive](ShowAlarm* Closed) {
        // The popup is still inside the click that closed it: it goes once that is over.
        Classes::QueueOnMainThread([this, alive, Closed] {
            if (!alive.expired()) Free(Closed);
        });
    }));
    ShowAlarm* shown = popups_.back().get();
    try {
        shown->ShowPopup(open);
    } catch (...) {
        // A popup half made is not kept; the caller logs why.
        Free(shown);
        throw;
    }
}

void TReminders::Free(ShowAlarm* Alarm) {
    const auto it = std::find_if(popups_.begin(), popups_.end(), [Alarm](const auto& p) { return p.get() == Alarm; });
    if (it == popups_.end()) return;
    // Taken out first: what its end sets off finds the list as it will be.
    std::unique_ptr<ShowAlarm> closed = std::move(*it);
    popups_.erase(it);
}

std::vector<ShowAlarm*> TReminders::Open() const {
    std::vector<ShowAlarm*> open;
    for (const auto& p : popups_)
        if (!p->Closed()) open.push_back(p.get());
    return open;
}
