#pragma once
// A database file made from the shipped schema in a temporary folder, the Jet connection string
// the program builds for it, and direct SQLite access for checking what the layer wrote.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "ADODB.h"
#include "SysUtils.h"
#include "TempDir.h"

namespace dbtest {

inline std::string JetConnectionString(const std::string& folder) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";User ID=Admin;Data Source=" + folder +
           "zorbelin.mde;Mode=Share Deny None;Extended Properties=\"\";Jet OLEDB:System database=\"\";"
           "Jet OLEDB:Registry Path=\"\";Jet OLEDB:Database Password=\"\";Jet OLEDB:Engine Type=4;"
           "Jet OLEDB:Database Locking Mode=0;Jet OLEDB:Global Partial Bulk Ops=2;"
           "Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password=\"\";"
           "Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;"
           "Jet OLEDB:Don't Copy Locale on Compact=False;Jet OLEDB:Compact Without Replica Repair=False;"
           "Jet OLEDB:SFP=False";
}

class Db : public ::testing::Test {
protected:
    void SetUp() override {
        std::string schema = SysUtils::ReadFileBytes(ZB_SCHEMA_FILE);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path().c_str(), &db), SQLITE_OK);
        char* err = nullptr;
        int rc = sqlite3_exec(db, schema.c_str(), nullptr, nullptr, &err);
        std::string msg = err ? err : "";
        sqlite3_free(err);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << msg;
    }

    std::string path() const { return dir.file("zorbelin.mde"); }
    std::string connectionString() const { return JetConnectionString(dir.str()); }

    // Runs SQL on a connection of its own, beside the layer.
    void Sql(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        char* err = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
        std::string msg = err ? err : "";
        sqlite3_free(err);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << msg << "\n" << sql;
    }

    // The first column of the first row of a query, as text ("NULL" for null, "" without a row).
    std::string Scalar(const std::string& sql) {
        sqlite3* db = nullptr;
        std::string result;
        if (sqlite3_open_v2(path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return "open failed";
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            result = std::string("error: ") + sqlite3_errmsg(db);
        } else if (sqlite3_step(st) == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(st, 0);
            result = t ? reinterpret_cast<const char*>(t) : "NULL";
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return result;
    }

    testsupport::TempDir dir;
};

} // namespace dbtest
