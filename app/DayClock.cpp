#include "DayClock.h"

TDayClock::TDayClock(TComponent* Owner) {
    Timer1 = new TTimer(Owner);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(100);
    EineMinute = new TTimer(Owner);
    EineMinute->SetInterval(60000);
    EineMinute->SetEnabled(true);
    Timer1->OnTimer = [this](TObject*) { Tick(); };
    EineMinute->OnTimer = [this](TObject*) { Minute(); };
}

void TDayClock::Tick() {
    Timer1->SetInterval(5000);
    Timer1->SetEnabled(false);
    // Whatever fails inside, the tick comes again.
    ScopeExit reenable([this] { Timer1->SetEnabled(true); });
    if (OnTick) OnTick();
    CheckDate();
}

void TDayClock::Minute() {
    if (!CheckDate() && OnMinute) OnMinute();
}

bool TDayClock::CheckDate() {
    const TDateTime today = SysUtils::Date();
    if (firstLook_) {
        firstLook_ = false;
        lastDate_ = today;
    }
    if (double(today) == double(lastDate_)) return false;
    lastDate_ = today;
    if (OnNewDay) OnNewDay(today);
    return true;
}
