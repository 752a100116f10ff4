#include "CalendarFixture.h"

using namespace caltest;

namespace {

class MainPage : public CalendarTest {
protected:
    ViewParameters view;
    std::unique_ptr<TTarvolinDatenModul> module;

    void Load() {
        WriteDesign(design);
        module = std::make_unique<TTarvolinDatenModul>(nullptr, &host);
        view.FontName = "Arial";
        view.FontSize = 8;
        view.FontColorHtml = "#000000";
        view.ColorKeyHtml = "#080000";
        view.DaysColorHtml = "#A9C2ED";
        view.WeekendColorHtml = "#FF0000";
        view.StartDate = D(2007, 2, 26);
        module->View = &view;
        module->InfoColorHtml = "#FFFFE1";
        module->MainWindowWidth = 800;
        module->MainWindowHeight = 600;
        module->ScreenWidth = 1024;
        module->ScreenHeight = 768;
    }
    std::string Tag(const std::string& name) {
        AnsiString out;
        TStringList params;
        module->PageProducerHauptHTMLTag(module->PageProducerHaupt, tgCustom, name, &params, out);
        return out;
    }
    Design design;
};

} // namespace

TEST_F(MainPage, GeometryFollowsTheWindowAndScreen) {
    Load();
    EXPECT_EQ(Tag("TRVW"), "790");
    EXPECT_EQ(Tag("TRVH"), "560");
    EXPECT_EQ(Tag("TRVX"), "0");
    EXPECT_EQ(Tag("TRVY"), "5");
    EXPECT_EQ(view.PageWidth, 790);
    EXPECT_EQ(view.PageHeight, 560);
    EXPECT_EQ(Tag("SCREENWIDTH"), "1024");
    EXPECT_EQ(Tag("SCREENHEIGHT"), "748");
    EXPECT_EQ(Tag("MBHEIGHT"), "695");
    EXPECT_EQ(Tag("MBTRVHEIGHT"), "556");
    module->ScreenWidth = 800;
    module->ScreenHeight = 600;
    EXPECT_EQ(Tag("MBHEIGHT"), "580");
    EXPECT_EQ(Tag("MBTRVHEIGHT"), "423");
    module->ScreenHeight = 700;
    EXPECT_EQ(Tag("MBHEIGHT"), "695");
    // Every tag sets the geometry, even one the handler does not know.
    view.PageWidth = 0;
    module->MainWindowWidth = 400;
    EXPECT_EQ(Tag("UNBEKANNT"), "");
    EXPECT_EQ(view.PageWidth, 390);
}

TEST_F(MainPage, FontsColoursAndDates) {
    Load();
    EXPECT_EQ(Tag("FONT"), "Arial");
    EXPECT_EQ(Tag("font"), "");
    EXPECT_EQ(Tag("FONTSIZE"), "8");
    EXPECT_EQ(Tag("FONTCOLOR"), "#000000");
    EXPECT_EQ(Tag("INFOCOLOR"), "#FFFFE1");
    EXPECT_EQ(Tag("BGCOLOR"), "#080000");
    EXPECT_EQ(Tag("BG1"), "#A9C2ED");
    view.DaysColorHtml.clear();
    EXPECT_EQ(Tag("BG1"), "");
    EXPECT_EQ(Tag("DATUM"), "05.03.2007");
    EXPECT_EQ(Tag("KW"), "KW 9");
    view.StartDate = D(2007, 3, 5);
    EXPECT_EQ(Tag("KW"), "KW 10");
    view.StartDate = D(2004, 12, 27);
    EXPECT_EQ(Tag("KW"), "KW 53");
    // Unknown here, known to the common handler.
    EXPECT_EQ(Tag("ACT_MONTH"), "März");
}

TEST_F(MainPage, TarvolinEmbedsTheFrameOfTheViewWithoutRescanning) {
    design.haupt = "a < b <#FONT> [<#TARVOLIN>] <#FONTSIZE";
    design.monat = "Monat <#MONTH> <#WD1>";
    design.woche = "Woche <#KW>";
    Load();
    module->PageProducerTarvolinWoche->SetHTMLFile(module->WocheTemplate);
    view.ViewMode = vmMonth;
    EXPECT_EQ(module->PageProducerHaupt->Content(), "a < b Arial [Monat März 2007 Montag] <#FONTSIZE");
    view.ViewMode = vmWeek;
    view.CalendarDate = D(2007, 3, 7);
    EXPECT_EQ(module->PageProducerHaupt->Content(), "a < b Arial [Woche KW 10] <#FONTSIZE");
}

TEST_F(MainPage, HolidaySpans) {
    Load();
    TStringList lines;
    EXPECT_TRUE(module->AddHolidaySpan(D(2007, 1, 1), false, &lines));
    ASSERT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines[0], "<font class=\"basefont\" style=\"font-size: 8pt;color: #FF0000;\">");
    EXPECT_EQ(lines[1], "  Neujahrstag");
    EXPECT_EQ(lines[2], "</font>");
    lines.Clear();
    EXPECT_FALSE(module->AddHolidaySpan(D(2007, 1, 2), false, &lines));
    EXPECT_TRUE(module->AddHolidaySpan(D(2007, 10, 31), true, &lines));
    EXPECT_EQ(lines.Count(), 0);
    // Switched off in zorbelin.ini: no span.
    dir.write("zorbelin.ini", "[Fenster]\nLeft=3\n\n[FEIERTAGENOTUSED]\nReformationstag=1\nGründonnerstag=0\n");
    EXPECT_FALSE(module->AddHolidaySpan(D(2007, 10, 31), false, &lines));
    EXPECT_FALSE(module->AddHolidaySpan(D(2007, 10, 31), true, &lines));
    EXPECT_TRUE(module->AddHolidaySpan(D(2007, 4, 5), false, &lines));
    EXPECT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines[1], "  Gründonnerstag");
}
