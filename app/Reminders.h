#pragma once
// The reminders: which minutes have been handled, which alarms rang, and the popups they opened.
// What falls due is the calendar's to say; each due alarm gets a popup of its own, made on the main
// thread in the order of the alarms, with the character beside it.
#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "ADODB.h"
#include "DueAlarms.h"
#include "ReminderCharacter.h"

class ShowAlarm;

class TReminders {
public:
    // Connection is the window's; the character comes to each popup; what goes wrong with a single
    // reminder is written to the log.
    TReminders(TADOConnection* Connection, IReminderCharacter& Character,
               std::function<void(const AnsiString&)> WriteDebugLog);
    // Frees the popups still open.
    ~TReminders();
    TReminders(const TReminders&) = delete;
    TReminders& operator=(const TReminders&) = delete;

    // The first check covers every minute from now on.
    void StartNow();
    // True when a minute not yet handled has come.
    bool CheckDue() const;
    // Raises a popup for each alarm of User whose start minute lies in the minutes not yet handled.
    // A database that cannot be read raises, and the minutes stay open for the next tick.
    void Check(const AnsiString& User);
    // Queues the popup of one alarm: it is made on the main thread after those queued before it.
    void Raise(const DueAlarm& Due);

    // The last minute handled (minutes since 1899-12-30), -1 before the first.
    long long LastMinute() const { return lastMinute_; }
    // The occurrences rung and still remembered.
    std::size_t RaisedCount() const { return raised_.size(); }
    // The popups shown and not yet closed, in the order of their alarms.
    std::vector<ShowAlarm*> Open() const;

private:
    void Show(const DueAlarm& Due);
    void Free(ShowAlarm* Alarm);

    TADOConnection* connection_;
    IReminderCharacter& character_;
    std::function<void(const AnsiString&)> log_;
    long long lastMinute_ = -1;
    // The appointments that rang, by start minute, user, subject and the count of equal rows.
    using Occurrence = std::tuple<long long, std::string, std::string, int>;
    std::set<Occurrence> raised_;
    // The popups shown, also those closed and not yet freed, oldest first.
    std::vector<std::unique_ptr<ShowAlarm>> popups_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
