#include "Unit1.h"

#include <utility>

#include "AccessToTarvolin.h"
#include "Aufgaben1.h"
#include "CalendarUser.h"
#include "OtherPrograms.h"
#include "ProgramVersion.h"
#include "Reminders.h"
#include "Dialogs.h"
#include "Failures.h"
#include "PendingWrites.h"
#include "Registry.h"
#include "SessionMessages.h"
#include "Settings.h"
#include "Splash1.h"
#include "TarvolinEinstellung.h"
#include "UserTable.h"
#include "Trace.h"
#include "WinApi.h"

int ProgramExitCode = 0;

const char* const TarvolinInstanceName = "Zorbelin Tarvolin";

namespace {

// Another program holds the database (SQLite's busy or locked), or a statement ran over its time
// (interrupted): worth trying again later.
bool DatabaseBusy(const std::exception& E) {
    const auto* db = dynamic_cast<const EADOError*>(&E);
    return db && ((db->ErrorCode & 0xFF) == 5 || (db->ErrorCode & 0xFF) == 6 || (db->ErrorCode & 0xFF) == 9);
}

// Text to stand in a page as it is: no character of it is taken for markup.
AnsiString EscapeHtmlText(const AnsiString& s) {
    AnsiString out;
    for (char c : s) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

} // namespace

// ---- construction ---------------------------------------------------------------------------------------
TForm1::TForm1(TComponent* AOwner, const CharacterFactory& MakeCharacter, TSplashScreen* Splash)
    : TForm(AOwner),
      character_(MakeCharacter ? MakeCharacter(*this) : std::make_unique<TSpeakingCharacter>(*this)),
      SplashScreen(Splash) {
    TSpeakingCharacter::SetMain(character_.get());
    // What the settings files and the files read have to tell goes through the window's messages
    // while they are there, and straight to the user after.
    messages_ = std::make_unique<TUserMessages>([this](const AnsiString& Text) { WriteDebugLog(Text); });
    SetCaption("Tarvolin für Zorbelin");
    SetBorderStyle(bsSizeToolWin);
    SetBorderIcons({biSystemMenu});
    SetPosition(poDefault);
    SetColor(clNone);
    Constraints()->SetMinWidth(250);
    Constraints()->SetMinHeight(400);
    SetBounds(Left(), Top(), 290, 600);

    // The program file's version data, read as a version resource would be.
    RegisterProgramVersion();
    fshVersionLabel1 = new TfshVersionLabel(this);
    fshVersionLabel1->SetParent(this);
    // The page covers the whole window: the label is only read.
    fshVersionLabel1->SetVisible(false);
    fshVersionLabel1->SetVersionResource(vrFileVersion);
    fshVersionLabel1->SetInfoPrefix("Version:");
    fshVersionLabel1->SetDateTimeFormat("dd.MM.yyyy");
    fshVersionLabel1->SetFilename(SysUtils::ParamStr(0));
    // The splash shown at start-up tells which version starts.
    if (SplashScreen) SplashScreen->Label2->SetCaption("Version " + fshVersionLabel1->GetInfo());

    dayClock_ = std::make_unique<TDayClock>(this);
    dayClock_->OnTick = [this] { ClockTick(); };
    dayClock_->OnMinute = [this] { CheckUserRefresh(); };
    dayClock_->OnNewDay = [this](TDateTime Today) { ClockNewDay(Today); };
    TreadSyncTimer1 = new TTimer(this);
    TreadSyncTimer1->SetEnabled(false);
    TreadSyncTimer1->SetInterval(100);
    TreadSyncTimer1->OnTimer = [this](TObject* Sender) { TreadSyncTimer1Timer(Sender); };

    ApplicationEvents1 = new TApplicationEvents(this);
    ApplicationEvents1->OnMessage = [this](TMsg& Msg, bool& Handled) { ApplicationEvents1Message(Msg, Handled); };
    ApplicationEvents1->OnException = [this](TObject* Sender, SysUtils::Exception* E) {
        ApplicationEvents1Exception(Sender, E);
    };
    ApplicationEvents1->OnRestore = [this](TObject* Sender) { ApplicationEvents1Restore(Sender); };
    ApplicationEvents1->OnActivate = [this](TObject* Sender) { frame_->ApplicationEvents1Activate(Sender); };
    ApplicationEvents1->OnDeactivate = [this](TObject* Sender) { frame_->ApplicationEvents1Deactivate(Sender); };
    HTMLHint1 = new THTMLHint(this);
    HTMLHint1->HintFont()->SetName("Tahoma");
    HTMLHint1->HintFont()->SetHeight(-11);
    HTMLHint1->SetHintStyle(hsRectangle);
    HTMLHint1->SetXMargin(0);
    HTMLHint1->SetYMargin(0);
    HTMLHint1->SetEllipsis(true);
    HTMLHint1->SetShadowColor(clBlack);
    HTMLHint1->SetShadowOffset(0);
    HTMLHint1->SetURLColor(clBlack);
    HTMLHint1->OnShowHint = [this](AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo) {
        HTMLHint1ShowHint(HintStr, CanShow, HintInfo);
    };
    trayMenu_ = std::make_unique<TTrayMenu>(
        *this, [this] { return alarmsPresent_.load(); }, [this](const AnsiString& Text) { WriteDebugLog(Text); });
    frame_ = std::make_unique<TWindowFrame>(*this, ViewParameters, trayMenu_->Fensterrahmensichtbar1);
    frame_->RebuildCalendar = [this](TDateTime ADate, bool Wait) { return RebuildCalendar(ADate, Wait); };
    frame_->Browser = [this] { return WebBrowser; };
    frame_->WriteDebugLog = [this](const AnsiString& Text) { WriteDebugLog(Text); };
    // The tray's commands, each on whoever acts on it.
    TTrayMenu& tray = *trayMenu_;
    tray.OnMinimize = [this](TObject*) { trayMenu_->ToggleMinimized(); };
    tray.OnReadClipboard = [this](TObject*) { character_->ReadClipboard(trayMenu_->Zwischenablagevorlesen1); };
    tray.OnTasks = [this](TObject*) { ShowTaskWindow(ADOConnection1->ConnectionString()); };
    tray.OnAddresses = [this](TObject*) { others_->StartAddressBook(); };
    tray.OnPlanner = [this](TObject*) { others_->StartPlanner(); };
    tray.OnAbout = [this](TObject* Sender) { Info1Click(Sender); };
    tray.OnHelp = [this](TObject*) { others_->ShowHelp(); };
    tray.OnSettings = [this](TObject* Sender) { Einstellungen1Click(Sender); };
    tray.OnToggleFrame = [this](TObject*) { frame_->ToggleFrame(); };
    tray.OnQuit = [this](TObject*) { Close(); };
    tray.OnMenuAsked = [this](int X, int Y) {
        if (PopupAt) PopupAt(X, Y);
    };
    PopupAt = [this](int X, int Y) { trayMenu_->PopupMenu1->Popup(X, Y); };
    // The icon's tip follows the alarms a build found.
    pageBuilds_->OnBuildEnded = [this] { trayMenu_->UpdateTip(); };
    pageBuilds_->OnWaitEnded = [this] {
        // Only the start-up splash goes here, never an about box that happens to be open.
        if (!SplashScreen) return;
        SplashScreen->Hide();
        delete SplashScreen;
        SplashScreen = nullptr;
    };
    pageBuilds_->ShutDown = [this] { return shutDownDone_; };
    OnResize = [this](TObject* Sender) { frame_->FormResize(Sender); };
    OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
    OnDestroy = [this](TObject* Sender) { FormDestroy(Sender); };

    ADOConnection1 = new TADOConnection(this);
    ADOConnection1->SetLoginPrompt(false);
    ADOConnection1->SetKeepConnection(false);
    ADOConnection1->SetMode(cmReadWrite);
    ADOConnection1->SetCursorLocation(clUseServer);
    // The window must not stand still while another program holds the database: the main thread's
    // work waits only briefly, and a tick that met a locked database tries again at the next one.
    ADOConnection1->SetBusyTimeout(MainThreadBusyTimeout);
    // Whatever a shared database holds (an endless view, a huge join), no statement of the main
    // thread runs longer than this; it fails like a locked database and is tried again later.
    ADOConnection1->SetStatementTimeout(MainThreadStatementTimeout);
    ADODataSet = new TADODataSet(this);
    ADODataSet->SetConnection(ADOConnection1);
    ADODataSet->SetLockType(ltReadOnly);
    ADOCommand = new TADOCommand(this);
    ADOCommand->SetConnection(ADOConnection1);
    reminders_ = std::make_unique<TReminders>(ADOConnection1, *character_,
                                              [this](const AnsiString& Text) { WriteDebugLog(Text); });

    TempDir = SysUtils::GetTempFolder();
    exeDir_ = SysUtils::ProgramFolder();
    others_ = std::make_unique<TOtherPrograms>(
        exeDir_, [this] { return Handle(); }, [this](const AnsiString& Text) { WriteDebugLog(Text); });
    startup_ = std::make_unique<TStartup>(*this, *this, ADOConnection1, *dayClock_, *frame_, exeDir_, SplashScreen);
    ViewParameters.CalendarDate = SysUtils::Now();
    ViewParameters.ColorKey = 8;

    OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
    // A change of the settings, made here or by another program, reaches what the window keeps.
    settingsListener_ = TSettings::Program().Listen([this](const TSettingsValue& Settings) {
        if (Classes::IsMainThread()) ApplySettings(Settings, false);
    });
}

void TForm1::BeforeDestruction() {
    pageBuilds_->EndBuilds();
    frame_->EndFade();
}

TForm1::~TForm1() {
    TSettings::Program().Unlisten(settingsListener_);
    // A window freed without its owner (a test's) ends its threads here, as late as it can.
    BeforeDestruction();
    // The window's own end comes first, while everything it frees is still there.
    DoDestroy();
    StopListeningForSessionMessages(TarvolinInstanceName);
    if (WebBrowser) WebBrowser->SetExternal({});
    delete automation_;
    HTMLHint1->OnShowHint = nullptr;
    if (TSpeakingCharacter::Main() == character_.get()) TSpeakingCharacter::SetMain(nullptr);
    // A start that ended before its first page leaves the splash here.
    delete SplashScreen;
}

// ---- start-up ---------------------------------------------------------------------------------------------
void TForm1::FormCreate(TObject*) { startup_->Run(); }

void TForm1::PrepareStart() {
    // What goes wrong during the start is told once the page is there, and holds nothing up.
    messages_->Hold();
    // The first reminder check covers every minute from the start on.
    reminders_->StartNow();
    // Before the first build starts: it may find alarms at once.
    alarmsPresent_ = false;
    ReadCachedSettings();
}

void TForm1::StartPageAndBrowser() {
    // The page is built on its own thread while the browser engine starts: the build needs the
    // user and the window's size, and nothing else of the start.
    ReadCalendarUser();
    RebuildCalendar(SysUtils::Date(), false);
    SetUpBrowser();
}

void TForm1::StartParts() {
    character_->AgentForceLoad = false;
    announcePending_ = true;
    character_->AnnounceIntroPending = true;
    WorkArea = Screen->WorkAreaRect();
    // Other programs of the session ask for a new page through this window.
    ListenForSessionMessages(TarvolinInstanceName, Handle(), {WM_REDRAWCALENDAR});
    trayMenu_->Start();
}

void TForm1::WriteDebugLog(const AnsiString& Text) {
    std::lock_guard<std::mutex> lock(logMutex_);
    // The first write of a run empties the log, every later one appends. The log is the user's
    // alone: a link or another user's file in its place is left untouched.
    const bool first = firstLogWrite_;
    firstLogWrite_ = false;
    SysUtils::AppendPrivateFile(TempDir + "tarvolindebug.log", Text, first);
}

void TForm1::SetUpBrowser() {
    WebBrowser = new TWebBrowser(this);
    WebBrowser->SetParent(this);
    WebBrowser->SetAlign(alClient);
    WebBrowser->SetLocalFolder(exeDir_ + "Vorlagen");
    automation_ = new TAccessToTarvolinImpl(*this);
    WebBrowser->SetExternal(automation_->ScriptObject());
    WebBrowser->OnDocumentComplete = [this](TObject*) {
        if (documentReady_) return;
        documentReady_ = true;
        // A page built before the blank document was there goes in now.
        if (!pendingPage_.empty()) LoadPageIntoBrowser(std::exchange(pendingPage_, std::string()));
    };
    WebBrowser->OnShowContextMenu = [this](TObject*, const TPoint& P) {
        if (PopupAt) PopupAt(P.X, P.Y);
    };
    // The character and its voice, and what the start had to tell, come once the user has the page
    // before him.
    WebBrowser->OnFirstPagePainted = [this](TObject*) {
        ReleaseHeldMessages();
        GreetWhenShown();
    };
    WebBrowser->Navigate("about:blank");
}

void TForm1::GreetWhenShown() {
    if (greeted_ || shutDownDone_ || Application->Terminated()) return;
    greeted_ = true;
    character_->Greet();
}

// ---- pages -----------------------------------------------------------------------------------------------
void TForm1::LoadPageIntoBrowser(const std::string& Page) {
    Trace::Step("first page built");
    pageBuilt_ = true;
    ShowInBrowser(Page);
}

void TForm1::PageNotBuilt(const AnsiString& Why) {
    // The last page built stays; without one the window says why, and keeps the buttons that
    // build it again and show its frame, instead of standing there white and empty.
    if (pageBuilt_) return;
    AnsiString text = SysUtils::StringReplace(EscapeHtmlText(Why), "\n", "<br>", SysUtils::rfReplaceAll);
    const AnsiString key = BuildTarvolan::ColorToHtml(ColorKey());
    ShowInBrowser(
        "<!DOCTYPE html>\r\n<html lang=\"de\"><head><meta charset=\"utf-8\"><title>Tarvolin</title><style>"
        "html, body { margin: 0; padding: 0; overflow: hidden; }"
        "body { background-color: " + key + "; font-family: Tahoma, \"DejaVu Sans\", sans-serif; font-size: 9pt; }"
        "#notice { margin: 8px; padding: 8px; background-color: #FFFFE1; color: #000000;"
        " border: 1px solid #5a7fa8; border-radius: 6px; }"
        "#notice a { color: #3a6ea5; cursor: pointer; text-decoration: underline; margin-right: 12px; }"
        "</style></head><body><div id=\"notice\"><p id=\"why\">" + text + "</p><p>"
        "<a id=\"again\" onclick=\"window.external.HomeClicked()\">Neu aufbauen</a>"
        "<a id=\"resize\" onclick=\"window.external.Resize()\">Rahmen ein/aus</a>"
        "</p></div></body></html>\r\n");
}

void TForm1::ShowInBrowser(const std::string& Page) {
    if (!WebBrowser || !documentReady_) {
        // At the start the page can be ready before the browser: it waits for the blank document.
        pendingPage_ = Page;
        return;
    }
    ++pagesLoaded_;
    WebBrowser->LoadFromString(Page);
}

void TForm1::WMRedrawCalendar(TMessage&) { RebuildCalendar(SysUtils::Date(), false); }

void TForm1::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_QUERYENDSESSION:
        // The session may end, or only be saved (a checkpoint): what the window's end keeps is
        // kept now, and the window goes on until it is told that the session ends.
        SaveSessionState();
        Message.Result = 1;
        return;
    case WM_ENDSESSION:
        if (Message.WParam) {
            dayClock_->Timer1->SetEnabled(false);
            Close();
        }
        Message.Result = 1;
        return;
    case WM_SYSCOMMAND:
        if ((Message.WParam & 0xFFF0) != SC_CLOSE && Message.WParam != 1) break;
        [[fallthrough]];
    case WM_CLOSE:
        // The close box never ends the program: a second later the frame goes.
        Message.Result = 0;
        frame_->WindowCloseTimer->SetEnabled(true);
        return;
    case WM_REDRAWCALENDAR:
        WMRedrawCalendar(Message);
        return;
    case WM_TRAYICON:
        trayMenu_->WMTrayIcon(Message);
        break;
    default: break;
    }
    TForm::WndProc(Message);
}

void TForm1::ClockTick() {
    messages_->Tick();
    try {
        // The sayings step looks at the clock itself: each minute once, whenever the tick comes.
        character_->SaySayings();
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
    }
    try {
        // The reminders follow the clock, not the count of ticks nor the page shown: each tick that
        // finds a minute not yet handled checks it.
        if (reminders_->CheckDue()) {
            CheckAlarms();
            reminderFailure_.clear();
        }
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
        // Another program's lock or an overlong statement is tried again at the next tick; any
        // other cause stops every reminder until it is mended, and the user hears of it once.
        if (!DatabaseBusy(e)) {
            const AnsiString text = "Die Erinnerungen können nicht geprüft werden. " + DescribeFailure(e);
            if (text != reminderFailure_) {
                reminderFailure_ = text;
                messages_->Tell(text);
            }
        }
    }
    try {
        character_->SayTime();
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
    }
    character_->IdleTick();
}

void TForm1::ClockNewDay(TDateTime Today) {
    RebuildCalendar(Today, false);
    character_->AnnounceIntroPending = true;
}

void TForm1::CheckUserRefresh() {
    const AnsiString user = GetCalendarUser();
    if (userRowPending_) {
        try {
            UserTable::EnsureRow(ADOConnection1, user);
            userRowPending_ = false;
        } catch (const std::exception& e) {
            // A database another program holds, or a statement that ran too long, is asked again at
            // the next minute.
            WriteDebugLog(AnsiString("Benutzerprüfung: ") + e.what() + "\n");
            if (!DatabaseBusy(e)) userRowPending_ = false;
        }
    }
    try {
        if (UserTable::RefreshRequested(ADOConnection1, user)) RebuildCalendar(SysUtils::Date(), false);
    } catch (const std::exception& e) {
        // Asked again at the next minute.
        WriteDebugLog(AnsiString("Benutzerprüfung: ") + e.what() + "\n");
    }
    Trace::Step("user check done");
}

AnsiString TForm1::GetCalendarUser() {
    // A window that never started reads it at its first use.
    if (!userRead_) ReadCalendarUser();
    return calendarUser_;
}

void TForm1::ReadCalendarUser() {
    calendarUser_ = CalendarUserFromSettings();
    userRead_ = true;
}

// ---- frame, placement and fading ------------------------------------------------------------------------------
void TForm1::SaveSessionState() {
    frame_->SaveWindowPlacement();
    if (character_->AgentLoaded) character_->SavePosition();
}

// ---- menu commands -------------------------------------------------------------------------------------------------
void TForm1::ShowTaskWindow(const AnsiString& ConnectionString) {
    std::unique_ptr<TAufgaben> tasks;
    try {
        tasks = std::make_unique<TAufgaben>(nullptr);
        tasks->OnDebugLog = [this](const AnsiString& Text) { WriteDebugLog(Text); };
        tasks->ADODataSetAufgaben->SetConnectionString(ConnectionString);
        tasks->ShowModal();
    } catch (const std::exception& e) {
        // The window goes; the calendar carries on.
        WriteDebugLog(e.what());
    }
}

void TForm1::Einstellungen1Click(TObject*) {
    bool modified = false;
    const int result = ShowSettingsDialog(modified);
    // What the window keeps of the settings takes the dialog's changes at once.
    ReadCachedSettings();
    ReadCalendarUser();
    if (result != 0 && modified) {
        alarmsPresent_ = false;
        frame_->LoadWindowPlacement();
        // The view may have changed: its own top comes with its place.
        frame_->ReadTopPlacement();
        RebuildCalendar(SysUtils::Date(), false);
        // The next fade reads the new alpha values.
        frame_->EndFade();
    }
}

// The settings the window keeps between page builds: all of them, or (All false) those that changed
// since they were last taken, so a change of one value leaves the others as the window has them.
void TForm1::ReadCachedSettings() {
    try {
        // The parts of the program write their values into the key the window makes.
        TRegistry reg;
        reg.OpenKey(TarvolinKey, true);
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
    }
    ApplySettings(TSettings::Program().Current(), true);
}

void TForm1::ApplySettings(const TSettingsValue& Settings, bool All) {
    const TSettingsValue& was = appliedSettings_;
    if (All || Settings.MailonBirthday != was.MailonBirthday) mailOnBirthday_ = Settings.MailonBirthday;
    if (All || Settings.CharacterSayTime != was.CharacterSayTime) character_->SayTimeEnabled = Settings.CharacterSayTime;
    if (All || Settings.CharacterSayTimeAll != was.CharacterSayTimeAll)
        character_->SayTimeInterval = Settings.CharacterSayTimeAll;
    if (All || Settings.TransparenzOnActiveWindow != was.TransparenzOnActiveWindow)
        ViewParameters.FadeOnActivation = Settings.TransparenzOnActiveWindow;
    appliedSettings_ = Settings;
}

void TForm1::Info1Click(TObject*) {
    aboutBox_ = new TSplashScreen(nullptr);
    ScopeExit close([this] {
        delete aboutBox_;
        aboutBox_ = nullptr;
    });
    aboutBox_->MakeAboutBox(fshVersionLabel1->GetInfo());
    if (OnAboutShown) OnAboutShown(aboutBox_);
    aboutBox_->ShowModal();
}

// ---- application hooks and shut-down -----------------------------------------------------------------------------
void TForm1::ApplicationEvents1Message(TMsg& Msg, bool&) {
    switch (Msg.message) {
    case WM_MOUSEMOVE: frame_->MouseOverCheck->SetEnabled(true); break;
    default: break;
    }
}

void TForm1::ApplicationEvents1Exception(TObject*, SysUtils::Exception* E) { WriteDebugLog(E ? E->Message : ""); }

void TForm1::ApplicationEvents1Restore(TObject*) {
    trayMenu_->Restored();
    ShowWindow(Application->Handle(), SW_HIDE);
}

void TForm1::HTMLHint1ShowHint(AnsiString& HintStr, bool&, THintInfo&) {
    for (char& c : HintStr)
        if (c == '@') c = '\r';
}

void TForm1::FormClose(TObject*, TCloseAction&) {
    frame_->SaveWindowPlacement();
    character_->StopSpeaking = true;
    if (shutDownDone_) return;
    // Inside a wait for the builder (a dialog's loop within it) the wait itself sees it end.
    pageBuilds_->WaitForRunningBuild();
    if (character_->AgentLoaded) character_->SaveAndUnload();
    // The alarm texts stay until the window goes: queued calls may still read them.
    dayClock_->Timer1->SetEnabled(false);
    shutDownDone_ = true;
    // Changes another program's lock still holds up (the placement and the character's come last)
    // get their last try; what is left goes to the debug log.
    PendingWrites::Finish();
    ADOConnection1->SetConnected(false);
}

void TForm1::FormDestroy(TObject*) {
    trayMenu_->TrayIcon(NIM_DELETE);
    frame_->EndFade();
    if (WebBrowser) {
        WebBrowser->SetExternal({});
        delete WebBrowser;
        WebBrowser = nullptr;
    }
}

void TForm1::OpenDayInPlanner(const AnsiString& DateText) { others_->OpenDayInPlanner(DateText); }

int TForm1::ShowSettingsDialog(bool& Modified) {
    std::unique_ptr<TEinstellungen> dialog(new TEinstellungen(nullptr));
    dialog->OnDebugLog = [this](const AnsiString& Text) { WriteDebugLog(Text); };
    const TRect area = Screen->WorkAreaRect();
    dialog->SetBounds(area.Right - dialog->Width(), area.Bottom - dialog->Height(), dialog->Width(), dialog->Height());
    const int result = dialog->ShowModal();
    Modified = dialog->Modified;
    return result;
}

// ---- reminders ----------------------------------------------------------------------------------------------
void TForm1::CheckAlarms() { reminders_->Check(GetCalendarUser()); }

// ---- what the page builder needs ------------------------------------------------------------------------------
int TForm1::ScreenWidth() { return Screen->Width(); }
int TForm1::ScreenHeight() { return Screen->Height(); }

void TForm1::ShowMessage(const AnsiString& Text) { Dialogs::ShowMessage(Text); }

void TForm1::ReportProblem(const AnsiString& Text) { messages_->Tell(Text); }

void TForm1::ExecuteCommand(const AnsiString& CommandText, const std::vector<Variant>& Parameters) {
    // A database that is only read takes no changes; the start noted why in the log.
    if (ADOConnection1->ReadOnly()) return;
    ADOCommand->SetCommandText(CommandText);
    ADOCommand->SetParameters(Parameters);
    ADOCommand->Execute();
}

void TForm1::CloseMainWindow(int Code) {
    Classes::QueueOnMainThread([this, alive = life_.Guard(), Code] {
        if (alive.Expired()) return;
        ProgramExitCode = Code;
        Close();
    });
}

// ---- the birthday mail --------------------------------------------------------------------------------------
void TForm1::SendBirthdayMail(const AnsiString& Address) { others_->SendBirthdayMail(Address); }
