#include "DueAlarms.h"

#include <cmath>

namespace {

constexpr double MsPerDay = 86400000.0;
constexpr double MsPerMinute = 60000.0;

// The earliest time that falls in Minute: half a millisecond before it, since times are rounded to
// the millisecond.
double MinuteBegins(long long Minute) { return (double(Minute) * MsPerMinute - 0.5) / MsPerDay; }

AppointmentField<AnsiString> TextOf(TField* Field, const char* Name) {
    if (!Field)
        return AppointmentField<AnsiString>::Failed(
            std::make_exception_ptr(EDatabaseError(AnsiString("Feld '") + Name + "' nicht gefunden")), true);
    try {
        return AppointmentField<AnsiString>(Field->AsString(), Field->IsNull());
    } catch (const std::exception&) {
        return AppointmentField<AnsiString>::Failed(std::current_exception(), false);
    }
}

// The flag as the program reads it: any number but 0, or "True"; "False" written as text asks for
// no alarm, nor does a value that is no flag at all.
bool AlarmAsked(TField* Field) {
    try {
        return Field && !Field->IsNull() && Field->AsBoolean();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

long long MinuteNumber(TDateTime Time) {
    return static_cast<long long>(std::floor(std::round(double(Time) * MsPerDay) / MsPerMinute));
}

std::vector<DueAlarm> DueAlarmsBetween(TADOConnection* Connection, const AnsiString& User, long long First,
                                       long long Last) {
    if (Last < First) return {};
    TADODataSet query(nullptr);
    query.SetConnection(Connection);
    query.SetLockType(ltReadOnly);
    query.SetCursorLocation(clUseServer);
    query.SetCursorType(ctOpenForwardOnly);
    // The bounds reach a hundredth of a millisecond beyond the minutes, more than the numbers can be
    // off: which minute a start on the edge falls in is decided below, by the rounding of every check.
    query.SetCommandText("select * from termine where (Benutzer = 'alle' OR Benutzer = ?) AND Alarm <> 0 AND "
                         "Subject IS NOT NULL AND StartTime >= ? AND StartTime < ? order by StartTime");
    const double slack = 0.01 / MsPerDay;
    query.SetParameters({Variant(User), Variant(MinuteBegins(First) - slack), Variant(MinuteBegins(Last + 1) + slack)});
    query.Open();
    TField* const start = query.FindField("StartTime");
    TField* const user = query.FindField("Benutzer");
    TField* const subject = query.FindField("Subject");
    TField* const notes = query.FindField("Notes");
    TField* const alarm = query.FindField("Alarm");
    std::vector<DueAlarm> due;
    for (query.First(); !query.Eof(); query.Next()) {
        if (!AlarmAsked(alarm)) continue;
        TDateTime when;
        try {
            when = start->AsDateTime();
        } catch (const std::exception&) {
            continue;   // no time, so no minute it could be due in
        }
        const long long minute = MinuteNumber(when);
        if (minute < First || minute > Last) continue;
        due.push_back(DueAlarm{when, TextOf(user, "Benutzer"), TextOf(subject, "Subject"), TextOf(notes, "Notes")});
    }
    query.Close();
    return due;
}
