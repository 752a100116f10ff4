#pragma once
// What went wrong, in words for the user: the page builder and the start-up tell the user why the
// calendar cannot be shown, not just that it cannot.
#include <exception>

#include "SysUtils.h"

// One German sentence naming the cause of E (a missing table or column, a damaged, empty or
// foreign database file, a file that cannot be read, settings that cannot be saved), followed by
// the technical text in brackets.
AnsiString DescribeFailure(const std::exception& E);
