#include "Appointments.h"

#include <algorithm>

namespace {

// One column of the result, looked up once; Read turns its field into the value.
template <typename T>
struct Column {
    const char* name;
    T (*read)(TField*);
    TField* field = nullptr;

    void Find(const TDataSet& data) { field = data.FindField(name); }
    AppointmentField<T> Of() const {
        if (!field)
            return AppointmentField<T>::Failed(
                std::make_exception_ptr(EDatabaseError(AnsiString("Feld '") + name + "' nicht gefunden")), true);
        try {
            return AppointmentField<T>(read(field), field->IsNull());
        } catch (const std::exception&) {
            return AppointmentField<T>::Failed(std::current_exception(), false);
        }
    }
};

TDateTime DateOf(TField* f) { return f->AsDateTime(); }
AnsiString TextOf(TField* f) { return f->AsString(); }
int NumberOf(TField* f) { return f->AsInteger(); }
bool FlagOf(TField* f) { return f->AsBoolean(); }

std::vector<Appointment> ReadAppointments(TDataSet& data, std::size_t room) {
    Column<TDateTime> start{"StartTime", DateOf}, end{"EndTime", DateOf};
    Column<AnsiString> subject{"Subject", TextOf}, notes{"Notes", TextOf}, kind{"Terminart", TextOf},
        user{"Benutzer", TextOf}, address{"Adressnummer", TextOf};
    Column<int> kindNumber{"Terminart", NumberOf};
    Column<bool> alarm{"Alarm", FlagOf};
    for (Column<AnsiString>* c : {&subject, &notes, &kind, &user, &address}) c->Find(data);
    start.Find(data);
    end.Find(data);
    kindNumber.Find(data);
    alarm.Find(data);
    std::vector<Appointment> out;
    out.reserve(room);
    for (data.First(); !data.Eof(); data.Next())
        out.push_back(Appointment{start.Of(), end.Of(), subject.Of(), notes.Of(), kind.Of(), kindNumber.Of(),
                                  alarm.Of(), user.Of(), address.Of()});
    return out;
}

// How many appointments of anybody start between the bounds, counted in the index of StartTime
// alone: at least as many as the user's, so that their list takes its room once and is never moved
// while it fills, which would touch twice the memory. Only a hint: 0 when it cannot be counted.
std::size_t AppointmentsUpTo(TADOConnection* Connection, TDateTime From, TDateTime To) {
    try {
        TADODataSet count(nullptr);
        count.SetConnection(Connection);
        count.SetLockType(ltReadOnly);
        count.SetCommandText("select count(*) from termine where StartTime > ? AND StartTime < ?");
        count.SetParameters({Variant(From), Variant(To)});
        count.Open();
        return static_cast<std::size_t>(std::max<Int64>(0, count.Fields()->Fields(0)->AsLargeInt()));
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

std::vector<Appointment> AppointmentsBetween(TADOConnection* Connection, const AnsiString& User, TDateTime From,
                                             TDateTime To) {
    TADODataSet query(nullptr);
    query.SetConnection(Connection);
    query.SetLockType(ltReadOnly);
    // Each row straight into its appointment: no second copy of the result is held.
    query.SetCursorLocation(clUseServer);
    query.SetCursorType(ctOpenForwardOnly);
    query.SetCommandText("select * from termine where (Benutzer = 'alle' OR Benutzer = ?) AND StartTime > ? AND "
                         "StartTime < ? order by StartTime");
    query.SetParameters({Variant(User), Variant(From), Variant(To)});
    query.Open();
    // Counted while the query holds the connection open, which would otherwise close in between.
    std::vector<Appointment> appointments = ReadAppointments(query, AppointmentsUpTo(Connection, From, To));
    query.Close();
    return appointments;
}
