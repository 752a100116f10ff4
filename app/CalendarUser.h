#pragma once
// The user whose appointments the calendar shows and whose reminders ring: the planner's stored
// name, else the computer's name, which is then stored ("unknown" when neither can be had).
#include "SysUtils.h"

AnsiString CalendarUserFromSettings();
