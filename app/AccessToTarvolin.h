#pragma once
// What the calendar page's buttons and day links call: paging, today, the frame and the planner.
// The object keeps no state; it acts on the main window.
#include "AutomationTarget.h"
#include "SysUtils.h"

class TAccessToTarvolinImpl : public IAutomationTarget {
public:
    void Resize() override;
    void HomeClicked() override;
    void ForwardClicked() override;
    void BackClicked() override;
    // Reading ZBNOpenDate gives nothing.
    AnsiString ZBNOpenDate() const { return {}; }
    void SetZBNOpenDate(const AnsiString& Value) override;

    // The date one page further (Direction 1) or back (-1): a month (the day clamped to the
    // month's length) in the month view, a week in the week view, a day in the x-days view.
    static TDateTime MovedDate(TDateTime Date, int ViewMode, int Direction);

private:
    void Move(int Direction);
};
