#include "Reminders.h"

#include <cmath>

#include "Alarms.h"
#include "Appointments.h"
#include "SysUtils.h"

namespace {

// Minutes since 1899-12-30, counted as DecodeTime counts the time: to the nearest millisecond.
long long MinuteOf(TDateTime t) {
    return static_cast<long long>(std::floor(std::round(double(t) * 86400000.0) / 60000.0));
}

// The appointment's own alarm flag: set (any value but 0) asks for a reminder, empty does not.
bool AlarmRequested(const Appointment& A) {
    try {
        return A.Alarm.Readable() && !A.Alarm.IsNull() && A.Alarm.Value();
    } catch (const std::exception&) {
        return false;
    }
}

// How far the clock may step back before the reminder check starts afresh.
constexpr long long ClockStepBackMinutes = 10;
// How long what rang is remembered: longer than any step back of the clock worth guarding against.
constexpr long long RaisedKeptMinutes = 2 * 24 * 60;

} // namespace

void TReminders::StartNow() { lastMinute_ = MinuteOf(SysUtils::Now()) - 1; }

bool TReminders::CheckDue(bool AlarmsPresent) {
    const long long minute = MinuteOf(SysUtils::Now());
    if (AlarmsPresent) return minute != lastMinute_;
    if (lastMinute_ >= 0 && minute - 1 > lastMinute_) lastMinute_ = minute - 1;
    return false;
}

void TReminders::Check() {
    const TDateTime now = SysUtils::Now();
    const long long current = MinuteOf(now);
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
    // From yesterday's midnight to tomorrow's: whatever the minutes to handle hold.
    const std::vector<Appointment> appointments = AppointmentsBetween(
        connection_, host_.GetCalendarUser(), SysUtils::DateOf(TDateTime(double(now) - 1)),
        SysUtils::DateOf(TDateTime(double(now) + 1)));
    // From here on the minutes count as handled, whatever happens to single appointments.
    lastMinute_ = current;
    std::set<Occurrence> seenThisCheck;
    for (const Appointment& appointment : appointments) {
        try {
            if (appointment.Subject.IsNull()) continue;
            // Only an appointment the user gave an alarm raises one; the others of the day stay quiet.
            if (!AlarmRequested(appointment)) continue;
            bool due = false;
            long long start = 0;
            try {
                // Due when its start minute lies in the minutes this check handles; the same clock
                // time of another day is not.
                start = MinuteOf(appointment.Start.Value());
                due = start >= first && start <= current;
            } catch (const std::exception&) {
            }
            if (!due) continue;
            // One occurrence is its start, user and subject; equal rows count as one each.
            Occurrence occurrence{start, appointment.User.Value(), appointment.Subject.Value(), 0};
            while (raised_.count(occurrence) && seenThisCheck.count(occurrence)) ++std::get<3>(occurrence);
            seenThisCheck.insert(occurrence);
            if (!raised_.insert(occurrence).second) continue;
            character_.ComeToCorner();
            auto* alarm = new ShowAlarm(true, appointment, character_);
            alarm->SetPriority(tpLower);
            alarm->Resume();
        } catch (const std::exception&) {
        }
    }
}
