#include "Unit1.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "AccessToTarvolin.h"
#include "Dialogs.h"
#include "Registry.h"
#include "SessionMessages.h"
#include "ShellApi.h"
#include "WinApi.h"

TForm1* Form1 = nullptr;
int ProgramExitCode = 0;

const char* const TarvolinInstanceName = "Zorbelin Tarvolin";
const char* const TarvolinKey = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

namespace {

const char* const ZorbelinKey = "\\Software\\Hallowerk\\Zorbelin";
const char* const DatabaseFile = "zorbelin.mde";

// Each registry value is read in its own guarded step; a missing value counts as a failed read.
bool TryReadInteger(TRegistry& reg, const AnsiString& name, int& value) {
    try {
        if (!reg.ValueExists(name)) return false;
        value = reg.ReadInteger(name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TryReadString(TRegistry& reg, const AnsiString& name, AnsiString& value) {
    try {
        if (!reg.ValueExists(name)) return false;
        value = reg.ReadString(name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

AnsiString SqlText(const AnsiString& s) { return SysUtils::StringReplace(s, "'", "''", SysUtils::rfReplaceAll); }

bool EndsWithDelimiter(const AnsiString& s) { return !s.empty() && (s.back() == '/' || s.back() == '\\'); }

AnsiString WithDelimiter(const AnsiString& s) {
    return s.empty() || EndsWithDelimiter(s) ? s : s + SysUtils::PathDelim;
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

} // namespace

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
TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
    Form1 = this;
    SetCaption("Tarvolin für Zorbelin");
    SetBorderStyle(bsSizeToolWin);
    SetBorderIcons({biSystemMenu});
    SetPosition(poDefault);
    SetColor(clNone);
    SetBounds(Left(), Top(), 290, 600);

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

    ADOConnection1 = new TADOConnection(this);
    ADOConnection1->SetLoginPrompt(false);
    ADOConnection1->SetKeepConnection(false);
    ADOConnection1->SetMode(cmReadWrite);
    ADOConnection1->SetCursorLocation(clUseServer);
    ADODataSet = new TADODataSet(this);
    ADODataSet->SetConnection(ADOConnection1);
    ADODataSet->SetLockType(ltReadOnly);
    ADOCommand = new TADOCommand(this);
    ADOCommand->SetConnection(ADOConnection1);
    feiertage_ = new TFeiertage(this);

    AlarmHtml = new TStringList;
    TempDir = SysUtils::GetTempFolder();
    exeDir_ = SysUtils::ProgramFolder();
    ViewParameters.CalendarDate = SysUtils::Now();
    ViewParameters.ColorKey = 8;

    OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
}

TForm1::~TForm1() {
    StopListeningForSessionMessages(TarvolinInstanceName);
    if (builder_) builder_->WaitFor();
    builder_.reset();
    if (WebBrowser) WebBrowser->SetAutomationTarget(nullptr);
    delete automation_;
    delete AlarmHtml;
    if (Form1 == this) Form1 = nullptr;
}

// ---- start-up ---------------------------------------------------------------------------------------------
void TForm1::FormCreate(TObject*) {
    Application->HintHidePause = 4000;
    SetSplashStatus("initialisieren...");
    ADOConnection1->SetConnected(false);

    {
        TRegistry reg;
        int value = 0;
        if (reg.OpenKey(TarvolinKey, true)) mailOnBirthday_ = TryReadInteger(reg, "MailonBirthday", value) ? value != 0 : true;
    }

    {
        TRegistry reg;
        AnsiString path;
        if (reg.OpenKey(ZorbelinKey, true)) TryReadString(reg, "DBPATH", path);
        reg.CloseKey();
        databaseFolder_ = ResolveDatabasePath(path);
    }

    SetSplashStatus("Datenbank öffnen");
    try {
        // Without a folder that holds the database there is nothing to connect to; a file of that
        // name in some other folder must not be taken instead.
        if (databaseFolder_.empty()) throw SysUtils::Exception("no database folder");
        ADOConnection1->SetConnectionString(ZorbelinConnectionString(databaseFolder_));
        ADOConnection1->SetConnected(true);
    } catch (const std::exception&) {
        Application->MessageBox("Leider konnte keine Verbindung zur Datenbank hergestellt werden", "", MB_OK);
        StartupExitCode = 1;
        Application->Terminate();
        return;
    }

    try {
        AgentForceLoad = false;
        announcePending_ = true;
        AnnounceIntroPending = true;
        WorkArea = Screen->WorkAreaRect();
        AgentLoaded = StartAgent();
        if (AgentLoaded) {
            Word hour, min, sec, msec;
            SysUtils::DecodeTime(SysUtils::Now(), hour, min, sec, msec);
            Speak(Greeting(hour));
        }
        // Other programs of the session ask for a new page through this window.
        ListenForSessionMessages(TarvolinInstanceName, Handle(), {WM_REDRAWCALENDAR});
        alarmsPresent_ = false;
        SysUtils::ShortDateFormat = "dd.mm.yyyy";
        SysUtils::DateSeparator = '.';
        Timer1->SetEnabled(true);
        SetTop(-100000);
    } catch (const std::exception& e) {
        Application->MessageBox(AnsiString("Inistialisierung fehlgeschlagen") + "\n" + e.what(), "", MB_OK);
        WriteDebugLog(e.what());
        StartupExitCode = 1;
        Application->Terminate();
        return;
    }

    LoadWindowPlacement();
    SetUpBrowser();
    RebuildCalendar(SysUtils::Date(), true);
    // Without the colour key the page's own background shows, so the window keeps its frame and a
    // white page until the frame and transparency of the window exist.
    SetFrameVisible(true);
    SendToBack();
    Application->ProcessMessages();

    TRegistry reg;
    int top = 20;
    if (reg.OpenKey(TarvolinKey, true)) {
        int view = 0;
        if (!TryReadInteger(reg, "VORLAGE", view)) {
            try {
                reg.WriteInteger("VORLAGE", 1);
            } catch (const std::exception&) {
            }
        }
        if (TryReadInteger(reg, "VORLAGE", view)) {
            if (!TryReadInteger(reg, view == 0 ? "FormPosTopMonth" : "FormPosTopNormal", top)) top = 20;
        }
    }
    SetTop(top < 0 ? 20 : top);
    PlacementLoaded = true;
}

AnsiString TForm1::ResolveDatabasePath(AnsiString p) {
    AnsiString machine;
    {
        // The machine's settings are only read; a user may not create keys there.
        TRegistry reg;
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (reg.OpenKeyReadOnly(ZorbelinKey)) TryReadString(reg, "DBPATH", machine);
    }
    machine = WithDelimiter(machine);
    p = WithDelimiter(p);
    if (!HoldsDatabase(p)) p = machine;
    if (!HoldsDatabase(p)) {
        const int answer = Dialogs::MessageDlg(
            "Die Datenbank wurde nicht gefunden!\n Wählen Sie bitte den Pfad, in welchem sich die Datei "
            "\"zorbelin.mde\" befindet.",
            mtError, mbYesNo);
        if (answer == mrYes) {
            TOpenDialog dialog(this);
            dialog.DefaultExt = "mde";
            dialog.Title = "Datenbank wählen";
            dialog.Filter = "Zorbelin DB|*.mde";
            if (dialog.Execute()) p = SysUtils::ExtractFilePath(dialog.FileName);
        } else {
            p = exeDir_ + "DB" + SysUtils::PathDelim;
        }
    }
    if (!HoldsDatabase(p)) {
        // The user's setting stays as it was: a folder without the database is never stored.
        Dialogs::ShowMessage("Die angegebene Datenbank existiert nicht!");
        return "";
    }
    try {
        TRegistry reg;
        if (reg.OpenKey(ZorbelinKey, true)) reg.WriteString("DBPATH", p);
    } catch (const std::exception&) {
    }
    return p;
}

void TForm1::WriteDebugLog(const AnsiString& Text) {
    std::lock_guard<std::mutex> lock(logMutex_);
    const AnsiString path = TempDir + "tarvolindebug.log";
    // The first write of a run empties the log, every later one appends.
    const char* mode = firstLogWrite_ ? "w+" : "a";
    firstLogWrite_ = false;
    if (FILE* f = std::fopen(path.c_str(), mode)) {
        std::fwrite(Text.data(), 1, Text.size(), f);
        std::fclose(f);
    }
}

void TForm1::SetSplashStatus(const AnsiString&) {
    // There is no splash screen yet: the progress has nowhere to go.
}

AnsiString TForm1::Greeting(int Hour) {
    const char* name = nullptr;
    if (Hour >= 2 && Hour <= 11) name = "SPAgentHalloFrueh";
    else if (Hour == 12) name = "SPAgentHalloMittag";
    else if (Hour >= 13 && Hour <= 17) name = "SPAgentHallo";
    else if (Hour >= 19 && Hour <= 23) name = "SPAgentHalloAbend";
    AnsiString greeting;
    if (name) {
        TRegistry reg;
        if (reg.OpenKey(TarvolinKey, true)) TryReadString(reg, name, greeting);
    }
    return greeting.empty() ? AnsiString("Hallo") : greeting;
}

void TForm1::SetUpBrowser() {
    WebBrowser = new TWebBrowser(this);
    WebBrowser->SetParent(this);
    WebBrowser->SetAlign(alClient);
    WebBrowser->SetLocalFolder(exeDir_ + "Vorlagen");
    automation_ = new TAccessToTarvolinImpl;
    WebBrowser->SetAutomationTarget(automation_);
    WebBrowser->OnDocumentComplete = [this](TObject*) { documentReady_ = true; };
    WebBrowser->Navigate("about:blank");
    // The blank document is there before the first page comes; a browser that never finishes
    // loading it must not hold up the start for ever.
    for (int i = 0; i < 300 && WebBrowser->Busy(); ++i) {
        Application->ProcessMessages();
        if (WebBrowser->Busy()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void TForm1::LoadWindowPlacement() {
    TRegistry reg;
    if (!reg.OpenKey(TarvolinKey, true)) return;
    int view = 0;
    if (!TryReadInteger(reg, "VORLAGE", view)) {
        try {
            reg.WriteInteger("VORLAGE", 1);
        } catch (const std::exception&) {
        }
    }
    if (!TryReadInteger(reg, "VORLAGE", view)) view = 1;
    const int sw = ScreenWidth(), sh = ScreenHeight();
    const char* suffix = view == 0 ? "Month" : "Normal";
    int left = 0, width = 0, height = 0;
    const bool stored = TryReadInteger(reg, AnsiString("FormPosLeft") + suffix, left) &&
                        TryReadInteger(reg, AnsiString("FormPosWidth") + suffix, width) &&
                        TryReadInteger(reg, AnsiString("FormPosHeight") + suffix, height);
    if (!stored) {
        if (view == 0) {
            left = 20;
            width = sw - 150;
            height = sh - 50;
        } else {
            left = sw - 310;
            width = 290;
            height = sh - 40;
        }
    }
    // The stored (or default) place wins over the platform's choice for a new window, as it does
    // where the window exists before its placement is loaded.
    SetPosition(poDesigned);
    SetBounds(left, Top(), width, height);
}

// ---- pages -----------------------------------------------------------------------------------------------
bool TForm1::RebuildCalendar(TDateTime ADate, bool Wait) {
    if (builder_) {
        builder_->WaitFor();
        builder_.reset();
    }
    builder_ = std::make_unique<BuildTarvolan>(true, this);
    builder_->SetPriority(tpHighest);
    ViewParameters.CalendarDate = ADate;
    ViewParameters.StartDate = ADate;
    builder_->Parameters = ViewParameters;
    builder_->OnTerminate = [this](TObject* Sender) { BuilderTerminated(Sender); };
    ++buildCount_;
    builder_->Resume();
    if (Wait) builder_->WaitFor();
    return true;
}

void TForm1::BuilderTerminated(TObject*) {
    // The finished builder stays owned by the window; the next build or the window's end frees it.
}

void TForm1::LoadPageIntoBrowser(TWebBrowser* Browser, TMemoryStream* Stream) {
    if (!Browser || !Stream) return;
    Stream->Seek(0, soBeginning);
    if (Browser != WebBrowser || !documentReady_) return;
    Browser->LoadFromStream(Stream);
}

void TForm1::LoadPageIntoBrowser(const std::string& Page) {
    if (!WebBrowser || !documentReady_) return;
    WebBrowser->LoadFromString(Page);
}

void TForm1::WMRedrawCalendar(TMessage&) { RebuildCalendar(SysUtils::Date(), false); }

void TForm1::WndProc(TMessage& Message) {
    if (Message.Msg == WM_REDRAWCALENDAR) {
        WMRedrawCalendar(Message);
        return;
    }
    TForm::WndProc(Message);
}

void TForm1::Timer1Timer(TObject*) {
    Timer1->SetInterval(5000);
    Timer1->SetEnabled(false);
    // Whatever fails inside, the tick comes again.
    struct Reenable {
        TTimer* timer;
        ~Reenable() { timer->SetEnabled(true); }
    } reenable{Timer1};

    try {
        if (--tickCountdown_ <= 0) {
            tickCountdown_ = 12;
            Sayings();
            if (alarmsPresent_) CheckAlarms();
        }
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
    }
    const TDateTime today = SysUtils::Date();
    if (firstTick_) {
        firstTick_ = false;
        lastDateTick_ = today;
    }
    try {
        SpeakTime();
    } catch (const std::exception& e) {
        WriteDebugLog(e.what());
    }
    if (double(today) != double(lastDateTick_)) {
        RebuildCalendar(today, false);
        lastDateTick_ = today;
        AnnounceIntroPending = true;
    }
    if (AgentLoaded) {
        ++AgentIdleTicks;
        if (AgentIdleTicks >= 7) SaveAndUnloadAgent();
        else if (AgentIdleTicks == 6) HideAgent();
    } else {
        AgentIdleTicks = 0;
    }
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
        AnnounceIntroPending = true;
    } else {
        CheckUserRefresh();
    }
}

void TForm1::CheckUserRefresh() {
    const AnsiString user = SqlText(GetCalendarUser());
    if (userRowPending_) {
        try {
            ADODataSet->Close();
            ADODataSet->SetCommandText("select Benutzer from BenutzerEinstellungen where Benutzer = '" + user + "'");
            ADODataSet->Open();
            if (ADODataSet->RecordCount() < 1) {
                ADOCommand->SetCommandText("insert into BenutzerEinstellungen (Benutzer,NeedUpdate) Values('" + user +
                                           "',false)");
                ADOCommand->Execute();
            }
        } catch (const std::exception&) {
        }
        userRowPending_ = false;
    }
    try {
        ADODataSet->Close();
        ADODataSet->SetCommandText("select Benutzer from BenutzerEinstellungen where Benutzer = '" + user +
                                   "' AND  NeedUpdate = true");
        ADODataSet->Open();
        if (ADODataSet->RecordCount() > 0) RebuildCalendar(SysUtils::Date(), false);
        ADODataSet->Close();
    } catch (const std::exception&) {
    }
}

AnsiString TForm1::GetCalendarUser() {
    AnsiString user;
    try {
        TRegistry reg;
        if (!reg.OpenKey(ZorbelinKey, true)) return "unknown";
        TryReadString(reg, "BENUTZER", user);
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

// ---- frame and planner ------------------------------------------------------------------------------------
void TForm1::SetFrameVisible(bool Visible) {
    FrameVisible = Visible;
    SetBorderStyle(Visible ? bsSizeToolWin : bsNone);
    // The page's background is the window's colour: white while the window shows its frame.
    ViewParameters.ColorKey = clWhite;
    RebuildCalendar(SysUtils::Now(), true);
    SetVisible(true);
}

void TForm1::ToggleFrame() { SetFrameVisible(!FrameVisible); }

void TForm1::OpenDayInPlanner(const AnsiString& DateText) {
    const AnsiString planner = exeDir_ + "plavoth.exe";
    const HINSTANCE result = ShellExecute(nullptr, "open", planner.c_str(), QuoteArgument("TAG" + DateText).c_str(),
                                          nullptr, SW_SHOW);
    if (reinterpret_cast<std::intptr_t>(result) <= 32)
        WriteDebugLog("Der Planer \"" + planner + "\" konnte nicht gestartet werden.\n");
}

// ---- the parts of the window that other areas fill in -------------------------------------------------------
// The speaking character is not installed: nothing is loaded, said, hidden or unloaded.
bool TForm1::StartAgent() { return false; }
void TForm1::Speak(const AnsiString&) {}
void TForm1::HideAgent() {}
void TForm1::SaveAndUnloadAgent() { AgentLoaded = false; }
// Sayings, reminders and the spoken time come with their own windows.
void TForm1::Sayings() {}
void TForm1::CheckAlarms() {}
void TForm1::SpeakTime() {}

// ---- what the page builder needs ------------------------------------------------------------------------------
int TForm1::ScreenWidth() { return Screen->Width(); }
int TForm1::ScreenHeight() { return Screen->Height(); }

void TForm1::ShowMessage(const AnsiString& Text) { Dialogs::ShowMessage(Text); }

void TForm1::ExecuteCommand(const AnsiString& CommandText) {
    ADOCommand->SetCommandText(CommandText);
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

void TForm1::SetAnnouncementText(const AnsiString& Text) { announcementText_ = Text; }

void TForm1::SendBirthdayMail(const AnsiString& Address) {
    // Birthday mails come with the speech and announcements; until then the wish is only noted.
    WriteDebugLog("Geburtstagsmail an " + Address + "\n");
}
