// Numbers and dates in stored files and settings read and write the same under the users' German
// locale, whose LC_NUMERIC has a decimal comma, and under "C".
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "ProcessLocale.h"
#include "IniFiles.h"
#include "Registry.h"
#include "SysUtils.h"
#include "TempDir.h"

using namespace SysUtils;
using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

using testsupport::ProcessLocale;

class StoredNumbers : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(locale.ok()) << GetParam() << " is not installed (scripts/install-deps generates it)";
        // The locale really is the one asked for: German writes a decimal comma.
        ASSERT_STREQ(std::localeconv()->decimal_point, std::string(GetParam()) == "C" ? "." : ",");
    }
    ProcessLocale locale{GetParam()};
};

TEST_P(StoredNumbers, FloatTextsFollowTheProgramsDecimalSeparator) {
    EXPECT_EQ(FloatToStr(0.75), "0,75");
    EXPECT_EQ(FloatToStr(0.645833333333333), "0,645833333333333");
    EXPECT_EQ(FloatToStr(-2), "-2");
    EXPECT_EQ(FloatToStr(39156.5), "39156,5");
    EXPECT_EQ(FloatToStr(1.5e20), "1,5E20");
    EXPECT_EQ(FloatToStr(1e-5), "1E-05");
    double v = -1;
    EXPECT_TRUE(TryStrToFloat("0,5", v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    // A '.' is read as well, as files written elsewhere have it.
    EXPECT_TRUE(TryStrToFloat(" 0.645833333333333 ", v));
    EXPECT_DOUBLE_EQ(v, 0.645833333333333);
    EXPECT_TRUE(TryStrToFloat("+1,5E3", v));
    EXPECT_DOUBLE_EQ(v, 1500);
    EXPECT_TRUE(TryStrToFloat("-3", v));
    EXPECT_DOUBLE_EQ(v, -3);
    for (const char* bad : {"", "0,5x", "1,2,3", "+-1", "1e", "abc", "inf", "nan", "1e999"}) {
        v = 7;
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
        EXPECT_EQ(v, 7) << bad;
    }
    EXPECT_THROW(StrToFloat("x"), EConvertError);
    EXPECT_DOUBLE_EQ(StrToFloat("12,25"), 12.25);
    // The plain texts other writers build on keep their '.'.
    EXPECT_EQ(FloatToCText(2.5, 3, true), "2.500");
    EXPECT_EQ(FloatToCText(1234567.891, 15), "1234567.891");
    EXPECT_TRUE(TryCTextToFloat("2.5", v));
    EXPECT_DOUBLE_EQ(v, 2.5);
    EXPECT_FALSE(TryCTextToFloat("2,5", v));
}

TEST_P(StoredNumbers, DateAndTimeTextsAreTheProgramsOwn) {
    const TDateTime when = EncodeDate(2007, 3, 15).Val + EncodeTime(18, 5, 0, 0).Val;
    EXPECT_EQ(DateToStr(when), "15.03.2007");
    EXPECT_EQ(TimeToStr(when), "18:05:00");
    EXPECT_EQ(FormatDateTime("dddd, d. mmmm yyyy hh:nn", when), "Donnerstag, 15. März 2007 18:05");
    TDateTime read;
    ASSERT_TRUE(TryStrToDate("15.03.2007", read));
    EXPECT_EQ(read.Val, EncodeDate(2007, 3, 15).Val);
    ASSERT_TRUE(TryStrToTime("15:30", read));
    EXPECT_NEAR(read.Val, 0.645833333333333, 1e-12);
}

TEST_P(StoredNumbers, IniAndRegistryNumbersRoundTrip) {
    TempDir dir;
    dir.write("sprueche.ini", "[Mittag]\nZeit=0,5\n[Bewegung]\nZeit=0,645833333333333\n[Punkt]\nZeit=0.75\n");
    TIniFile ini(dir.file("sprueche.ini"));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Mittag", "Zeit", -1), 0.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Bewegung", "Zeit", -1), 0.645833333333333);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Punkt", "Zeit", -1), 0.75);
    ini.WriteFloat("Neu", "Zeit", 0.75);
    ini.WriteInteger("Neu", "Zahl", -1234);
    EXPECT_EQ(dir.read("sprueche.ini"),
              "[Mittag]\nZeit=0,5\n[Bewegung]\nZeit=0,645833333333333\n[Punkt]\nZeit=0.75\n\n[Neu]\nZeit=0,75\nZahl=-1234\n");
    EXPECT_EQ(ini.ReadInteger("Neu", "Zahl", 0), -1234);

    ScopedEnv env{"ZORBELIN_REGISTRY", dir.path().string()};
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin\\Tarvolin", true));
        reg.WriteInteger("BackgroundColorDays", 0xEDC2A9);
        reg.WriteInteger("FormPosLeftNormal", -1500);
        reg.WriteString("Datum", DateToStr(EncodeDate(2007, 3, 15)));
    }
    EXPECT_NE(dir.read("HKEY_CURRENT_USER.reg").find("\"BackgroundColorDays\"=dword:00edc2a9"), std::string::npos);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Hallowerk\\Zorbelin\\Tarvolin"));
    EXPECT_EQ(reg.ReadInteger("BackgroundColorDays"), 0xEDC2A9);
    EXPECT_EQ(reg.ReadInteger("FormPosLeftNormal"), -1500);
    TDateTime date;
    ASSERT_TRUE(TryStrToDate(reg.ReadString("Datum"), date));
    EXPECT_EQ(date.Val, EncodeDate(2007, 3, 15).Val);
}

INSTANTIATE_TEST_SUITE_P(Locales, StoredNumbers, ::testing::Values("de_DE.UTF-8", "C"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == "C" ? std::string("C") : std::string("German");
                         });

} // namespace
