#pragma once
// A calendar page is a request and a result. The main thread makes one PageRequest with all a build
// needs; the page builder works on its own thread from it alone and gives back one PageResult; the
// main thread applies that to its window. Nothing else passes between them while the page is built.
#include <string>
#include <vector>

#include "Settings.h"
#include "SysUtils.h"
#include "Variants.h"
#include "ViewParameters.h"

// What the window the pages are built for is asked for and told. Main thread only.
class ICalendarWindow {
public:
    virtual ~ICalendarWindow() = default;

    // ---- asked when a page is requested ----
    // the user whose appointments are shown
    virtual AnsiString GetCalendarUser() = 0;
    virtual AnsiString ExeDir() const = 0;
    virtual AnsiString ConnectionString() const = 0;
    // sizes in pixels of the main window and of the screen
    virtual int MainWindowWidth() = 0;
    virtual int MainWindowHeight() = 0;
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    virtual bool AnnouncePending() = 0;
    virtual bool MailOnBirthday() = 0;
    // the view block the window keeps between builds
    virtual ViewParameters& MainViewParameters() = 0;
    // what the user was last told about a failed build ("" after a build without trouble), so that
    // a cause that stays is told once and not at every rebuild
    virtual AnsiString& ReportedBuildFailure() = 0;
    // the date of the previous build, and the time announcement's settings, as each build takes them
    virtual void SetSettingsDate(TDateTime Value) = 0;
    virtual void SetSayTimeInterval(int Value) = 0;
    virtual void SetSayTimeEnabled(bool Value) = 0;

    // ---- told when a page's result is applied ----
    // a plain message box with an OK button; returns when the user closed it
    virtual void ShowMessage(const AnsiString& Text) = 0;
    // a problem the user is told of without holding anything up; returns at once
    virtual void ReportProblem(const AnsiString& Text) { ShowMessage(Text); }
    // runs a statement through the window's own database command, Parameters bound in order
    virtual void ExecuteCommand(const AnsiString& CommandText, const std::vector<Variant>& Parameters) = 0;
    // the finished page (the whole HTML document) for the browser
    virtual void LoadPageIntoBrowser(const std::string& Page) = 0;
    // a build ended without a page; Why says why, in German. The window keeps the last page it was
    // handed, and where it has none yet, shows Why in its place.
    virtual void PageNotBuilt(const AnsiString& Why) { (void)Why; }
    // the window is to close and the program to end with ExitCode; never waited for
    virtual void CloseMainWindow(int ExitCode) = 0;
    virtual void SetSplashStatus(const AnsiString& Text) = 0;
    virtual void WriteDebugLog(const AnsiString& Text) = 0;
    virtual void SetAlarmsPresent(bool Value) = 0;
    virtual void SetAnnouncementText(const AnsiString& Text) = 0;
    virtual void SendBirthdayMail(const AnsiString& Address) = 0;
};

struct PageRequest {
    // The window's view block with the date asked for (as CalendarDate and StartDate).
    ViewParameters View;
    // The settings as they are when the page is asked for; SettingsRead is false when they could not
    // be read, and the view block then keeps what the window handed over.
    TSettingsValue Settings;
    bool SettingsRead = false;
    AnsiString User;
    AnsiString ExeDir;
    AnsiString ConnectionString;
    int WindowWidth = 0, WindowHeight = 0, ScreenWidth = 0, ScreenHeight = 0;
    // The date of the build before this one, when the settings held a valid one; a build on another
    // day is the day's first (its birthdays are mailed).
    bool HasPreviousBuild = false;
    TDateTime PreviousBuild;
    bool AnnouncePending = false;
    bool MailOnBirthday = false;
    // Why the settings could not be read or stored; told with the page's problems.
    AnsiString SettingsFailure;
};

struct PageResult {
    // The whole page, each line ended by CR LF; empty when there is none to show.
    std::string Page;
    // Why the page is missing or incomplete, for the user (German), and the technical words behind
    // a failure, for the log only.
    std::vector<AnsiString> Problems;
    AnsiString Detail;
    // A template the design needs is missing: the user is told so, and the program ends with this
    // code (-1: none missing). Nothing else of the result counts then.
    int TemplatesMissingExitCode = -1;
    // Today has an appointment with an alarm.
    bool AlarmsToday = false;
    // Today's appointments to be spoken ("" for none), and the addresses of today's birthday mails.
    AnsiString Announcement;
    std::vector<AnsiString> BirthdayAddresses;
    // The user's refresh request was served: Statement with Parameters clears it.
    bool NeedUpdateServed = false;
    AnsiString NeedUpdateStatement;
    std::vector<Variant> NeedUpdateParameters;
    // Progress texts of the splash screen and lines for the debug log, in their order.
    std::vector<AnsiString> SplashTexts;
    std::vector<AnsiString> LogLines;
    // The builder's view block, of which the window keeps what the build owns.
    ViewParameters View;
    bool CopyBack = false;
};

// Makes the request for a page of ADate on the main thread: takes the settings and stores this build's
// date in them, and hands the window what it keeps of them.
PageRequest MakePageRequest(ICalendarWindow& Window, TDateTime ADate);
// Applies a build's result to the window, on the main thread.
void ApplyPageResult(PageResult& Result, const PageRequest& Request, ICalendarWindow& Window);

// The message for a design whose templates are missing.
inline constexpr const char* TemplatesMissingMessage = "Eine oder mehrere der Vorlagen wurden nicht gefunden";
