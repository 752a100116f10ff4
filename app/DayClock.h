#pragma once
// The window's clock: a tick every five seconds, one every minute, and the news that a new day came.
// Whichever tick first sees another date than the one seen last says so, once, so the day's page is
// asked for once. A clock set back over midnight, or a tick that comes days late (after a suspend),
// brings another date as well; only the date it is now counts. The window owns it, does its work
// at the ticks and acts on the new day.
#include <functional>

#include "Classes.h"
#include "ExtCtrls.h"
#include "SysUtils.h"

class TDayClock {
public:
    // The timers belong to Owner (the window).
    explicit TDayClock(TComponent* Owner);
    TDayClock(const TDayClock&) = delete;
    TDayClock& operator=(const TDayClock&) = delete;

    // The five-second tick, stopped until the window starts it (its first comes 100 ms later), and
    // the minute tick, which runs from the start.
    TTimer* Timer1;
    TTimer* EineMinute;

    // The window's work at each five-second tick, and at each minute of a day that goes on.
    std::function<void()> OnTick;
    std::function<void()> OnMinute;
    // The date is another than at the last look; Today is the one it is now.
    std::function<void(TDateTime Today)> OnNewDay;

    // The ticks, as the timers run them.
    void Tick();
    void Minute();
    // Looks at the date: true, after OnNewDay, when it is another than at the last look. The first
    // look only notes it.
    bool CheckDate();

private:
    bool firstLook_ = true;
    TDateTime lastDate_;
};
