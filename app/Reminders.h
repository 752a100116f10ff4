#pragma once
// The reminders: which appointments of the calendar's user fall due at which minute, each rung
// once, each in a popup of its own with the character beside it.
#include <cstddef>
#include <set>
#include <string>
#include <tuple>

#include "ADODB.h"
#include "PageRequest.h"
#include "ReminderCharacter.h"

class TReminders {
public:
    // Connection is the window's; the host names the user; the character comes to each popup.
    TReminders(ICalendarWindow& Host, TADOConnection* Connection, IReminderCharacter& Character)
        : host_(Host), connection_(Connection), character_(Character) {}

    // The first check covers every minute from now on.
    void StartNow();
    // One tick of the window's timer: true when a check is due (a minute not yet handled came and
    // the page found alarms). Without alarms nothing is due, but the current minute stays open for
    // a page build that finds some.
    bool CheckDue(bool AlarmsPresent);
    // Raises a popup for each appointment with an alarm whose start minute lies in the minutes not
    // yet handled. A database that cannot be read raises, and the minutes stay open for the next
    // tick.
    void Check();

    // The last minute handled (minutes since 1899-12-30), -1 before the first.
    long long LastMinute() const { return lastMinute_; }
    // The occurrences rung and still remembered.
    std::size_t RaisedCount() const { return raised_.size(); }

private:
    ICalendarWindow& host_;
    TADOConnection* connection_;
    IReminderCharacter& character_;
    long long lastMinute_ = -1;
    // The appointments that rang, by start minute, user, subject and the count of equal rows.
    using Occurrence = std::tuple<long long, std::string, std::string, int>;
    std::set<Occurrence> raised_;
};
