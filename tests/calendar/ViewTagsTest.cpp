#include "ModuleFixture.h"

using namespace caltest;

namespace {

class DayCells : public ModuleTest {};
class WeekFrame : public ModuleTest {};
class MonthFrame : public ModuleTest {
protected:
    // The date of each of the 42 cells of a month grid ("dd.mm"), "" for an empty cell.
    std::vector<std::string> Grid() {
        std::vector<std::string> cells;
        for (int i = 0; i < 42; ++i) {
            const std::string out = Month("DAY", "DATEOFFSET=" + std::to_string(i));
            const std::size_t at = out.find("OpenDay('");
            cells.push_back(at == std::string::npos ? "" : out.substr(at + 9, 5));
        }
        return cells;
    }
};

const std::string kOpen = " TITLE=\"Diesen Tag im Zorbelin-Terminplaner öffnen\" ><a class=\"Item\"";
const std::string kOpenToday = " TITLE=\"Den heutigen Tag im Zorbelin-Terminplaner öffnen\" ><a class=\"Item\"";
const std::string kLink = " language=\"VBScript\" OnClick=\"OpenDay('";

} // namespace

TEST_F(DayCells, DayLinksOfEachCase) {
    SysUtils::SetClock([] { return D(2007, 3, 10, 9); });   // a Saturday
    Load(D(2007, 3, 5));
    EXPECT_EQ(Cell("DAY", 0), "<span id=\"header_day\"" + kOpen + " " + kLink + "05.03.2007')\">5.</a></span>");
    EXPECT_EQ(Cell("DAY", 6), "<span id=\"header_day_we\"" + kOpen + kLink + "11.03.2007')\">11.</a></span>");
    EXPECT_EQ(Cell("DAY", 5), "<span id=\"header_day_active\"" + kOpen + " " + kLink + "10.03.2007')\">10.</a></span>");
    EXPECT_EQ(Cell("DAYOFWEEK", 0), "Montag</a></span>");
    EXPECT_EQ(Cell("FONTDATECOLOR", 5), "#FF0000");
    EXPECT_EQ(Cell("FONTDATECOLOR", 1), "#000000");
    EXPECT_EQ(Cell("FONTSIZE", 1), "8");
    EXPECT_EQ(Cell("FONTCOLOR", 1), "#000000");
    EXPECT_EQ(Cell("HOME", 1), "Heute");
}

TEST_F(DayCells, BackgroundsOfTodayAndOtherDays) {
    Load(D(2007, 3, 5));
    EXPECT_EQ(Cell("BGCOLORDAY", 0), "bgcolor=#C9DCFA");
    EXPECT_EQ(Cell("BGCOLORCLASS", 0), "table_day_today");
    EXPECT_EQ(Cell("BGCOLORDAY", 1), "bgcolor=#A9C2ED");
    EXPECT_EQ(Cell("BGCOLORCLASS", 1), "table_day2");
    view.TodayColorHtml.clear();
    EXPECT_EQ(Cell("BGCOLORDAY", 0), "");
    EXPECT_EQ(Cell("BGCOLORCLASS", 0), "");
    EXPECT_EQ(Cell("BGCOLORCLASS", 1), "table_day2");
    view.DaysColorHtml.clear();
    EXPECT_EQ(Cell("BGCOLORDAY", 1), "");
    EXPECT_EQ(Cell("BGCOLORCLASS", 1), "");
}

TEST_F(DayCells, DayTextWithHolidaysAndPastDays) {
    SysUtils::SetClock([] { return D(2007, 1, 2, 9); });
    AddAppointment(D(2007, 1, 1, 11), D(2007, 1, 1, 11), "Neujahrsempfang");
    AddAppointment(D(2007, 1, 2, 11), D(2007, 1, 2, 12), "Büro");
    Load(D(2007, 1, 1));
    const std::string holiday =
        "<font class=\"basefont\" style=\"font-size: 8pt;color: #FF0000;\">\r\n  Neujahrstag\r\n</font>\r\n";
    const std::string entry = "<p TITLE=\"... kein Zusatztext vorhanden\" >\r\nNeujahrsempfang\r\n</p>\r\n";
    EXPECT_EQ(Cell("DAYTEXT", 0), holiday + entry);
    EXPECT_EQ(Cell("DAYTEXT", 1),
              "<p TITLE=\"... kein Zusatztext vorhanden\" >\r\n11:00\r\nUhr Büro\r\n</p>\r\n");
    EXPECT_EQ(Cell("DAYTEXT", 2), "");
    module->ShowPastAppointments = false;
    EXPECT_EQ(Cell("DAYTEXT", 0), "");   // the holiday goes too
    EXPECT_NE(Cell("DAYTEXT", 1), "");
}

TEST_F(WeekFrame, DaysAddressedFromTheMonday) {
    SysUtils::SetClock([] { return D(2007, 3, 7, 9); });   // a Wednesday
    Load(D(2007, 3, 5));
    view.CalendarDate = D(2007, 3, 11);
    EXPECT_EQ(Week("DAY", "DATEOFFSET=1"),
              "<span id=\"header_day\"" + kOpen + kLink + "06.03.2007')\">6.</a></span>");
    EXPECT_EQ(Week("DAY", "DATEOFFSET=5"),
              "<span id=\"header_day_we\"" + kOpen + " " + kLink + "10.03.2007')\">10.</a></span>");
    EXPECT_EQ(Week("DAY", "DATEOFFSET=2"),
              "<span id=\"header_day_active\"" + kOpenToday + " " + kLink + "07.03.2007')\">7.</a></span>");
    EXPECT_EQ(Week("DAY"), Week("DAY", "DATEOFFSET=0"));
    EXPECT_EQ(Week("DAY", "DATEOFFSET=zwei"), Week("DAY", "DATEOFFSET=0"));
    EXPECT_NE(Week("DAY", "DATEOFFSET=6").find("11.03.2007"), std::string::npos);
    EXPECT_EQ(view.DateOffset, 6);
    EXPECT_EQ(Week("DAYOFWEEK", "DATEOFFSET=2"), "<b>Mittwoch</b>");
    EXPECT_EQ(Week("DAYOFWEEK", "DATEOFFSET=1"), "Dienstag");
    EXPECT_EQ(Week("KW", "DATEOFFSET=6"), "KW 10");
    EXPECT_EQ(Week("DATUMLONG"), "Mittwoch, der 7 März 2007");
    EXPECT_EQ(Week("DATUM"), "Mittwoch, 7.3.2007");
    EXPECT_EQ(Week("DAYCOLOR", "DATEOFFSET=2"), "#C9DCFA");
    EXPECT_EQ(Week("DAYCOLOR", "DATEOFFSET=3"), "#A9C2ED");
    EXPECT_EQ(Week("FONTDATECOLOR", "DATEOFFSET=6"), "#FF0000");
    EXPECT_EQ(Week("BGCOLOR"), "#A9C2ED");
    EXPECT_EQ(Week("BGCOLORHEADER"), "bgcolor=#A9C2ED");
    view.DaysColorHtml.clear();
    EXPECT_EQ(Week("BGCOLOR"), "");
    EXPECT_EQ(Week("BGCOLORHEADER"), "");
}

TEST_F(WeekFrame, PastDaysWithoutEntriesWhenSwitchedOff) {
    SysUtils::SetClock([] { return D(2007, 3, 7, 9); });
    AddAppointment(D(2007, 3, 6, 9), D(2007, 3, 6, 9), "gestern");
    AddAppointment(D(2007, 3, 7, 9), D(2007, 3, 7, 9), "heute");
    Load(D(2007, 3, 5));
    module->ShowPastAppointments = false;
    EXPECT_EQ(Week("DAYTEXT", "DATEOFFSET=1"), "");
    EXPECT_NE(Week("DAYTEXT", "DATEOFFSET=2").find("heute"), std::string::npos);
}

TEST_F(WeekFrame, XDaysRepeatTheDayTemplate) {
    design.xtagetag = "[<#DAY>|<#DAYOFWEEK>]";
    SysUtils::SetClock([] { return D(2007, 3, 7, 9); });
    Load(D(2007, 3, 7));
    module->PageProducerTarvolinWoche->SetHTMLFile(module->XtageTemplate);
    auto days = [&] {
        const std::string text = Week("XTAGE");
        return std::count(text.begin(), text.end(), '[');
    };
    // The settings' default while the key exists without the value.
    SetSetting("Font", "Arial");
    EXPECT_EQ(days(), 5);
    EXPECT_EQ(view.DateOffset, 4);
    SetSetting("xTage", 3);
    const std::string three = Week("XTAGE");
    EXPECT_EQ(days(), 3);
    // The day cells answer with their own tags: the plain title for today and the closing tags.
    EXPECT_NE(three.find("<span id=\"header_day_active\"" + kOpen), std::string::npos);
    EXPECT_NE(three.find("|Mittwoch</a></span>]"), std::string::npos);
    EXPECT_NE(three.find("09.03.2007"), std::string::npos);
    EXPECT_EQ(three.find("10.03.2007"), std::string::npos);
    // A hand-edited settings file: no days leave the view empty, more than the dialog's 10 are 10.
    SetSetting("xTage", 0);
    EXPECT_EQ(Week("XTAGE"), "");
    SetSetting("xTage", -3);
    EXPECT_EQ(Week("XTAGE"), "");
    SetSetting("xTage", 2000000000);
    EXPECT_EQ(days(), 10);
    SetSetting("xTage", "zehn");
    EXPECT_EQ(days(), 5);
}

TEST_F(WeekFrame, XDaysWithoutTheSettingsKeyShowSix) {
    design.xtagetag = "[<#DAY>]";
    Load(D(2007, 3, 7));
    std::filesystem::remove_all(dir.path() / "registry");
    const std::string text = Week("XTAGE");
    EXPECT_EQ(std::count(text.begin(), text.end(), '['), 6);
}

TEST_F(MonthFrame, HeadingsWidthAndTitle) {
    Load(D(2007, 2, 26));
    view.DateOffset = 4;
    EXPECT_EQ(Month("WD3", "DATEOFFSET=9"), "Mittwoch");
    EXPECT_EQ(view.DateOffset, 4);
    EXPECT_EQ(Month("WD7"), "Sonntag");
    EXPECT_EQ(Month("DAY"), "");
    EXPECT_EQ(view.DateOffset, -1);
    EXPECT_EQ(Month("DAY", "DATEOFFSET=x"), "");
    EXPECT_EQ(Month("WIDTH"), "108");
    view.PageWidth = 20;
    EXPECT_EQ(Month("WIDTH"), "-2");
    EXPECT_EQ(Month("MONTH"), "März 2007");
    EXPECT_EQ(Month("FONTDATECOLOR", "DATEOFFSET=5"), "#FF0000");
    EXPECT_EQ(Month("FONTDATECOLOR", "DATEOFFSET=6"), "#FF0000");
    EXPECT_EQ(Month("FONTDATECOLOR"), "#000000");
    EXPECT_EQ(Month("FONTDATECOLOR", "DATEOFFSET=3"), "#000000");
    EXPECT_EQ(Month("DATUMLONG"), "Montag, der 5 März 2007");
    EXPECT_EQ(Month("DATUM"), "Montag, 5.3.2007");
}

TEST_F(MonthFrame, TodaysWeekdayColumn) {
    SysUtils::SetClock([] { return D(2007, 3, 7, 9); });   // a Wednesday
    Load(D(2007, 2, 26));
    EXPECT_EQ(Month("BGCOLOR", "DATEOFFSET=2"), "bgcolor=#C9DCFA");
    EXPECT_EQ(Month("BGCOLOR", "DATEOFFSET=9"), "bgcolor=#C9DCFA");
    EXPECT_EQ(Month("BGCOLOR", "DATEOFFSET=3"), "bgcolor=#A9C2ED");
    view.DaysColorHtml.clear();
    EXPECT_EQ(Month("BGCOLOR", "DATEOFFSET=3"), "");
}


TEST_F(MonthFrame, GridWithoutFullWeeks) {
    design.tag = "<#DAY>";
    Load(D(2007, 2, 26));
    const auto cells = Grid();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cells[i], "") << i;
    for (int i = 3; i <= 33; ++i) EXPECT_EQ(cells[i], SysUtils::FormatDateTime("dd.mm", D(2007, 3, i - 2))) << i;
    for (int i = 34; i < 42; ++i) EXPECT_EQ(cells[i], "") << i;
}

TEST_F(MonthFrame, GridWithFullWeeks) {
    design.tag = "<#DAY>";
    Load(D(2008, 2, 25));   // March 2008: the 1st is a Saturday, 31 days
    module->ShownMonth = 3;
    view.ShowFullWeeksInMonthView = true;
    auto cells = Grid();
    EXPECT_EQ(cells[0], "25.02");
    EXPECT_EQ(cells[4], "29.02");
    EXPECT_EQ(cells[35], "31.03");
    EXPECT_EQ(cells[36], "01.04");
    EXPECT_EQ(cells[41], "06.04");

    view.StartDate = D(2010, 2, 1);   // February 2010: a common year starting on a Monday
    module->ShownMonth = 2;
    cells = Grid();
    EXPECT_EQ(cells[0], "01.02");
    EXPECT_EQ(cells[28], "01.03");
    EXPECT_EQ(cells[34], "07.03");
    for (int i = 35; i < 42; ++i) EXPECT_EQ(cells[i], "") << i;

    view.StartDate = D(2014, 12, 1);   // December 2014, the year turns in the fifth week
    module->ShownMonth = 12;
    cells = Grid();
    EXPECT_EQ(cells[28], "29.12");
    EXPECT_EQ(cells[31], "01.01");
    EXPECT_EQ(cells[34], "04.01");
    for (int i = 35; i < 42; ++i) EXPECT_EQ(cells[i], "") << i;

    view.StartDate = D(2006, 12, 25);   // January 2007 starts with December days
    module->ShownMonth = 1;
    cells = Grid();
    EXPECT_EQ(cells[0], "25.12");
    EXPECT_EQ(cells[7], "01.01");
}
