#pragma once
// The main window: it starts the program, opens the database, asks the page builder for the
// calendar page and shows it in its browser, and rebuilds the page when the day changes or another
// program asks for it.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ADODB.h"
#include "AccessToTarvolin.h"
#include "AppEvnts.h"
#include "BuildCalendar.h"
#include "Classes.h"
#include "DayClock.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ImgList.h"
#include "Menus.h"
#include "Messages.h"
#include "PageBuilds.h"
#include "PageRequest.h"
#include "Settings.h"
#include "ShellNotify.h"
#include "SpeakingCharacter.h"
#include "Startup.h"
#include "SysUtils.h"
#include "TrayMenu.h"
#include "UserMessages.h"
#include "Types.h"
#include "ViewParameters.h"
#include "WebBrowser.h"
#include "WinUser.h"
#include "WindowFrame.h"
#include "htmlhint.h"
#include "verslab.h"

// Sent by other programs of the session when they changed appointments.
constexpr UINT WM_REDRAWCALENDAR = 0x457;
// How long the main thread waits for another program's database lock (milliseconds).
constexpr int MainThreadBusyTimeout = 250;
// How long one statement of the main thread may run before it is stopped (milliseconds).
constexpr int MainThreadStatementTimeout = 1000;

// The name other programs reach the running copy under, and the name of its single-instance lock.
extern const char* const TarvolinInstanceName;

class TOtherPrograms;
class TReminders;
class TSplashScreen;

// The code the program ends with when the window asked for its end.
extern int ProgramExitCode;

class TForm1 : public TForm, public ICalendarWindow, public ICharacterOwner, public IPageWindow, public IStartWindow {
    // The speaking character; made first, as the window's parts below are given it.
    std::unique_ptr<TSpeakingCharacter> character_;

public:
    // Makes the window's character (a test gives one of its own).
    using CharacterFactory = std::function<std::unique_ptr<TSpeakingCharacter>(ICharacterOwner&)>;
    // Splash is the start-up splash, which the window takes over.
    explicit TForm1(TComponent* AOwner, const CharacterFactory& MakeCharacter = nullptr,
                    TSplashScreen* Splash = nullptr);
    ~TForm1() override;
    // Ends the page builds and the fade, whose threads call back into the window.
    void BeforeDestruction() override;

    // The start-up splash the window was given, until the first page it waited for is there (then
    // the window frees it).
    TSplashScreen* SplashScreen = nullptr;

    // ---- components ----
    TTimer* TreadSyncTimer1;
    TADOConnection* ADOConnection1;
    TADODataSet* ADODataSet;
    TADOCommand* ADOCommand;
    TWebBrowser* WebBrowser = nullptr;
    TApplicationEvents* ApplicationEvents1;
    THTMLHint* HTMLHint1;
    // The program's version, for the about box.
    TfshVersionLabel* fshVersionLabel1;

    // ---- state ----
    ::ViewParameters ViewParameters;
    AnsiString TempDir;
    TRect WorkArea;
    // The window's colour while its frame is hidden; the page's background in that colour is not shown.
    TColor ColorKey() const { return ViewParameters.ColorKey; }

    TDateTime CalendarDate() const override { return ViewParameters.CalendarDate; }
    Byte ViewMode() const override { return ViewParameters.ViewMode; }

    // ---- start-up (TStartup runs it) ----
    void FormCreate(TObject* Sender);
    TStartup& Startup() { return *startup_; }
    void SetSplashStatus(const AnsiString& Text) override { startup_->SetSplashStatus(Text); }

    // ---- pages (TPageBuilds does the builds) ----
    bool RebuildCalendar(TDateTime ADate, bool Wait) override { return pageBuilds_->RebuildCalendar(ADate, Wait); }
    // Waiting for a page builder: calls it queued for the main thread run, nothing else.
    bool WaitingForBuilder() const override { return pageBuilds_->WaitingForBuilder(); }
    void WMRedrawCalendar(TMessage& Message);
    // The five-second tick, the minute tick and the new day.
    TDayClock& DayClock() { return *dayClock_; }
    void CheckUserRefresh();
    // Builds run so far, and the builder running now (tests).
    int BuildCount() const { return pageBuilds_->BuildCount(); }
    BuildTarvolan* RunningBuilder() const { return pageBuilds_->RunningBuilder(); }

    // ---- frame, placement, fading (TWindowFrame keeps them) ----
    TWindowFrame& Frame() { return *frame_; }
    void ToggleFrame() override { frame_->ToggleFrame(); }
    void OpenDayInPlanner(const AnsiString& DateText) override;

    // ---- the tray's commands (the tray icon and its menu raise them), messages, shut-down ----
    TTrayMenu& Tray() { return *trayMenu_; }
    void Info1Click(TObject* Sender);
    void Einstellungen1Click(TObject* Sender);
    void ApplicationEvents1Message(TMsg& Msg, bool& Handled);
    void ApplicationEvents1Exception(TObject* Sender, SysUtils::Exception* E);
    void ApplicationEvents1Restore(TObject* Sender);
    void HTMLHint1ShowHint(AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormDestroy(TObject* Sender);
    // What the window's end keeps (its placement, the character's place), kept while it goes on.
    void SaveSessionState();
    // What the window tells the user without holding anything up.
    TUserMessages& Messages() { return *messages_; }
    bool Minimized() const { return trayMenu_->Minimized(); }
    bool ShutDownDone() const { return shutDownDone_; }
    // The about box while it is open.
    TSplashScreen* AboutBox() const { return aboutBox_; }
    // Called with the about box when it is shown, before its modal loop (tests).
    std::function<void(TSplashScreen*)> OnAboutShown;
    // Opens the popup menu at a screen point (the menu's own Popup unless set).
    std::function<void(int X, int Y)> PopupAt;

    // ---- the speaking character ----
    TSpeakingCharacter& Character() { return *character_; }
    void TreadSyncTimer1Timer(TObject*) {
        TreadSyncTimer1->SetEnabled(false);
        character_->Announce();
    }
    TComponent* CharacterOwnerWindow() override { return this; }
    TRect CharacterWorkArea() override { return WorkArea; }
    void StartAnnouncementTimer() override { TreadSyncTimer1->SetEnabled(true); }
    // The reminder check (the reminders do the work).
    virtual void CheckAlarms();
    TReminders& Reminders() { return *reminders_; }
    // The task window and the settings dialog (answers its modal result and whether a value changed).
    virtual void ShowTaskWindow(const AnsiString& ConnectionString);
    virtual int ShowSettingsDialog(bool& Modified);

    // ---- ICalendarWindow ----
    // the user kept since the start or the settings dialog's end
    AnsiString GetCalendarUser() override;
    // Reads the user from the settings (the computer's name when none is stored, which is then kept).
    void ReadCalendarUser();
    AnsiString ExeDir() const override { return exeDir_; }
    AnsiString ConnectionString() const override { return ADOConnection1->ConnectionString(); }
    int MainWindowWidth() override { return Width(); }
    int MainWindowHeight() override { return Height(); }
    int ScreenWidth() override;
    int ScreenHeight() override;
    void ShowMessage(const AnsiString& Text) override;
    void ReportProblem(const AnsiString& Text) override;
    AnsiString& ReportedBuildFailure() override { return reportedBuildFailure_; }
    void ExecuteCommand(const AnsiString& CommandText, const std::vector<Variant>& Parameters) override;
    void LoadPageIntoBrowser(const std::string& Page) override;
    void PageNotBuilt(const AnsiString& Why) override;
    void CloseMainWindow(int Code) override;
    ::ViewParameters& MainViewParameters() override { return ViewParameters; }
    TDateTime SettingsDate() const { return settingsDate_; }
    void SetSettingsDate(TDateTime Value) override { settingsDate_ = Value; }
    void SetSayTimeInterval(int Value) override { character_->SayTimeInterval = Value; }
    void SetSayTimeEnabled(bool Value) override { character_->SayTimeEnabled = Value; }
    void SetAnnouncementText(const AnsiString& Text) override { character_->SetAnnouncementText(Text); }
    void SendBirthdayMail(const AnsiString& Address) override;
    void WriteDebugLog(const AnsiString& Text) override;
    void SetAlarmsPresent(bool Value) override { alarmsPresent_ = Value; }
    bool AlarmsPresent() const { return alarmsPresent_; }
    bool AnnouncePending() override { return announcePending_; }
    void SetAnnouncePending(bool Value) override { announcePending_ = Value; }
    bool MailOnBirthday() override { return mailOnBirthday_; }

protected:
    void WndProc(TMessage& Message) override;

private:
    // ---- IStartWindow ----
    void PrepareStart() override;
    void StartPageAndBrowser() override;
    void StartParts() override;
    TWebBrowser* Browser() override { return WebBrowser; }
    bool BlankDocumentShown() const override { return documentReady_; }
    void FinishStartBuild() override { pageBuilds_->FinishStartBuild(); }
    int PagesLoaded() const override { return pagesLoaded_; }
    // Creates the browser and starts it on the blank document, without waiting for it.
    void SetUpBrowser();
    // The character comes with its greeting, once, when the first page has been shown.
    void GreetWhenShown() override;
    // The messages held during the start are shown, and later ones are shown at once.
    void ReleaseHeldMessages() override { messages_->Release(); }
    // Hands a page (a built one, or a line saying why there is none) to the browser.
    void ShowInBrowser(const std::string& Page);
    void ReadCachedSettings();
    // The window's work at each five-second tick.
    void ClockTick();
    // The page of the new day, announced once it is there.
    void ClockNewDay(TDateTime Today);
    void ApplySettings(const TSettingsValue& Settings, bool All);
    TSettingsValue appliedSettings_;
    int settingsListener_ = 0;
    // The browser has shown its first (blank) document: pages can go into it.
    bool documentReady_ = false;
    std::string pendingPage_;
    bool greeted_ = false;
    // What the user was last told about the reminder check ("" after a check without trouble).
    AnsiString reminderFailure_;
    // A page the builder made has gone to the browser (not only a line saying why there is none).
    bool pageBuilt_ = false;
    // Pages handed to the browser.
    int pagesLoaded_ = 0;

    TAccessToTarvolinImpl* automation_ = nullptr;
    std::unique_ptr<TReminders> reminders_;
    std::unique_ptr<TUserMessages> messages_;
    std::unique_ptr<TOtherPrograms> others_;
    TSplashScreen* aboutBox_ = nullptr;
    bool shutDownDone_ = false;
    TLifeToken life_;
    AnsiString exeDir_;
    AnsiString reportedBuildFailure_;
    std::unique_ptr<TTrayMenu> trayMenu_;
    std::unique_ptr<TPageBuilds> pageBuilds_ = std::make_unique<TPageBuilds>(*this);

    std::unique_ptr<TDayClock> dayClock_;
    std::unique_ptr<TWindowFrame> frame_;
    std::unique_ptr<TStartup> startup_;
    bool userRowPending_ = true;

    TDateTime settingsDate_;
    std::atomic<bool> alarmsPresent_{false};
    std::atomic<bool> announcePending_{false};
    std::atomic<bool> mailOnBirthday_{false};

    std::mutex logMutex_;
    bool firstLogWrite_ = true;

    AnsiString calendarUser_;
    bool userRead_ = false;
};
