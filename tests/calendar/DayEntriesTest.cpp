#include "ModuleFixture.h"

using namespace caltest;

namespace {

class DayEntries : public ModuleTest {};

using Lines = std::vector<std::string>;
const std::string kNoNotes = "<p TITLE=\"... kein Zusatztext vorhanden\" >";

} // namespace

TEST_F(DayEntries, AllDayAndTimedForms) {
    AddAppointment(D(2007, 3, 6, 10), D(2007, 3, 6, 10), "Zahnarzt");
    AddAppointment(D(2007, 3, 6, 10), D(2007, 3, 6, 11.5), "Meeting  ", "  Raum 3 ");
    AddAppointment(D(2007, 3, 6, 0), D(2007, 3, 6, 23 + 59 / 60.0), "Messe");
    AddAppointment(D(2007, 3, 6, 0), D(2007, 3, 6, 23 + 59 / 60.0), "Messe mit Alarm", "", 0, 1);
    Load(D(2007, 3, 5));
    EXPECT_EQ(Entries(D(2007, 3, 6)),
              (Lines{kNoNotes, "Messe", "</p>",
                     kNoNotes, "00:00", "Uhr Messe mit Alarm", "</p>",
                     kNoNotes, "Zahnarzt", "</p>",
                     "<p TITLE=\"Raum 3\" >", "10:00", "Uhr Meeting", "</p>"}));
    EXPECT_TRUE(Entries(D(2007, 3, 7)).empty());
}

TEST_F(DayEntries, DurationDecidesTheForm) {
    AddAppointment(D(2007, 3, 6, 10), D(2007, 3, 6, 9), "rückwärts");
    AddAppointment(D(2007, 3, 6, 0), D(2007, 3, 6, 19.2), "genau 0,8");
    AddAppointment(D(2007, 3, 6, 0), D(2007, 3, 6, 19.2 + 1 / 60.0), "länger");
    AddAppointment(D(2007, 3, 6, 10), D(2007, 3, 9, 10), "drei Tage");
    AddAppointment(D(2007, 3, 6, 8.25), D(2007, 3, 6, 9), "   ", "\t");
    Load(D(2007, 3, 5));
    EXPECT_EQ(Entries(D(2007, 3, 6)),
              (Lines{kNoNotes, "00:00", "Uhr genau 0,8", "</p>",
                     kNoNotes, "länger", "</p>",
                     kNoNotes, "08:15", "Uhr ", "</p>",
                     kNoNotes, "10:00", "Uhr rückwärts", "</p>",
                     kNoNotes, "drei Tage", "</p>"}));
}

TEST_F(DayEntries, SkippedRecords) {
    AddAppointment(D(2007, 3, 6, 9), D(2007, 3, 6, 10), "versteckt", "", 4);
    Sql("insert into termine (StartTime, EndTime, Subject, Terminart, Alarm, Benutzer) "
        "values (39147.5, 39147.6, NULL, 0, 0, 'anna')");
    AddAppointment(D(2007, 3, 6, 11), D(2007, 3, 6, 11), "sichtbar");
    Load(D(2007, 3, 5));
    EXPECT_EQ(Entries(D(2007, 3, 6)), (Lines{kNoNotes, "sichtbar", "</p>"}));
}

TEST_F(DayEntries, DatesBeyondEveryYearOrNoNumberAtAllLeaveTheOtherAppointmentsShown) {
    AddAppointment(D(2007, 3, 6, 9), D(2007, 3, 6, 9), "davor");
    // Another program's values: far beyond any date, or no number (39147 is the 6th of March 2007).
    Sql("insert into termine (StartTime, EndTime, Subject, Terminart, Alarm, Benutzer) values "
        "(39147.5, 1e308, 'Ende riesig', 0, 0, 'anna'), (39147.55, -1e308, 'Ende winzig', 0, 0, 'anna'), "
        "(39147.6, 'NaN', 'Ende ohne Zahl', 0, 0, 'anna'), (1e308, 39147.6, 'Anfang riesig', 0, 0, 'anna'), "
        "(-1e308, 39147.6, 'Anfang winzig', 0, 0, 'anna'), ('NaN', 39147.6, 'Anfang ohne Zahl', 0, 0, 'anna'), "
        "(-1e999, 1e999, 'unendlich', 0, 0, 'anna'), (39147.7, 39147.7, 'Art riesig', 1e308, 0, 'anna')");
    AddAppointment(D(2007, 3, 6, 20), D(2007, 3, 6, 20), "danach");
    Load(D(2007, 3, 5));
    // An end beyond the years handled is the last (or first) moment handled; one without a number
    // leaves its appointment out.
    EXPECT_EQ(Entries(D(2007, 3, 6)), (Lines{kNoNotes, "davor", "</p>",
                                            kNoNotes, "12:00", "Uhr Ende riesig", "</p>",
                                            kNoNotes, "13:12", "Uhr Ende winzig", "</p>",
                                            kNoNotes, "Art riesig", "</p>",
                                            kNoNotes, "danach", "</p>"}));
    EXPECT_EQ(Entries(D(9999, 12, 31)), (Lines{kNoNotes, "23:59", "Uhr Anfang riesig", "</p>"}));
}

TEST_F(DayEntries, TextFromOtherProgramsIsEscaped) {
    AddAppointment(D(2007, 3, 6, 9), D(2007, 3, 6, 9), "<b>Tom & Jerry</b>", "sag \"hallo\" <script>");
    Load(D(2007, 3, 5));
    EXPECT_EQ(Entries(D(2007, 3, 6)),
              (Lines{"<p TITLE=\"sag &quot;hallo&quot; &lt;script&gt;\" >",
                     "&lt;b&gt;Tom &amp; Jerry&lt;/b&gt;", "</p>"}));
}

TEST_F(DayEntries, NotesThatCannotBeReadGiveTheOtherFallback) {
    AddAppointment(D(2007, 3, 6, 9), D(2007, 3, 6, 9), "Ohne Notizspalte", "wird nicht gelesen");
    Sql("alter table termine drop column Notes");
    Load(D(2007, 3, 5));
    EXPECT_EQ(Entries(D(2007, 3, 6)),
              (Lines{"<p TITLE=\"...kein Zusatztext vorhanden\" >", "Ohne Notizspalte", "</p>"}));
}

TEST_F(DayEntries, TodaysAlarmsAndSpeech) {
    AddAppointment(D(2007, 3, 6, 9), D(2007, 3, 6, 10), "morgen mit Alarm", "", 0, 1);
    AddAppointment(D(2007, 3, 5, 8), D(2007, 3, 5, 8), "Frühstück");
    AddAppointment(D(2007, 3, 5, 16), D(2007, 3, 5, 17), "Zahnarzt", "", 0, 1);
    Load(D(2007, 3, 5));
    Entries(D(2007, 3, 6));
    Drain();
    EXPECT_FALSE(host.alarms);
    EXPECT_TRUE(host.announcements.empty());

    // Not pending: no speech, but the alarm flag.
    Entries(D(2007, 3, 5));
    Drain();
    EXPECT_TRUE(host.alarms);
    EXPECT_TRUE(host.announcements.empty());

    host.announcePending = true;
    Entries(D(2007, 3, 6));
    Entries(D(2007, 3, 5));
    Drain();
    EXPECT_EQ(host.announcements, std::vector<std::string>{"Frühstück\r\n16:00 Uhr - Zahnarzt\r\n"});
    EXPECT_EQ(host.offMainThread, 0);
}

TEST_F(DayEntries, BirthdayMailOnTheFirstBuildOfTheDay) {
    Sql("insert into adressen (AdressenNr, EmailAdresse1) values (12, 'oma@example.org')");
    AddAppointment(D(2007, 3, 5), D(2007, 3, 5), "Geburtstag Oma", "", 5, 0, "anna", "12");
    AddAppointment(D(2007, 3, 5), D(2007, 3, 5), "Geburtstag Unbekannt", "", 5, 0, "anna", "99");
    AddAppointment(D(2007, 3, 5, 1), D(2007, 3, 5, 1), "Geburtstag ohne Nummer", "", 5);
    AddAppointment(D(2007, 3, 6), D(2007, 3, 6), "Geburtstag morgen", "", 5, 0, "anna", "12");
    Load(D(2007, 3, 5));
    host.mailOnBirthday = true;

    // The previous build was yesterday: mail for the one address that exists.
    module->HasPreviousBuild = true;
    module->PreviousBuild = D(2007, 3, 4, 18);
    const Lines today = Entries(D(2007, 3, 5));
    EXPECT_EQ(today.size(), 9u);   // every birthday is still shown
    Entries(D(2007, 3, 6));
    Drain();
    EXPECT_EQ(host.mails, std::vector<std::string>{"oma@example.org"});
    // The birthdays without an address record are logged, the one without a number and the one whose
    // number has no record.
    const std::size_t first = host.log.find("BM_Keine_EMailAdresse");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(host.log.find("BM_Keine_EMailAdresse", first + 1), std::string::npos);

    // A second build the same day sends none.
    host.mails.clear();
    module->PreviousBuild = D(2007, 3, 5, 9);
    Entries(D(2007, 3, 5));
    Drain();
    EXPECT_TRUE(host.mails.empty());

    // No valid date of an earlier build counts as the first build.
    module->HasPreviousBuild = false;
    Entries(D(2007, 3, 5));
    Drain();
    EXPECT_EQ(host.mails.size(), 1u);

    host.mails.clear();
    host.mailOnBirthday = false;
    Entries(D(2007, 3, 5));
    Drain();
    EXPECT_TRUE(host.mails.empty());
    EXPECT_EQ(host.offMainThread, 0);
}

// Anyone may write a subject of a megabyte into the shared database: a day shows its first 200
// characters (whole ones) and a mark that more follows, on the page the builder makes too.
TEST_F(DayEntries, ALongSubjectIsCutWithAMarkAndLongNotesStayOutOfTheText) {
    std::string subject = "ä";
    while (subject.size() < 1000000) subject += "Wort";
    AddAppointment(D(2007, 3, 6, 9), D(2007, 3, 6, 9), subject, std::string(100, 'n'));
    AddAppointment(D(2007, 3, 6, 10), D(2007, 3, 6, 11), "kurz", std::string(1000000, 'm'));
    Load(D(2007, 3, 5));
    const std::string cut = subject.substr(0, 201) + "…";   // "ä" is two bytes
    // Compared as truth values: a failure printing a megabyte helps nobody. The notes, the entry's
    // tooltip, are cut as well.
    EXPECT_TRUE(Entries(D(2007, 3, 6)) ==
              (Lines{"<p TITLE=\"" + std::string(100, 'n') + "\" >", cut, "</p>",
                     "<p TITLE=\"" + std::string(2000, 'm') + "…\" >", "10:00", "Uhr kurz", "</p>"}));

    Design month;
    month.monat = "<#DAY DATEOFFSET=7><#DAY DATEOFFSET=8><#DAY DATEOFFSET=9>";
    month.tag = "[<#DAYTEXT>]";
    WriteDesign(month);
    SysUtils::SetClock([] { return D(2007, 3, 1, 8); });
    Build(D(2007, 3, 6), vmMonth);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_NE(host.pages[0].find(cut + "\r\n</p>"), std::string::npos) << host.pages[0].substr(0, 2000);
    EXPECT_LT(host.pages[0].size(), 100000u);
}

// Ten thousand appointments on one day in the shared database: the day shows fifty of them and a
// line that counts the others, so the page stays small.
TEST_F(DayEntries, AFullDayShowsFiftyEntriesAndCountsTheRest) {
    Sql("insert into termine (StartTime, EndTime, Subject, Terminart, Alarm, Benutzer) "
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 10000) "
        "select 39147.5 + i / 1000000.0, 39147.75, 'Termin ' || i, 0, 0, 'anna' from n");
    AddAppointment(D(2007, 3, 7, 10), D(2007, 3, 7, 11), "Einzeln");
    Load(D(2007, 3, 5));
    const Lines day = Entries(D(2007, 3, 6));
    ASSERT_EQ(day.size(), 50u * 4 + 3);
    EXPECT_EQ(Lines(day.begin(), day.begin() + 4), (Lines{kNoNotes, "12:00", "Uhr Termin 1", "</p>"}));
    EXPECT_EQ(day[49 * 4 + 2], "Uhr Termin 50");
    EXPECT_EQ(Lines(day.end() - 3, day.end()), (Lines{"<p>", "… und 9950 weitere Termine", "</p>"}));
    // A day below the bound shows every entry and no such line.
    EXPECT_EQ(Entries(D(2007, 3, 7)), (Lines{kNoNotes, "10:00", "Uhr Einzeln", "</p>"}));
}
