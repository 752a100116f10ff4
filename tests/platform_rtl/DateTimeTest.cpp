#include <gtest/gtest.h>

#include "SysUtils.h"

using namespace SysUtils;

namespace {
TDateTime At(Word y, Word m, Word d, Word h = 0, Word n = 0, Word s = 0) {
    return EncodeDate(y, m, d).Val + EncodeTime(h, n, s, 0).Val;
}
}

TEST(DateTime, SerialNumbersMatchTheClassLibrary) {
    EXPECT_EQ(EncodeDate(1899, 12, 30).Val, 0.0);
    EXPECT_EQ(EncodeDate(2007, 3, 5).Val, 39146.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1).Val, 36526.0);
    EXPECT_EQ(DayOfWeek(EncodeDate(2007, 3, 5)), 2);   // Monday
    EXPECT_EQ(TDateTime(0).DayOfWeek(), 7);            // 1899-12-30 was a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);  // Sunday
}

TEST(DateTime, DecodeRoundTripsAcrossLeapYearsAndMonthEnds) {
    for (Word y : {1900, 1999, 2000, 2004, 2024, 2100}) {
        for (Word m = 1; m <= 12; ++m) {
            for (Word d : {Word(1), DaysInAMonth(y, m)}) {
                Word yy, mm, dd;
                DecodeDate(EncodeDate(y, m, d), yy, mm, dd);
                EXPECT_EQ(yy, y);
                EXPECT_EQ(mm, m);
                EXPECT_EQ(dd, d);
            }
        }
    }
    EXPECT_EQ(DaysInAMonth(2000, 2), 29);
    EXPECT_EQ(DaysInAMonth(1900, 2), 28);
    EXPECT_EQ(DaysInAMonth(2100, 2), 28);
    TDateTime out;
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, out));
    EXPECT_THROW(EncodeDate(2023, 13, 1), EConvertError);
}

TEST(DateTime, IncMonthClampsTheDay) {
    Word y, m, d;
    DecodeDate(IncMonth(EncodeDate(2024, 1, 31), 1), y, m, d);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(d, 29);
    DecodeDate(IncMonth(EncodeDate(2023, 12, 15), 1), y, m, d);
    EXPECT_EQ(y, 2024);
    EXPECT_EQ(m, 1);
    DecodeDate(IncMonth(EncodeDate(2024, 1, 15), -1), y, m, d);
    EXPECT_EQ(y, 2023);
    EXPECT_EQ(m, 12);
    DecodeDate(IncMonth(EncodeDate(2024, 3, 31), -13), y, m, d);
    EXPECT_EQ(y, 2023);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(d, 28);
}

TEST(DateTime, TimeDecodingRoundsToMilliseconds) {
    Word h, n, s, ms;
    DecodeTime(At(2007, 3, 5, 8, 5, 0), h, n, s, ms);
    EXPECT_EQ(h, 8);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(ms, 0);
    // The same time of day on another date gives exactly the same milliseconds.
    EXPECT_EQ(TimeOfDayMSecs(At(2007, 3, 5, 10, 0)), TimeOfDayMSecs(At(2031, 7, 9, 10, 0)));
    EXPECT_EQ(TimeOfDayMSecs(At(2007, 3, 5, 10, 0)), 36000000);
}

TEST(FormatDateTime, PatternsOfTheCalendar) {
    const TDateTime t = At(2007, 3, 5, 8, 5);
    EXPECT_EQ(FormatDateTime("#m'/'d'/'yyyy#", t), "#3/5/2007#");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", t), "05.03.2007");
    EXPECT_EQ(FormatDateTime("dddd", t), "Montag");
    EXPECT_EQ(FormatDateTime("mmmm", t), "März");
    EXPECT_EQ(FormatDateTime("yyyy", t), "2007");
    EXPECT_EQ(FormatDateTime("d", t), "5");
    EXPECT_EQ(FormatDateTime("hh:mm", t), "08:05");
    EXPECT_EQ(FormatDateTime("mmmm yyyy", t), "März 2007");
    EXPECT_EQ(FormatDateTime("dddd, 'der' d mmmm yyyy", t), "Montag, der 5 März 2007");
    EXPECT_EQ(FormatDateTime("dddd, d.m.yyyy", t), "Montag, 5.3.2007");
    EXPECT_EQ(FormatDateTime("m/d/yy", t), "3.5.07");   // an unquoted slash is the date separator
    EXPECT_EQ(FormatDateTime("hh:nn:ss", At(2007, 3, 5, 23, 59, 58)), "23:59:58");
    EXPECT_EQ(FormatDateTime("ddd mmm", t), "Mo Mrz");
    EXPECT_EQ(FormatDateTime("h:mm am/pm", At(2007, 3, 5, 13, 7)), "1:07 pm");
    EXPECT_EQ(FormatDateTime("\"Heute ist\" dddd", t), "Heute ist Montag");
}

TEST(DateStrings, ShortDateFormatRoundTrips) {
    const TDateTime t = EncodeDate(2007, 3, 5);
    EXPECT_EQ(DateToStr(t), "05.03.2007");
    EXPECT_EQ(StrToDate("05.03.2007").Val, t.Val);
    EXPECT_EQ(StrToDate(" 5.3.2007").Val, t.Val);
    EXPECT_THROW(StrToDate(""), EConvertError);
    EXPECT_THROW(StrToDate("31.02.2007"), EConvertError);
    EXPECT_THROW(StrToDate("05.03.2007x"), EConvertError);
    EXPECT_THROW(StrToDate("heute"), EConvertError);
    TDateTime r;
    EXPECT_TRUE(TryStrToTime("08:05", r));
    EXPECT_EQ(FormatDateTime("hh:nn", r), "08:05");
    EXPECT_FALSE(TryStrToTime("25:00", r));
}

TEST(Clock, TestsCanSetNow) {
    SetClock([] { return TDateTime(39146.75); });
    EXPECT_EQ(Now().Val, 39146.75);
    EXPECT_EQ(Date().Val, 39146.0);
    EXPECT_EQ(Time().Val, 0.75);
    ResetClock();
    EXPECT_GT(Now().Val, 45000.0);
}
