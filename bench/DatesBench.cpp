// The holidays of a year and the ISO week numbers of every day of a year.
#include <benchmark/benchmark.h>

#include "Feiertage.h"

namespace {

void BM_HolidaysOfAYear(benchmark::State& state) {
    TFeiertage holidays(nullptr);
    Word year = 1990;
    for (auto _ : state) {
        holidays.CalcHolidays(year);
        benchmark::DoNotOptimize(holidays.HolidayDay(TFeiertage::HolidayCount - 1));
        year = year == 2090 ? 1990 : year + 1;
    }
}

// Every day of a year asked for its holiday, as the month pages ask day by day.
void BM_HolidayLookupsOfAYear(benchmark::State& state) {
    TFeiertage holidays(nullptr);
    const double jan1 = SysUtils::EncodeDate(2024, 1, 1);
    for (auto _ : state) {
        int named = 0;
        for (int d = 0; d < 366; ++d) named += !holidays.IsItHolyday(TDateTime(jan1 + d)).empty();
        benchmark::DoNotOptimize(named);
    }
}

void BM_WeekNumbersOfAYear(benchmark::State& state) {
    const double jan1 = SysUtils::EncodeDate(2024, 1, 1);
    for (auto _ : state) {
        int sum = 0;
        for (int d = 0; d < 366; ++d) sum += IsoWeekNumber(TDateTime(jan1 + d + 0.5));
        benchmark::DoNotOptimize(sum);
    }
}

} // namespace

BENCHMARK(BM_HolidaysOfAYear);
BENCHMARK(BM_HolidayLookupsOfAYear)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WeekNumbersOfAYear)->Unit(benchmark::kMicrosecond);
