#include <gtest/gtest.h>

#include <chrono>

#include "BuildCalendar.h"
#include "Feiertage.h"

using SysUtils::EncodeDate;

namespace {

AnsiString DateText(TDateTime d) { return SysUtils::FormatDateTime("dd.mm.yyyy", d); }

// Day of the year of the holiday with Index in AYear, as a date.
AnsiString HolidayDate(TFeiertage& f, int Index, Word AYear) {
    f.CalcHolidays(AYear);
    return DateText(TDateTime(double(EncodeDate(AYear, 1, 1)) + f.HolidayDay(Index) - 1));
}

} // namespace

TEST(Holidays, EasterAndTheMovableHolidaysOf2007) {
    TFeiertage f(nullptr);
    EXPECT_EQ(DateText(TFeiertage::EasterSunday(2007)), "08.04.2007");
    EXPECT_EQ(HolidayDate(f, 2, 2007), "19.02.2007");   // Rosenmontag
    EXPECT_EQ(HolidayDate(f, 3, 2007), "21.02.2007");   // Aschermittwoch
    EXPECT_EQ(HolidayDate(f, 4, 2007), "05.04.2007");   // Gründonnerstag
    EXPECT_EQ(HolidayDate(f, 5, 2007), "06.04.2007");   // Karfreitag
    EXPECT_EQ(HolidayDate(f, 6, 2007), "09.04.2007");   // Ostermontag
    EXPECT_EQ(HolidayDate(f, 8, 2007), "17.05.2007");   // Himmelfahrt
    EXPECT_EQ(HolidayDate(f, 9, 2007), "28.05.2007");   // Pfingstmontag
    EXPECT_EQ(HolidayDate(f, 10, 2007), "07.06.2007");  // Fronleichnam
}

TEST(Holidays, EasterExceptionsAndCenturies) {
    EXPECT_EQ(DateText(TFeiertage::EasterSunday(1981)), "19.04.1981");   // 26 April rule
    EXPECT_EQ(DateText(TFeiertage::EasterSunday(2049)), "18.04.2049");   // 25 April rule
    EXPECT_EQ(DateText(TFeiertage::EasterSunday(2100)), "28.03.2100");
    EXPECT_EQ(DateText(TFeiertage::EasterSunday(1954)), "18.04.1954");
    EXPECT_EQ(DateText(TFeiertage::EasterSunday(2285)), "22.03.2285");   // earliest possible
    EXPECT_EQ(DateText(TFeiertage::EasterSunday(2038)), "25.04.2038");   // latest possible
    // Always a Sunday between 22 March and 25 April.
    for (Word y = 1600; y <= 2400; ++y) {
        const TDateTime e = TFeiertage::EasterSunday(y);
        ASSERT_EQ(e.DayOfWeek(), 1) << y;
        ASSERT_GE(double(e), double(EncodeDate(y, 3, 22))) << y;
        ASSERT_LE(double(e), double(EncodeDate(y, 4, 25))) << y;
    }
}

TEST(Holidays, FixedDaysFollowLeapYears) {
    TFeiertage f(nullptr);
    f.CalcHolidays(2008);
    EXPECT_EQ(f.HolidayDay(11), 277);   // Tag der Deutschen Einheit
    EXPECT_EQ(f.HolidayDay(13), 359);   // Heiligabend
    f.CalcHolidays(2007);
    EXPECT_EQ(f.HolidayDay(11), 276);
    EXPECT_EQ(f.HolidayDay(16), 365);
}

TEST(Holidays, IsItHolyday) {
    TFeiertage f(nullptr);
    for (Word y : {1999, 2007, 2008, 2024}) {
        EXPECT_EQ(f.IsItHolyday(EncodeDate(y, 1, 1)), "Neujahrstag");
        EXPECT_EQ(f.IsItHolyday(EncodeDate(y, 1, 2)), "");
    }
    // 2008: Easter on 23 March puts Himmelfahrt on 1 May; the lower index names the day.
    EXPECT_EQ(f.IsItHolyday(EncodeDate(2008, 5, 1)), "Maifeiertag");
    EXPECT_EQ(f.IsItHolyday(TDateTime(double(EncodeDate(2007, 12, 24)) + 0.75)), "Heiligabend");
    EXPECT_EQ(f.IsItHolyday(EncodeDate(2024, 8, 15)), "Mariä Himmelfahrt");
    EXPECT_EQ(f.IsItHolyday(EncodeDate(2024, 3, 29)), "Karfreitag");
    EXPECT_EQ(f.Year, 2024);
    EXPECT_EQ(f.Month, 3);
    EXPECT_EQ(f.Day, 89);   // the day of the year after the call
}

TEST(Holidays, FeiertageThisMonth) {
    TFeiertage f(nullptr);
    TStrings* october = f.FeiertageThisMonth(10, 2007);
    ASSERT_EQ(october->Count(), 2);
    EXPECT_EQ(october->Strings(0), "(3.10. ) Tag der Deutschen Einheit");
    EXPECT_EQ(october->Strings(1), "(31.10. ) Reformationstag");
    // Another year asked of the same component in between must not leak into the list.
    f.IsItHolyday(EncodeDate(2008, 1, 1));
    TStrings* april = f.FeiertageThisMonth(4, 2007);
    ASSERT_EQ(april->Count(), 3);
    EXPECT_EQ(april->Strings(0), "(5.4. ) Gründonnerstag");
    EXPECT_EQ(april->Strings(1), "(6.4. ) Karfreitag");
    EXPECT_EQ(april->Strings(2), "(9.4. ) Ostermontag");
    EXPECT_EQ(f.FeiertageThisMonth(9, 2007)->Count(), 0);
    EXPECT_EQ(october, april);   // the one list owned by the component
}

TEST(WeekNumbers, YearEnds) {
    EXPECT_EQ(IsoWeekNumber(EncodeDate(2005, 1, 1)), 53);
    EXPECT_EQ(IsoWeekNumber(EncodeDate(2007, 12, 31)), 1);
    EXPECT_EQ(IsoWeekNumber(EncodeDate(2010, 1, 3)), 53);
    EXPECT_EQ(IsoWeekNumber(EncodeDate(2009, 12, 31)), 53);
    EXPECT_EQ(IsoWeekNumber(EncodeDate(2016, 1, 1)), 53);
    EXPECT_EQ(IsoWeekNumber(EncodeDate(2014, 12, 29)), 1);
    EXPECT_EQ(IsoWeekNumber(EncodeDate(2007, 3, 5)), 10);
    EXPECT_EQ(IsoWeekNumber(TDateTime(double(EncodeDate(2007, 3, 11)) + 0.99)), 10);
}

TEST(WeekNumbers, AgreeWithTheIsoCalendarEveryDay) {
    // Independent reference: the Monday of week 1 is the Monday on or before 4 January.
    auto week1Monday = [](int y) {
        const TDateTime jan4 = EncodeDate(static_cast<Word>(y), 1, 4);
        return double(jan4) - ((jan4.DayOfWeek() + 5) % 7);
    };
    for (double d = EncodeDate(1900, 1, 8); d <= double(EncodeDate(2100, 12, 31)); d += 1) {
        Word y, m, dd;
        SysUtils::DecodeDate(d, y, m, dd);
        int year = y + 1;
        while (d < week1Monday(year)) --year;
        const int expected = static_cast<int>((d - week1Monday(year)) / 7) + 1;
        ASSERT_EQ(IsoWeekNumber(d), expected) << DateText(d);
    }
}

TEST(Colours, ColorToHtml) {
    EXPECT_EQ(BuildTarvolan::ColorToHtml(0xEDC2A9), "#A9C2ED");
    EXPECT_EQ(BuildTarvolan::ColorToHtml(0xFADCC9), "#C9DCFA");
    EXPECT_EQ(BuildTarvolan::ColorToHtml(0x0000FF), "#FF0000");
    EXPECT_EQ(BuildTarvolan::ColorToHtml(8), "#080000");
    EXPECT_EQ(BuildTarvolan::ColorToHtml(0xFFFFFF), "#FFFFFF");
    EXPECT_EQ(BuildTarvolan::ColorToHtml(0), "#000000");
    // A system colour is looked up first; a value above 24 bits keeps its colour part.
    EXPECT_EQ(BuildTarvolan::ColorToHtml(clInfoBk),
              BuildTarvolan::ColorToHtml(Graphics::ColorToRGB(clInfoBk)));
    EXPECT_EQ(BuildTarvolan::ColorToHtml(clNone), "#FFFFFF");
    EXPECT_EQ(BuildTarvolan::ColorToHtml(0x12345678), "#785634");
}
