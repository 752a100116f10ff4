#include "Startup.h"

#include <algorithm>
#include <vector>

#include "DayClock.h"
#include "Dialogs.h"
#include "Failures.h"
#include "Registry.h"
#include "Splash1.h"
#include "Trace.h"
#include "WinApi.h"
#include "WinUser.h"
#include "WindowFrame.h"

namespace {

const char* const DatabaseFile = "zorbelin.mde";
const char* const kNoConnection = "Leider konnte keine Verbindung zur Datenbank hergestellt werden";

bool EndsWithDelimiter(const AnsiString& s) { return !s.empty() && (s.back() == '/' || s.back() == '\\'); }

AnsiString WithDelimiter(const AnsiString& s) {
    return s.empty() || EndsWithDelimiter(s) ? s : s + SysUtils::PathDelim;
}

bool HoldsDatabase(const AnsiString& folder) {
    return !folder.empty() && SysUtils::FileExists(folder + DatabaseFile);
}

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

TStartup::TStartup(TForm& Window, IStartWindow& Parts, TADOConnection* Connection, TDayClock& Clock,
                   TWindowFrame& Frame, const AnsiString& ExeDir, TSplashScreen*& Splash)
    : SplashScreen(Splash), window_(Window), parts_(Parts), connection_(Connection), clock_(Clock), frame_(Frame),
      exeDir_(ExeDir) {}

void TStartup::Run() {
    // Dates are written the German way everywhere, by the page builder too: set before its thread
    // starts, and only when they differ, since a builder of an earlier window may still read them.
    if (SysUtils::ShortDateFormat != "dd.mm.yyyy") SysUtils::ShortDateFormat = "dd.mm.yyyy";
    if (SysUtils::DateSeparator != '.') SysUtils::DateSeparator = '.';
    // The window manager owns the window's system menu: hiding the frame is reached through the
    // popup menu's item, and the close box hides the frame (WndProc).
    window_.Brush()->SetStyle(bsClear);
    Application->HintHidePause = 4000;
    parts_.PrepareStart();
    if (SplashScreen) {
        SplashScreen->Show();
        SetSplashStatus("initialisieren...");
        Trace::Step("splash shown");
    }
    connection_->SetConnected(false);

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
            ExitCode = 0;
            return;
        }
        Application->MessageBox(kNoConnection, "", MB_OK);
        ExitCode = 1;
        Application->Terminate();
        return;
    }
    Trace::Step("database open");

    // The page is built on its own thread while the browser engine starts: the build needs the
    // window's size, and nothing else of the start.
    frame_.LoadWindowPlacement();
    parts_.StartPageAndBrowser();

    try {
        parts_.StartParts();
        window_.SetTop(-100000);
    } catch (const std::exception& e) {
        Application->MessageBox(AnsiString("Inistialisierung fehlgeschlagen") + "\n" + e.what(), "", MB_OK);
        parts_.WriteDebugLog(e.what());
        ExitCode = 1;
        Application->Terminate();
        return;
    }

    WaitForBlankDocument();
    Trace::Step("browser engine ready");
    const HWND handle = window_.Handle();
    SetWindowLong(handle, GWL_EXSTYLE, GetWindowLong(handle, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TOOLWINDOW);
    parts_.FinishStartBuild();
    clock_.Timer1->SetEnabled(true);
    if (SplashScreen) SetSplashStatus("Tarvolin erzeugen");
    frame_.SetFrameVisible(false);
    SetWindowPos(handle, HWND_BOTTOM, window_.Left(), window_.Top(), window_.Width(), window_.Height(),
                 SWP_NOACTIVATE);
    Application->ProcessMessages();
    frame_.ApplyWindowAlpha();
    frame_.ReadTopPlacement();
    frame_.PlacementLoaded = true;
    // Without a page to wait for, what the start had to tell comes now.
    if (parts_.PagesLoaded() == 0) parts_.ReleaseHeldMessages();
}

bool TStartup::ConnectDatabase(AnsiString Path) {
    // The minute's check would reach for a database not yet open while the start waits or asks.
    const bool minuteRuns = clock_.EineMinute->Enabled();
    clock_.EineMinute->SetEnabled(false);
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
            connection_->SetConnectionString(ZorbelinConnectionString(databaseFolder_));
            if (!ConnectWaitingForLock()) break;
        } catch (const std::exception& e) {
            const AnsiString cause = DescribeFailure(e);
            parts_.WriteDebugLog(AnsiString(kNoConnection) + ": " + cause + " [" + FailureDetail(e) + "]\n");
            Application->MessageBox(AnsiString(kNoConnection) + "\n" + cause, "", MB_OK);
            failed.push_back(databaseFolder_);
            ask = true;
            continue;
        }
        // A database that cannot be changed (a read-only folder or file) is only read; the program
        // writes nothing there, and that is no error worth telling the user.
        if (connection_->ReadOnly())
            parts_.WriteDebugLog("Die Datenbank \"" + connection_->FileName() +
                          "\" kann nicht geändert werden; sie wird nur gelesen.\n");
        // Only a folder whose database opened is remembered.
        if (storedStayedAway && tookSample_) {
            parts_.WriteDebugLog("Die Beispieldatenbank wird nur für diesen Start benutzt; DBPATH bleibt, wie es war.\n");
        } else {
            try {
                TRegistry reg;
                if (reg.OpenKey(ZorbelinKey, true)) reg.WriteString("DBPATH", databaseFolder_);
            } catch (const std::exception& e) {
                parts_.WriteDebugLog(AnsiString("DBPATH nicht gespeichert: ") + e.what() + "\n");
            }
        }
        connected = true;
        break;
    }
    clock_.EineMinute->SetEnabled(minuteRuns);
    return connected;
}

bool TStartup::RunEventsFor(int Milliseconds) {
    bool done = false;
    TTimer timer(nullptr);
    timer.SetInterval(static_cast<unsigned>(Milliseconds));
    timer.OnTimer = [&done](TObject*) { done = true; };
    timer.SetEnabled(true);
    while (!done && !Application->Terminated()) Application->HandleMessage();
    return !Application->Terminated();
}

bool TStartup::WaitForStoredDatabase(const AnsiString& Path) {
    AnsiString stored = WithDelimiter(Path);
    if (stored.empty()) stored = MachineDatabaseFolder();
    // A first start has nothing to wait for.
    if (stored.empty() || HoldsDatabase(stored)) return true;
    if (SplashScreen) SetSplashStatus(kWaitingForFolder);
    parts_.WriteDebugLog("Die Datenbank \"" + stored + DatabaseFile + "\" ist nicht erreichbar; der Start wartet.\n");
    Trace::Step("database wait");
    const auto since = std::chrono::steady_clock::now();
    while (!HoldsDatabase(stored)) {
        if (std::chrono::steady_clock::now() - since >= DatabaseWaitLimit) return false;
        if (!RunEventsFor(DatabaseRetryInterval)) return false;
    }
    return true;
}

bool TStartup::ConnectWaitingForLock() {
    auto since = std::chrono::steady_clock::now();
    bool waiting = false;
    for (;;) {
        try {
            // Each try waits only as long as the window's own work would for another program.
            connection_->SetConnected(true);
            return true;
        } catch (const std::exception& e) {
            if (!DatabaseLocked(e)) throw;
            if (!waiting) {
                waiting = true;
                if (SplashScreen) SetSplashStatus(kWaitingForLock);
                parts_.WriteDebugLog("Die Datenbank \"" + databaseFolder_ + DatabaseFile +
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

AnsiString TStartup::ResolveDatabasePath(AnsiString p, bool AskFirst) {
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
            TOpenDialog dialog(&window_);
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

void TStartup::SetSplashStatus(const AnsiString& Text) {
    if (!SplashScreen) return;
    SplashScreen->Progress->SetMax(SplashSteps);
    SplashScreen->Progress->SetPosition(splashStep_);
    SplashScreen->Message->SetCaption(Text);
    SplashScreen->Repaint();
    // A report of the page builder, while the window waits for it or takes its result, only updates
    // the splash: timers and input must not run inside those.
    if (!parts_.WaitingForBuilder()) Application->ProcessMessages();
    ++splashStep_;
}

void TStartup::WaitForBlankDocument() {
    // A browser that never finishes loading the blank document must not hold up the start for ever.
    bool timedOut = false;
    TTimer limit(nullptr);
    limit.SetInterval(30000);
    limit.OnTimer = [&timedOut](TObject*) { timedOut = true; };
    limit.SetEnabled(true);
    while (parts_.Browser() && !parts_.BlankDocumentShown() && !timedOut && !Application->Terminated())
        Application->HandleMessage();
    // Without a page there is nothing to wait for: the greeting comes all the same.
    if (!parts_.BlankDocumentShown()) parts_.GreetWhenShown();
}

