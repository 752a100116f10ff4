#pragma once
// The main window: it starts the program, opens the database, asks the page builder for the
// calendar page and shows it in its browser, and rebuilds the page when the day changes or another
// program asks for it.
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "ADODB.h"
#include "AccessToTarvolin.h"
#include "AppEvnts.h"
#include "BuildCalendar.h"
#include "Classes.h"
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
#include "SysUtils.h"
#include "TrayMenu.h"
#include "Types.h"
#include "ViewParameters.h"
#include "WebBrowser.h"
#include "WinUser.h"
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

// The one connection string of the program, for the database in Folder (with its trailing delimiter).
AnsiString ZorbelinConnectionString(const AnsiString& Folder);

class TReminders;
class Fadeing;
class TSplashScreen;

// The code the program ends with when the window asked for its end.
extern int ProgramExitCode;

class TForm1 : public TForm, public ICalendarWindow, public ICharacterOwner, public IPageWindow {
    // The speaking character; made first, as the window's parts below are given it.
    std::unique_ptr<TSpeakingCharacter> character_;

public:
    // Makes the window's character (a test gives one of its own).
    using CharacterFactory = std::function<std::unique_ptr<TSpeakingCharacter>(ICharacterOwner&)>;
    explicit TForm1(TComponent* AOwner, const CharacterFactory& MakeCharacter = nullptr);
    ~TForm1() override;
    // Ends the page builds and the fade, whose threads call back into the window.
    void BeforeDestruction() override;

    // ---- components ----
    TTimer* Timer1;
    TTimer* TreadSyncTimer1;
    TTimer* MouseOverCheck;
    TTimer* ResizeTimer;
    TTimer* WindowCloseTimer;
    TTimer* EineMinute;
    TADOConnection* ADOConnection1;
    TADODataSet* ADODataSet;
    TADOCommand* ADOCommand;
    TWebBrowser* WebBrowser = nullptr;
    TApplicationEvents* ApplicationEvents1;
    // The tray menu's components (TTrayMenu makes them), under the names the handlers use.
    TPopupMenu* PopupMenu1;
    TMenuItem* minimieren;
    TMenuItem* Agent1;
    TMenuItem* Zwischenablagevorlesen1;
    TMenuItem* Aufgaben1;
    TMenuItem* Adressen1;
    TMenuItem* Zorbelin1;
    TMenuItem* Info2;
    TMenuItem* Info1;
    TMenuItem* Hilfe;
    TMenuItem* Update1;
    TMenuItem* Einstellungen1;
    TMenuItem* Fensterrahmensichtbar1;
    TMenuItem* Ende1;
    TImageList* ImageList1;
    THTMLHint* HTMLHint1;
    // The program's version, for the about box.
    TfshVersionLabel* fshVersionLabel1;

    // ---- state ----
    ::ViewParameters ViewParameters;
    bool FadedOut = true;
    bool PlacementLoaded = false;
    short SplashSteps = 12;
    AnsiString TempDir;
    TRect WorkArea;
    bool FrameVisible = true;
    // The window's colour while its frame is hidden; the page's background in that colour is not shown.
    TColor ColorKey() const { return ViewParameters.ColorKey; }
    // A start-up failure ends the program with this code once FormCreate returns (-1: none).
    int StartupExitCode = -1;

    TDateTime CalendarDate() const override { return ViewParameters.CalendarDate; }
    Byte ViewMode() const override { return ViewParameters.ViewMode; }

    // ---- start-up ----
    void FormCreate(TObject* Sender);
    // Finds the database folder (asking the user when needed; AskFirst goes straight to the
    // question), without remembering it. A file dialog cancelled leads back to the question.
    AnsiString ResolveDatabasePath(AnsiString p, bool AskFirst = false);
    // Connects ADOConnection1 to the database of Path or of the folder the user then chooses, and
    // only then writes the folder as DBPATH. A stored folder not (yet) there and a database another
    // program keeps locked are waited for with the events running, for DatabaseWaitLimit before
    // the user is asked; the sample taken for a stored folder that stayed away does not replace it.
    // A failed connection is explained and leads back to the question; false when no database
    // could be opened, or the session or the user ended the start (Application->Terminated()).
    bool ConnectDatabase(AnsiString Path);
    // How long the start waits for a stored database folder or a locked database before it asks.
    std::chrono::milliseconds DatabaseWaitLimit{60000};
    AnsiString DatabaseFolder() const { return databaseFolder_; }
    void SetSplashStatus(const AnsiString& Text) override;
    // The greeting for the local hour, from the settings ("Hallo" when there is none).
    AnsiString Greeting(int Hour);

    // ---- pages (TPageBuilds does the builds) ----
    bool RebuildCalendar(TDateTime ADate, bool Wait) override { return pageBuilds_->RebuildCalendar(ADate, Wait); }
    // Waiting for a page builder: calls it queued for the main thread run, nothing else.
    bool WaitingForBuilder() const { return pageBuilds_->WaitingForBuilder(); }
    void WMRedrawCalendar(TMessage& Message);
    void Timer1Timer(TObject* Sender);
    void EineMinuteTimer(TObject* Sender);
    void CheckUserRefresh();
    // Builds run so far, and the builder running now (tests).
    int BuildCount() const { return pageBuilds_->BuildCount(); }
    BuildTarvolan* RunningBuilder() const { return pageBuilds_->RunningBuilder(); }

    // ---- frame, placement, fading ----
    void SetFrameVisible(bool Visible);
    void ToggleFrame() override;
    void Fensterrahmensichtbar1Click(TObject* Sender);
    void WindowCloseTimerTimer(TObject* Sender);
    void LoadWindowPlacement();
    void SaveWindowPlacement();
    void FormResize(TObject* Sender);
    void ResizeTimerTimer(TObject* Sender);
    void ApplyWindowAlpha();
    void FadeIn();
    void FadeOut();
    void MouseOverCheckTimer(TObject* Sender);
    void ApplicationEvents1Activate(TObject* Sender);
    void ApplicationEvents1Deactivate(TObject* Sender);
    Fadeing* FadeThread() const { return fader_.get(); }
    void OpenDayInPlanner(const AnsiString& DateText) override;
    // Starts a program beside this one (File, with Parameters, in Directory when given); when it is
    // missing or does not start, the user is told, What naming it ("Das Adressbuch ...").
    bool StartSiblingProgram(const AnsiString& File, const AnsiString& Parameters, const char* Directory,
                             const AnsiString& What);

    // ---- tray icon, menu (TTrayMenu draws and shows them), messages, shut-down ----
    bool TrayIcon(DWORD Operation) { return trayMenu_->TrayIcon(Operation); }
    AnsiString TrayTip() const { return trayMenu_->TrayTip(); }
    void MenuMeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) {
        trayMenu_->MenuMeasureItem(Sender, ACanvas, Width, Height);
    }
    void MenuAdvancedDrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
        trayMenu_->MenuAdvancedDrawItem(Sender, ACanvas, ARect, State);
    }
    void SetMenuFont() { trayMenu_->SetMenuFont(); }
    void PopupMenu1Popup(TObject* Sender) { trayMenu_->PopupMenu1Popup(Sender); }
    // The side band of the popup was drawn since the popup opened.
    bool MenuSideTextDrawn() const { return trayMenu_->MenuSideTextDrawn(); }
    void Ende1Click(TObject* Sender);
    void Info1Click(TObject* Sender);
    void Zorbelin1Click(TObject* Sender);
    void HilfeClick(TObject* Sender);
    void Adressen1Click(TObject* Sender);
    void Aufgaben1Click(TObject* Sender);
    void Einstellungen1Click(TObject* Sender);
    void minimierenClick(TObject* Sender);
    void Zwischenablagevorlesen1Click(TObject*) { character_->ReadClipboard(Zwischenablagevorlesen1); }
    void ApplicationEvents1Message(TMsg& Msg, bool& Handled);
    void ApplicationEvents1Exception(TObject* Sender, SysUtils::Exception* E);
    void ApplicationEvents1Restore(TObject* Sender);
    void HTMLHint1ShowHint(AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormDestroy(TObject* Sender);
    // What the window's end keeps (its placement, the character's place), kept while it goes on.
    void SaveSessionState();
    // A message that holds nothing up: shown without waiting, and during the start once the first
    // page is there. One such window shows at a time and the others wait for it in turn; a text
    // equal to one shown or waiting is not told again, and a text about the same Subject (a
    // settings file, say) takes the place of the one still waiting, so a cause that comes back
    // again and again never piles up windows.
    void TellUser(const AnsiString& Text, const AnsiString& Subject = AnsiString());
    bool Minimized() const { return minimized_; }
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
    HWND CharacterNotifyWindow() override { return Handle(); }
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
    AnsiString GetCalendarUser() override;
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
    // Creates the browser and starts it on the blank document, without waiting for it.
    void SetUpBrowser();
    // Runs the events of the start until the browser has its blank document.
    void WaitForBlankDocument();
    // The character comes with its greeting, once, when the first page has been shown.
    void GreetWhenShown();
    // The messages held during the start are shown, and later ones are shown at once.
    void ReleaseHeldMessages();
    // Shows the next waiting message, unless one is open or the start holds them.
    void ShowNextMessage();
    // Hands a page (a built one, or a line saying why there is none) to the browser.
    void ShowInBrowser(const std::string& Page);
    void FitFrameToClient();
    // The tray menu's components under the window's names, and its commands on the window's handlers.
    void ConnectMenu();
    void ReadTopPlacement();
    void ReadCachedSettings();
    void ApplySettings(const TSettingsValue& Settings, bool All);
    TSettingsValue appliedSettings_;
    int settingsListener_ = 0;
    // The database of the settings' folder (Path, else the machine's) is waited for while it is not
    // there; false when it stayed away for DatabaseWaitLimit or the start was ended.
    bool WaitForStoredDatabase(const AnsiString& Path);
    // Connects ADOConnection1, waiting while another program keeps the database locked; false when
    // the session or the user ended the wait. Other failures are thrown.
    bool ConnectWaitingForLock();
    // Runs the events for Milliseconds; false when the program is to end.
    bool RunEventsFor(int Milliseconds);
    void StartFade(bool In);
    // The browser has shown its first (blank) document: pages can go into it.
    bool documentReady_ = false;
    std::string pendingPage_;
    bool greeted_ = false;
    bool holdMessages_ = false;
    int heldMessageTicks_ = 0;
    struct WaitingMessage {
        AnsiString subject, text;
    };
    std::deque<WaitingMessage> waitingMessages_;
    bool messageOpen_ = false;
    AnsiString openMessage_;
    // What the user was last told about the reminder check ("" after a check without trouble).
    AnsiString reminderFailure_;
    // A page the builder made has gone to the browser (not only a line saying why there is none).
    bool pageBuilt_ = false;
    // Pages handed to the browser.
    int pagesLoaded_ = 0;

    TAccessToTarvolinImpl* automation_ = nullptr;
    std::unique_ptr<Fadeing> fader_;
    std::unique_ptr<TReminders> reminders_;
    TSplashScreen* aboutBox_ = nullptr;
    bool frameToggled_ = false;
    // The window's rectangle before its frame was shown, and where the framed window was put.
    TRect framelessBounds_, framedBounds_;
    bool minimized_ = false;
    bool shutDownDone_ = false;
    int splashStep_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    AnsiString exeDir_;
    AnsiString databaseFolder_;
    // The last folder found was the sample beside the program, taken on the user's "Nein".
    bool tookSample_ = false;
    AnsiString reportedBuildFailure_;
    std::unique_ptr<TTrayMenu> trayMenu_;
    std::unique_ptr<TPageBuilds> pageBuilds_ = std::make_unique<TPageBuilds>(*this);

    bool firstTick_ = true;
    TDateTime lastDateTick_;
    bool firstMinute_ = true;
    TDateTime lastDateMinute_;
    bool userRowPending_ = true;

    TDateTime settingsDate_;
    std::atomic<bool> alarmsPresent_{false};
    std::atomic<bool> announcePending_{false};
    std::atomic<bool> mailOnBirthday_{false};

    std::mutex logMutex_;
    bool firstLogWrite_ = true;
};

extern TForm1* Form1;
