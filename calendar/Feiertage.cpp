#include "Feiertage.h"

#include <cmath>

namespace {

const char* const kNames[TFeiertage::HolidayCount] = {
    "Neujahrstag", "Heil. Drei Könige", "Rosenmontag", "Aschermittwoch", "Gründonnerstag",
    "Karfreitag", "Ostermontag", "Maifeiertag", "Himmelfahrt", "Pfingstmontag", "Fronleichnam",
    "Tag der Deutschen Einheit", "Allerheiligen", "Heiligabend", "1. Weihnachtstag",
    "2. Weihnachtstag", "Silvester", "Mariä Himmelfahrt", "Reformationstag"};

int DayOfYear(Word year, Word month, Word day) {
    return static_cast<int>(std::lround(double(SysUtils::EncodeDate(year, month, day)) -
                                        double(SysUtils::EncodeDate(year, 1, 1)))) + 1;
}

} // namespace

TFeiertage::TFeiertage(TComponent* AOwner) : TComponent(AOwner), list_(new TStringList) {
    for (int i = 0; i < HolidayCount; ++i) names_[i] = kNames[i];
}

TFeiertage::~TFeiertage() { delete list_; }

TDateTime TFeiertage::EasterSunday(Word AYear) {
    const int y = AYear;
    // The century constants follow from the Gregorian leap rule and the lunar correction, so
    // every century gets its own (24/5 for 1900-2099, 24/6 for 2100-2199 ...).
    const int k = y / 100;
    const int p = (13 + 8 * k) / 25;
    const int q = k / 4;
    const int M = ((15 - p + k - q) % 30 + 30) % 30;
    const int N = ((4 + k - q) % 7 + 7) % 7;
    const int a = y % 19, b = y % 4, c = y % 7;
    const int d = (19 * a + M) % 30;
    const int e = (2 * b + 4 * c + 6 * d + N) % 7;
    int month = 3, day = 22 + d + e;
    if (day > 31) {
        month = 4;
        day = d + e - 9;
        if (day == 26) day = 19;
        else if (day == 25 && d == 28 && e == 6 && a > 10) day = 18;
    }
    return SysUtils::EncodeDate(AYear, static_cast<Word>(month), static_cast<Word>(day));
}

void TFeiertage::CalcHolidays(Word AYear) {
    const int easter = static_cast<int>(std::lround(double(EasterSunday(AYear)) -
                                                    double(SysUtils::EncodeDate(AYear, 1, 1)))) + 1;
    days_[0] = DayOfYear(AYear, 1, 1);
    days_[1] = DayOfYear(AYear, 1, 6);
    days_[2] = easter - 48;
    days_[3] = easter - 46;
    days_[4] = easter - 3;
    days_[5] = easter - 2;
    days_[6] = easter + 1;
    days_[7] = DayOfYear(AYear, 5, 1);
    days_[8] = easter + 39;
    days_[9] = easter + 50;
    days_[10] = easter + 60;
    days_[11] = DayOfYear(AYear, 10, 3);
    days_[12] = DayOfYear(AYear, 11, 1);
    days_[13] = DayOfYear(AYear, 12, 24);
    days_[14] = DayOfYear(AYear, 12, 25);
    days_[15] = DayOfYear(AYear, 12, 26);
    days_[16] = DayOfYear(AYear, 12, 31);
    days_[17] = DayOfYear(AYear, 8, 15);
    days_[18] = DayOfYear(AYear, 10, 31);
}

void TFeiertage::EnsureYear(Word AYear) {
    // One remembered year for the one table of day numbers, whoever asks.
    if (computedYear_ != AYear) {
        CalcHolidays(AYear);
        computedYear_ = AYear;
    }
}

AnsiString TFeiertage::IsItHolyday(TDateTime ADate) {
    SysUtils::DecodeDate(ADate, Year, Month, Day);
    EnsureYear(Year);
    Day = static_cast<Word>(DayOfYear(Year, Month, Day));
    for (int i = 0; i < HolidayCount; ++i)
        if (days_[i] == Day) return names_[i];
    return "";
}

TStrings* TFeiertage::FeiertageThisMonth(Word AMonth, Word AYear) {
    list_->Clear();
    EnsureYear(AYear);
    const double jan1 = SysUtils::EncodeDate(AYear, 1, 1);
    for (int i = 0; i < HolidayCount; ++i) {
        Word y, m, d;
        SysUtils::DecodeDate(TDateTime(jan1 + days_[i] - 1), y, m, d);
        if (m == AMonth)
            list_->Add("(" + SysUtils::IntToStr(d) + "." + SysUtils::IntToStr(m) + ". ) " + names_[i]);
    }
    return list_;
}

int IsoWeekNumber(TDateTime ADate) {
    const TDateTime D(std::floor(double(ADate)));
    const int t = (8 - D.DayOfWeek()) % 7;
    const TDateTime S(double(D) + t);
    const TDateTime T(double(S) - 3);
    Word y, m, d;
    SysUtils::DecodeDate(T, y, m, d);
    const TDateTime J = SysUtils::EncodeDate(y, 1, 1);
    const int n = static_cast<int>(std::lround(double(D) - double(J))) - 3;
    const int w = (J.DayOfWeek() + 1) % 7;
    const int sum = n + w;
    // Floor division: the sum is never negative for a real date, but stay exact if it were.
    const int weeks = sum >= 0 ? sum / 7 : -((-sum + 6) / 7);
    return weeks + 1;
}
