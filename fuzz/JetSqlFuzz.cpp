// The Jet SQL translation: any statement translates or raises the database error; translating
// twice changes nothing more; and what SQLite reads from a translated string or date literal is
// exactly the text or the moment the Jet literal stood for.
#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "DB.h"
#include "FuzzSupport.h"
#include "JetSql.h"
#include "SysUtils.h"

namespace {

sqlite3* g_db = nullptr;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Runs "SELECT <expr>" and gives the single value back as text or number.
struct Cell {
    int type = SQLITE_NULL;
    std::string text;
    double number = 0;
};

bool Select(const std::string& expr, Cell& cell, std::string& error) {
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = "SELECT " + expr;
    if (sqlite3_prepare_v2(g_db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(g_db);
        return false;
    }
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        cell.type = sqlite3_column_type(stmt, 0);
        if (cell.type == SQLITE_TEXT)
            cell.text.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                             static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
        else
            cell.number = sqlite3_column_double(stmt, 0);
    } else {
        error = sqlite3_errmsg(g_db);
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_ROW;
}

std::string Translated(const std::string& jet) {
    try {
        return JetSql::Translate(jet);
    } catch (const EDatabaseError& e) {
        fuzz::Fail("a well-formed literal was refused", jet + "\n" + e.Message);
    }
}

// Any text as a Jet string literal, with its double quotes doubled.
void CheckStringLiteral(std::string text) {
    std::erase(text, '\0');   // a statement ends at its first zero byte
    std::string jet = "\"";
    for (char c : text) {
        if (c == '"') jet += '"';
        jet += c;
    }
    jet += '"';
    const std::string sql = Translated(jet);
    Cell cell;
    std::string error;
    FUZZ_CHECK(Select(sql, cell, error), jet + " -> " + sql + ": " + error);
    FUZZ_CHECK(cell.type == SQLITE_TEXT && cell.text == text, jet + " -> " + sql + " reads as \"" + cell.text + "\"");
}

// A date and time made from the bytes, written the way Jet writes it, must read as that moment.
void CheckDateLiteral(const std::uint8_t* d, std::size_t size) {
    if (size < 7) return;
    const Word year = static_cast<Word>(100 + (d[0] | d[1] << 8) % 9900);
    const Word month = static_cast<Word>(1 + d[2] % 12), day = static_cast<Word>(1 + d[3] % 28);
    const Word hour = static_cast<Word>(d[4] % 24), minute = static_cast<Word>(d[5] % 60);
    const Word second = static_cast<Word>(d[6] % 60);
    const double expected = [&] {
        const double date = SysUtils::EncodeDate(year, month, day);
        const double time = SysUtils::EncodeTime(hour, minute, second, 0);
        return date < 0 ? date - time : date + time;
    }();
    char buf[64];
    switch (d[6] % 3) {
    case 0: std::snprintf(buf, sizeof buf, "#%u/%u/%04u %u:%02u:%02u#", month, day, year, hour, minute, second); break;
    case 1: std::snprintf(buf, sizeof buf, "#%04u-%02u-%02u %02u:%02u:%02u#", year, month, day, hour, minute, second); break;
    default:
        std::snprintf(buf, sizeof buf, "#%u/%u/%04u %u:%02u:%02u %s#", month, day, year,
                      hour % 12 == 0 ? 12 : hour % 12, minute, second, hour < 12 ? "AM" : "PM");
    }
    const std::string jet = std::string("x=") + buf + "AND y";
    const std::string sql = Translated(jet);
    const std::size_t eq = sql.find('='), end = sql.rfind("AND");
    FUZZ_CHECK(eq != std::string::npos && end != std::string::npos && end > eq, jet + " -> " + sql);
    const std::string number = sql.substr(eq + 1, end - eq - 1);
    Cell cell;
    std::string error;
    FUZZ_CHECK(Select(number, cell, error), jet + " -> " + sql + ": " + error);
    FUZZ_CHECK(cell.type == SQLITE_FLOAT || cell.type == SQLITE_INTEGER, jet + " -> " + sql);
    FUZZ_CHECK(std::fabs(cell.number - expected) <= 1e-9 * std::max(1.0, std::fabs(expected)),
               jet + " -> " + sql + " reads as " + std::to_string(cell.number) + ", not " + std::to_string(expected));
    double parsed = 0;
    FUZZ_CHECK(JetSql::ParseDateLiteral(std::string(buf + 1, std::strlen(buf) - 2), parsed) && parsed == expected, jet);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (sqlite3_open(":memory:", &g_db) != SQLITE_OK) fuzz::Fail("sqlite3_open");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string sql(reinterpret_cast<const char*>(data), size);
    try {
        const std::string out = JetSql::Translate(sql);
        // A statement without date literals, double-quoted strings or truth values stays as it is.
        const std::string lower = Lower(sql);
        if (sql.find_first_of("#\"") == std::string::npos && lower.find("true") == std::string::npos &&
            lower.find("false") == std::string::npos)
            FUZZ_CHECK(out == sql, "changed: " + out);
        // What was translated has nothing left to translate.
        std::string again;
        try {
            again = JetSql::Translate(out);
        } catch (const EDatabaseError& e) {
            fuzz::Fail("the translation does not translate again", out + "\n" + e.Message);
        }
        FUZZ_CHECK(again == out, "first: " + out + "\nagain: " + again);
    } catch (const EDatabaseError&) {
        // A '#' that starts no date: refused, as the statement's author would be told.
    }

    // The literal parser on the text as it stands.
    double value = 0;
    if (size < 256 && JetSql::ParseDateLiteral(sql, value)) FUZZ_CHECK(std::isfinite(value));

    CheckStringLiteral(sql);
    CheckDateLiteral(data, size);
    return 0;
}
