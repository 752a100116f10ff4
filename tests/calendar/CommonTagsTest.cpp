#include "CalendarFixture.h"

using namespace caltest;

namespace {

class CommonTags : public CalendarTest {
protected:
    std::string Tag(const std::string& name) {
        AnsiString out;
        TStringList params;
        Gemeinsam::CommonTagHandler(host.exeDir, nullptr, tgCustom, name, &params, out);
        return out;
    }
};

} // namespace

TEST_F(CommonTags, TodaysDateInGerman) {
    EXPECT_EQ(Tag("ACT_DAY"), "5");
    EXPECT_EQ(Tag("ACT_DAYTEXT"), "Montag");
    EXPECT_EQ(Tag("ACT_MONTH"), "März");
    EXPECT_EQ(Tag("ACT_YEAR"), "2007");
    SysUtils::SetClock([] { return D(2008, 12, 21, 23.9); });
    EXPECT_EQ(Tag("ACT_DAY"), "21");
    EXPECT_EQ(Tag("ACT_DAYTEXT"), "Sonntag");
    EXPECT_EQ(Tag("ACT_MONTH"), "Dezember");
}

TEST_F(CommonTags, LabelsAndUnknownNames) {
    EXPECT_EQ(Tag("BACK"), "Zurück");
    EXPECT_EQ(Tag("HOME"), "Heute");
    EXPECT_EQ(Tag("NEXT"), "Vor");
    EXPECT_EQ(Tag("back"), "");
    EXPECT_EQ(Tag("TARVOLIN"), "");
    EXPECT_EQ(Tag(""), "");
}

TEST_F(CommonTags, FileUrlsNameTheTemplateFolderAsOnDisk) {
    WriteDesign(Design());
    const std::string folder = "file://" + dir.str() + "Vorlagen/";
    EXPECT_EQ(Tag("TEMPLATE_PATH"), folder);
    EXPECT_EQ(Tag("BGHEADER"), folder + "headerbg.gif");
    EXPECT_EQ(Tag("BACKIMG"), folder + "back.gif");
    EXPECT_EQ(Tag("FORWARDIMG"), folder + "forward.gif");
    EXPECT_EQ(Tag("HOMEIMG"), folder + "home.gif");
    EXPECT_EQ(Tag("RESIZEIMG"), folder + "resize.gif");
}

TEST_F(CommonTags, ObjectValuesFromTheSettings) {
    EXPECT_EQ(Tag("OBJECTCOLOR"), "8421440");
    EXPECT_EQ(Tag("OBJECTFONT"), "Arial");
    EXPECT_EQ(Tag("OBJECTFONTCOLOR"), "0");
    SetSetting("BackgroundColor", 0xFF00);
    SetSetting("Font", "Verdana");
    SetSetting("FontColor", 255);
    EXPECT_EQ(Tag("OBJECTCOLOR"), "65280");
    EXPECT_EQ(Tag("OBJECTFONT"), "Verdana");
    EXPECT_EQ(Tag("OBJECTFONTCOLOR"), "255");
    // A value of the wrong type counts as a failed read.
    SetSetting("BackgroundColor", "blau");
    SetSetting("Font", 3);
    EXPECT_EQ(Tag("OBJECTCOLOR"), "8421440");
    EXPECT_EQ(Tag("OBJECTFONT"), "Arial");
}

TEST_F(CommonTags, QuoteOfTheDayChangesAtMostEveryTwelveHours) {
    WriteDesign(Design());
    EXPECT_EQ(Tag("QOTD"), "quotes.txt ??");
    // The file appears, but it is looked for again only twelve hours later.
    dir.write("Vorlagen/quotes.txt", "Erste\nZweite\nDritte\n");
    std::vector<int> draws = {1, 2};
    std::size_t next = 0;
    Gemeinsam::SetQuoteRandom([&] { return draws.at(next++); });
    SysUtils::SetClock([] { return D(2007, 3, 5, 14.1); });
    EXPECT_EQ(Tag("QOTD"), "quotes.txt ??");
    SysUtils::SetClock([] { return D(2007, 3, 6, 2.2); });
    EXPECT_EQ(Tag("QOTD"), "Zweite");
    SysUtils::SetClock([] { return D(2007, 3, 6, 2.3); });
    EXPECT_EQ(Tag("QOTD"), "Zweite");
    SysUtils::SetClock([] { return D(2007, 3, 6, 15.3); });
    EXPECT_EQ(Tag("QOTD"), "Dritte");
    EXPECT_EQ(next, 2u);
}

TEST_F(CommonTags, QuotesFileWithoutLinesKeepsThePreviousQuote) {
    WriteDesign(Design());
    dir.write("Vorlagen/quotes.txt", "Nur eine\n");
    Gemeinsam::SetQuoteRandom([] { return 7; });
    EXPECT_EQ(Tag("QOTD"), "Nur eine");
    dir.write("Vorlagen/quotes.txt", "");
    SysUtils::SetClock([] { return D(2007, 3, 6, 14); });
    EXPECT_EQ(Tag("QOTD"), "Nur eine");
}
