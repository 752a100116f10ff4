#pragma once
// The alarms that fall due: the appointments that asked for a reminder, by the minute their start
// falls in. The reminders ask for the minutes they have not yet handled and get exactly the alarms
// of those minutes, read as values.
#include <vector>

#include "ADODB.h"
#include "Appointments.h"

// The minute a time falls in, counted from 1899-12-30. The time is taken to the nearest millisecond
// first, as DecodeTime takes it: 10:14:59.9996 falls in 10:15.
long long MinuteNumber(TDateTime Time);

// One appointment due. User, subject and notes keep the reason when they could not be read.
struct DueAlarm {
    TDateTime Start;
    AppointmentField<AnsiString> User;      // "Benutzer": the name as stored, or "alle"
    AppointmentField<AnsiString> Subject;   // never Null
    AppointmentField<AnsiString> Notes;
};

// The appointments of User and of "alle" whose alarm flag is set and whose subject is not Null,
// with their start in the minutes First to Last (both included), ordered by start. Only those rows
// are read; a start that cannot be read as a time is no minute to ring at. A failing query raises
// (EDatabaseError).
std::vector<DueAlarm> DueAlarmsBetween(TADOConnection* Connection, const AnsiString& User, long long First,
                                       long long Last);
