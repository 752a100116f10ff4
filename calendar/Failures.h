#pragma once
// What went wrong, in words for the user: the page builder and the start-up tell the user why the
// calendar cannot be shown, not just that it cannot.
#include <exception>

#include "SysUtils.h"

// One German sentence naming the cause of E (a missing table or column, a damaged, empty or
// foreign database file, a file that cannot be read, settings that cannot be saved), followed in
// brackets by the database's German words or the file concerned. No English reaches the user.
AnsiString DescribeFailure(const std::exception& E);
// The technical words behind E (SQLite's own, the library's), for the debug log only.
AnsiString FailureDetail(const std::exception& E);
