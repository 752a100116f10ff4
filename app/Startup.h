#pragma once
// The program's start, which the window runs when it is made: the database found and opened (a
// stored folder not there yet, or a database another program keeps locked, is waited for with the
// events running), the splash's steps, the first page built while the browser engine starts, and
// the window settled frameless on the desktop. What of the window it sets going, it reaches through
// IStartWindow.
#include <chrono>

#include "ADODB.h"
#include "Forms.h"
#include "SysUtils.h"
#include "WebBrowser.h"

class TDayClock;
class TSplashScreen;
class TWindowFrame;

// The settings key of the program family (the database folder, the calendar's user).
inline constexpr const char* ZorbelinKey = "\\Software\\Hallowerk\\Zorbelin";

// The one connection string of the program, for the database in Folder (with its trailing delimiter).
AnsiString ZorbelinConnectionString(const AnsiString& Folder);

// What the start asks of the window, in the order it asks.
class IStartWindow {
public:
    virtual ~IStartWindow() = default;
    // Before the database: what goes wrong is held until the page is there, the reminders cover
    // every minute from now on, and the settings the window keeps are read.
    virtual void PrepareStart() = 0;
    // Asks for the first page and starts the browser on its blank document, without waiting.
    virtual void StartPageAndBrowser() = 0;
    // The character's greeting and announcement are due, other programs of the session reach the
    // window, the icon goes into the notification area. What fails is thrown.
    virtual void StartParts() = 0;
    // The browser made at the start, and whether it has shown its blank document.
    virtual TWebBrowser* Browser() = 0;
    virtual bool BlankDocumentShown() const = 0;
    // The character comes with its greeting, once (also without a page).
    virtual void GreetWhenShown() = 0;
    // Waits for the first page's build.
    virtual void FinishStartBuild() = 0;
    // Pages handed to the browser so far.
    virtual int PagesLoaded() const = 0;
    // The messages held during the start are shown, and later ones at once.
    virtual void ReleaseHeldMessages() = 0;
    virtual bool WaitingForBuilder() const = 0;
    virtual void WriteDebugLog(const AnsiString& Text) = 0;
};

class TStartup {
public:
    // Window is the window started (its look, the owner of the file dialog), Parts what of it the
    // start sets going; the database is opened on Connection; the clock's minute rests while the
    // start waits or asks; Frame places the window and hides its frame. ExeDir is the program
    // folder (with its delimiter). Splash is the window's start-up splash while it has one.
    TStartup(TForm& Window, IStartWindow& Parts, TADOConnection* Connection, TDayClock& Clock,
             TWindowFrame& Frame, const AnsiString& ExeDir, TSplashScreen*& Splash);
    TStartup(const TStartup&) = delete;
    TStartup& operator=(const TStartup&) = delete;

    // The start, step by step; a failure sets ExitCode and ends the application.
    void Run();
    // A start-up failure ends the program with this code once the start returns (-1: none).
    int ExitCode = -1;

    // Finds the database folder (asking the user when needed; AskFirst goes straight to the
    // question), without remembering it. A file dialog cancelled leads back to the question.
    AnsiString ResolveDatabasePath(AnsiString p, bool AskFirst = false);
    // Connects the connection to the database of Path or of the folder the user then chooses, and
    // only then writes the folder as DBPATH. A stored folder not (yet) there and a database another
    // program keeps locked are waited for with the events running, for DatabaseWaitLimit before
    // the user is asked; the sample taken for a stored folder that stayed away does not replace it.
    // A failed connection is explained and leads back to the question; false when no database
    // could be opened, or the session or the user ended the start (Application->Terminated()).
    bool ConnectDatabase(AnsiString Path);
    // How long the start waits for a stored database folder or a locked database before it asks.
    std::chrono::milliseconds DatabaseWaitLimit{60000};
    AnsiString DatabaseFolder() const { return databaseFolder_; }

    // The window's start-up splash (null once the first page is there, or without one).
    TSplashScreen*& SplashScreen;
    // The splash's steps: its bar counts the reports up to SplashSteps.
    void SetSplashStatus(const AnsiString& Text);
    short SplashSteps = 12;

private:
    // Runs the events of the start until the browser has its blank document.
    void WaitForBlankDocument();
    // The database of the settings' folder (Path, else the machine's) is waited for while it is not
    // there; false when it stayed away for DatabaseWaitLimit or the start was ended.
    bool WaitForStoredDatabase(const AnsiString& Path);
    // Connects, waiting while another program keeps the database locked; false when the session
    // or the user ended the wait. Other failures are thrown.
    bool ConnectWaitingForLock();
    // Runs the events for Milliseconds; false when the program is to end.
    bool RunEventsFor(int Milliseconds);

    TForm& window_;
    IStartWindow& parts_;
    TADOConnection* connection_;
    TDayClock& clock_;
    TWindowFrame& frame_;
    AnsiString exeDir_;
    AnsiString databaseFolder_;
    // The last folder found was the sample beside the program, taken on the user's "Nein".
    bool tookSample_ = false;
    int splashStep_ = 0;
};
