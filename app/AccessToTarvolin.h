#pragma once
// What the calendar page's buttons and day links call: paging, today, the frame and the planner.
// The object keeps no state; it acts on the window that shows the page.
#include "ScriptObject.h"
#include "SysUtils.h"

// What the page's calls act on.
class IPageWindow {
public:
    virtual ~IPageWindow() = default;
    virtual TDateTime CalendarDate() const = 0;
    virtual Byte ViewMode() const = 0;
    // Shows the page of ADate; Wait: until it is built.
    virtual bool RebuildCalendar(TDateTime ADate, bool Wait) = 0;
    virtual void ToggleFrame() = 0;
    virtual void OpenDayInPlanner(const AnsiString& DateText) = 0;
    virtual void WriteDebugLog(const AnsiString& Text) = 0;
};

class TAccessToTarvolinImpl {
public:
    explicit TAccessToTarvolinImpl(IPageWindow& Window) : window_(Window) {}

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
    // A failure inside a call from the page is noted and goes no further; the page shows nothing.
    template <class F>
    void Guard(F&& Call);
    IPageWindow& window_;
};
