#include "CalendarFixture.h"

#include "FileRights.h"
#include "HeldLock.h"

#include <chrono>
#include <cmath>
#include <tuple>

using namespace caltest;

namespace {

class Builder : public CalendarTest {};

ViewParameters View(Byte mode, TDateTime date) {
    ViewParameters p;
    p.ViewMode = mode;
    p.CalendarDate = date;
    p.StartDate = date;
    return p;
}

std::pair<TDateTime, TDateTime> Range(Byte mode, TDateTime date) {
    ViewParameters p = View(mode, date);
    BuildTarvolan::MoveStartDate(p);
    return BuildTarvolan::AppointmentsRange(p);
}

// The date of a number, and of the numbers just below and above it.
std::string Dates(TDateTime bound) {
    const double v = bound;
    return SysUtils::DateToStr(std::nextafter(v, -HUGE_VAL)) + " " + SysUtils::DateToStr(v) + " " +
           SysUtils::DateToStr(std::nextafter(v, HUGE_VAL));
}


} // namespace

TEST(Statements, StartDateOfEachView) {
    ViewParameters week = View(vmWeek, D(2007, 3, 11));   // a Sunday
    BuildTarvolan::MoveStartDate(week);
    EXPECT_EQ(SysUtils::DateToStr(week.StartDate), "05.03.2007");
    ViewParameters days = View(vmXDays, D(2007, 3, 7, 9.5));
    BuildTarvolan::MoveStartDate(days);
    EXPECT_EQ(double(days.StartDate), double(D(2007, 3, 7, 9.5)));
    ViewParameters october = View(vmMonth, D(2007, 10, 20));   // the 1st is a Monday
    BuildTarvolan::MoveStartDate(october);
    EXPECT_EQ(SysUtils::DateToStr(october.StartDate), "01.10.2007");
    ViewParameters april = View(vmMonth, D(2007, 4, 30));      // the 1st is a Sunday
    BuildTarvolan::MoveStartDate(april);
    EXPECT_EQ(SysUtils::DateToStr(april.StartDate), "26.03.2007");
}

TEST(Statements, ExactRanges) {
    // Strictly between midnights: the week from the Sunday before, the x days from five days before.
    auto [from, to] = Range(vmWeek, D(2007, 3, 11));
    EXPECT_EQ(double(from), double(D(2007, 3, 4)));
    EXPECT_EQ(double(to), double(D(2007, 3, 12)));
    std::tie(from, to) = Range(vmXDays, D(2007, 3, 7, 9.5));
    EXPECT_EQ(double(from), double(D(2007, 3, 2)));
    EXPECT_EQ(double(to), double(D(2007, 4, 6)));
    // A month from the last number read as the day before its 1st to the first read as the next 1st.
    std::tie(from, to) = Range(vmMonth, D(2007, 3, 15));
    EXPECT_EQ(Dates(from), "28.02.2007 28.02.2007 01.03.2007");
    EXPECT_EQ(Dates(to), "31.03.2007 01.04.2007 01.04.2007");
    std::tie(from, to) = Range(vmMonth, D(2007, 1, 31));
    EXPECT_EQ(Dates(from), "31.12.2006 31.12.2006 01.01.2007");
    EXPECT_EQ(Dates(to), "31.01.2007 01.02.2007 01.02.2007");
}

TEST_F(Builder, StatementsSelectExactlyTheShownRange) {
    for (TDateTime d : {D(2006, 12, 31, 23), D(2007, 1, 1), D(2007, 1, 31, 22), D(2007, 2, 1),
                        D(2007, 12, 1, 8), D(2007, 12, 31, 12), D(2008, 1, 1, 0.5),
                        D(2007, 3, 4), D(2007, 3, 4, 0.1), D(2007, 3, 11, 23.9), D(2007, 3, 12)})
        AddAppointment(d, d, "x");
    AddAppointment(D(2007, 1, 15), D(2007, 1, 15), "fremd", "", 0, 0, "bernd");
    AddAppointment(D(2007, 1, 16), D(2007, 1, 16), "alle", "", 0, 0, "ALLE");
    TADOConnection connection(nullptr);
    connection.SetConnectionString(host.connectionString);
    auto count = [&](std::pair<TDateTime, TDateTime> range) {
        return std::to_string(AppointmentsBetween(&connection, "anna", range.first, range.second).size());
    };
    EXPECT_EQ(count(Range(vmMonth, D(2007, 1, 10))), "3");   // 1 Jan, 31 Jan and one for everybody
    EXPECT_EQ(count(Range(vmMonth, D(2007, 12, 10))), "2");
    // Later than midnight starting the Sunday before, earlier than midnight starting next Monday.
    EXPECT_EQ(count(Range(vmWeek, D(2007, 3, 11))), "2");
}

TEST_F(Builder, WeekPageReachesTheHostFromTheBuilderThread) {
    WriteDesign(Design());
    SysUtils::SetClock([] { return D(2007, 3, 7, 14); });
    host.main.CalendarDate = D(2007, 1, 1);
    Build(D(2007, 3, 11), vmWeek);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_EQ(host.pages[0],
              "<html><body font=\"Comic Sans Ms\" size=\"8\" bg=\"#080000\">\r\n"
              "<div x=0 y=5 w=790 h=560>KW 10 07.03.2007</div>\r\n"
              "WOCHE KW 10\r\n</body></html>\r\n");
    EXPECT_EQ(host.offMainThread, 0);
    // The refresh request is cleared through the main window's command.
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], "update BenutzerEinstellungen set NeedUpdate = false where Benutzer = 'anna'");
    EXPECT_EQ(Query("select NeedUpdate from BenutzerEinstellungen where Benutzer = 'anna'"), "False");
    // What the build owns comes back; what the main window set stays.
    EXPECT_EQ(SysUtils::DateToStr(host.main.StartDate), "05.03.2007");
    EXPECT_EQ(host.main.PageWidth, 790);
    EXPECT_EQ(host.main.PageHeight, 560);
    EXPECT_EQ(host.main.PageTop, 5);
    EXPECT_EQ(host.main.FontName, "Comic Sans Ms");
    EXPECT_EQ(host.main.DaysColorHtml, "#A9C2ED");
    EXPECT_EQ(host.main.TodayColorHtml, "#C9DCFA");
    EXPECT_EQ(host.main.WeekendColorHtml, "#FF0000");
    EXPECT_EQ(host.main.ColorKeyHtml, "#080000");
    EXPECT_EQ(host.main.ViewMode, vmWeek);
    EXPECT_EQ(double(host.main.CalendarDate), double(D(2007, 1, 1)));
    EXPECT_EQ(host.main.ColorKey, 8);
}

TEST_F(Builder, SettingsReadBeforeTheBuild) {
    WriteDesign(Design());
    // A fresh profile: no values at all.
    Build(D(2007, 3, 5), vmMonth);
    EXPECT_EQ(double(host.settingsDate), double(D(2007, 3, 5, 14)));
    EXPECT_EQ(StringSetting("Datum"), "05.03.2007");
    EXPECT_EQ(IntSetting("BackgroundColorDaysTransparent"), 0);
    EXPECT_EQ(IntSetting("BackgroundColorTodayTransparent"), 0);
    // What the settings dialog shows: every 60 minutes.
    EXPECT_EQ(host.sayInterval, 60);
    EXPECT_EQ(host.sayEnabled, 1);
    EXPECT_EQ(host.main.DaysColorHtml, "#A9C2ED");
    EXPECT_FALSE(host.main.ShowFullWeeksInMonthView);

    // The next day: the previous build's date is handed over, every value is used.
    SysUtils::SetClock([] { return D(2007, 3, 6, 9); });
    SetSetting("Font", "Verdana");
    SetSetting("FontSize", 11);
    SetSetting("FontColor", 0x102030);
    SetSetting("BackgroundColorDays", 0x00FF00);
    SetSetting("BackgroundColorDaysTransparent", 1);
    SetSetting("BackgroundColorToday", 0x0000FF);
    SetSetting("WeekendColor", 0xFF0000);
    SetSetting("showFullWeeksInMonthView", 2);
    SetSetting("TransparenzOnActiveWindow", 1);
    SetSetting("CharacterSayTimeAll", 15);
    SetSetting("CharacterSayTime", 0);
    Build(D(2007, 3, 6), vmMonth);
    EXPECT_EQ(SysUtils::DateToStr(host.settingsDate), "05.03.2007");
    EXPECT_EQ(StringSetting("Datum"), "06.03.2007");
    EXPECT_EQ(host.main.FontName, "Verdana");
    EXPECT_EQ(host.main.FontSize, 11);
    EXPECT_EQ(host.main.FontColorHtml, "#302010");
    EXPECT_EQ(host.main.DaysColorHtml, "");
    EXPECT_EQ(host.main.TodayColorHtml, "#FF0000");
    EXPECT_EQ(host.main.WeekendColorHtml, "#0000FF");
    EXPECT_TRUE(host.main.ShowFullWeeksInMonthView);
    EXPECT_TRUE(host.main.FadeOnActivation);
    EXPECT_EQ(host.sayInterval, 15);
    EXPECT_EQ(host.sayEnabled, 0);
    EXPECT_EQ(host.offMainThread, 0);

    // A damaged file's size gives the page the nearest size the font dialog offers.
    SetSetting("FontSize", 0x7fffffff);
    Build(D(2007, 3, 6), vmMonth);
    EXPECT_EQ(host.main.FontSize, 28);
    SetSetting("FontSize", -40);
    Build(D(2007, 3, 6), vmMonth);
    EXPECT_EQ(host.main.FontSize, 5);
}

TEST_F(Builder, EveryViewModeBuildsAPage) {
    Design design;
    design.haupt = "<#TARVOLIN>|<#KW>";
    design.monat = "M <#MONTH> <#WIDTH>";
    design.xtage = "X <#KW>";
    design.woche = "W <#KW>";
    WriteDesign(design);
    Build(D(2007, 3, 15), vmMonth);
    Build(D(2007, 3, 15), vmWeek);
    Build(D(2007, 3, 15), vmXDays);
    // A view number the program does not know is the x-days view.
    Build(D(2007, 3, 15), 7);
    const std::vector<std::string> expected = {"M März 2007 108|KW 9\r\n", "W KW 11|KW 11\r\n",
                                               "X KW 11|KW 11\r\n", "X KW 11|KW 11\r\n"};
    EXPECT_EQ(host.pages, expected);
    EXPECT_EQ(host.main.ViewMode, vmXDays);
}

TEST_F(Builder, MissingFrameShowsNoPageAndKeepsTheRefreshRequest) {
    Design design;
    design.woche.clear();
    WriteDesign(design);
    Build(D(2007, 3, 15), vmWeek);
    EXPECT_TRUE(host.pages.empty());
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(Query("select NeedUpdate from BenutzerEinstellungen where Benutzer = 'anna'"), "True");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].rfind("Der Kalender konnte nicht aufgebaut werden. Eine Datei des Designs kann nicht "
                                     "gelesen werden.", 0), 0u) << host.messages[0];
    EXPECT_NE(host.messages[0].find("woche.zbn"), std::string::npos) << host.messages[0];
    // The block still comes back.
    EXPECT_EQ(SysUtils::DateToStr(host.main.StartDate), "12.03.2007");
    Build(D(2007, 3, 15), vmMonth);
    EXPECT_EQ(host.pages.size(), 1u);
}

TEST_F(Builder, MissingMainTemplateEndsTheBuildAndClosesTheWindow) {
    Design design;
    design.haupt.clear();
    WriteDesign(design);
    host.main.FontName = "unverändert";
    Build(D(2007, 3, 15), vmWeek);
    EXPECT_TRUE(host.pages.empty());
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(host.messages, std::vector<std::string>{"Eine oder mehrere der Vorlagen wurden nicht gefunden"});
    EXPECT_EQ(host.closeRequests, std::vector<int>{1});
    EXPECT_EQ(host.main.FontName, "unverändert");
    EXPECT_EQ(host.offMainThread, 0);
}

TEST_F(Builder, EmptyPageIsNotHandedOver) {
    Design design;
    design.haupt = "<#UNBEKANNT>";
    WriteDesign(design);
    Build(D(2007, 3, 15), vmMonth);
    EXPECT_TRUE(host.pages.empty());
    // The build itself went through.
    EXPECT_EQ(host.commands.size(), 1u);
}

TEST_F(Builder, UserNameWithAQuote) {
    WriteDesign(Design());
    host.user = "o'brien";
    Sql("insert into BenutzerEinstellungen (Benutzer, NeedUpdate) values ('O''Brien', true)");
    Build(D(2007, 3, 15), vmWeek);
    EXPECT_EQ(host.pages.size(), 1u);
    EXPECT_EQ(Query("select NeedUpdate from BenutzerEinstellungen where Benutzer = 'o''brien'"), "False");
    EXPECT_EQ(Query("select NeedUpdate from BenutzerEinstellungen where Benutzer = 'anna'"), "True");
}

TEST_F(Builder, ADatabaseThatCannotBeOpenedIsExplainedOnceAndLoggedAndNeverWritten) {
    WriteDesign(Design());
    const std::pair<std::string, std::string> cases[] = {
        {"weg.mde", "Die Datenbankdatei wurde nicht gefunden."},
        {"leer.mde", "Die Datenbankdatei ist leer (0 Byte) und keine Datenbank."},
        {"text.mde", "Die Datenbankdatei ist keine Datenbank oder beschädigt."}};
    dir.write("leer.mde", "");
    dir.write("text.mde", std::string(200, 'x'));
    for (const auto& [file, cause] : cases) {
        SCOPED_TRACE(file);
        host.messages.clear();
        host.log.clear();
        host.connectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.file(file);
        Build(D(2007, 3, 15), vmWeek);
        Build(D(2007, 3, 15), vmWeek);
        EXPECT_TRUE(host.pages.empty());
        EXPECT_TRUE(host.commands.empty());
        ASSERT_EQ(host.messages.size(), 1u);   // once, not at every rebuild
        EXPECT_EQ(host.messages[0].rfind("Der Kalender konnte nicht aufgebaut werden. " + cause, 0), 0u)
            << host.messages[0];
        EXPECT_NE(host.log.find("Seitenaufbau: Der Kalender konnte nicht aufgebaut werden. " + cause), std::string::npos)
            << host.log;
        EXPECT_EQ(SysUtils::DateToStr(host.main.StartDate), "15.03.2007");
        EXPECT_EQ(host.main.ColorKey, 8);
    }
    EXPECT_EQ(dir.read("leer.mde"), "");
    EXPECT_EQ(dir.read("text.mde"), std::string(200, 'x'));
}

TEST_F(Builder, AMissingColumnCostsOnlyWhatNeedsItAndAMissingTableIsExplained) {
    Design design;
    design.woche = "<#DAYTEXT DATEOFFSET=0>|<#DAYTEXT DATEOFFSET=1>";
    WriteDesign(design);
    AddAppointment(D(2007, 3, 5, 10), D(2007, 3, 5, 11), "Zahnarzt", "Notiz");
    AddAppointment(D(2007, 3, 6, 10), D(2007, 3, 6, 11), "Kino");
    // Without the end the length is unknown: each entry shows whole, with its start.
    Sql("ALTER TABLE termine DROP COLUMN EndTime");
    Build(D(2007, 3, 5), vmWeek);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_NE(host.pages[0].find("<p TITLE=\"Notiz\" >\r\n10:00\r\nUhr Zahnarzt\r\n</p>"), std::string::npos)
        << host.pages[0];
    EXPECT_NE(host.pages[0].find("10:00\r\nUhr Kino\r\n</p>"), std::string::npos) << host.pages[0];
    EXPECT_TRUE(host.messages.empty()) << host.messages[0];

    // Without the subject there is nothing to show: no entry is written in part, and the user hears
    // why, once.
    Sql("ALTER TABLE termine ADD COLUMN EndTime DATETIME");
    Sql("ALTER TABLE termine RENAME COLUMN Subject TO Betreff");
    Build(D(2007, 3, 5), vmWeek);
    Build(D(2007, 3, 5), vmWeek);
    ASSERT_EQ(host.pages.size(), 3u);
    EXPECT_EQ(host.pages[1].find("<p TITLE"), std::string::npos) << host.pages[1];
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].rfind("Der Kalender konnte nicht vollständig aufgebaut werden. Die Spalte \"Subject\" "
                                     "fehlt in der Tabelle \"termine\".", 0), 0u) << host.messages[0];

    // Mended, the page is whole and nothing is said; broken again, the user hears of it again.
    Sql("ALTER TABLE termine RENAME COLUMN Betreff TO Subject");
    Build(D(2007, 3, 5), vmWeek);
    EXPECT_NE(host.pages.back().find("Zahnarzt"), std::string::npos);
    EXPECT_EQ(host.messages.size(), 1u);
    Sql("DROP TABLE termine");
    Build(D(2007, 3, 5), vmWeek);
    EXPECT_EQ(host.pages.size(), 4u);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].rfind("Der Kalender konnte nicht aufgebaut werden. Die Tabelle \"termine\" fehlt in der "
                                     "Datenbank.", 0), 0u) << host.messages[1];
}

TEST_F(Builder, AReadOnlySettingsFolderStillGivesThePageAndIsToldOnce) {
    WriteDesign(Design());
    SetSetting("Design", "Standard");
    SetSetting("FontSize", 11);
    SetSetting("VORLAGE", vmWeek);
    std::filesystem::permissions(dir.path() / "registry", std::filesystem::perms(0555));
    {
        testsupport::ScopedUserFileRights user;   // the settings are read and written on this thread
        Build(D(2007, 3, 15));
        Build(D(2007, 3, 15));
    }
    std::filesystem::permissions(dir.path() / "registry", std::filesystem::perms(0755));
    ASSERT_EQ(host.pages.size(), 2u);
    EXPECT_NE(host.pages[0].find("size=\"11\""), std::string::npos) << host.pages[0];
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].rfind("Die Einstellungen können nicht gespeichert werden; der Kalender wird trotzdem "
                                     "gezeigt.", 0), 0u) << host.messages[0];
    EXPECT_FALSE(HasSetting("Datum"));
}

TEST_F(Builder, SettingsLockedByAnotherProgramCostAShortWaitAndTheDaysFirstBuildComesOnce) {
    Design design;
    design.woche = "<#DAYTEXT DATEOFFSET=0>";
    WriteDesign(design);
    Sql("insert into adressen (AdressenNr, EmailAdresse1) values (12, 'oma@example.org')");
    AddAppointment(D(2007, 3, 5), D(2007, 3, 5), "Geburtstag Oma", "", 5, 0, "anna", "12");
    host.mailOnBirthday = true;
    SetSetting("Datum", "04.03.2007");
    SetSetting("VORLAGE", vmWeek);
    SetSetting("BackgroundColorDaysTransparent", 0);
    SetSetting("BackgroundColorTodayTransparent", 0);
    {
        auto other = testsupport::HeldLock::Flock(TRegistry::HiveFileName(HKEY_CURRENT_USER) + ".lock");
        ASSERT_TRUE(other.Held());
        for (std::size_t build = 1; build <= 2; ++build) {
            const auto start = std::chrono::steady_clock::now();
            Build(D(2007, 3, 5));
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(testsupport::Scaled(3000)));
            ASSERT_EQ(host.pages.size(), build);
            EXPECT_NE(host.pages.back().find("Geburtstag Oma"), std::string::npos);
        }
        // The date waits for the lock; the program reads it at once.
        EXPECT_EQ(StringSetting("Datum"), "05.03.2007");
        EXPECT_NE(dir.read("registry/HKEY_CURRENT_USER.reg").find("\"Datum\"=\"04.03.2007\""), std::string::npos);
    }
    // The first build of the day mailed; the second knew of it although its date was not stored yet.
    EXPECT_EQ(host.mails, std::vector<std::string>{"oma@example.org"});
    EXPECT_EQ(SysUtils::DateToStr(host.settingsDate), "05.03.2007");
    EXPECT_TRUE(host.messages.empty());
    // Once the other program lets go, the date is stored and nothing is mailed twice.
    EXPECT_TRUE(testsupport::SleepUntil([&] {
        return dir.read("registry/HKEY_CURRENT_USER.reg").find("\"Datum\"=\"05.03.2007\"") != std::string::npos;
    }));
    Build(D(2007, 3, 5));
    EXPECT_EQ(StringSetting("Datum"), "05.03.2007");
    EXPECT_EQ(host.mails.size(), 1u);
}

TEST_F(Builder, AUserNameWithANulShowsTheAppointmentsOfAllAndSaysWhy) {
    Design design;
    design.woche = "<#DAYTEXT DATEOFFSET=0>";
    WriteDesign(design);
    AddAppointment(D(2007, 3, 5, 10), D(2007, 3, 5, 11), "Team", "", 0, 0, "alle");
    AddAppointment(D(2007, 3, 5, 12), D(2007, 3, 5, 13), "Privat", "", 0, 0, "anna");
    host.user = std::string("anna\0x", 6);
    Build(D(2007, 3, 5), vmWeek);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_NE(host.pages[0].find("Team"), std::string::npos);
    EXPECT_EQ(host.pages[0].find("Privat"), std::string::npos);
    EXPECT_EQ(host.messages,
              std::vector<std::string>{"Der Benutzername enthält ein Nullzeichen; gezeigt werden nur die Termine für alle."});
}

TEST_F(Builder, EveryLineOfThePageEndsInCrLf) {
    Design design;
    design.haupt = "a\rb\r\nc\n\nd\n\re<#KW>";
    WriteDesign(design);
    Build(D(2007, 3, 7), vmWeek);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_EQ(host.pages[0], "a\r\nb\r\nc\r\n\r\nd\r\n\r\neKW 10\r\n");
}

TEST_F(Builder, AnEmptyPageIsNotShown) {
    Design design;
    design.haupt = "<#NOTHING>";
    WriteDesign(design);
    Build(D(2007, 3, 7), vmWeek);
    EXPECT_TRUE(host.pages.empty());
    // The build itself went through: the refresh request is cleared.
    EXPECT_EQ(host.commands.size(), 1u);
}

// A main thread busy with other work (the browser engine starting, a dialog) serves nothing meanwhile:
// the build runs to its end all the same, and its page is there once the main thread looks.
TEST_F(Builder, ABuildRunsToItsEndWhileTheMainThreadServesNothing) {
    WriteDesign(Design());
    SetSetting("VORLAGE", vmWeek);
    BuildTarvolan builder(true);
    builder.Request = MakePageRequest(host, D(2007, 3, 5));
    builder.Resume();
    EXPECT_TRUE(testsupport::SleepUntil([&] { return builder.Finished(); }, 5000));
    builder.WaitFor();
    EXPECT_TRUE(host.pages.empty());
    ApplyPageResult(builder.Result, builder.Request, host);
    EXPECT_EQ(host.offMainThread, 0);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_NE(host.pages[0].find("WOCHE KW 10"), std::string::npos);
}
