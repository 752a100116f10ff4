#pragma once
// Appointments of the table "termine" as values, and the one query that reads those of a user.
// Other programs write the table: a column may be missing and a value may be no valid one. Such a
// field is kept with the reason it could not be read, so that only the appointment that needs it
// fails, where it needs it, as its record did when the field was read there.
#include <exception>
#include <utility>
#include <vector>

#include "ADODB.h"

template <typename T>
class AppointmentField {
public:
    AppointmentField() = default;
    explicit AppointmentField(T Value, bool Null = false) : value_(std::move(Value)), null_(Null) {}
    // A field that could not be read: its column is missing, or its value is no valid one.
    static AppointmentField Failed(std::exception_ptr Error, bool ColumnMissing) {
        AppointmentField f;
        f.error_ = std::move(Error);
        f.missing_ = ColumnMissing;
        return f;
    }

    // The value; raises what kept it from being read.
    const T& Value() const {
        if (error_) std::rethrow_exception(error_);
        return value_;
    }
    bool Readable() const { return !error_; }
    // The column is missing from the table (not only this value unreadable).
    bool ColumnMissing() const { return missing_; }
    // The database held Null (the value is then the type's empty one); raises only when the
    // column is missing.
    bool IsNull() const {
        if (missing_) std::rethrow_exception(error_);
        return null_;
    }

private:
    T value_{};
    bool null_ = false;
    bool missing_ = false;
    std::exception_ptr error_;
};

// One record of "termine", each field read as its database field gives it.
struct Appointment {
    AppointmentField<TDateTime> Start;            // StartTime
    AppointmentField<TDateTime> End;              // EndTime
    AppointmentField<AnsiString> Subject;
    AppointmentField<AnsiString> Notes;
    // "Terminart" as text ("4": not shown) and as a number (5: a birthday).
    AppointmentField<AnsiString> Kind;
    AppointmentField<int> KindNumber;
    AppointmentField<bool> Alarm;
    AppointmentField<AnsiString> User;            // "Benutzer": a user's name, or "alle"
    AppointmentField<AnsiString> AddressNumber;   // "Adressnummer" as text, the key into "adressen"
};

// The appointments of User and of "alle" whose StartTime lies strictly between From and To, ordered
// by StartTime. User and bounds are bound to the statement. A record whose fields cannot be read is
// returned all the same, its fields saying why; a failing query raises (EDatabaseError).
std::vector<Appointment> AppointmentsBetween(TADOConnection* Connection, const AnsiString& User, TDateTime From,
                                             TDateTime To);
