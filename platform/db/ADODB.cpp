#include "ADODB.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sqlite3.h>
#include <fcntl.h>
#include <strings.h>
#include <utility>
#include <unistd.h>

#include "JetSql.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the statement now running on this thread may do. A statement runs on the thread that
// prepared it, right after its preparation; SQLite calls the progress handler and the authorizer
// on that same thread, so the state is the thread's own.
struct StatementGuard {
    Clock::time_point started;
    bool overran = false;
    int limit = 0;                      // milliseconds the statement ran before it was stopped
    std::vector<std::string> views;     // views in the schema when the statement was prepared
    std::string refused;                // the view a statement tried to read
};
thread_local StatementGuard t_guard;

// The database is shared: a colleague can put an endless view where a table was. Its rows are
// never read; the statement fails as if the table were missing.
int Authorize(void*, int action, const char*, const char*, const char*, const char* source) {
    if ((action == SQLITE_SELECT || action == SQLITE_READ) && source) {
        for (const std::string& v : t_guard.views)
            if (strcasecmp(v.c_str(), source) == 0) {
                if (t_guard.refused.empty()) t_guard.refused = v;
                return SQLITE_DENY;
            }
    }
    return SQLITE_OK;
}

int StopOverrun(void* connection) {
    const int limit = static_cast<const TADOConnection*>(connection)->StatementTimeout();
    if (limit <= 0 || Clock::now() - t_guard.started < std::chrono::milliseconds(limit)) return 0;
    t_guard.overran = true;
    t_guard.limit = limit;
    return 1;
}

// Called before each statement is prepared: its run time counts from here.
void StartStatement(sqlite3* db) {
    t_guard.started = Clock::now();
    t_guard.overran = false;
    t_guard.refused.clear();
    t_guard.views.clear();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'view'", -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW)
            if (const unsigned char* name = sqlite3_column_text(st, 0))
                t_guard.views.emplace_back(reinterpret_cast<const char*>(name));
    }
    // The scan counts towards the statement's time: a schema of endless views cannot hold it up either.
    sqlite3_finalize(st);
}

// The name SQLite's text gives after Prefix ("no such table: termine" gives "termine").
std::string NameAfter(const std::string& text, const char* prefix) {
    const std::size_t at = text.find(prefix);
    if (at == std::string::npos) return std::string();
    std::string name = text.substr(at + std::strlen(prefix));
    const std::size_t end = name.find_first_of(" '\"(");
    if (end != std::string::npos) name.erase(end);
    return name;
}

std::string Megabytes(long long bytes) { return std::to_string(bytes / (1024 * 1024)) + " MB"; }

// SQLite's own words are English; the user reads German. The sentences name the file where the
// file is what the user has to look at (rights, space, another program).
std::string GermanText(int code, const std::string& sqlite, const std::string& file) {
    const std::string quoted = file.empty() ? std::string("die Datenbankdatei") : "die Datei \"" + file + "\"";
    const std::string Quoted = file.empty() ? std::string("Die Datenbankdatei") : "Die Datei \"" + file + "\"";
    switch (code & 0xFF) {
    case SQLITE_ERROR:
        if (const std::string t = NameAfter(sqlite, "no such table: "); !t.empty())
            return "Die Tabelle \"" + t + "\" fehlt in der Datenbank.";
        if (const std::string c = NameAfter(sqlite, "no such column: "); !c.empty())
            return "Die Spalte \"" + c + "\" fehlt in der Datenbank.";
        if (sqlite.find(" because it is a view") != std::string::npos)
            if (const std::string v = NameAfter(sqlite, "cannot modify "); !v.empty())
                return "\"" + v + "\" ist in der Datenbank keine Tabelle, sondern eine Sicht (View); sie wird nicht "
                       "geändert.";
        if (const std::string c = NameAfter(sqlite, " has no column named "); !c.empty())
            return "Die Spalte \"" + c + "\" fehlt in der Datenbank.";
        if (sqlite.find("syntax error") != std::string::npos) return "Die Datenbankabfrage ist fehlerhaft.";
        return "Die Datenbankabfrage kann nicht ausgeführt werden.";
    case SQLITE_PERM: return "Der Zugriff auf " + quoted + " ist nicht erlaubt.";
    case SQLITE_ABORT: return "Der Datenbankvorgang wurde abgebrochen.";
    case SQLITE_BUSY: return Quoted + " wird gerade von einem anderen Programm benutzt.";
    case SQLITE_LOCKED: return Quoted + " ist gesperrt.";
    case SQLITE_NOMEM: return "Für die Datenbank reicht der Speicher nicht.";
    case SQLITE_READONLY:
        return file.empty() ? std::string("Die Datenbank ist schreibgeschützt.")
                            : "Die Datenbank \"" + file + "\" ist schreibgeschützt.";
    case SQLITE_INTERRUPT:
        if (t_guard.overran)
            return "Die Datenbankabfrage dauerte länger als " + std::to_string(t_guard.limit) +
                   " ms und wurde abgebrochen; sie wird später wiederholt.";
        return "Der Datenbankvorgang wurde unterbrochen.";
    case SQLITE_AUTH:
        if (!t_guard.refused.empty())
            return "\"" + t_guard.refused + "\" ist in der Datenbank keine Tabelle, sondern eine Sicht (View); "
                   "sie wird nicht gelesen.";
        return "Der Zugriff auf die Datenbank wurde verweigert.";
    case SQLITE_IOERR: return "Beim Lesen oder Schreiben von " + quoted + " ist ein Fehler aufgetreten.";
    case SQLITE_CORRUPT: return Quoted + " ist beschädigt.";
    case SQLITE_FULL: return "Der Datenträger ist voll; " + quoted + " kann nicht wachsen.";
    case SQLITE_CANTOPEN: return Quoted + " kann nicht geöffnet werden.";
    case SQLITE_SCHEMA: return "Der Aufbau der Datenbank hat sich während der Abfrage geändert.";
    case SQLITE_TOOBIG: return "Ein Wert ist größer als " + Megabytes(TADOConnection::MaxValueBytes) +
                               " und zu groß für die Datenbank.";
    case SQLITE_CONSTRAINT:
        if (const std::string c = NameAfter(sqlite, "UNIQUE constraint failed: "); !c.empty())
            return "Den Wert für \"" + c + "\" gibt es in der Datenbank schon.";
        if (const std::string c = NameAfter(sqlite, "NOT NULL constraint failed: "); !c.empty())
            return "Für \"" + c + "\" fehlt ein Wert.";
        return "Die Änderung verletzt eine Regel der Datenbank.";
    case SQLITE_MISMATCH: return "Ein Wert passt nicht zum Typ seiner Spalte.";
    case SQLITE_NOTADB: return Quoted + " ist keine Datenbank.";
    default: return "Die Datenbank meldet einen Fehler (Nummer " + std::to_string(code) + ").";
    }
}

// File: the database file, when the caller knows it better than the connection does (opening).
[[noreturn]] void RaiseSqlite(sqlite3* db, int rc, std::string file = std::string()) {
    const char* msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    if (file.empty() && db) {
        const char* name = sqlite3_db_filename(db, "main");
        if (name) file = name;
    }
    std::string detail = msg ? msg : "SQLite error";
    if ((code & 0xFF) == SQLITE_AUTH && !t_guard.refused.empty()) detail += " (view " + t_guard.refused + ")";
    if ((code & 0xFF) == SQLITE_INTERRUPT && t_guard.overran)
        detail += " (statement ran over " + std::to_string(t_guard.limit) + " ms)";
    throw EADOError(GermanText(code, detail, file), code, detail);
}

class Statement {
public:
    Statement() = default;
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    sqlite3_stmt** out() { return &stmt_; }
    sqlite3_stmt* release() { return std::exchange(stmt_, nullptr); }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Prepares exactly one statement, as Jet runs one per command.
void Prepare(sqlite3* db, const std::string& sql, Statement& st) {
    StartStatement(db);
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), st.out(), &tail);
    if (rc != SQLITE_OK) RaiseSqlite(db, rc);
    if (!st.get()) throw EDatabaseError("Ungültige SQL-Anweisung; erwartet wird 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' oder 'UPDATE'.");
    for (const char* p = tail; p && *p; ++p)
        if (*p != ';' && !std::isspace(static_cast<unsigned char>(*p)))
            throw EDatabaseError("Zeichen nach dem Ende der SQL-Anweisung gefunden.");
}

void Bind(sqlite3* db, sqlite3_stmt* st, int index, const Variant& v) {
    int rc = SQLITE_OK;
    switch (v.VarType()) {
    case varNull: rc = sqlite3_bind_null(st, index); break;
    case varInt64: rc = sqlite3_bind_int64(st, index, v.IntValue()); break;
    case varDouble: rc = sqlite3_bind_double(st, index, v.DoubleValue()); break;
    case varString:
        rc = sqlite3_bind_text(st, index, v.StringValue().data(), static_cast<int>(v.StringValue().size()),
                               SQLITE_TRANSIENT);
        break;
    }
    if (rc != SQLITE_OK) RaiseSqlite(db, rc);
}

// Values for the placeholders 1, 2, ... of a prepared statement.
void BindAll(sqlite3* db, sqlite3_stmt* st, const std::vector<Variant>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) Bind(db, st, static_cast<int>(i + 1), values[i]);
}

// Prepares a statement of the system's own and binds the values of its placeholders, in order
// (a `:name` used twice is one placeholder).
void PrepareCommand(sqlite3* db, const std::string& sql, Statement& st, const std::vector<Variant>& parameters) {
    Prepare(db, sql, st);
    const std::size_t wanted = static_cast<std::size_t>(sqlite3_bind_parameter_count(st.get()));
    if (wanted > parameters.size())
        throw EDatabaseError("Für mindestens einen erforderlichen Parameter wurde kein Wert angegeben.");
    if (wanted < parameters.size())
        throw EDatabaseError("Die SQL-Anweisung hat weniger Parameter, als Werte angegeben wurden.");
    BindAll(db, st.get(), parameters);
}


// The column's value into Value; text goes into the room of text Value held.
void ReadColumn(sqlite3_stmt* st, int i, Variant& Value) {
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: Value = Variant(static_cast<long long>(sqlite3_column_int64(st, i))); break;
    case SQLITE_FLOAT: Value = Variant(sqlite3_column_double(st, i)); break;
    case SQLITE_NULL: Value = Variant(); break;
    default: {
        const char* p = static_cast<const char*>(sqlite3_column_blob(st, i));
        Value.AssignText(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
    }
    }
}

// Runs a prepared statement to its end; the number of rows it changed.
int Run(sqlite3* db, sqlite3_stmt* st) {
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE) RaiseSqlite(db, rc);
    return sqlite3_stmt_readonly(st) ? 0 : sqlite3_changes(db);
}

bool Contains(const std::string& hay, const char* needle) {
    return SysUtils::Pos(needle, SysUtils::UpperCase(hay)) > 0;
}

// The field type a declared column type stands for, by the same rules SQLite uses for affinity.
TFieldType TypeOfDeclaration(const char* decl) {
    if (!decl || !*decl) return ftUnknown;
    std::string d = decl;
    if (Contains(d, "BOOL") || Contains(d, "BIT") || Contains(d, "YESNO")) return ftBoolean;
    if (Contains(d, "DATE") || Contains(d, "TIME")) return ftDateTime;
    if (Contains(d, "BIGINT") || Contains(d, "INT8")) return ftLargeint;
    if (Contains(d, "INT")) return ftInteger;
    if (Contains(d, "MEMO") || Contains(d, "CLOB") || Contains(d, "LONGTEXT")) return ftMemo;
    if (Contains(d, "CHAR") || Contains(d, "TEXT")) return ftString;
    if (Contains(d, "BLOB") || Contains(d, "BINARY")) return ftBlob;
    if (Contains(d, "REAL") || Contains(d, "FLOA") || Contains(d, "DOUB") || Contains(d, "NUM") ||
        Contains(d, "DEC") || Contains(d, "CURRENCY") || Contains(d, "MONEY"))
        return ftFloat;
    return ftUnknown;
}

std::string QuoteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// ---- date functions of Jet SQL, on TDateTime numbers ------------------------------------------------
enum DatePart { dpYear, dpMonth, dpDay, dpHour, dpMinute, dpSecond, dpWeekday };

void DatePartFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double v = 0;
    switch (sqlite3_value_numeric_type(argv[0])) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: v = sqlite3_value_double(argv[0]); break;
    default: sqlite3_result_null(ctx); return;
    }
    // Beyond the years a TDateTime can hold there is no date part.
    if (!(v > -693594.0 && v < 2958466.0)) {
        sqlite3_result_null(ctx);
        return;
    }
    Word y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
    const auto part = static_cast<DatePart>(reinterpret_cast<intptr_t>(sqlite3_user_data(ctx)));
    // Each row of a month's query asks three times: decode only the half that is asked for.
    if (part == dpYear || part == dpMonth || part == dpDay) SysUtils::DecodeDate(TDateTime(v), y, m, d);
    else SysUtils::DecodeTime(TDateTime(v), h, n, s, ms);
    int result = 0;
    switch (part) {
    case dpYear: result = y; break;
    case dpMonth: result = m; break;
    case dpDay: result = d; break;
    case dpHour: result = h; break;
    case dpMinute: result = n; break;
    case dpSecond: result = s; break;
    case dpWeekday: result = SysUtils::DayOfWeek(TDateTime(v)); break;
    }
    sqlite3_result_int(ctx, result);
}

// ---- printf and format, held to the length of a value -----------------------------------------------
// SQLite's printf makes a text of any width or precision in one step, which neither the time limit
// nor the progress handler sees; past the length limit it silently gives an empty text, after
// spending the time all the same. A call whose text could be longer than a value may be fails
// at once, as a value too big; any other is SQLite's own, run on a connection of this thread's
// that holds nothing.

// The bytes of the UTF-8 character Text starts with (0 for none).
long long CharacterBytes(const unsigned char* text) {
    if (!text || !*text) return 0;
    return *text < 0x80 ? 1 : *text < 0xE0 ? 2 : *text < 0xF0 ? 3 : 4;
}

// The most bytes the text of Format with Args can have (an overestimate).
long long PrintfBound(const unsigned char* format, int count, sqlite3_value** args) {
    constexpr long long huge = 1LL << 40;
    int used = 0;
    const auto number = [&]() -> long long {
        if (used >= count) return 0;
        const long long v = sqlite3_value_int64(args[used++]);
        return v < 0 ? (v < -huge ? huge : -v) : std::min(v, huge);
    };
    const auto bytes = [&]() -> long long { return used < count ? sqlite3_value_bytes(args[used++]) : 0; };
    const auto digits = [&](const unsigned char*& p) {
        long long v = 0;
        while (*p >= '0' && *p <= '9') v = std::min(v * 10 + (*p++ - '0'), huge);
        return v;
    };
    long long bound = 0;
    for (const unsigned char* p = format; *p; ++p) {
        if (*p != '%') {
            ++bound;
            continue;
        }
        ++p;
        while (*p && std::strchr("-+ #!0,", *p)) ++p;
        long long width = 0, precision = 0;
        if (*p == '*') {
            ++p;
            width = number();
        } else {
            width = digits(p);
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                precision = number();
            } else {
                precision = digits(p);
            }
        }
        while (*p == 'l') ++p;
        long long text = 0;
        switch (*p) {
        case '\0': return bound + width + precision;
        case '%': text = 1; break;
        case 'c':   // the first character of the text, repeated
            text = CharacterBytes(used < count ? sqlite3_value_text(args[used]) : nullptr) * std::max(precision, 1LL);
            bytes();
            break;
        case 's': case 'z': text = bytes(); break;
        case 'q': case 'Q': case 'w': text = 2 * bytes() + 2; break;
        case 'n': break;
        default:   // a number
            bytes();
            text = precision + 400;
            break;
        }
        bound += std::max(width, text);
    }
    return bound;
}

class PrintfConnection {
public:
    ~PrintfConnection() {
        for (sqlite3_stmt* st : statements_) sqlite3_finalize(st);
        if (db_) sqlite3_close(db_);
    }
    // "SELECT printf(?1, ..., ?Count)", prepared once per count.
    sqlite3_stmt* Statement(int count) {
        if (!db_ && sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) != SQLITE_OK)
            return nullptr;
        if (static_cast<std::size_t>(count) >= statements_.size()) statements_.resize(static_cast<std::size_t>(count) + 1);
        sqlite3_stmt*& st = statements_[static_cast<std::size_t>(count)];
        if (!st) {
            std::string sql = "SELECT printf(";
            for (int i = 1; i <= count; ++i) sql += (i > 1 ? ", ?" : "?") + std::to_string(i);
            sqlite3_prepare_v2(db_, (sql + ")").c_str(), -1, &st, nullptr);
        }
        return st;
    }

private:
    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
};
thread_local PrintfConnection t_printf;

void BoundedPrintf(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const unsigned char* format = argc > 0 ? sqlite3_value_text(argv[0]) : nullptr;
    if (!format) {
        sqlite3_result_null(ctx);
        return;
    }
    if (PrintfBound(format, argc - 1, argv + 1) > TADOConnection::MaxValueBytes) {
        sqlite3_result_error_toobig(ctx);
        return;
    }
    sqlite3_stmt* st = t_printf.Statement(argc);
    if (!st) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    for (int i = 0; i < argc; ++i) sqlite3_bind_value(st, i + 1, argv[i]);
    if (sqlite3_step(st) == SQLITE_ROW) sqlite3_result_value(ctx, sqlite3_column_value(st, 0));
    else sqlite3_result_error(ctx, sqlite3_errmsg(sqlite3_db_handle(st)), -1);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
}

void RegisterFunctions(sqlite3* db) {
    static const struct { const char* name; DatePart part; } functions[] = {
        {"YEAR", dpYear}, {"MONTH", dpMonth}, {"DAY", dpDay}, {"HOUR", dpHour},
        {"MINUTE", dpMinute}, {"SECOND", dpSecond}, {"WEEKDAY", dpWeekday}};
    for (const auto& f : functions) {
        int rc = sqlite3_create_function_v2(db, f.name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                            reinterpret_cast<void*>(static_cast<intptr_t>(f.part)),
                                            DatePartFunction, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) RaiseSqlite(db, rc);
    }
    // In place of SQLite's own, also where a generated column of the database calls them.
    for (const char* name : {"printf", "format"}) {
        int rc = sqlite3_create_function_v2(db, name, -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                            BoundedPrintf, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) RaiseSqlite(db, rc);
    }
}

// Splits "a=1;b=\"x;y\"" into its elements, keeping quoted values whole.
std::vector<std::pair<std::string, std::string>> ParseConnectionString(const std::string& s) {
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t eq = s.find('=', i), semi = s.find(';', i);
        if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
            i = semi == std::string::npos ? s.size() : semi + 1;
            continue;
        }
        std::string name = SysUtils::Trim(s.substr(i, eq - i));
        std::size_t j = eq + 1;
        while (j < s.size() && s[j] == ' ') ++j;
        std::string value;
        if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
            char q = s[j++];
            while (j < s.size()) {
                if (s[j] == q) {
                    if (j + 1 < s.size() && s[j + 1] == q) { value += q; j += 2; continue; }
                    ++j;
                    break;
                }
                value += s[j++];
            }
            std::size_t end = s.find(';', j);
            i = end == std::string::npos ? s.size() : end + 1;
        } else {
            std::size_t end = s.find(';', j);
            value = SysUtils::Trim(s.substr(j, end == std::string::npos ? std::string::npos : end - j));
            i = end == std::string::npos ? s.size() : end + 1;
        }
        out.emplace_back(name, value);
    }
    return out;
}

bool ModeTextIsReadOnly(const std::string& mode) {
    bool read = false, write = false;
    std::size_t i = 0;
    while (i <= mode.size()) {
        std::size_t bar = mode.find('|', i);
        std::string part = SysUtils::Trim(mode.substr(i, bar == std::string::npos ? std::string::npos : bar - i));
        if (SysUtils::SameText(part, "Read")) read = true;
        if (SysUtils::Pos("WRITE", SysUtils::UpperCase(part)) > 0 && !SysUtils::SameText(part, "Share Deny Write"))
            write = true;
        if (bar == std::string::npos) break;
        i = bar + 1;
    }
    return read && !write;
}

// SQLite takes an empty file for a new database and would write its header at the first change;
// a file that is not one must be refused before SQLite sees it, so nothing is ever written to it.
void CheckDatabaseFile(const std::string& file) {
    static const char header[] = "SQLite format 3";   // 16 bytes with the terminating zero
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        const int error = errno;
        throw EADOError("Die Datei \"" + file + "\" kann nicht geöffnet werden.", SQLITE_CANTOPEN,
                        std::strerror(error));
    }
    char start[sizeof header] = {};
    const std::size_t n = std::fread(start, 1, sizeof start, f);
    std::fclose(f);
    if (n == 0) throw EADOError("Die Datei \"" + file + "\" ist leer.", EADOError::EmptyFile, "empty file");
    if (n < sizeof start || std::memcmp(start, header, sizeof header) != 0)
        throw EADOError("Die Datei \"" + file + "\" ist keine Datenbank.", SQLITE_NOTADB, "no SQLite header");
}

// The file can be changed: the file itself, and its folder, where the journal of a change goes.
// Asked with the rights the process works with, so a read-only folder counts as one for anyone.
bool CanWrite(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    return faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0 &&
           faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

} // namespace

// ---- TADOConnection -------------------------------------------------------------------------------

TADOConnection::TADOConnection(TComponent* AOwner) : TComponent(AOwner) {}

TADOConnection::~TADOConnection() {
    Close();
    for (TCustomADODataSet* ds : std::vector<TCustomADODataSet*>(dataSets_)) ds->ConnectionClosing();
}

void TADOConnection::SetConnectionString(const AnsiString& Value) {
    Close();
    connectionString_ = Value;
}

AnsiString TADOConnection::ConnectionStringValue(const AnsiString& Name) const {
    for (const auto& [n, v] : ParseConnectionString(connectionString_))
        if (SysUtils::SameText(n, Name)) return v;
    return AnsiString();
}

void TADOConnection::Open() {
    if (db_) return;
    AnsiString source = ConnectionStringValue("Data Source");
    if (source.empty()) throw EDatabaseError("Die Verbindungszeichenfolge nennt keine Datenquelle (Data Source).");
    AnsiString file = SysUtils::ResolvePath(source);
    if (!SysUtils::FileExists(file)) throw EDatabaseError("Die Datei \"" + source + "\" wurde nicht gefunden.");
    CheckDatabaseFile(file);
    bool readOnly = mode_ == cmRead || (mode_ == cmUnknown && ModeTextIsReadOnly(ConnectionStringValue("Mode")));
    // A database that cannot be changed is only read: nothing is then ever written beside it.
    if (!readOnly && !CanWrite(file)) readOnly = true;
    // Never SQLITE_OPEN_CREATE: a wrong path must not leave an empty database behind.
    int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_FULLMUTEX;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
    try {
        if (rc != SQLITE_OK) RaiseSqlite(db, rc, file);
        sqlite3_extended_result_codes(db, 1);
        sqlite3_limit(db, SQLITE_LIMIT_LENGTH, MaxValueBytes);
        static std::once_flag heapLimit;
        std::call_once(heapLimit, [] { sqlite3_hard_heap_limit64(MaxHeapBytes); });
        sqlite3_busy_timeout(db, busyTimeout_);
        // Jet's "text" literals are translated before they get here; a double-quoted word is a name.
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        StartStatement(db);
        // Reading the schema fails here, not at the first query, when the file is no database.
        rc = sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) RaiseSqlite(db, rc, file);
        RegisterFunctions(db);
        sqlite3_set_authorizer(db, Authorize, nullptr);
        sqlite3_progress_handler(db, 1000, StopOverrun, this);
    } catch (const EADOError& e) {
        sqlite3_close_v2(db);
        // The user needs to know which file would not open.
        if (e.Message.find(file) != AnsiString::npos) throw;
        throw EADOError(e.Message + " (Datei \"" + file + "\")", e.ErrorCode, e.Detail);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    db_ = db;
    readOnly_ = readOnly;
    fileName_ = file;
}

void TADOConnection::SetBusyTimeout(int Milliseconds) {
    busyTimeout_ = Milliseconds < 0 ? 0 : Milliseconds;
    if (db_) sqlite3_busy_timeout(db_, busyTimeout_);
}

void TADOConnection::SetStatementTimeout(int Milliseconds) { statementTimeout_ = Milliseconds < 0 ? 0 : Milliseconds; }

void TADOConnection::Close() {
    if (!db_) return;
    for (TCustomADODataSet* ds : std::vector<TCustomADODataSet*>(dataSets_)) ds->Close();
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

int TADOConnection::Execute(const AnsiString& CommandText, const std::vector<Variant>& Parameters) {
    Open();
    Statement st;
    PrepareCommand(db_, JetSql::Translate(CommandText), st, Parameters);
    return Run(db_, st.get());
}

void TADOConnection::Register(TCustomADODataSet* ds) {
    if (std::find(dataSets_.begin(), dataSets_.end(), ds) == dataSets_.end()) dataSets_.push_back(ds);
}

void TADOConnection::Unregister(TCustomADODataSet* ds) {
    dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), ds), dataSets_.end());
}

void TADOConnection::CheckDisconnect() {
    if (keepConnection_ || !db_) return;
    for (TCustomADODataSet* ds : dataSets_)
        if (ds->Active()) return;
    Close();
}

// ---- TCustomADODataSet ----------------------------------------------------------------------------

TCustomADODataSet::TCustomADODataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TCustomADODataSet::~TCustomADODataSet() {
    Close();
    if (connection_) connection_->Unregister(this);
}

void TCustomADODataSet::SetConnection(TADOConnection* Value) {
    if (connection_ == Value) return;
    Close();
    if (connection_) connection_->Unregister(this);
    connection_ = Value;
    if (connection_) connection_->Register(this);
}

void TCustomADODataSet::ConnectionClosing() {
    Close();
    connection_ = nullptr;
}

const AnsiString& TCustomADODataSet::ConnectionString() const {
    static const AnsiString empty;
    if (connection_) return connection_->ConnectionString();
    return ownConnection_ ? ownConnection_->ConnectionString() : empty;
}

void TCustomADODataSet::SetConnectionString(const AnsiString& Value) {
    Close();
    SetConnection(nullptr);
    if (!ownConnection_) ownConnection_ = std::make_unique<TADOConnection>(nullptr);
    ownConnection_->SetConnectionString(Value);
}

void TCustomADODataSet::SetCommandText(const AnsiString& Value) {
    Close();
    commandText_ = Value;
}

void TCustomADODataSet::SetParameters(std::vector<Variant> Values) {
    Close();
    parameters_ = std::move(Values);
}

void TCustomADODataSet::SetCursorLocation(TCursorLocation Value) {
    Close();
    cursorLocation_ = Value;
    SetUniDirectional(cursorLocation_ == clUseServer && cursorType_ == ctOpenForwardOnly);
}

void TCustomADODataSet::SetCursorType(TCursorType Value) {
    Close();
    cursorType_ = Value;
    SetUniDirectional(cursorLocation_ == clUseServer && cursorType_ == ctOpenForwardOnly);
}

TADOConnection* TCustomADODataSet::ActiveConnection() {
    TADOConnection* c = connection_ ? connection_ : ownConnection_.get();
    if (!c) throw EDatabaseError("Verbindung oder Verbindungszeichenfolge fehlt");
    c->Open();
    return c;
}

bool TCustomADODataSet::CanModify() const {
    const TADOConnection* c = connection_ ? connection_ : ownConnection_.get();
    return Active() && !IsUniDirectional() && lockType_ != ltReadOnly && c && c->Connected() && !c->ReadOnly() &&
           !table_.empty();
}

void TCustomADODataSet::InternalOpen(std::vector<TFieldDef>& FieldDefs) {
    TADOConnection* conn = ActiveConnection();
    sqlite3* db = conn->Handle();
    table_.clear();
    origins_.clear();
    keyFields_.clear();
    byRowid_ = false;

    Statement st;
    bool tableMode = commandType_ == cmdTable || commandType_ == cmdTableDirect;
    if (tableMode) {
        std::string name = SysUtils::Trim(commandText_);
        if (name.size() >= 2 && ((name.front() == '[' && name.back() == ']') || (name.front() == '"' && name.back() == '"')))
            name = name.substr(1, name.size() - 2);
        // Rows of a whole table are found again by rowid; a view or a table without one by its key.
        std::string withRowid = "SELECT rowid, * FROM " + QuoteName(name);
        const char* tail = nullptr;
        StartStatement(db);
        if (sqlite3_prepare_v2(db, withRowid.c_str(), -1, st.out(), &tail) == SQLITE_OK && st.get())
            byRowid_ = true;
        else
            Prepare(db, "SELECT * FROM " + QuoteName(name), st);
    } else {
        PrepareCommand(db, JetSql::Translate(SourceText()), st, parameters_);
    }

    const int first = byRowid_ ? 1 : 0;
    const int columns = sqlite3_column_count(st.get());
    std::vector<std::string> tables;
    for (int i = first; i < columns; ++i) {
        const char* name = sqlite3_column_name(st.get(), i);
        FieldDefs.push_back(TFieldDef{name ? name : "", TypeOfDeclaration(sqlite3_column_decltype(st.get(), i))});
        const char* table = sqlite3_column_table_name(st.get(), i);
        const char* origin = sqlite3_column_origin_name(st.get(), i);
        const char* schema = sqlite3_column_database_name(st.get(), i);
        bool usable = table && origin && schema && std::strcmp(schema, "main") == 0;
        origins_.push_back(usable ? origin : "");
        if (usable && std::find(tables.begin(), tables.end(), table) == tables.end()) tables.push_back(table);
    }

    // A forward-only cursor reads its rows as the data set moves on; it changes nothing, so no
    // table is looked for.
    if (IsUniDirectional()) {
        cursor_ = st.release();
        cursorDone_ = false;
        return;
    }

    int rc;
    long long answerBytes = 0;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        std::vector<Variant> values(FieldDefs.size());
        for (int i = first; i < columns; ++i) {
            Variant& value = values[static_cast<std::size_t>(i - first)];
            ReadColumn(st.get(), i, value);
            answerBytes += static_cast<long long>(sizeof(Variant)) +
                           (value.VarType() == varString ? static_cast<long long>(value.StringValue().size()) : 0);
        }
        if (answerBytes > TADOConnection::MaxAnswerBytes)
            throw EADOError("Die Antwort der Datenbank ist größer als " + Megabytes(TADOConnection::MaxAnswerBytes) +
                                " und wird nicht gelesen.",
                            SQLITE_TOOBIG, "answer over " + std::to_string(TADOConnection::MaxAnswerBytes) + " bytes");
        AddRecord(std::move(values), byRowid_ ? sqlite3_column_int64(st.get(), 0) : 0);
    }
    if ((rc & 0xFF) == SQLITE_TOOBIG)
        throw EADOError("Ein Wert in der Datenbank ist größer als " + Megabytes(TADOConnection::MaxValueBytes) +
                            " und wird nicht gelesen.",
                        rc, std::string(sqlite3_errmsg(db)) + " (value over " +
                                std::to_string(TADOConnection::MaxValueBytes) + " bytes)");
    if (rc != SQLITE_DONE) RaiseSqlite(db, rc);

    if (tables.size() == 1) {
        table_ = tables.front();
        if (!byRowid_) {
            Statement info;
            Prepare(db, "PRAGMA table_info(" + QuoteName(table_) + ")", info);
            bool hasKey = false, complete = true;
            while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
                if (sqlite3_column_int(info.get(), 5) == 0) continue;
                hasKey = true;
                std::string col = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
                auto it = std::find_if(origins_.begin(), origins_.end(),
                                       [&](const std::string& o) { return strcasecmp(o.c_str(), col.c_str()) == 0; });
                if (it == origins_.end()) complete = false;
                else keyFields_.push_back(static_cast<int>(it - origins_.begin()));
            }
            if (rc != SQLITE_DONE) RaiseSqlite(db, rc);
            if (!hasKey || !complete) table_.clear();
        }
    }
}

bool TCustomADODataSet::InternalFetch(std::vector<Variant>& Values) {
    if (!cursor_ || cursorDone_) return false;
    const int rc = sqlite3_step(cursor_);
    if (rc != SQLITE_ROW) {
        // Stepped once more, SQLite would run the statement again from its start.
        cursorDone_ = true;
        if (rc == SQLITE_DONE) return false;
        if ((rc & 0xFF) == SQLITE_TOOBIG)
            throw EADOError("Ein Wert in der Datenbank ist größer als " + Megabytes(TADOConnection::MaxValueBytes) +
                                " und wird nicht gelesen.",
                            rc, std::string(sqlite3_errmsg(sqlite3_db_handle(cursor_))) + " (value over " +
                                    std::to_string(TADOConnection::MaxValueBytes) + " bytes)");
        RaiseSqlite(sqlite3_db_handle(cursor_), rc);
    }
    const int first = byRowid_ ? 1 : 0;
    const int columns = sqlite3_column_count(cursor_);
    Values.resize(static_cast<std::size_t>(columns - first));
    for (int i = first; i < columns; ++i) ReadColumn(cursor_, i, Values[static_cast<std::size_t>(i - first)]);
    return true;
}

void TCustomADODataSet::InternalClose() {
    sqlite3_finalize(cursor_);
    cursor_ = nullptr;
    cursorDone_ = false;
    if (ownConnection_) ownConnection_->Close();
    else if (connection_) connection_->CheckDisconnect();
}

std::string TCustomADODataSet::WhereRow(const std::vector<Variant>& Values, std::int64_t RowKey,
                                        std::vector<Variant>& binds) const {
    if (byRowid_) {
        binds.push_back(Variant(static_cast<long long>(RowKey)));
        return "rowid = ?";
    }
    std::string where;
    for (int k : keyFields_) {
        if (!where.empty()) where += " AND ";
        where += QuoteName(origins_[static_cast<std::size_t>(k)]) + " IS ?";
        binds.push_back(Values[static_cast<std::size_t>(k)]);
    }
    return where;
}

void TCustomADODataSet::Reload(std::vector<Variant>& Values, const std::string& where, const std::vector<Variant>& binds) {
    sqlite3* db = ActiveConnection()->Handle();
    std::string cols;
    std::vector<std::size_t> fields;
    for (std::size_t i = 0; i < origins_.size(); ++i) {
        if (origins_[i].empty()) continue;
        cols += (cols.empty() ? "" : ", ") + QuoteName(origins_[i]);
        fields.push_back(i);
    }
    if (fields.empty()) return;
    Statement st;
    Prepare(db, "SELECT " + cols + " FROM " + QuoteName(table_) + " WHERE " + where, st);
    BindAll(db, st.get(), binds);
    int rc = sqlite3_step(st.get());
    if (rc == SQLITE_ROW) {
        for (std::size_t k = 0; k < fields.size(); ++k) ReadColumn(st.get(), static_cast<int>(k), Values[fields[k]]);
    } else if (rc != SQLITE_DONE) {
        RaiseSqlite(db, rc);
    }
}

void TCustomADODataSet::InternalPost(bool Inserting, const std::vector<Variant>& OldValues, std::vector<Variant>& Values,
                                     const std::vector<bool>& Changed, std::int64_t& RowKey) {
    if (!CanModify()) throw EDatabaseError("Eine schreibgeschützte Datenmenge kann nicht geändert werden");
    sqlite3* db = ActiveConnection()->Handle();
    std::vector<std::string> cols;
    std::vector<Variant> binds;
    for (std::size_t i = 0; i < Changed.size(); ++i) {
        if (!Changed[i]) continue;
        if (origins_[i].empty())
            throw EDatabaseError("Feld '" + Fields()->Fields(static_cast<int>(i))->FieldName() + "' kann nicht geändert werden");
        cols.push_back(QuoteName(origins_[i]));
        binds.push_back(Values[i]);
    }
    std::string sql;
    if (Inserting) {
        sql = "INSERT INTO " + QuoteName(table_);
        if (cols.empty()) {
            sql += " DEFAULT VALUES";
        } else {
            std::string names, marks;
            for (const auto& c : cols) {
                names += (names.empty() ? "" : ", ") + c;
                marks += marks.empty() ? "?" : ", ?";
            }
            sql += " (" + names + ") VALUES (" + marks + ")";
        }
    } else {
        if (cols.empty()) return;
        std::string set;
        for (const auto& c : cols) set += (set.empty() ? "" : ", ") + c + " = ?";
        sql = "UPDATE " + QuoteName(table_) + " SET " + set + " WHERE " + WhereRow(OldValues, RowKey, binds);
    }
    Statement st;
    Prepare(db, sql, st);
    BindAll(db, st.get(), binds);
    int changes = Run(db, st.get());
    if (Inserting) {
        RowKey = sqlite3_last_insert_rowid(db);
        std::vector<Variant> where{Variant(static_cast<long long>(RowKey))};
        Reload(Values, "rowid = ?", where);
        return;
    }
    if (changes != 1)
        throw EDatabaseError("Die Zeile zum Aktualisieren wurde nicht gefunden. Einige Werte wurden seit dem letzten Lesen geändert.");
    std::vector<Variant> where;
    std::string clause = WhereRow(Values, RowKey, where);
    Reload(Values, clause, where);
}

void TCustomADODataSet::InternalDelete(const std::vector<Variant>& Values, std::int64_t RowKey) {
    if (!CanModify()) throw EDatabaseError("Eine schreibgeschützte Datenmenge kann nicht geändert werden");
    sqlite3* db = ActiveConnection()->Handle();
    std::vector<Variant> binds;
    Statement st;
    Prepare(db, "DELETE FROM " + QuoteName(table_) + " WHERE " + WhereRow(Values, RowKey, binds), st);
    BindAll(db, st.get(), binds);
    if (Run(db, st.get()) != 1)
        throw EDatabaseError("Die Zeile zum Aktualisieren wurde nicht gefunden. Einige Werte wurden seit dem letzten Lesen geändert.");
}

// ---- TADOQuery --------------------------------------------------------------------------------------

TADOQuery::TADOQuery(TComponent* AOwner) : TCustomADODataSet(AOwner) {}

int TADOQuery::ExecSQL() {
    rowsAffected_ = ActiveConnection()->Execute(SourceText(), Parameters());
    return rowsAffected_;
}

// ---- TADOCommand ------------------------------------------------------------------------------------

TADOCommand::TADOCommand(TComponent* AOwner) : TComponent(AOwner) {}

// Lets go of the connection quietly, without telling it of this command's end.
TADOCommand::~TADOCommand() { connection_ = nullptr; }

void TADOCommand::SetConnection(TADOConnection* Value) { connection_ = Value; }

const AnsiString& TADOCommand::ConnectionString() const {
    static const AnsiString empty;
    if (connection_) return connection_->ConnectionString();
    return ownConnection_ ? ownConnection_->ConnectionString() : empty;
}

void TADOCommand::SetConnectionString(const AnsiString& Value) {
    SetConnection(nullptr);
    if (!ownConnection_) ownConnection_ = std::make_unique<TADOConnection>(nullptr);
    ownConnection_->SetConnectionString(Value);
}

int TADOCommand::Execute() {
    TADOConnection* c = connection_ ? connection_ : ownConnection_.get();
    if (!c) throw EDatabaseError("Verbindung oder Verbindungszeichenfolge fehlt");
    return c->Execute(commandText_, parameters_);
}
