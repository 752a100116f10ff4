// The calendar's statements, exactly as the system writes them, against a real file.
#include <vector>

#include "DbFixture.h"

namespace {

using dbtest::Db;

double At(int y, int m, int d, int h = 0, int n = 0) {
    return SysUtils::EncodeDate(y, m, d).Val + SysUtils::EncodeTime(h, n, 0, 0).Val;
}

std::string Num(double v) {
    // SQL takes the number with '.', whatever the process locale is.
    return SysUtils::FloatToCText(v, 12, true);
}

std::string Literal(double date) { return SysUtils::FormatDateTime("#m'/'d'/'yyyy#", TDateTime(date)); }

std::string RangeStatement(const std::string& user, double lower, double upper) {
    return "select * from termine where (Benutzer = 'alle' OR Benutzer = '" + user + "' ) AND  StartTime > " +
           Literal(lower) + " AND StartTime < " + Literal(upper) + " order by StartTime";
}

std::string MonthStatement(const std::string& user, int m, int y) {
    return "select * from termine where (Benutzer = 'alle' OR Benutzer = '" + user + "') AND  MONTH(StartTime) > " +
           std::to_string(m - 1) + " AND MONTH(StartTime) < " + std::to_string(m + 1) + " AND YEAR(StartTime) = " +
           std::to_string(y) + " order by StartTime";
}

std::string Quoted(const std::string& s) { return SysUtils::StringReplace(s, "'", "''", SysUtils::rfReplaceAll); }

class Calendar : public Db {
protected:
    void Add(double start, const std::string& subject, const std::string& user, int kind = 0) {
        Sql("insert into termine (StartTime, EndTime, Subject, Terminart, Alarm, Benutzer) values (" + Num(start) +
            ", " + Num(start + 1.0 / 24) + ", '" + Quoted(subject) + "', " + std::to_string(kind) + ", 0, '" +
            Quoted(user) + "')");
    }

    std::vector<std::string> Subjects(const std::string& sql) {
        TADOConnection c(nullptr);
        c.SetConnectionString(connectionString());
        c.SetMode(cmRead);
        TADODataSet ds(nullptr);
        ds.SetConnection(&c);
        ds.SetCommandText(sql);
        ds.Open();
        std::vector<std::string> out;
        for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.FieldByName("Subject")->AsString());
        return out;
    }

    using List = std::vector<std::string>;
};

TEST_F(Calendar, WeekSelectsBetweenTheSundayBeforeAndTheMondayAfter) {
    // The week of Sunday 11 March 2007 starts on Monday 5 March.
    Add(At(2007, 3, 4), "Sonntag davor, Mitternacht", "alle");
    Add(At(2007, 3, 4, 10), "Sonntag davor, 10 Uhr", "alle");
    Add(At(2007, 3, 5, 8, 30), "Montag", "anna");
    Add(At(2007, 3, 7), "Mittwoch ganztags", "ANNA");
    Add(At(2007, 3, 8, 9), "fremd", "bert");
    Add(At(2007, 3, 11, 23, 59), "Sonntag spät", "Alle");
    Add(At(2007, 3, 12), "Montag danach", "alle");
    std::string sql = RangeStatement("anna", At(2007, 3, 4), At(2007, 3, 12));
    EXPECT_EQ(sql, "select * from termine where (Benutzer = 'alle' OR Benutzer = 'anna' ) AND  StartTime > #3/4/2007# "
                   "AND StartTime < #3/12/2007# order by StartTime");
    EXPECT_EQ(Subjects(sql), (List{"Sonntag davor, 10 Uhr", "Montag", "Mittwoch ganztags", "Sonntag spät"}));
}

TEST_F(Calendar, XDaysRangeFromFiveDaysBeforeToThirtyAfter) {
    double start = At(2007, 3, 7);
    Add(At(2007, 3, 2), "Grenze unten", "alle");
    Add(At(2007, 3, 2, 0, 1), "knapp drin", "alle");
    Add(At(2007, 4, 5, 23, 0), "letzter Tag", "anna");
    Add(At(2007, 4, 6), "Grenze oben", "anna");
    std::string sql = RangeStatement("anna", start - 5, start + 30);
    EXPECT_NE(sql.find("StartTime > #3/2/2007# AND StartTime < #4/6/2007#"), std::string::npos);
    EXPECT_EQ(Subjects(sql), (List{"knapp drin", "letzter Tag"}));
}

TEST_F(Calendar, MonthSelectsExactlyItsMonth) {
    Add(At(2007, 2, 28, 23, 59), "Februar", "alle");
    Add(At(2007, 3, 1), "erster März", "alle");
    Add(At(2007, 3, 15, 12), "Mitte", "anna");
    Add(At(2007, 3, 31, 23, 59), "letzter März", "anna");
    Add(At(2007, 4, 1), "April", "alle");
    Add(At(2006, 3, 10), "März im Vorjahr", "alle");
    Add(At(2007, 3, 10), "fremd", "bert");
    std::string sql = MonthStatement("anna", 3, 2007);
    EXPECT_EQ(sql, "select * from termine where (Benutzer = 'alle' OR Benutzer = 'anna') AND  MONTH(StartTime) > 2 "
                   "AND MONTH(StartTime) < 4 AND YEAR(StartTime) = 2007 order by StartTime");
    EXPECT_EQ(Subjects(sql), (List{"erster März", "Mitte", "letzter März"}));
}

TEST_F(Calendar, JanuaryAndDecemberCompareWithZeroAndThirteen) {
    Add(At(2006, 12, 31, 23, 59), "Silvester davor", "alle");
    Add(At(2007, 1, 1), "Neujahr", "alle");
    Add(At(2007, 1, 31, 18), "Ende Januar", "alle");
    Add(At(2007, 2, 1), "Februar", "alle");
    Add(At(2007, 11, 30, 23, 59), "November", "alle");
    Add(At(2007, 12, 1), "erster Dezember", "alle");
    Add(At(2007, 12, 31, 23, 59), "Silvester", "alle");
    Add(At(2008, 1, 1), "Neujahr danach", "alle");
    Add(At(2008, 12, 24), "Dezember danach", "alle");
    std::string jan = MonthStatement("anna", 1, 2007);
    EXPECT_NE(jan.find("MONTH(StartTime) > 0 AND MONTH(StartTime) < 2 AND YEAR(StartTime) = 2007"), std::string::npos);
    EXPECT_EQ(Subjects(jan), (List{"Neujahr", "Ende Januar"}));
    std::string dec = MonthStatement("anna", 12, 2007);
    EXPECT_NE(dec.find("MONTH(StartTime) > 11 AND MONTH(StartTime) < 13 AND YEAR(StartTime) = 2007"), std::string::npos);
    EXPECT_EQ(Subjects(dec), (List{"erster Dezember", "Silvester"}));
}

TEST_F(Calendar, UserNamesWithQuotesAndCase) {
    Add(At(2007, 3, 6, 9), "von O'Brien", "O'Brien");
    Add(At(2007, 3, 6, 10), "von o'brien klein", "o'brien");
    Add(At(2007, 3, 6, 11), "von Brien", "Brien");
    Add(At(2007, 3, 6, 12), "für alle", "alle");
    std::string user = Quoted("O'Brien");
    EXPECT_EQ(Subjects(RangeStatement(user, At(2007, 3, 4), At(2007, 3, 12))),
              (List{"von O'Brien", "von o'brien klein", "für alle"}));
    EXPECT_EQ(Subjects(MonthStatement(user, 3, 2007)), (List{"von O'Brien", "von o'brien klein", "für alle"}));
    // A '#' in a user name is text, not a date literal.
    Add(At(2007, 3, 6, 13), "Raute", "#3/7/2007#");
    EXPECT_EQ(Subjects(MonthStatement("#3/7/2007#", 3, 2007)), (List{"für alle", "Raute"}));
}

TEST_F(Calendar, DatesOtherProgramsWroteAsTextReadAsDates) {
    Sql("insert into termine (StartTime, Benutzer) values ('2007-03-09 18:30', 'a'), ('2007-03-10', 'b'), "
        "('2007-03-11T07:05:09', 'c'), ('09.03.2007 06:00', 'd'), ('2007-03-12 8', 'e'), ('2007-13-01', 'f')");
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    ds.SetCommandText("select StartTime from termine order by Benutzer");
    ds.Open();
    ASSERT_EQ(ds.RecordCount(), 6);
    for (double expected : {At(2007, 3, 9, 18, 30), At(2007, 3, 10), At(2007, 3, 11, 7, 5) + 9 / 86400.0,
                            At(2007, 3, 9, 6, 0)}) {
        EXPECT_NEAR(ds.FieldByName("StartTime")->AsDateTime().Val, expected, 1e-9);
        ds.Next();
    }
    // An hour without minutes and a thirteenth month are no dates.
    EXPECT_THROW(ds.FieldByName("StartTime")->AsDateTime(), SysUtils::EConvertError);
    ds.Next();
    EXPECT_THROW(ds.FieldByName("StartTime")->AsDateTime(), SysUtils::EConvertError);
}

TEST_F(Calendar, FieldsReadAsTheirColumnsAreDeclared) {
    Sql("insert into termine (StartTime, EndTime, Subject, Notes, Terminart, Alarm, Adressnummer, Benutzer) values (" +
        Num(At(2007, 3, 7, 8, 30)) + ", " + Num(At(2007, 3, 7, 9, 30)) + ", 'Zahnarzt', '  Bohrer  ', 4, 1, 12, 'alle')");
    Sql("insert into termine (StartTime, Terminart, Benutzer) values (" + Num(At(2007, 3, 8)) + ", 5, 'alle')");
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    ds.SetCommandText(MonthStatement("x", 3, 2007));
    ds.Open();
    ASSERT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("terminart")->AsString(), "4");
    EXPECT_EQ(ds.FieldByName("Terminart")->AsInteger(), 4);
    EXPECT_EQ(ds.FieldByName("Adressnummer")->AsString(), "12");
    EXPECT_TRUE(ds.FieldByName("Alarm")->AsBoolean());
    EXPECT_EQ(ds.FieldByName("Notes")->AsString(), "  Bohrer  ");
    EXPECT_EQ(ds.FieldByName("Notes")->DataType(), ftMemo);
    EXPECT_EQ(ds.FieldByName("StartTime")->DataType(), ftDateTime);
    EXPECT_NEAR(ds.FieldByName("StartTime")->AsDateTime().Val, At(2007, 3, 7, 8, 30), 1e-9);
    EXPECT_EQ(ds.FieldByName("StartTime")->AsString(), "07.03.2007 08:30:00");
    EXPECT_EQ(SysUtils::DateToStr(ds.FieldByName("StartTime")->AsDateTime()), "07.03.2007");
    EXPECT_THROW(ds.FieldByName("Ort"), EDatabaseError);
    EXPECT_EQ(ds.FindField("Ort"), nullptr);
    ds.Next();
    EXPECT_TRUE(ds.FieldByName("Subject")->IsNull());
    EXPECT_TRUE(Variants::VarIsNull(ds.FieldByName("Subject")->Value()));
    EXPECT_EQ(ds.FieldByName("Subject")->AsString(), "");
    EXPECT_EQ(ds.FieldByName("Alarm")->AsBoolean(), false);
    EXPECT_EQ(ds.FieldByName("Adressnummer")->AsInteger(), 0);
    EXPECT_EQ(ds.FieldByName("StartTime")->AsString(), "08.03.2007");
}

TEST_F(Calendar, AResultCanBeWalkedAgainForEveryDayCell) {
    for (int d = 1; d <= 28; ++d) Add(At(2007, 2, d, 9), "Tag " + std::to_string(d), "alle");
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    ds.SetCommandText(MonthStatement("anna", 2, 2007));
    ds.Open();
    for (int cell = 0; cell < 42; ++cell) {
        int count = 0;
        double last = 0;
        for (ds.First(); !ds.Eof(); ds.Next()) {
            double start = ds.FieldByName("StartTime")->AsDateTime();
            EXPECT_GT(start, last);
            last = start;
            ++count;
        }
        ASSERT_EQ(count, 28);
    }
}

TEST_F(Calendar, RefreshFlagAddressAndReminderStatements) {
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    TADOCommand cmd(nullptr);
    cmd.SetConnection(&c);

    // The main window makes sure the user's row exists, then asks for its flag.
    ds.SetCommandText("select Benutzer from BenutzerEinstellungen where Benutzer = 'anna'");
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 0);
    ds.Close();
    cmd.SetCommandText("insert into BenutzerEinstellungen (Benutzer,NeedUpdate) Values('anna',false)");
    EXPECT_EQ(cmd.Execute(), 1);
    Sql("update BenutzerEinstellungen set NeedUpdate = 1 where Benutzer = 'anna'");
    ds.SetCommandText("select Benutzer from BenutzerEinstellungen where Benutzer = 'Anna' AND  NeedUpdate = true");
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 1);
    cmd.SetCommandText("update BenutzerEinstellungen set NeedUpdate = false where Benutzer = 'anna'");
    EXPECT_EQ(cmd.Execute(), 1);
    ds.Requery();
    EXPECT_EQ(ds.RecordCount(), 0);

    Sql("insert into adressen (AdressenNr, EmailAdresse1) values (12, 'oma@example.org'), (13, 'x@example.org')");
    ds.SetCommandText("select * from adressen where AdressenNr = 12");
    ds.Open();
    ds.First();
    ASSERT_FALSE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("EmailAdresse1")->AsString(), "oma@example.org");
    EXPECT_EQ(ds.RecordCount(), 1);

    Add(At(2026, 12, 7, 10, 15), "heute", "anna");
    Add(At(2026, 12, 5, 10, 15), "vorgestern", "anna");
    double now = At(2026, 12, 7, 10, 15);
    ds.SetCommandText("select Subject,StartTime,Benutzer,Notes from termine where (Benutzer = 'alle' OR Benutzer = 'anna' ) "
                      "AND  StartTime > " + Literal(now - 1) + " AND StartTime < " + Literal(now + 1) + " order by StartTime");
    ds.Open();
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldCount(), 4);
    EXPECT_EQ(ds.FieldByName("Subject")->AsString(), "heute");
}

} // namespace
