#pragma once
// What the page builder and its tag handlers need of the main window. The main window implements
// it; the calendar never sees the window itself.
//
// Each member says on which thread the calendar calls it. "main" members are reached through
// TThread::Synchronize (the builder waits) or Classes::QueueOnMainThread (it does not); "any"
// members must be safe to call from the builder thread while the main thread runs.
#include <vector>

#include "SysUtils.h"
#include "Variants.h"
#include "ViewParameters.h"

class TFeiertage;

class ICalendarHost {
public:
    virtual ~ICalendarHost() = default;

    // any: the user whose appointments are shown
    virtual AnsiString GetCalendarUser() = 0;
    // any: the program folder with a trailing delimiter; fixed after start-up
    virtual AnsiString ExeDir() const = 0;
    // any: the connection string of the main database connection; fixed after start-up
    virtual AnsiString ConnectionString() const = 0;

    // main: sizes in pixels of the main window and of the screen
    virtual int MainWindowWidth() = 0;
    virtual int MainWindowHeight() = 0;
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;

    // main: a plain message box with an OK button; returns when the user closed it
    virtual void ShowMessage(const AnsiString& Text) = 0;
    // main: a problem the user is told of without holding anything up (the window, its timers, the
    // reminders); returns at once
    virtual void ReportProblem(const AnsiString& Text) { ShowMessage(Text); }
    // main: what the user was last told about a failed build ("" after a build without trouble),
    // so that a cause that stays is told once and not at every rebuild
    virtual AnsiString& ReportedBuildFailure() = 0;
    // main: runs a statement through the main window's own database command, Parameters bound to
    // its placeholders in order
    virtual void ExecuteCommand(const AnsiString& CommandText, const std::vector<Variant>& Parameters) = 0;
    // main: hands a finished page (the whole HTML document) to the browser; done when it returns
    virtual void LoadPageIntoBrowser(const std::string& Page) = 0;
    // main: a build ended without a page; Why says why, in German. The window keeps the last page
    // it was handed, and where it has none yet, shows Why in its place.
    virtual void PageNotBuilt(const AnsiString& Why) { (void)Why; }
    // main: asks the main window to close and the program to end with ExitCode; always queued,
    // never waited for, since the window's shut-down waits for the builder
    virtual void CloseMainWindow(int ExitCode) = 0;
    // main: progress text of the splash screen (nothing when there is none)
    virtual void SetSplashStatus(const AnsiString& Text) = 0;
    // main: the view block the main window keeps between builds
    virtual ViewParameters& MainViewParameters() = 0;
    // main: the date of the previous build, and the time-announcement settings
    virtual TDateTime SettingsDate() = 0;
    virtual void SetSettingsDate(TDateTime Value) = 0;
    virtual void SetSayTimeInterval(int Value) = 0;
    virtual void SetSayTimeEnabled(bool Value) = 0;
    // main: today's appointments to be spoken; queued
    virtual void SetAnnouncementText(const AnsiString& Text) = 0;
    // main: opens a birthday mail to Address; queued
    virtual void SendBirthdayMail(const AnsiString& Address) = 0;

    // any: one piece of text appended to the debug log
    virtual void WriteDebugLog(const AnsiString& Text) = 0;
    // any: flags the main window keeps as atomics
    virtual void SetAlarmsPresent(bool Value) = 0;
    virtual bool AnnouncePending() = 0;
    virtual bool MailOnBirthday() = 0;
    // any: the holiday calculator the main window owns; only the builder thread uses it
    virtual TFeiertage* Feiertage1() = 0;
};
