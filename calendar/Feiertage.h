#pragma once
// German holidays of a year and the ISO calendar week.
#include "Classes.h"

class TFeiertage : public TComponent {
public:
    static constexpr int HolidayCount = 19;

    explicit TFeiertage(TComponent* AOwner);
    ~TFeiertage() override;

    // Computes the day numbers (day of the year, 1 = 1 January) of the holidays of AYear.
    void CalcHolidays(Word AYear);
    // The name of the holiday on ADate, or "" (the lower index wins when two share a day).
    AnsiString IsItHolyday(TDateTime ADate);
    // One line "(d.m. ) name" per holiday in AMonth of AYear; the list stays owned by the component.
    TStrings* FeiertageThisMonth(Word AMonth, Word AYear);

    const AnsiString& HolidayName(int Index) const { return names_[Index]; }
    int HolidayDay(int Index) const { return days_[Index]; }
    // Easter Sunday of a Gregorian year.
    static TDateTime EasterSunday(Word AYear);

    Word Year = 0, Month = 0, Day = 0;

private:
    void EnsureYear(Word AYear);
    AnsiString names_[HolidayCount];
    int days_[HolidayCount] = {};
    int computedYear_ = -1;
    TStringList* list_;
};

// ISO 8601 week number: weeks begin on Monday, week 1 holds the year's first Thursday.
int IsoWeekNumber(TDateTime ADate);
