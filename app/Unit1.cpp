#include "Unit1.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <tuple>
#include <thread>
#include <utility>

#include "AccessToTarvolin.h"
#include "ProgramVersion.h"
#include "Reminders.h"
#include "Aufgaben1.h"
#include "Dialogs.h"
#include "Fadeing.h"
#include "Failures.h"
#include "PendingWrites.h"
#include "Registry.h"
#include "SessionMessages.h"
#include "Settings.h"
#include "ShellApi.h"
#include "Splash1.h"
#include "TarvolinEinstellung.h"
#include "TextEncoding.h"
#include "UserTable.h"
#include "Trace.h"
#include "WinApi.h"
#include "WindowPlacement.h"

TForm1* Form1 = nullptr;
int ProgramExitCode = 0;

const char* const TarvolinInstanceName = "Zorbelin Tarvolin";

namespace {

const char* const ZorbelinKey = "\\Software\\Hallowerk\\Zorbelin";
const char* const DatabaseFile = "zorbelin.mde";


bool EndsWithDelimiter(const AnsiString& s) { return !s.empty() && (s.back() == '/' || s.back() == '\\'); }

AnsiString WithDelimiter(const AnsiString& s) {
    return s.empty() || EndsWithDelimiter(s) ? s : s + SysUtils::PathDelim;
}

// Another program holds the database (SQLite's busy or locked), or a statement ran over its time
// (interrupted): worth trying again later.
bool DatabaseBusy(const std::exception& E) {
    const auto* db = dynamic_cast<const EADOError*>(&E);
    return db && ((db->ErrorCode & 0xFF) == 5 || (db->ErrorCode & 0xFF) == 6 || (db->ErrorCode & 0xFF) == 9);
}

bool HoldsDatabase(const AnsiString& folder) {
    return !folder.empty() && SysUtils::FileExists(folder + DatabaseFile);
}

// One argument for the platform's command-line rules, whatever characters it holds.
AnsiString QuoteArgument(const AnsiString& arg) {
    AnsiString out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') out.append(backslashes * 2 + 1, '\\');
        else out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// A character that would end the mail address or the text in the link (or add a line of its own)
// is written as %XX; blanks and umlauts stay as they are.
AnsiString MailPart(const AnsiString& s) {
    static const char* const hex = "0123456789ABCDEF";
    AnsiString out;
    for (char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '%' || c == '&' || c == '#' || c == '?' || u < 0x20) {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
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

namespace {
const char* const kNoConnection = "Leider konnte keine Verbindung zur Datenbank hergestellt werden";
}

AnsiString ZorbelinConnectionString(const AnsiString& Folder) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";User ID=Admin;Data Source=" + Folder +
           "zorbelin.mde;Mode=Share Deny None;Extended Properties=\"\";Jet OLEDB:System database=\"\";"
           "Jet OLEDB:Registry Path=\"\";Jet OLEDB:Database Password=\"\";Jet OLEDB:Engine Type=4;"
           "Jet OLEDB:Database Locking Mode=0;Jet OLEDB:Global Partial Bulk Ops=2;"
           "Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password=\"\";"
           "Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;"
           "Jet OLEDB:Don't Copy Locale on Compact=False;Jet OLEDB:Compact Without Replica Repair=False;"
           "Jet OLEDB:SFP=False";
}

// ---- construction ---------------------------------------------------------------------------------------
namespace {
AnsiString SettingsProblemText(const TRegistryProblem& P) {
    AnsiString lines;
    for (std::size_t i = 0; i < P.Lines.size() && i < 10; ++i) lines += (i ? ", " : "") + SysUtils::IntToStr(P.Lines[i]);
    if (P.Lines.size() > 10) lines += ", ...";
    const AnsiString file = "Die Einstellungsdatei \"" + P.FileName + "\"";
    switch (P.Kind) {
    case TRegistryProblem::rpLinesKeptAside:
        return file + " enthielt unlesbare Zeilen (Zeile " + lines + "). Alle lesbaren Einstellungen wurden "
               "übernommen; die Datei, wie sie war, liegt unter \"" + P.AsideName + "\".";
    case TRegistryProblem::rpFileKeptAside:
        return file + " konnte nicht gelesen werden; die Einstellungen beginnen leer. Die Datei liegt nun unter \"" +
               P.AsideName + "\".";
    case TRegistryProblem::rpValuesConverted:
        return file + " enthielt Werte, die kein UTF-8 waren (Zeile " + lines + "); sie wurden als Windows-1252 "
               "gelesen und als UTF-8 gespeichert. Die Datei, wie sie war, liegt unter \"" + P.AsideName + "\".";
    case TRegistryProblem::rpCannotChange:
        break;
    }
    return file + " enthält unlesbare Zeilen (Zeile " + lines + ") und kann nicht geändert werden. Es gelten die "
           "lesbaren Einstellungen; Änderungen werden nicht gespeichert.";
}

// A settings file that could not be read whole is explained to the user, without holding anything
// up; from another thread the message waits for the main thread.
void ShowSettingsProblem(const TRegistryProblem& Problem) {
    const AnsiString Text = SettingsProblemText(Problem);
    // A file damaged again and again is told of once at a time, with the latest copy kept.
    auto tell = [Text, File = Problem.FileName] {
        if (Form1) Form1->TellUser(Text, File);
        else Dialogs::ShowMessageWithoutWaiting(Text);
    };
    if (Classes::IsMainThread()) tell();
    else Classes::QueueOnMainThread(tell);
}

AnsiString NotStoredText(const PendingWrites::TNotStored& N) {
    AnsiString names;
    for (std::size_t i = 0; i < N.Names.size() && i < 10; ++i) names += (i ? ", \"" : "\"") + N.Names[i] + "\"";
    if (N.Names.size() > 10) names += " und " + SysUtils::IntToStr(static_cast<int>(N.Names.size() - 10)) + " weitere";
    const AnsiString file = "Die Einstellungsdatei \"" + N.FileName + "\"";
    const AnsiString lost = names.empty() ? AnsiString(" Eine Änderung wurde nicht gespeichert.")
                                          : " Nicht gespeichert wurde: " + names + ".";
    switch (N.Reason) {
    case PendingWrites::TNotStored::nsLockHeld:
        return file + " ist seit über einer Minute von einem anderen Programm gesperrt." + lost;
    case PendingWrites::TNotStored::nsProgramEnds:
        return file + " war beim Beenden von einem anderen Programm gesperrt." + lost;
    case PendingWrites::TNotStored::nsCannotWrite:
        break;
    }
    return file + " konnte nicht geschrieben werden (" + N.Detail + ")." + lost;
}

// A change that could not be stored at all is told like a settings problem; at the program's end
// nobody is left to read a message, so it goes to the debug log.
void ShowNotStored(const PendingWrites::TNotStored& NotStored) {
    const AnsiString Text = NotStoredText(NotStored);
    const bool ending = NotStored.Reason == PendingWrites::TNotStored::nsProgramEnds;
    auto tell = [Text, ending] {
        if (Form1 && ending) Form1->WriteDebugLog(Text + "\n");
        else if (Form1) Form1->TellUser(Text);
        else if (!ending) Dialogs::ShowMessageWithoutWaiting(Text);
    };
    if (Classes::IsMainThread()) tell();
    else Classes::QueueOnMainThread(tell);
}

// A file that is not what its name claims (a FIFO, a device, a huge file) was left unread: the user
// hears of it once, and the program goes on as without the file.
void ShowRefusedFile(const SysUtils::EFileRefused& Refusal) {
    const AnsiString why = Refusal.Reason == SysUtils::EFileRefused::frNotRegular
                               ? AnsiString("ist keine gewöhnliche Datei (sondern etwa eine benannte Pipe, ein Gerät oder ein Ordner)")
                               : "ist größer als " + SysUtils::IntToStr(static_cast<int>(Refusal.MaxBytes >> 20)) + " MB";
    const AnsiString Text = "Die Datei \"" + Refusal.FileName + "\" " + why +
                            " und wird nicht gelesen; das Programm arbeitet ohne sie weiter.";
    auto tell = [Text] {
        if (Form1) Form1->TellUser(Text);
        else Dialogs::ShowMessageWithoutWaiting(Text);
    };
    if (Classes::IsMainThread()) tell();
    else Classes::QueueOnMainThread(tell);
}
} // namespace

TForm1::TForm1(TComponent* AOwner, const CharacterFactory& MakeCharacter)
    : TForm(AOwner),
      character_(MakeCharacter ? MakeCharacter(*this) : std::make_unique<TSpeakingCharacter>(*this)) {
    TSpeakingCharacter::SetMain(character_.get());
    Form1 = this;
    TRegistry::SetProblemHandler(ShowSettingsProblem);
    PendingWrites::SetNotStoredHandler(ShowNotStored);
    SysUtils::SetRefusedFileHandler(ShowRefusedFile);
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

    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(100);
    TreadSyncTimer1 = new TTimer(this);
    TreadSyncTimer1->SetEnabled(false);
    TreadSyncTimer1->SetInterval(100);
    MouseOverCheck = new TTimer(this);
    MouseOverCheck->SetEnabled(false);
    MouseOverCheck->SetInterval(400);
    ResizeTimer = new TTimer(this);
    ResizeTimer->SetEnabled(false);
    ResizeTimer->SetInterval(1000);
    WindowCloseTimer = new TTimer(this);
    WindowCloseTimer->SetEnabled(false);
    WindowCloseTimer->SetInterval(1000);
    EineMinute = new TTimer(this);
    EineMinute->SetInterval(60000);
    EineMinute->SetEnabled(true);
    Timer1->OnTimer = [this](TObject* Sender) { Timer1Timer(Sender); };
    EineMinute->OnTimer = [this](TObject* Sender) { EineMinuteTimer(Sender); };
    MouseOverCheck->OnTimer = [this](TObject* Sender) { MouseOverCheckTimer(Sender); };
    ResizeTimer->OnTimer = [this](TObject* Sender) { ResizeTimerTimer(Sender); };
    WindowCloseTimer->OnTimer = [this](TObject* Sender) { WindowCloseTimerTimer(Sender); };
    TreadSyncTimer1->OnTimer = [this](TObject* Sender) { TreadSyncTimer1Timer(Sender); };

    ApplicationEvents1 = new TApplicationEvents(this);
    ApplicationEvents1->OnMessage = [this](TMsg& Msg, bool& Handled) { ApplicationEvents1Message(Msg, Handled); };
    ApplicationEvents1->OnException = [this](TObject* Sender, SysUtils::Exception* E) {
        ApplicationEvents1Exception(Sender, E);
    };
    ApplicationEvents1->OnRestore = [this](TObject* Sender) { ApplicationEvents1Restore(Sender); };
    ApplicationEvents1->OnActivate = [this](TObject* Sender) { ApplicationEvents1Activate(Sender); };
    ApplicationEvents1->OnDeactivate = [this](TObject* Sender) { ApplicationEvents1Deactivate(Sender); };
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
    ConnectMenu();
    PopupAt = [this](int X, int Y) { PopupMenu1->Popup(X, Y); };
    // The icon's tip follows the alarms a build found.
    pageBuilds_->OnBuildEnded = [this] { trayMenu_->UpdateTip(); };
    pageBuilds_->OnWaitEnded = [] {
        // Only the start-up splash goes here, never an about box that happens to be open.
        if (!SplashScreen) return;
        SplashScreen->Hide();
        delete SplashScreen;
        SplashScreen = nullptr;
    };
    pageBuilds_->ShutDown = [this] { return shutDownDone_; };
    OnResize = [this](TObject* Sender) { FormResize(Sender); };
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
    reminders_ = std::make_unique<TReminders>(*this, ADOConnection1, *character_);

    TempDir = SysUtils::GetTempFolder();
    exeDir_ = SysUtils::ProgramFolder();
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
    fader_.reset();
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
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::ConnectMenu() {
    PopupMenu1 = trayMenu_->PopupMenu1;
    ImageList1 = trayMenu_->ImageList1;
    const auto command = [this](TMenuItem*& name, TMenuItem* item, void (TForm1::*click)(TObject*)) {
        name = item;
        if (click) item->OnClick = [this, click](TObject* Sender) { (this->*click)(Sender); };
    };
    const TTrayMenu& menu = *trayMenu_;
    command(minimieren, menu.minimieren, &TForm1::minimierenClick);
    command(Agent1, menu.Agent1, nullptr);
    command(Zwischenablagevorlesen1, menu.Zwischenablagevorlesen1, &TForm1::Zwischenablagevorlesen1Click);
    command(Aufgaben1, menu.Aufgaben1, &TForm1::Aufgaben1Click);
    command(Adressen1, menu.Adressen1, &TForm1::Adressen1Click);
    command(Zorbelin1, menu.Zorbelin1, &TForm1::Zorbelin1Click);
    command(Info2, menu.Info2, nullptr);
    command(Info1, menu.Info1, &TForm1::Info1Click);
    command(Hilfe, menu.Hilfe, &TForm1::HilfeClick);
    command(Update1, menu.Update1, nullptr);
    command(Einstellungen1, menu.Einstellungen1, &TForm1::Einstellungen1Click);
    command(Fensterrahmensichtbar1, menu.Fensterrahmensichtbar1, &TForm1::Fensterrahmensichtbar1Click);
    command(Ende1, menu.Ende1, &TForm1::Ende1Click);
    trayMenu_->OnMenuAsked = [this](int X, int Y) {
        if (PopupAt) PopupAt(X, Y);
    };
}

// ---- start-up ---------------------------------------------------------------------------------------------
void TForm1::FormCreate(TObject*) {
    // The window manager owns the window's system menu: hiding the frame is reached through the
    // popup menu's item, and the close box hides the frame (WndProc).
    Brush()->SetStyle(bsClear);
    Application->HintHidePause = 4000;
    // What goes wrong during the start is told once the page is there, and holds nothing up.
    holdMessages_ = true;
    // The first reminder check covers every minute from the start on.
    reminders_->StartNow();
    // Before the first build starts: it may find alarms at once.
    alarmsPresent_ = false;
    if (SplashScreen) {
        SplashScreen->Show();
        SetSplashStatus("initialisieren...");
        Trace::Step("splash shown");
    }
    ADOConnection1->SetConnected(false);

    ReadCachedSettings();

    AnsiString path;
    {
        TRegistry reg;
        if (reg.OpenKey(ZorbelinKey, true)) reg.TryReadString("DBPATH", path);
    }
    Trace::Step("registry read");
    if (!ConnectDatabase(path)) {
        // The session ended while the start asked for the database: the program ends, and
        // nothing of the question is kept.
        if (Application->Terminated()) {
            StartupExitCode = 0;
            return;
        }
        Application->MessageBox(kNoConnection, "", MB_OK);
        StartupExitCode = 1;
        Application->Terminate();
        return;
    }
    Trace::Step("database open");

    // The page is built on its own thread while the browser engine starts: the build needs the
    // window's size, and nothing else of the start.
    LoadWindowPlacement();
    RebuildCalendar(SysUtils::Date(), false);
    SetUpBrowser();

    try {
        character_->AgentForceLoad = false;
        announcePending_ = true;
        character_->AnnounceIntroPending = true;
        WorkArea = Screen->WorkAreaRect();
        // Other programs of the session ask for a new page through this window.
        ListenForSessionMessages(TarvolinInstanceName, Handle(), {WM_REDRAWCALENDAR});
        SysUtils::ShortDateFormat = "dd.mm.yyyy";
        SysUtils::DateSeparator = '.';
        trayMenu_->Start();
        SetTop(-100000);
    } catch (const std::exception& e) {
        Application->MessageBox(AnsiString("Inistialisierung fehlgeschlagen") + "\n" + e.what(), "", MB_OK);
        WriteDebugLog(e.what());
        StartupExitCode = 1;
        Application->Terminate();
        return;
    }

    WaitForBlankDocument();
    Trace::Step("browser engine ready");
    SetWindowLong(Handle(), GWL_EXSTYLE, GetWindowLong(Handle(), GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TOOLWINDOW);
    pageBuilds_->FinishStartBuild();
    Timer1->SetEnabled(true);
    if (SplashScreen) SetSplashStatus("Tarvolin erzeugen");
    SetFrameVisible(false);
    SetWindowPos(Handle(), HWND_BOTTOM, Left(), Top(), Width(), Height(), SWP_NOACTIVATE);
    Application->ProcessMessages();
    ApplyWindowAlpha();
    ReadTopPlacement();
    PlacementLoaded = true;
    // Without a page to wait for, what the start had to tell comes now.
    if (pagesLoaded_ == 0) ReleaseHeldMessages();
}

void TForm1::TellUser(const AnsiString& Text, const AnsiString& Subject) {
    if (messageOpen_ && Text == openMessage_) return;
    for (WaitingMessage& waiting : waitingMessages_) {
        if (waiting.text == Text) return;
        if (!Subject.empty() && waiting.subject == Subject) {
            waiting.text = Text;
            return;
        }
    }
    waitingMessages_.push_back({Subject, Text});
    ShowNextMessage();
}

void TForm1::ReleaseHeldMessages() {
    holdMessages_ = false;
    ShowNextMessage();
}

void TForm1::ShowNextMessage() {
    if (holdMessages_ || messageOpen_ || waitingMessages_.empty()) return;
    const WaitingMessage next = waitingMessages_.front();
    waitingMessages_.pop_front();
    messageOpen_ = true;
    openMessage_ = next.text;
    std::weak_ptr<bool> alive = alive_;
    Dialogs::ShowMessageWithoutWaiting(next.text, [this, alive] {
        // The next one comes once this one has quite gone, outside its close.
        Classes::QueueOnMainThread([this, alive] {
            if (alive.expired()) return;
            messageOpen_ = false;
            openMessage_.clear();
            ShowNextMessage();
        });
    });
}

// The top of the window for the view, which the placement itself leaves alone.
void TForm1::ReadTopPlacement() {
    TRegistry reg;
    int top = 20;
    if (reg.OpenKey(TarvolinKey, true)) {
        int view = 0;
        if (!reg.TryReadInteger("VORLAGE", view)) {
            try {
                reg.WriteInteger("VORLAGE", SettingDefault::VORLAGE);
            } catch (const std::exception&) {
            }
        }
        if (reg.TryReadInteger("VORLAGE", view)) {
            const bool month = SettingRange("VORLAGE").Hold(view) == 0;
            if (!reg.TryReadInteger(month ? "FormPosTopMonth" : "FormPosTopNormal", top)) top = 20;
        }
    }
    if (top < 0) top = 20;
    // Wholly inside the work area, whatever the settings file holds.
    const TRect work = Screen->WorkAreaRect();
    SetTop(WindowPlacement::FitIntoWorkArea(Left(), top, Width(), Height(), work).Top);
}

bool TForm1::ConnectDatabase(AnsiString Path) {
    // The minute's check would reach for a database not yet open while the start waits or asks.
    const bool minuteRuns = EineMinute->Enabled();
    EineMinute->SetEnabled(false);
    std::vector<AnsiString> failed;
    bool ask = false;
    // A stored folder that stayed away is only missing for now (a network folder not mounted yet,
    // a stick unplugged): what the user takes instead does not replace it unless he chose it.
    const bool storedStayedAway = !WaitForStoredDatabase(Path);
    bool connected = false;
    for (;;) {
        if (Application->Terminated()) break;
        databaseFolder_ = ResolveDatabasePath(Path, ask);
        // Without a folder that holds the database there is nothing to connect to; a file of that
        // name in some other folder must not be taken instead. A folder that failed once is not
        // tried again: the user has been told why.
        if (databaseFolder_.empty() || std::find(failed.begin(), failed.end(), databaseFolder_) != failed.end())
            break;
        if (SplashScreen && failed.empty()) SetSplashStatus("Datenbank öffnen");
        try {
            ADOConnection1->SetConnectionString(ZorbelinConnectionString(databaseFolder_));
            if (!ConnectWaitingForLock()) break;
        } catch (const std::exception& e) {
            const AnsiString cause = DescribeFailure(e);
            WriteDebugLog(AnsiString(kNoConnection) + ": " + cause + " [" + FailureDetail(e) + "]\n");
            Application->MessageBox(AnsiString(kNoConnection) + "\n" + cause, "", MB_OK);
            failed.push_back(databaseFolder_);
            ask = true;
            continue;
        }
        // A database that cannot be changed (a read-only folder or file) is only read; the program
        // writes nothing there, and that is no error worth telling the user.
        if (ADOConnection1->ReadOnly())
            WriteDebugLog("Die Datenbank \"" + ADOConnection1->FileName() +
                          "\" kann nicht geändert werden; sie wird nur gelesen.\n");
        // Only a folder whose database opened is remembered.
        if (storedStayedAway && tookSample_) {
            WriteDebugLog("Die Beispieldatenbank wird nur für diesen Start benutzt; DBPATH bleibt, wie es war.\n");
        } else {
            try {
                TRegistry reg;
                if (reg.OpenKey(ZorbelinKey, true)) reg.WriteString("DBPATH", databaseFolder_);
            } catch (const std::exception&) {
            }
        }
        connected = true;
        break;
    }
    EineMinute->SetEnabled(minuteRuns);
    return connected;
}

namespace {
// How often the start looks again for a database it waits for (milliseconds).
constexpr int DatabaseRetryInterval = 250;
const char* const kWaitingForFolder = "Warte auf den Datenbankordner...";
const char* const kWaitingForLock = "Datenbank gesperrt, warte...";

bool DatabaseLocked(const std::exception& E) {
    const auto* db = dynamic_cast<const EADOError*>(&E);
    return db && ((db->ErrorCode & 0xFF) == 5 || (db->ErrorCode & 0xFF) == 6);
}

// The machine's settings are only read; a user may not create keys there.
AnsiString MachineDatabaseFolder() {
    AnsiString machine;
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(ZorbelinKey)) reg.TryReadString("DBPATH", machine);
    return WithDelimiter(machine);
}
} // namespace

bool TForm1::RunEventsFor(int Milliseconds) {
    bool done = false;
    TTimer timer(nullptr);
    timer.SetInterval(static_cast<unsigned>(Milliseconds));
    timer.OnTimer = [&done](TObject*) { done = true; };
    timer.SetEnabled(true);
    while (!done && !Application->Terminated()) Application->HandleMessage();
    return !Application->Terminated();
}

bool TForm1::WaitForStoredDatabase(const AnsiString& Path) {
    AnsiString stored = WithDelimiter(Path);
    if (stored.empty()) stored = MachineDatabaseFolder();
    // A first start has nothing to wait for.
    if (stored.empty() || HoldsDatabase(stored)) return true;
    if (SplashScreen) SetSplashStatus(kWaitingForFolder);
    WriteDebugLog("Die Datenbank \"" + stored + DatabaseFile + "\" ist nicht erreichbar; der Start wartet.\n");
    Trace::Step("database wait");
    const auto since = std::chrono::steady_clock::now();
    while (!HoldsDatabase(stored)) {
        if (std::chrono::steady_clock::now() - since >= DatabaseWaitLimit) return false;
        if (!RunEventsFor(DatabaseRetryInterval)) return false;
    }
    return true;
}

bool TForm1::ConnectWaitingForLock() {
    auto since = std::chrono::steady_clock::now();
    bool waiting = false;
    for (;;) {
        try {
            // Each try waits only as long as the window's own work would for another program.
            ADOConnection1->SetConnected(true);
            return true;
        } catch (const std::exception& e) {
            if (!DatabaseLocked(e)) throw;
            if (!waiting) {
                waiting = true;
                if (SplashScreen) SetSplashStatus(kWaitingForLock);
                WriteDebugLog("Die Datenbank \"" + databaseFolder_ + DatabaseFile +
                              "\" ist von einem anderen Programm gesperrt; der Start wartet. [" + FailureDetail(e) + "]\n");
                Trace::Step("database wait");
            }
        }
        if (std::chrono::steady_clock::now() - since >= DatabaseWaitLimit) {
            const int answer = Dialogs::MessageDlg(
                "Die Datenbank \"" + databaseFolder_ + DatabaseFile +
                    "\" wird weiterhin von einem anderen Programm gesperrt.\nSoll Tarvolin weiter warten? "
                    "(\"Nein\" beendet Tarvolin.)",
                mtWarning, mbYesNo);
            if (Application->Terminated()) return false;
            if (answer != mrYes) {
                // The user ends the start; there is nothing to tell him.
                Application->Terminate();
                return false;
            }
            since = std::chrono::steady_clock::now();
        }
        if (!RunEventsFor(DatabaseRetryInterval)) return false;
    }
}

AnsiString TForm1::ResolveDatabasePath(AnsiString p, bool AskFirst) {
    tookSample_ = false;
    const AnsiString machine = MachineDatabaseFolder();
    // The chooser opens in the folder the database was looked for in.
    const AnsiString lookedIn = !p.empty() ? p : machine;
    p = AskFirst ? AnsiString() : WithDelimiter(p);
    if (!AskFirst && !HoldsDatabase(p)) p = machine;
    if (AskFirst || !HoldsDatabase(p)) {
        for (;;) {
            const int answer = Dialogs::MessageDlg(
                "Die Datenbank wurde nicht gefunden!\n Wählen Sie bitte den Pfad, in welchem sich die Datei "
                "\"zorbelin.mde\" befindet.",
                mtError, mbYesNo);
            // The session's end closed the question: nothing was chosen.
            if (Application->Terminated()) return "";
            if (answer != mrYes) {
                p = exeDir_ + "DB" + SysUtils::PathDelim;
                tookSample_ = true;
                break;
            }
            TOpenDialog dialog(this);
            dialog.DefaultExt = "mde";
            dialog.Title = "Datenbank wählen";
            dialog.Filter = "Zorbelin DB|*.mde";
            dialog.InitialDir = lookedIn;
            const bool chosen = dialog.Execute();
            if (Application->Terminated()) return "";
            if (chosen) {
                p = SysUtils::ExtractFilePath(dialog.FileName);
                break;
            }
            // Cancelled: the user named no database, so the question comes again.
        }
    }
    if (!HoldsDatabase(p)) {
        // The user's setting stays as it was: a folder without the database is never stored.
        Dialogs::ShowMessage("Die angegebene Datenbank existiert nicht!");
        return "";
    }
    return p;
}

void TForm1::WriteDebugLog(const AnsiString& Text) {
    std::lock_guard<std::mutex> lock(logMutex_);
    // The first write of a run empties the log, every later one appends. The log is the user's
    // alone: a link or another user's file in its place is left untouched.
    const bool first = firstLogWrite_;
    firstLogWrite_ = false;
    SysUtils::AppendPrivateFile(TempDir + "tarvolindebug.log", Text, first);
}

void TForm1::SetSplashStatus(const AnsiString& Text) {
    if (!SplashScreen) return;
    SplashScreen->Progress->SetMax(SplashSteps);
    SplashScreen->Progress->SetPosition(splashStep_);
    SplashScreen->Message->SetCaption(Text);
    SplashScreen->Repaint();
    // A report of the page builder, while the window waits for it or takes its result, only updates
    // the splash: timers and input must not run inside those.
    if (!WaitingForBuilder()) Application->ProcessMessages();
    ++splashStep_;
}

AnsiString TForm1::Greeting(int Hour) {
    // A text never saved is the one the settings dialog shows.
    const TSettingsValue settings = TSettings::Program().Current();
    AnsiString greeting;
    if (Hour >= 2 && Hour <= 11) greeting = settings.SPAgentHalloFrueh;
    else if (Hour == 12) greeting = settings.SPAgentHalloMittag;
    else if (Hour >= 13 && Hour <= 17) greeting = settings.SPAgentHallo;
    else if (Hour >= 19 && Hour <= 23) greeting = settings.SPAgentHalloAbend;
    return greeting.empty() ? AnsiString("Hallo") : greeting;
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

void TForm1::WaitForBlankDocument() {
    // A browser that never finishes loading the blank document must not hold up the start for ever.
    bool timedOut = false;
    TTimer limit(nullptr);
    limit.SetInterval(30000);
    limit.OnTimer = [&timedOut](TObject*) { timedOut = true; };
    limit.SetEnabled(true);
    while (WebBrowser && !documentReady_ && !timedOut && !Application->Terminated()) Application->HandleMessage();
    // Without a page there is nothing to wait for: the greeting comes all the same.
    if (!documentReady_) GreetWhenShown();
}

void TForm1::GreetWhenShown() {
    if (greeted_ || shutDownDone_ || Application->Terminated()) return;
    greeted_ = true;
    if (!character_->AgentLoaded) character_->Load();
    if (character_->AgentLoaded) {
        Word hour, min, sec, msec;
        SysUtils::DecodeTime(SysUtils::Now(), hour, min, sec, msec);
        character_->SayWithoutWaiting(Greeting(hour), true, true);
    }
}

void TForm1::LoadWindowPlacement() {
    TRegistry reg;
    if (!reg.OpenKey(TarvolinKey, true)) return;
    int view = 0;
    if (!reg.TryReadInteger("VORLAGE", view)) {
        try {
            reg.WriteInteger("VORLAGE", SettingDefault::VORLAGE);
        } catch (const std::exception&) {
        }
    }
    // The view the page shows, whatever number the file holds.
    view = reg.TryReadInteger("VORLAGE", view) ? SettingRange("VORLAGE").Hold(view) : SettingDefault::VORLAGE;
    const int sw = ScreenWidth(), sh = ScreenHeight();
    const char* suffix = view == 0 ? "Month" : "Normal";
    int left = 0, width = 0, height = 0;
    const bool stored = reg.TryReadInteger(AnsiString("FormPosLeft") + suffix, left) &&
                        reg.TryReadInteger(AnsiString("FormPosWidth") + suffix, width) &&
                        reg.TryReadInteger(AnsiString("FormPosHeight") + suffix, height);
    if (!stored) {
        if (view == 0) {
            left = 20;
            width = sw - 150;
            height = sh - 50;
        } else {
            // The desktop has no Windows Sidebar to keep clear of.
            left = sw - 310;
            width = 290;
            height = sh - 40;
        }
    }
    // The stored (or default) place wins over the platform's choice for a new window, as it does
    // where the window exists before its placement is loaded. A damaged or foreign settings file
    // may hold any number: the window stays inside the work area and never below its least size
    // (a huge size would take the memory of a window of that size). The top comes later, from its
    // own value, and is only held to the work area's height here.
    const TRect fitted = WindowPlacement::FitIntoWorkArea(left, Screen->WorkAreaTop(), width, height,
                                                          Screen->WorkAreaRect(), Constraints()->MinWidth(),
                                                          Constraints()->MinHeight());
    SetPosition(poDesigned);
    SetBounds(fitted.Left, Top(), fitted.Width(), fitted.Height());
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
            Timer1->SetEnabled(false);
            if (Form1) Form1->Close();
        }
        Message.Result = 1;
        return;
    case WM_SYSCOMMAND:
        if ((Message.WParam & 0xFFF0) != SC_CLOSE && Message.WParam != 1) break;
        [[fallthrough]];
    case WM_CLOSE:
        // The close box never ends the program: a second later the frame goes.
        Message.Result = 0;
        WindowCloseTimer->SetEnabled(true);
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

void TForm1::Timer1Timer(TObject*) {
    Timer1->SetInterval(5000);
    Timer1->SetEnabled(false);
    // Whatever fails inside, the tick comes again.
    ScopeExit reenable([this] { Timer1->SetEnabled(true); });

    // Messages the start held for a page that never showed wait no longer than a few ticks.
    if (holdMessages_ && ++heldMessageTicks_ > 6) ReleaseHeldMessages();
    try {
        // The sayings step looks at the clock itself: each minute once, whenever the tick comes.
        character_->SaySayings();
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
    }
    try {
        // The reminders follow the clock, not the count of ticks: each tick that finds a minute not
        // yet handled checks it. Without alarms nothing is due, but the current minute stays open
        // for a page build that finds some.
        if (reminders_->CheckDue(alarmsPresent_)) {
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
                TellUser(text);
            }
        }
    }
    const TDateTime today = SysUtils::Date();
    if (firstTick_) {
        firstTick_ = false;
        lastDateTick_ = today;
    }
    try {
        character_->SayTime();
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
    }
    if (double(today) != double(lastDateTick_)) {
        RebuildCalendar(today, false);
        lastDateTick_ = today;
        character_->AnnounceIntroPending = true;
    }
    character_->IdleTick();
}

void TForm1::EineMinuteTimer(TObject*) {
    const TDateTime today = SysUtils::Date();
    if (firstMinute_) {
        firstMinute_ = false;
        lastDateMinute_ = today;
    }
    if (double(today) != double(lastDateMinute_)) {
        RebuildCalendar(today, false);
        lastDateMinute_ = today;
        character_->AnnounceIntroPending = true;
    } else {
        CheckUserRefresh();
    }
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
    AnsiString user;
    try {
        TRegistry reg;
        if (!reg.OpenKey(ZorbelinKey, true)) return "unknown";
        reg.TryReadString("BENUTZER", user);
        if (user.empty()) {
            char name[255];
            DWORD size = sizeof(name);
            if (GetComputerName(name, &size)) {
                user.assign(name, size);
                // Only a real name is kept; a failure is tried again next time.
                reg.WriteString("BENUTZER", user);
            } else {
                user = "unknown";
            }
        }
    } catch (const std::exception&) {
        if (user.empty()) user = "unknown";
    }
    return user;
}

// ---- frame, placement and fading ------------------------------------------------------------------------------
namespace {
constexpr LONG CaptionAndSizing = WS_CAPTION | WS_THICKFRAME;

// The sibling programs are found in the program folder, as the working folder.
void SetCurrentDir(const AnsiString& folder) { SysUtils::SetCurrentDir(folder); }

// The appointment planner, as the user is told of it when it cannot be started.
const char* const PlannerName = "Der Terminplaner \"plavoth\"";
} // namespace

void TForm1::SetFrameVisible(bool Visible) {
    // Where the client area is, taken while the window is still shown with the frame it has.
    const TPoint clientOrigin = ClientOrigin();
    SetVisible(false);
    if (Visible) {
        ViewParameters.ColorKey = 0xFFFFFF;
        RebuildCalendar(SysUtils::Now(), true);
    } else {
        ViewParameters.ColorKey = 8;
        if (frameToggled_) {
            // The client area stays where it was on the screen; the window keeps its size. Where
            // the framed window still stands as it was put, the frameless one goes back exactly.
            const bool untouched = FrameVisible && BoundsRect() == framedBounds_;
            const int dx = untouched ? framelessBounds_.Left - Left() : clientOrigin.X - Left();
            const int dy = untouched ? framelessBounds_.Top - Top() : clientOrigin.Y - Top();
            if (untouched) SetBoundsRect(framelessBounds_);
            else SetBounds(Left() + dx, Top() + dy, Width(), Height());
            try {
                TRegistry reg;
                if (reg.OpenKey(TarvolinKey, false)) {
                    reg.WriteInteger("divL", dx);
                    reg.WriteInteger("divT", dy);
                }
            } catch (const std::exception&) {
            }
        }
        RebuildCalendar(SysUtils::Now(), true);
    }
    const LONG style = GetWindowLong(Handle(), GWL_STYLE);
    SetWindowLong(Handle(), GWL_STYLE, Visible ? style | CaptionAndSizing : style & ~CaptionAndSizing);
    if (Visible) {
        // The frame goes round the client area where it is (offsets stored by an earlier run may
        // belong to another frame): the window moves out by the frame's left and top, and stays
        // inside the work area.
        if (!FrameVisible) framelessBounds_ = BoundsRect();
        const TRect frame = FrameExtents();
        const TRect work = Screen->WorkAreaRect();
        const int left = std::max(work.Left, std::min(Left() - frame.Left, work.Right - Width()));
        const int top = std::max(work.Top, std::min(Top() - frame.Top, work.Bottom - Height()));
        SetBounds(left, top, Width(), Height());
        framedBounds_ = BoundsRect();
    }
    Fensterrahmensichtbar1->Checked = Visible;
    const LONG exStyle = GetWindowLong(Handle(), GWL_EXSTYLE);
    if (Visible) {
        // A framed window is opaque.
        SetWindowLong(Handle(), GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    } else {
        SetWindowLong(Handle(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        ApplyWindowAlpha();
    }
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    SetVisible(true);
    if (Visible) FitFrameToClient();
    FrameVisible = Visible;
    frameToggled_ = true;
}

void TForm1::FitFrameToClient() {
    // The window manager's frame is known only once it has drawn it, and may differ from the one
    // foreseen: the framed window then moves once more so that the client area is where it was.
    const TPoint wanted{framelessBounds_.Left, framelessBounds_.Top};
    for (int waited = 0; waited < 300 && ClientOrigin() != wanted; waited += 10) {
        Application->ProcessMessages();
        if (ClientOrigin() != wanted) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const TPoint at = ClientOrigin();
    if (at != wanted) {
        const TRect work = Screen->WorkAreaRect();
        const int left = std::max(work.Left, std::min(Left() + wanted.X - at.X, work.Right - Width()));
        const int top = std::max(work.Top, std::min(Top() + wanted.Y - at.Y, work.Bottom - Height()));
        SetBounds(left, top, Width(), Height());
    }
    framedBounds_ = BoundsRect();
}

void TForm1::ToggleFrame() { SetFrameVisible(!Fensterrahmensichtbar1->Checked); }

void TForm1::Fensterrahmensichtbar1Click(TObject*) { ToggleFrame(); }

void TForm1::WindowCloseTimerTimer(TObject*) {
    WindowCloseTimer->SetEnabled(false);
    SetFrameVisible(false);
}

void TForm1::ApplyWindowAlpha() {
    // A fresh profile has no value yet: the settings dialog's default serves.
    const int alpha = TSettings::Program().Current().Alpha;
    SetColor(ColorKey());
    SetLayeredWindowAttributes(Handle(), COLORREF(ColorKey()), static_cast<Byte>(alpha), LWA_COLORKEY | LWA_ALPHA);
}

void TForm1::SaveWindowPlacement() {
    try {
        TRegistry reg;
        if (!reg.OpenKey(TarvolinKey, true)) return;
        int view = 0;
        if (!reg.TryReadInteger("VORLAGE", view)) view = 0;
        const AnsiString suffix = SettingRange("VORLAGE").Hold(view) == 0 ? "Month" : "Normal";
        reg.WriteInteger("FormPosTop" + suffix, Top());
        reg.WriteInteger("FormPosLeft" + suffix, Left());
        reg.WriteInteger("FormPosWidth" + suffix, Width());
        reg.WriteInteger("FormPosHeight" + suffix, Height());
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
    }
}

void TForm1::SaveSessionState() {
    SaveWindowPlacement();
    if (character_->AgentLoaded) character_->SavePosition();
}

void TForm1::FormResize(TObject*) {
    ResizeTimer->SetEnabled(false);
    ResizeTimer->SetEnabled(true);
}

void TForm1::ResizeTimerTimer(TObject*) {
    ResizeTimer->SetEnabled(false);
    if (!PlacementLoaded) return;
    SaveWindowPlacement();
    RebuildCalendar(SysUtils::Date(), false);
}

void TForm1::StartFade(bool In) {
    if (!fader_) {
        fader_ = std::make_unique<Fadeing>();
        fader_->OnFadeDone = [this](bool in) { FadedOut = !in; };
    }
    fader_->Window = Handle();
    fader_->ColorKey = COLORREF(ColorKey());
    fader_->SetPriority(tpHigher);
    fader_->Start(In);
}

void TForm1::FadeIn() {
    if (FadedOut) StartFade(true);
}

void TForm1::FadeOut() {
    if (!FadedOut) StartFade(false);
}

void TForm1::MouseOverCheckTimer(TObject*) {
    if (ViewParameters.FadeOnActivation) {
        MouseOverCheck->SetEnabled(false);
        return;
    }
    bool inside = false;
    if (WebBrowser) {
        const TPoint p = WebBrowser->ScreenToClient(Forms::GetCursorPos());
        inside = PtInRect(WebBrowser->ClientRect(), p);
    }
    if (inside) {
        FadeIn();
    } else {
        FadeOut();
        MouseOverCheck->SetEnabled(false);
    }
}

void TForm1::ApplicationEvents1Activate(TObject*) {
    if (ViewParameters.FadeOnActivation) FadeIn();
}

void TForm1::ApplicationEvents1Deactivate(TObject*) {
    if (ViewParameters.FadeOnActivation) FadeOut();
}

// ---- menu commands -------------------------------------------------------------------------------------------------
void TForm1::Ende1Click(TObject*) {
    if (Form1) Form1->Close();
}

void TForm1::Zorbelin1Click(TObject*) {
    SetCurrentDir(exeDir_);
    StartSiblingProgram("plavoth.exe", "", nullptr, PlannerName);
}

void TForm1::HilfeClick(TObject*) {
    SetCurrentDir(exeDir_);
    // Nothing happening at all would leave the user guessing: say what is missing.
    if (!SysUtils::FileExists(exeDir_ + "zbhelp.chm")) {
        Dialogs::ShowMessage("Die Hilfedatei \"zbhelp.chm\" wurde im Programmordner \"" + exeDir_ +
                             "\" nicht gefunden.");
        return;
    }
    if (!HtmlHelp(nullptr, "zbhelp.chm::/zorbelin.htm", HH_DISPLAY_TOPIC, 0))
        Dialogs::ShowMessage("Für die Hilfedatei \"zbhelp.chm\" ist kein Programm zum Anzeigen eingerichtet.");
}

void TForm1::Adressen1Click(TObject*) {
    SetCurrentDir(exeDir_);
    StartSiblingProgram("brunvex.exe", "", exeDir_.c_str(), "Das Adressbuch \"brunvex\"");
}

bool TForm1::StartSiblingProgram(const AnsiString& File, const AnsiString& Parameters, const char* Directory,
                                 const AnsiString& What) {
    const char* const parameters = Parameters.empty() ? nullptr : Parameters.c_str();
    const HINSTANCE result = ShellExecute(Handle(), "open", File.c_str(), parameters, Directory, SW_SHOW);
    if (reinterpret_cast<std::intptr_t>(result) > 32) return true;
    // Nothing happening at all would leave the user guessing: say what is missing.
    Dialogs::ShowMessage(What + " wurde im Programmordner \"" + exeDir_ +
                         "\" nicht gefunden oder konnte nicht gestartet werden.");
    return false;
}

void TForm1::Aufgaben1Click(TObject*) {
    Aufgaben1->Enabled = false;
    ScopeExit enable([this] { Aufgaben1->Enabled = true; });
    ShowTaskWindow(ADOConnection1->ConnectionString());
}

void TForm1::ShowTaskWindow(const AnsiString& ConnectionString) {
    std::unique_ptr<TAufgaben> tasks;
    try {
        tasks = std::make_unique<TAufgaben>(nullptr);
        tasks->ADODataSetAufgaben->SetConnectionString(ConnectionString);
        tasks->ShowModal();
    } catch (const std::exception&) {
        // The window goes; the calendar carries on.
    }
}

void TForm1::Einstellungen1Click(TObject*) {
    Einstellungen1->Enabled = false;
    ScopeExit enable([this] { Einstellungen1->Enabled = true; });
    bool modified = false;
    const int result = ShowSettingsDialog(modified);
    // What the window keeps of the settings takes the dialog's changes at once.
    ReadCachedSettings();
    if (result != 0 && modified) {
        alarmsPresent_ = false;
        LoadWindowPlacement();
        // The view may have changed: its own top comes with its place.
        ReadTopPlacement();
        RebuildCalendar(SysUtils::Date(), false);
        // The next fade reads the new alpha values.
        fader_.reset();
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

void TForm1::minimierenClick(TObject*) {
    // The mark follows what was done, so choosing the item after a restore from the menu acts at once.
    if (minimized_) {
        minimieren->SetCaption("Minimieren");
        ShowWindow(Application->Handle(), SW_RESTORE);
        minimized_ = false;
    } else {
        ShowWindow(Application->Handle(), SW_MINIMIZE);
        minimieren->SetCaption("Wiederherstellen");
        minimized_ = true;
    }
}

void TForm1::Info1Click(TObject*) {
    Info1->Enabled = false;
    aboutBox_ = new TSplashScreen(nullptr);
    ScopeExit close([this] {
        delete aboutBox_;
        aboutBox_ = nullptr;
        Info1->Enabled = true;
    });
    aboutBox_->SetVisible(false);
    aboutBox_->Progress->SetTop(200);
    aboutBox_->Label1->SetTop(200);
    aboutBox_->Label2->SetTop(200);
    aboutBox_->Message->SetTop(200);
    TStrings* text = aboutBox_->HTMLabel1->HTMLText();
    text->Clear();
    text->Add("<P align=\"center\"><FONT color=\"#FFFFFF\" face=\"Tahoma\" FONT size=\"10\">");
    text->Add("<br><B>Zorbelin</B>");
    text->Add("</b></FONT></P>");
    text->Add("<P align=\"center\"><FONT color=\"#FFFFFF\" face=\"Tahoma\" FONT size=\"8\">Version ");
    // The bare version: the line before says "Version" already.
    text->Add(fshVersionLabel1->GetInfo());
    text->Add("<br>");
    text->Add("Kalender und Erinnerungen von Hallowerk</FONT></P>");
    aboutBox_->HTMLabel1->Invalidate();
    if (OnAboutShown) OnAboutShown(aboutBox_);
    aboutBox_->ShowModal();
}

// ---- application hooks and shut-down -----------------------------------------------------------------------------
void TForm1::ApplicationEvents1Message(TMsg& Msg, bool& Handled) {
    if (character_->HandleReport(Msg.message)) {
        Handled = true;
        return;
    }
    switch (Msg.message) {
    case WM_MOUSEMOVE: MouseOverCheck->SetEnabled(true); break;
    default: break;
    }
}

void TForm1::ApplicationEvents1Exception(TObject*, SysUtils::Exception* E) { WriteDebugLog(E ? E->Message : ""); }

void TForm1::ApplicationEvents1Restore(TObject*) {
    minimieren->SetCaption("Minimieren");
    ShowWindow(Application->Handle(), SW_HIDE);
    minimized_ = false;
}

void TForm1::HTMLHint1ShowHint(AnsiString& HintStr, bool&, THintInfo&) {
    for (char& c : HintStr)
        if (c == '@') c = '\r';
}

void TForm1::FormClose(TObject*, TCloseAction&) {
    SaveWindowPlacement();
    character_->StopSpeaking = true;
    if (shutDownDone_) return;
    // Inside a wait for the builder (a dialog's loop within it) the wait itself sees it end.
    pageBuilds_->WaitForRunningBuild();
    if (character_->AgentLoaded) character_->SaveAndUnload();
    // The alarm texts stay until the window goes: queued calls may still read them.
    Timer1->SetEnabled(false);
    shutDownDone_ = true;
    // Changes another program's lock still holds up (the placement and the character's come last)
    // get their last try; what is left goes to the debug log.
    PendingWrites::Finish();
    ADOConnection1->SetConnected(false);
}

void TForm1::FormDestroy(TObject*) {
    TrayIcon(NIM_DELETE);
    fader_.reset();
    if (WebBrowser) {
        WebBrowser->SetExternal({});
        delete WebBrowser;
        WebBrowser = nullptr;
    }
}

void TForm1::OpenDayInPlanner(const AnsiString& DateText) {
    StartSiblingProgram(exeDir_ + "plavoth.exe", QuoteArgument("TAG" + DateText), nullptr, PlannerName);
}

int TForm1::ShowSettingsDialog(bool& Modified) {
    std::unique_ptr<TEinstellungen> dialog(new TEinstellungen(nullptr));
    const TRect area = Screen->WorkAreaRect();
    dialog->SetBounds(area.Right - dialog->Width(), area.Bottom - dialog->Height(), dialog->Width(), dialog->Height());
    const int result = dialog->ShowModal();
    Modified = dialog->Modified;
    return result;
}

// ---- reminders ----------------------------------------------------------------------------------------------
void TForm1::CheckAlarms() { reminders_->Check(); }

// ---- what the page builder needs ------------------------------------------------------------------------------
int TForm1::ScreenWidth() { return Screen->Width(); }
int TForm1::ScreenHeight() { return Screen->Height(); }

void TForm1::ShowMessage(const AnsiString& Text) { Dialogs::ShowMessage(Text); }

void TForm1::ReportProblem(const AnsiString& Text) { TellUser(Text); }

void TForm1::ExecuteCommand(const AnsiString& CommandText, const std::vector<Variant>& Parameters) {
    // A database that is only read takes no changes; the start noted why in the log.
    if (ADOConnection1->ReadOnly()) return;
    ADOCommand->SetCommandText(CommandText);
    ADOCommand->SetParameters(Parameters);
    ADOCommand->Execute();
}

void TForm1::CloseMainWindow(int Code) {
    std::weak_ptr<bool> alive = alive_;
    Classes::QueueOnMainThread([this, alive, Code] {
        if (alive.expired()) return;
        ProgramExitCode = Code;
        Close();
    });
}

// ---- the birthday mail --------------------------------------------------------------------------------------
void TForm1::SendBirthdayMail(const AnsiString& Address) {
    if (!Classes::IsMainThread()) {
        std::weak_ptr<bool> alive = alive_;
        Classes::QueueOnMainThread([this, alive, Address] {
            if (!alive.expired()) SendBirthdayMail(Address);
        });
        return;
    }
    // The text the settings dialog shows, also for a text never saved or saved empty.
    const TSettingsValue settings = TSettings::Program().Current();
    const AnsiString body = settings.WasRead("Body") || settings.IsAbsent("Body")
                                ? settings.Body : AnsiString("... und alles Gute zum Geburtstag");
    try {
        // A contact without an address gets no empty mail.
        if (SysUtils::Trim(Address).empty()) throw SysUtils::Exception("no address");
        const AnsiString url =
            "mailto:" + MailPart(Address) + "?subject=Herzlichen Glückwunsch&body=" + MailPart(body);
        ShellExecute(Handle(), "open", url.c_str(), nullptr, nullptr, SW_SHOW);
    } catch (const std::exception&) {
        WriteDebugLog("BM_Keine_EMailAdresse");
    }
}
