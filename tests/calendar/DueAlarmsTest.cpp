#include "DueAlarms.h"
#include "CalendarFixture.h"

#include <tuple>

using namespace caltest;

namespace {

using Lines = std::vector<std::string>;

// 5 March 2007 at the given time of day.
TDateTime At(int hour, int minute, double seconds = 0) {
    return D(2007, 3, 5, hour + minute / 60.0 + seconds / 3600.0);
}

class DueAlarms : public CalendarTest {
protected:
    std::vector<DueAlarm> Due(const std::string& user, TDateTime first, TDateTime last) {
        TADOConnection connection(nullptr);
        connection.SetConnectionString(host.connectionString);
        connection.SetMode(cmRead);
        return DueAlarmsBetween(&connection, user, MinuteNumber(first), MinuteNumber(last));
    }
    // A row as another program writes it: the start to the last bit, the other values as SQL text.
    void Row(TDateTime start, const std::string& subject, const std::string& alarm, const std::string& user,
             const std::string& notes = "NULL") {
        Sql("insert into termine (StartTime, Subject, Notes, Alarm, Benutzer) values (" +
            SysUtils::FloatToCText(double(start), 17) + ", " + subject + ", " + notes + ", " + alarm + ", " + user + ")");
    }
    static Lines Subjects(const std::vector<DueAlarm>& list) {
        Lines out;
        for (const DueAlarm& a : list) out.push_back(a.Subject.Value());
        return out;
    }
};

} // namespace

TEST_F(DueAlarms, ThoseOfTheUserAndOfEverybodyWithAnAlarmWhoseStartFallsInTheMinutes) {
    // The minutes 10:15 to 10:17; a time counts to the nearest millisecond.
    Row(At(10, 14, 59.9994), "'davor'", "1", "'anna'");
    Row(At(10, 14, 59.9996), "'gerundet'", "1", "'anna'", "'Kuchen'");
    Row(At(10, 15), "'für alle'", "1", "'alle'");
    Row(At(10, 17, 59.9994), "'letzte Minute'", "-1", "'ANNA'");
    Row(At(10, 17, 59.9996), "'danach'", "1", "'anna'");
    Row(At(10, 16), "'Ernas'", "1", "'erna'");
    Row(At(10, 16), "'ohne Alarm'", "0", "'anna'");
    Row(At(10, 16), "'Alarm leer'", "NULL", "'anna'");
    Row(At(10, 16), "'Alarm als Text'", "'False'", "'anna'");
    Row(At(10, 16), "NULL", "1", "'anna'");
    Row(At(10, 16), "'Alarm als Wort'", "'True'", "'anna'");
    Row(D(2007, 3, 4, 10 + 16 / 60.0), "'gestern'", "1", "'anna'");
    Sql("insert into termine (StartTime, Subject, Alarm, Benutzer) values ('NaN', 'kein Datum', 1, 'anna')");

    const std::vector<DueAlarm> due = Due("anna", At(10, 15, 30), At(10, 17, 1));
    EXPECT_EQ(Subjects(due), (Lines{"gerundet", "für alle", "Alarm als Wort", "letzte Minute"}));
    ASSERT_EQ(due.size(), 4u);
    EXPECT_EQ(double(due[0].Start), double(At(10, 14, 59.9996)));
    EXPECT_EQ(due[0].Notes.Value(), "Kuchen");
    EXPECT_EQ(due[0].User.Value(), "anna");
    EXPECT_EQ(due[1].User.Value(), "alle");
    EXPECT_TRUE(due[1].Notes.IsNull());
    EXPECT_EQ(due[3].User.Value(), "ANNA");

    // One minute alone, and none at all.
    EXPECT_EQ(Subjects(Due("anna", At(10, 17), At(10, 17))), (Lines{"letzte Minute"}));
    EXPECT_EQ(Subjects(Due("anna", At(10, 18), At(10, 17))), Lines{});
    // Another user's alarm is hers alone.
    EXPECT_EQ(Subjects(Due("erna", At(10, 16), At(10, 16))), (Lines{"Ernas"}));
}

// Only what can be due is read: notes too large for any read, on the day's appointments that
// cannot ring now, cost the check nothing, while the list of the day would fail on them.
TEST_F(DueAlarms, RowsThatCannotBeDueAreNotRead) {
    Sql("alter table termine drop column Notes");
    Sql("alter table termine add column Seed INTEGER");
    const std::string huge = std::to_string(5 << 20);
    const std::vector<std::tuple<TDateTime, std::string, std::string, std::string>> rows{
        {At(10, 15, 20), "1", "'anna'", "0"},
        {At(10, 16), "1", "'anna'", huge}, {At(10, 15), "0", "'anna'", huge}, {At(10, 15), "1", "'erna'", huge},
        {At(8, 0), "1", "'alle'", huge}};
    for (const auto& [start, alarm, user, seed] : rows)
        Sql("insert into termine (StartTime, Subject, Alarm, Benutzer, Seed) values (" +
            SysUtils::FloatToCText(double(start), 17) + ", " + (seed == "0" ? "'Zahnarzt'" : "'groß'") + ", " + alarm +
            ", " + user + ", " + seed + ")");
    Sql("alter table termine add column Notes TEXT GENERATED ALWAYS AS (printf('%.*c', Seed, 'x'))");

    const std::vector<DueAlarm> due = Due("anna", At(10, 15), At(10, 15));
    EXPECT_EQ(Subjects(due), Lines{"Zahnarzt"});
    TADOConnection connection(nullptr);
    connection.SetConnectionString(host.connectionString);
    EXPECT_ANY_THROW(AppointmentsBetween(&connection, "anna", D(2007, 3, 4), D(2007, 3, 6)));
}
