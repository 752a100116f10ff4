// Makes the sample database for a first start: the schema, then the sample data with dates
// relative to today. An existing database is never touched, since it may hold the user's tasks.
//
//   make_sample_database <schema.sql> <sample.sql> <target database>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

// Days since 1899-12-30 of a civil date.
long DaySerial(int y, int m, int d) {
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;   // 1970-01-01 is day 25569
}

struct Today {
    long serial;
    int month;
};

Today Now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {DaySerial(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday), tm.tm_mon + 1};
}

int MonthOf(long serial) {
    std::time_t t = static_cast<std::time_t>(serial - 25569) * 86400;
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm.tm_mon + 1;
}

void TodayFunction(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_int64(ctx, Now().serial);
}

void NearFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Today today = Now();
    long n = static_cast<long>(sqlite3_value_int64(argv[0]));
    long day = today.serial + n;
    if (MonthOf(day) != today.month) day = today.serial - n;
    sqlite3_result_int64(ctx, day);
}

std::string ReadFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "SQLite error";
        sqlite3_free(err);
        throw std::runtime_error(msg);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: " << argv[0] << " schema.sql sample.sql target.mde\n";
        return 2;
    }
    namespace fs = std::filesystem;
    fs::path target = argv[3];
    if (fs::exists(target)) {
        std::cout << "Sample database kept: " << target.string() << "\n";
        return 0;
    }
    fs::path temp = target;
    temp += ".new-" + std::to_string(getpid());
    try {
        fs::create_directories(target.parent_path());
        std::string schema = ReadFile(argv[1]), sample = ReadFile(argv[2]);
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            std::string msg = db ? sqlite3_errmsg(db) : "cannot open";
            sqlite3_close(db);
            throw std::runtime_error(msg);
        }
        try {
            sqlite3_create_function_v2(db, "today", 0, SQLITE_UTF8, nullptr, TodayFunction, nullptr, nullptr, nullptr);
            sqlite3_create_function_v2(db, "near", 1, SQLITE_UTF8, nullptr, NearFunction, nullptr, nullptr, nullptr);
            Exec(db, "BEGIN");
            Exec(db, schema);
            Exec(db, sample);
            Exec(db, "COMMIT");
            // A rollback journal, so the file can be read from a read-only or shared network folder.
            Exec(db, "PRAGMA journal_mode=DELETE");
        } catch (...) {
            sqlite3_close(db);
            throw;
        }
        if (sqlite3_close(db) != SQLITE_OK) throw std::runtime_error("cannot close the new database");
        // link() fails when the target appeared meanwhile, so nothing is ever overwritten.
        if (link(temp.c_str(), target.c_str()) != 0 && !fs::exists(target))
            throw std::runtime_error("cannot create " + target.string());
        fs::remove(temp);
    } catch (const std::exception& e) {
        std::error_code ec;
        fs::remove(temp, ec);
        std::cerr << "Sample database not made: " << e.what() << "\n";
        return 1;
    }
    std::cout << "Sample database made: " << target.string() << "\n";
    return 0;
}
