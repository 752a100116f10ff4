#include "Appointments.h"
#include "CalendarFixture.h"

using namespace caltest;

namespace {

using Lines = std::vector<std::string>;

class Appointments : public CalendarTest {
protected:
    std::vector<Appointment> Between(const std::string& user, TDateTime from, TDateTime to) {
        TADOConnection connection(nullptr);
        connection.SetConnectionString(host.connectionString);
        connection.SetMode(cmRead);
        return AppointmentsBetween(&connection, user, from, to);
    }
    static Lines Subjects(const std::vector<Appointment>& list) {
        Lines out;
        for (const Appointment& a : list) out.push_back(a.Subject.Value());
        return out;
    }
};

const std::string kHostile = "o'brien'; drop table termine; --";

} // namespace

TEST_F(Appointments, ThoseOfTheUserAndOfEverybodyStartingStrictlyBetweenTheBounds) {
    AddAppointment(D(2007, 3, 7), D(2007, 3, 7), "obere Grenze", "", 0, 0, "o'brien");
    AddAppointment(D(2007, 3, 6, 8), D(2007, 3, 6, 9), "Team", "", 0, 0, "Alle");
    AddAppointment(D(2007, 3, 5, 9), D(2007, 3, 5, 10.5), "Geburtstag", "Kuchen", 5, 1, "O'Brien", "12");
    AddAppointment(D(2007, 3, 5), D(2007, 3, 5), "untere Grenze", "", 0, 0, "o'brien");
    AddAppointment(D(2007, 3, 6, 9), D(2007, 3, 6, 9), "Annas", "", 0, 0, "anna");
    AddAppointment(D(2007, 3, 6, 10), D(2007, 3, 6, 10), "Nachbar", "", 0, 0, kHostile);

    const std::vector<Appointment> list = Between("o'brien", D(2007, 3, 5), D(2007, 3, 7));
    EXPECT_EQ(Subjects(list), (Lines{"Geburtstag", "Team"}));
    ASSERT_EQ(list.size(), 2u);
    const Appointment& a = list[0];
    EXPECT_EQ(double(a.Start.Value()), double(D(2007, 3, 5, 9)));
    EXPECT_EQ(double(a.End.Value()), double(D(2007, 3, 5, 10.5)));
    EXPECT_EQ(a.Notes.Value(), "Kuchen");
    EXPECT_EQ(a.Kind.Value(), "5");
    EXPECT_EQ(a.KindNumber.Value(), 5);
    EXPECT_TRUE(a.Alarm.Value());
    EXPECT_EQ(a.User.Value(), "O'Brien");
    EXPECT_EQ(a.AddressNumber.Value(), "12");
    EXPECT_FALSE(a.AddressNumber.IsNull());
    EXPECT_TRUE(list[1].AddressNumber.IsNull());
    EXPECT_EQ(list[1].AddressNumber.Value(), "");

    // A name holding SQL is a name.
    EXPECT_EQ(Subjects(Between(kHostile, D(2007, 3, 1), D(2007, 4, 1))), (Lines{"Team", "Nachbar"}));
    EXPECT_EQ(Query("select count(*) from termine"), "6");
}

TEST_F(Appointments, AValueThatCannotBeReadFailsOnlyItsOwnField) {
    AddAppointment(D(2007, 3, 5, 9), D(2007, 3, 5, 10), "davor");
    Sql("insert into termine (StartTime, EndTime, Subject, Terminart, Alarm, Benutzer) "
        "values (39146.5, 'kein Datum', 'kaputt', 'vier', 0, 'anna')");
    AddAppointment(D(2007, 3, 5, 20), D(2007, 3, 5, 21), "danach");

    const std::vector<Appointment> list = Between("anna", D(2007, 3, 5), D(2007, 3, 6));
    EXPECT_EQ(Subjects(list), (Lines{"davor", "kaputt", "danach"}));
    ASSERT_EQ(list.size(), 3u);
    const Appointment& bad = list[1];
    EXPECT_EQ(double(bad.Start.Value()), double(D(2007, 3, 5, 12)));
    EXPECT_FALSE(bad.End.Readable());
    EXPECT_FALSE(bad.End.IsNull());
    EXPECT_THROW(bad.End.Value(), SysUtils::EConvertError);
    EXPECT_THROW(bad.Kind.Value(), SysUtils::EConvertError);
    EXPECT_TRUE(bad.Notes.IsNull());
    EXPECT_FALSE(bad.Alarm.Value());
    EXPECT_EQ(double(list[2].End.Value()), double(D(2007, 3, 5, 21)));
}

TEST_F(Appointments, AMissingColumnFailsTheFieldsOfIt) {
    AddAppointment(D(2007, 3, 5, 9), D(2007, 3, 5, 10), "ohne Notizen", "weg");
    Sql("alter table termine drop column Notes");

    const std::vector<Appointment> list = Between("anna", D(2007, 3, 5), D(2007, 3, 6));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Subject.Value(), "ohne Notizen");
    EXPECT_FALSE(list[0].Notes.Readable());
    EXPECT_THROW(list[0].Notes.IsNull(), EDatabaseError);
    try {
        list[0].Notes.Value();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Feld 'Notes' nicht gefunden");
    }
}
