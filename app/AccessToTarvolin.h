#pragma once
// What the calendar page's buttons and day links call: paging, today, the frame and the planner.
// The object keeps no state; it acts on the main window.
#include "ScriptObject.h"
#include "SysUtils.h"

class TAccessToTarvolinImpl {
public:
    // The members the calendar page calls on window.external, acting on this object.
    TScriptObject ScriptObject();

    void Resize();
    void HomeClicked();
    void ForwardClicked();
    void BackClicked();
    // Reading ZBNOpenDate gives nothing.
    AnsiString ZBNOpenDate() const { return {}; }
    void SetZBNOpenDate(const AnsiString& Value);

    // The date one page further (Direction 1) or back (-1): a month (the day clamped to the
    // month's length) in the month view, a week in the week view, a day in the x-days view.
    static TDateTime MovedDate(TDateTime Date, int ViewMode, int Direction);

private:
    void Move(int Direction);
};
