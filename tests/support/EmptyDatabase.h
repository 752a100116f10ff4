#pragma once
// A database file without tables, where a test builds its own. The data layer never makes a
// database out of an empty file, so it is made here, with SQLite itself.
#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace testsupport {

inline void CreateEmptyDatabase(const std::string& file) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
                    sqlite3_exec(db, "CREATE TABLE zb_start (a); DROP TABLE zb_start;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    if (!ok) throw std::runtime_error("cannot create the database " + file);
}

} // namespace testsupport
