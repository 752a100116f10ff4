#pragma once
// The main window: it starts the program, opens the database, asks the page builder for the
// calendar page and shows it in its browser, and rebuilds the page when the day changes or another
// program asks for it.
#include <atomic>
#include <memory>
#include <mutex>

#include "ADODB.h"
#include "BuildCalendar.h"
#include "CalendarHost.h"
#include "Classes.h"
#include "ExtCtrls.h"
#include "Feiertage.h"
#include "Forms.h"
#include "Messages.h"
#include "SysUtils.h"
#include "Types.h"
#include "ViewParameters.h"
#include "WebBrowser.h"

// Sent by other programs of the session when they changed appointments.
constexpr UINT WM_REDRAWCALENDAR = 0x457;

// The name other programs reach the running copy under, and the name of its single-instance lock.
extern const char* const TarvolinInstanceName;
// The settings key of this program.
extern const char* const TarvolinKey;

// The one connection string of the program, for the database in Folder (with its trailing delimiter).
AnsiString ZorbelinConnectionString(const AnsiString& Folder);

class TAccessToTarvolinImpl;

// The code the program ends with when the window asked for its end.
extern int ProgramExitCode;

class TForm1 : public TForm, public ICalendarHost {
public:
    explicit TForm1(TComponent* AOwner);
    ~TForm1() override;

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

    // ---- state ----
    ::ViewParameters ViewParameters;
    bool FadedOut = true;
    bool PlacementLoaded = false;
    short SplashSteps = 12;
    AnsiString SpeechText;
    TStringList* AlarmHtml;
    AnsiString AlarmNotes;
    AnsiString TempDir;
    TRect WorkArea;
    bool AgentLoaded = false;
    int AgentIdleTicks = 0;
    bool FrameVisible = true;
    // Set by the announcements: say the new day's appointments (and their introduction).
    bool AnnounceIntroPending = false;
    bool AgentForceLoad = false;
    // A start-up failure ends the program with this code once FormCreate returns (-1: none).
    int StartupExitCode = -1;

    TDateTime CalendarDate() const { return ViewParameters.CalendarDate; }
    Byte ViewMode() const { return ViewParameters.ViewMode; }

    // ---- start-up ----
    void FormCreate(TObject* Sender);
    AnsiString ResolveDatabasePath(AnsiString p);
    AnsiString DatabaseFolder() const { return databaseFolder_; }
    void SetSplashStatus(const AnsiString& Text) override;
    // The greeting for the local hour, from the settings ("Hallo" when there is none).
    AnsiString Greeting(int Hour);

    // ---- pages ----
    bool RebuildCalendar(TDateTime ADate, bool Wait);
    void BuilderTerminated(TObject* Sender);
    void LoadPageIntoBrowser(TWebBrowser* Browser, TMemoryStream* Stream);
    void WMRedrawCalendar(TMessage& Message);
    void Timer1Timer(TObject* Sender);
    void EineMinuteTimer(TObject* Sender);
    void CheckUserRefresh();
    // Builds run so far, and the builder running now (tests).
    int BuildCount() const { return buildCount_; }
    BuildTarvolan* RunningBuilder() const { return builder_.get(); }
    int TickCountdown() const { return tickCountdown_; }

    // ---- frame, planner ----
    void SetFrameVisible(bool Visible);
    void ToggleFrame();
    void OpenDayInPlanner(const AnsiString& DateText);

    // ---- the parts of the window that other areas fill in ----
    virtual bool StartAgent();
    virtual void Speak(const AnsiString& Text);
    virtual void Sayings();
    virtual void CheckAlarms();
    virtual void SpeakTime();
    virtual void SaveAndUnloadAgent();
    virtual void HideAgent();
    void LoadWindowPlacement();

    // ---- ICalendarHost ----
    AnsiString GetCalendarUser() override;
    AnsiString ExeDir() const override { return exeDir_; }
    AnsiString ConnectionString() const override { return ADOConnection1->ConnectionString(); }
    int MainWindowWidth() override { return Width(); }
    int MainWindowHeight() override { return Height(); }
    int ScreenWidth() override;
    int ScreenHeight() override;
    void ShowMessage(const AnsiString& Text) override;
    void ExecuteCommand(const AnsiString& CommandText) override;
    void LoadPageIntoBrowser(const std::string& Page) override;
    void CloseMainWindow(int Code) override;
    ::ViewParameters& MainViewParameters() override { return ViewParameters; }
    TDateTime SettingsDate() override { return settingsDate_; }
    void SetSettingsDate(TDateTime Value) override { settingsDate_ = Value; }
    void SetSayTimeInterval(int Value) override { sayTimeInterval_ = Value; }
    void SetSayTimeEnabled(bool Value) override { sayTimeEnabled_ = Value; }
    void SetAnnouncementText(const AnsiString& Text) override;
    void SendBirthdayMail(const AnsiString& Address) override;
    void WriteDebugLog(const AnsiString& Text) override;
    void SetAlarmsPresent(bool Value) override { alarmsPresent_ = Value; }
    bool AlarmsPresent() const { return alarmsPresent_; }
    bool AnnouncePending() override { return announcePending_; }
    void SetAnnouncePending(bool Value) { announcePending_ = Value; }
    bool MailOnBirthday() override { return mailOnBirthday_; }
    TFeiertage* Feiertage1() override { return feiertage_; }

protected:
    void WndProc(TMessage& Message) override;

private:
    void SetUpBrowser();
    // The browser has shown its first (blank) document: pages can go into it.
    bool documentReady_ = false;
    void FinishedBuilder();

    TAccessToTarvolinImpl* automation_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    AnsiString exeDir_;
    AnsiString databaseFolder_;
    TFeiertage* feiertage_;
    std::unique_ptr<BuildTarvolan> builder_;
    int buildCount_ = 0;

    int tickCountdown_ = 6;
    bool firstTick_ = true;
    TDateTime lastDateTick_;
    bool firstMinute_ = true;
    TDateTime lastDateMinute_;
    bool userRowPending_ = true;

    TDateTime settingsDate_;
    int sayTimeInterval_ = 1;
    bool sayTimeEnabled_ = true;
    AnsiString announcementText_;
    std::atomic<bool> alarmsPresent_{false};
    std::atomic<bool> announcePending_{false};
    std::atomic<bool> mailOnBirthday_{true};

    std::mutex logMutex_;
    bool firstLogWrite_ = true;
};

extern TForm1* Form1;
