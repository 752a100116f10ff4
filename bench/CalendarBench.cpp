// A calendar page built by the page builder on its own thread, as the main window has it built: a
// program folder with the default design, a registry file of its own, and a SQLite file with the
// appointments of the shown range. The time runs from the builder's start to the page text handed
// to the (stand-in) browser; the main window's own update command after the page is not counted.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <random>

#include "BuildCalendar.h"
#include "Feiertage.h"
#include "Gemeinsam.h"
#include "Registry.h"
#include "Settings.h"
#include "TarvolinDaten.h"
#include "TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

TDateTime At(Word y, Word m, Word d, double hours = 0) {
    return TDateTime(double(SysUtils::EncodeDate(y, m, d)) + hours / 24.0);
}

// The main window as the builder's requests and results see it; it keeps one connection for its
// commands.
class BenchHost : public ICalendarWindow {
public:
    AnsiString exeDir, connectionString;
    ViewParameters main;
    std::unique_ptr<TADOConnection> connection;
    Clock::time_point pageAt;
    std::size_t pageBytes = 0;
    int pages = 0;

    AnsiString GetCalendarUser() override { return "anna"; }
    AnsiString ExeDir() const override { return exeDir; }
    AnsiString ConnectionString() const override { return connectionString; }
    int MainWindowWidth() override { return 800; }
    int MainWindowHeight() override { return 600; }
    int ScreenWidth() override { return 1920; }
    int ScreenHeight() override { return 1080; }
    void ShowMessage(const AnsiString&) override {}
    AnsiString reported;
    AnsiString& ReportedBuildFailure() override { return reported; }
    void ExecuteCommand(const AnsiString& CommandText, const std::vector<Variant>& Parameters) override {
        if (!connection) {
            connection = std::make_unique<TADOConnection>(nullptr);
            connection->SetConnectionString(connectionString);
            connection->Open();
        }
        connection->Execute(CommandText, Parameters);
    }
    void LoadPageIntoBrowser(const std::string& Page) override {
        pageAt = Clock::now();
        pageBytes = Page.size();
        ++pages;
    }
    void CloseMainWindow(int) override {}
    void SetSplashStatus(const AnsiString&) override {}
    ViewParameters& MainViewParameters() override { return main; }
    void SetSettingsDate(TDateTime) override {}
    void SetSayTimeInterval(int) override {}
    void SetSayTimeEnabled(bool) override {}
    void SetAnnouncementText(const AnsiString&) override {}
    void SendBirthdayMail(const AnsiString&) override {}
    void WriteDebugLog(const AnsiString&) override {}
    void SetAlarmsPresent(bool) override {}
    bool AnnouncePending() override { return false; }
    bool MailOnBirthday() override { return false; }
};

std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(text);
    }
}

// A program folder with the default design, the registry in a folder of its own and a database
// whose appointments of "anna" and "alle" all fall on the days FirstDay .. FirstDay + Days - 1.
class CalendarSetup {
public:
    CalendarSetup(int Appointments, TDateTime FirstDay, int Days)
        : registry_("ZORBELIN_REGISTRY", folder_.file("registry")) {
        std::filesystem::create_directories(folder_.path() / "registry");
        std::filesystem::copy(ZB_VORLAGEN_DIR, folder_.path() / "Vorlagen");
        host.exeDir = folder_.str();
        databaseFile = folder_.file("zorbelin.mde");
        host.connectionString = "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + databaseFile +
                                ";Mode=Share Deny None;Persist Security Info=False";
        MakeDatabase(databaseFile, Appointments, FirstDay, Days);
        host.main.ColorKey = 8;
    }

    BenchHost host;
    std::string databaseFile;

private:
    // Sets an environment variable while the setup lives.
    struct Env {
        Env(const char* name, const std::string& value) : name_(name) { setenv(name, value.c_str(), 1); }
        ~Env() { unsetenv(name_); }
        const char* name_;
    };

    static void MakeDatabase(const std::string& file, int count, TDateTime firstDay, int days) {
        sqlite3* db = nullptr;
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot make the database");
        std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, sqlite3_close);
        Exec(db, ReadText(std::string(ZB_SCHEMA_SQL)));
        Exec(db, "PRAGMA journal_mode=WAL");
        Exec(db, "INSERT INTO BenutzerEinstellungen (Benutzer, NeedUpdate) VALUES ('anna', 1)");
        Exec(db, "BEGIN");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO termine (StartTime, EndTime, Subject, Notes, Terminart, Alarm, "
                           "Adressnummer, Benutzer) VALUES (?, ?, ?, ?, ?, ?, NULL, ?)",
                           -1, &st, nullptr);
        std::mt19937 random(42);
        for (int i = 0; i < count; ++i) {
            const int day = i % days;
            const double hours = 7 + static_cast<int>(random() % 24) * 0.5;
            const int kind = i % 23 == 0 ? 5 : i % 31 == 0 ? 4 : 0;
            const bool allDay = kind == 5 || i % 7 == 0;
            const double start = double(firstDay) + day + (allDay ? 0 : hours / 24.0);
            const double end = allDay ? start : start + 1.0 / 24.0;
            const std::string subject = "Termin " + std::to_string(i) + (i % 5 == 0 ? " mit Müller & Co" : "");
            const std::string notes = i % 3 == 0 ? "" : "Raum " + std::to_string(i % 12) + ", Unterlagen <mitbringen>";
            sqlite3_bind_double(st, 1, start);
            sqlite3_bind_double(st, 2, end);
            sqlite3_bind_text(st, 3, subject.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 4, notes.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 5, kind);
            sqlite3_bind_int(st, 6, !allDay && i % 4 == 0);
            sqlite3_bind_text(st, 7, i % 6 == 0 ? "alle" : "anna", -1, SQLITE_STATIC);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        Exec(db, "COMMIT");
    }

    testsupport::TempDir folder_;
    Env registry_;
};

void SetView(int mode) {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    reg.OpenKey(TarvolinKey, true);
    reg.WriteInteger("VORLAGE", mode);
}

// The builder with its work callable on this thread: its calls for the main thread then run at once.
class InlineBuilder : public BuildTarvolan {
public:
    using BuildTarvolan::BuildTarvolan;
    using BuildTarvolan::Execute;
};

// Builds pages of one view and reports the time per page and per appointment. Threaded: on the
// builder's own thread, with its start and the hand-overs to this (main) thread; otherwise the
// builder's work alone, run on this thread.
void BuildPages(benchmark::State& state, bool threaded, int viewMode, TDateTime today, TDateTime firstDay,
                int days) {
    Classes::SetMainThread();
    SysUtils::SetClock([today] { return today; });
    const int appointments = static_cast<int>(state.range(0));
    CalendarSetup setup(appointments, firstDay, days);
    SetView(viewMode);
    Gemeinsam::ResetQuoteOfTheDay();
    double seconds = 0;
    for (auto _ : state) {
        InlineBuilder builder(true);
        builder.Request = MakePageRequest(setup.host, today);
        const Clock::time_point start = Clock::now();
        if (threaded) {
            builder.Resume();
            builder.WaitFor();
        } else {
            builder.Execute();
        }
        ApplyPageResult(builder.Result, builder.Request, setup.host);
        while (Classes::CheckSynchronize()) {}
        const double took = std::chrono::duration<double>(setup.host.pageAt - start).count();
        state.SetIterationTime(took);
        seconds += took;
    }
    if (setup.host.pages != static_cast<int>(state.iterations())) state.SkipWithError("a build made no page");
    state.counters["page_bytes"] = static_cast<double>(setup.host.pageBytes);
    // Nanoseconds of page build per appointment shown.
    state.counters["ns_per_appt"] = seconds * 1e9 / static_cast<double>(state.iterations()) / appointments;
    SysUtils::ResetClock();
}

// The floor a page's appointments stand on: the builder's statement for the month of Today run on
// the same file with the sqlite3 C API alone: the file opened read-only, as the builder's connection
// is, the statement prepared and bound, each row stepped through and each of its columns read in its
// stored type, nothing kept.
void ReadFloor(benchmark::State& state, TDateTime today, TDateTime firstDay, int days) {
    const int appointments = static_cast<int>(state.range(0));
    CalendarSetup setup(appointments, firstDay, days);
    ViewParameters view;
    view.ViewMode = vmMonth;
    view.CalendarDate = today;
    const auto [from, to] = BuildTarvolan::AppointmentsRange(view);
    std::size_t rows = 0, bytes = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(setup.databaseFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            state.SkipWithError("cannot open the database");
            return;
        }
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "select * from termine where (Benutzer = 'alle' OR Benutzer = ?) AND StartTime > ? AND "
                           "StartTime < ? order by StartTime",
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, "anna", -1, SQLITE_STATIC);
        sqlite3_bind_double(st, 2, double(from));
        sqlite3_bind_double(st, 3, double(to));
        rows = 0;
        const int columns = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++rows;
            for (int i = 0; i < columns; ++i) {
                switch (sqlite3_column_type(st, i)) {
                case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(st, i)); break;
                case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(st, i)); break;
                case SQLITE_NULL: break;
                default:
                    benchmark::DoNotOptimize(sqlite3_column_blob(st, i));
                    bytes += static_cast<std::size_t>(sqlite3_column_bytes(st, i));
                }
            }
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    benchmark::DoNotOptimize(bytes);
    if (rows != static_cast<std::size_t>(appointments)) state.SkipWithError("the month's appointments were not all read");
}

// Today is Wednesday 10 April 2024: the month grid starts on Monday 1 April, the week on Monday
// 8 April, and the x-days page shows the five days from today.
const TDateTime kToday = At(2024, 4, 10, 10);
void BM_MonthPage(benchmark::State& state) { BuildPages(state, false, vmMonth, kToday, At(2024, 4, 1), 30); }
void BM_MonthReadFloor(benchmark::State& state) { ReadFloor(state, kToday, At(2024, 4, 1), 30); }
void BM_WeekPage(benchmark::State& state) { BuildPages(state, false, vmWeek, kToday, At(2024, 4, 8), 7); }
void BM_XDaysPage(benchmark::State& state) { BuildPages(state, false, vmXDays, kToday, At(2024, 4, 10), 5); }
void BM_MonthPageThread(benchmark::State& state) { BuildPages(state, true, vmMonth, kToday, At(2024, 4, 1), 30); }

} // namespace

BENCHMARK(BM_MonthPage)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthReadFloor)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeekPage)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XDaysPage)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthPageThread)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
