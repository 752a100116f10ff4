#include "CalendarFixture.h"

#include <fstream>
#include <regex>
#include <set>

using namespace caltest;

namespace {

class StandardDesign : public CalendarTest {
protected:
    void SetUp() override {
        CalendarTest::SetUp();
        std::filesystem::copy(ZB_VORLAGEN_DIR, dir.path() / "Vorlagen");
        Gemeinsam::SetQuoteRandom([] { return 3; });
    }
    static std::string Template(const std::string& name) {
        std::ifstream in(std::string(ZB_VORLAGEN_DIR) + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
};

const std::set<std::string> kCommon = {
    "ACT_DAY", "ACT_DAYTEXT", "ACT_MONTH", "ACT_YEAR", "QOTD", "TEMPLATE_PATH", "BGHEADER", "BACKIMG",
    "FORWARDIMG", "HOMEIMG", "RESIZEIMG", "BACK", "HOME", "NEXT", "OBJECTCOLOR", "OBJECTFONT",
    "OBJECTFONTCOLOR"};

std::set<std::string> With(std::set<std::string> own) {
    own.insert(kCommon.begin(), kCommon.end());
    return own;
}

} // namespace

TEST_F(StandardDesign, EveryTagIsKnownToItsTemplate) {
    const std::map<std::string, std::set<std::string>> known = {
        {"haupt.zbn", With({"FONTSIZE", "FONTCOLOR", "FONT", "INFOCOLOR", "BGCOLOR", "SCREENWIDTH",
                            "SCREENHEIGHT", "TRVX", "TRVY", "TRVH", "TRVW", "KW", "BG1", "DATUM",
                            "MBHEIGHT", "MBTRVHEIGHT", "TARVOLIN"})},
        {"monat.zbn", With({"WD1", "WD2", "WD3", "WD4", "WD5", "WD6", "WD7", "WIDTH", "FONTDATECOLOR",
                            "MONTH", "DAY", "BGCOLOR", "DATUMLONG", "DATUM"})},
        {"tag.zbn", With({"FONTCOLOR", "FONTSIZE", "DAYOFWEEK", "DAY", "BGCOLORDAY", "BGCOLORCLASS",
                          "FONTDATECOLOR", "DAYTEXT"})},
        {"woche.zbn", With({"XTAGE", "DAYOFWEEK", "DAY", "KW", "DATUMLONG", "DATUM", "BGCOLOR",
                            "BGCOLORHEADER", "BGCOLORDAY", "BGCOLORCLASS", "DAYCOLOR", "FONTCOLOR",
                            "FONTSIZE", "FONTDATECOLOR", "DAYTEXT"})}};
    std::map<std::string, std::set<std::string>> all = known;
    all["xtage.zbn"] = known.at("woche.zbn");
    all["xtagetag.zbn"] = known.at("tag.zbn");
    const std::regex tag("<#([A-Za-z0-9_]*)");
    for (const auto& [file, names] : all) {
        const std::string text = Template(file);
        ASSERT_FALSE(text.empty()) << file;
        int tags = 0;
        for (std::sregex_iterator it(text.begin(), text.end(), tag), end; it != end; ++it, ++tags)
            EXPECT_TRUE(names.count((*it)[1])) << file << ": " << (*it)[1];
        EXPECT_GT(tags, 0) << file;
    }
    // The month grid lists its 42 cells in order, as the fill rule needs.
    const std::string monat = Template("monat.zbn");
    std::size_t at = 0;
    for (int i = 0; i < 42; ++i) {
        at = monat.find("<#DAY DATEOFFSET=" + std::to_string(i) + ">", at);
        ASSERT_NE(at, std::string::npos) << i;
    }
}

TEST_F(StandardDesign, MonthPage) {
    SysUtils::SetClock([] { return D(2007, 4, 5, 10); });
    AddAppointment(D(2007, 4, 5, 9.5), D(2007, 4, 5, 10), "Teamrunde", "Raum 4 & Kaffee", 0, 1);
    AddAppointment(D(2007, 4, 17), D(2007, 4, 17), "Geburtstag Max", "", 5);
    AddAppointment(D(2007, 5, 2, 9), D(2007, 5, 2, 10), "Mai-Termin");
    AddAppointment(D(2007, 4, 20, 9), D(2007, 4, 20, 10), "Bernds Termin", "", 0, 0, "bernd");
    Build(D(2007, 4, 5), vmMonth);
    ASSERT_EQ(host.pages.size(), 1u);
    const std::string& page = host.pages[0];
    EXPECT_EQ(page.find("<#"), std::string::npos);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find("April 2007"), std::string::npos);
    EXPECT_EQ(Count(page, "OpenDay('"), 30);
    EXPECT_EQ(Count(page, "<span id=\"header_day_active\""), 1);
    EXPECT_NE(page.find("OpenDay('05.04.2007')\">5.</a>"), std::string::npos);
    EXPECT_EQ(Count(page, "table_day_today"), 1 + 1);   // the cell and the stylesheet
    EXPECT_NE(page.find("  Karfreitag\r\n"), std::string::npos);
    EXPECT_NE(page.find("  Ostermontag\r\n"), std::string::npos);
    EXPECT_NE(page.find("<p TITLE=\"Raum 4 &amp; Kaffee\" >\r\n09:30\r\nUhr Teamrunde\r\n</p>"),
              std::string::npos);
    EXPECT_NE(page.find("Geburtstag Max"), std::string::npos);
    EXPECT_EQ(page.find("Mai-Termin"), std::string::npos);
    EXPECT_EQ(page.find("Bernds Termin"), std::string::npos);
    EXPECT_NE(page.find("window.external.BackClicked()"), std::string::npos);
    EXPECT_NE(page.find("src=\"file://" + dir.str() + "Vorlagen/back.gif\""), std::string::npos);
    EXPECT_NE(page.find("Montag</th>"), std::string::npos);
    EXPECT_TRUE(host.alarms);
    EXPECT_EQ(host.offMainThread, 0);
}

TEST_F(StandardDesign, MonthPageWithFullWeeks) {
    SysUtils::SetClock([] { return D(2008, 3, 10, 10); });
    SetSetting("showFullWeeksInMonthView", 1);
    Build(D(2008, 3, 10), vmMonth);
    ASSERT_EQ(host.pages.size(), 1u);
    // 25 February to 6 April: six full weeks.
    EXPECT_EQ(Count(host.pages[0], "OpenDay('"), 42);
    EXPECT_NE(host.pages[0].find("OpenDay('06.04.2008')"), std::string::npos);
}

TEST_F(StandardDesign, WeekPage) {
    SysUtils::SetClock([] { return D(2007, 3, 7, 10); });
    AddAppointment(D(2007, 3, 6, 14), D(2007, 3, 6, 15), "Zahnarzt", "Kontrolle");
    AddAppointment(D(2007, 3, 12, 14), D(2007, 3, 12, 15), "nächste Woche");
    SetSetting("vorHeute", 1);
    host.announcePending = true;
    AddAppointment(D(2007, 3, 7, 16), D(2007, 3, 7, 17), "Sport");
    Build(D(2007, 3, 7), vmWeek);
    ASSERT_EQ(host.pages.size(), 1u);
    const std::string& page = host.pages[0];
    EXPECT_EQ(page.find("<#"), std::string::npos);
    EXPECT_EQ(Count(page, "OpenDay('"), 7);
    EXPECT_NE(page.find("KW 10"), std::string::npos);
    EXPECT_NE(page.find("<b>Mittwoch</b>"), std::string::npos);
    EXPECT_NE(page.find("Den heutigen Tag im Zorbelin-Terminplaner öffnen"), std::string::npos);
    EXPECT_NE(page.find("<p TITLE=\"Kontrolle\" >\r\n14:00\r\nUhr Zahnarzt"), std::string::npos);
    EXPECT_EQ(page.find("nächste Woche"), std::string::npos);
    EXPECT_EQ(host.announcements, std::vector<std::string>{"16:00 Uhr - Sport\r\n"});
}

TEST_F(StandardDesign, XDaysPage) {
    SysUtils::SetClock([] { return D(2007, 12, 23, 10); });
    SetSetting("xTage", 4);
    AddAppointment(D(2007, 12, 24, 18), D(2007, 12, 24, 22), "Bescherung");
    Build(D(2007, 12, 23), vmXDays);
    ASSERT_EQ(host.pages.size(), 1u);
    const std::string& page = host.pages[0];
    EXPECT_EQ(page.find("<#"), std::string::npos);
    EXPECT_EQ(Count(page, "OpenDay('"), 4);
    EXPECT_NE(page.find("OpenDay('26.12.2007')"), std::string::npos);
    EXPECT_NE(page.find("  Heiligabend\r\n"), std::string::npos);
    EXPECT_NE(page.find("  2. Weihnachtstag\r\n"), std::string::npos);
    EXPECT_NE(page.find("18:00\r\nUhr Bescherung"), std::string::npos);
    EXPECT_NE(page.find("KW 51"), std::string::npos);
}
