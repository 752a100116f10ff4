#include "SysUtils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>

#include "ProgramName.h"
#include "TextEncoding.h"

namespace SysUtils {

AnsiString ShortDateFormat = "dd.mm.yyyy";
AnsiString LongDateFormat = "dddd, d. mmmm yyyy";
AnsiString ShortTimeFormat = "hh:nn";
AnsiString LongTimeFormat = "hh:nn:ss";
char DateSeparator = '.';
char TimeSeparator = ':';
char DecimalSeparator = ',';
char ThousandSeparator = '.';

const char* const LongDayNames[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch",
                                     "Donnerstag", "Freitag", "Samstag"};
const char* const ShortDayNames[7] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
const char* const LongMonthNames[12] = {"Januar", "Februar", "März", "April", "Mai", "Juni",
                                        "Juli", "August", "September", "Oktober", "November",
                                        "Dezember"};
const char* const ShortMonthNames[12] = {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun",
                                         "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};

void Abort() { throw EAbort("Operation aborted"); }

// ---- dates ------------------------------------------------------------------------------------
namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;
constexpr std::int64_t kDateDelta = 693594;   // days from 0001-01-01 to 1899-12-30

// A date value as whole days and milliseconds into the day, rounded as the class library rounds.
// Beyond the dates handled it is the nearest one handled, so no cast below leaves its range.
void SplitDateTime(double dt, std::int64_t& day, std::int64_t& msec) {
    dt = ClampDateTime(dt).Val;
    if (dt >= 0) {
        const auto total = static_cast<std::int64_t>(std::llround(dt * MSecsPerDay));
        day = total / kMSecsPerDay;
        msec = total % kMSecsPerDay;
    } else {
        day = static_cast<std::int64_t>(std::trunc(dt));
        msec = static_cast<std::int64_t>(std::llround(std::fabs(dt - static_cast<double>(day)) * MSecsPerDay));
        if (msec >= kMSecsPerDay) { msec -= kMSecsPerDay; --day; }
    }
}

void DecodeDays(std::int64_t serial, Word& year, Word& month, Word& day) {
    std::int64_t t = serial + kDateDelta;
    if (t <= 0) { year = month = day = 0; return; }
    --t;
    std::int64_t y = 1;
    while (t >= 146097) { t -= 146097; y += 400; }
    std::int64_t i = t / 36524, d = t % 36524;
    if (i == 4) { --i; d += 36524; }
    y += i * 100;
    i = d / 1461; d %= 1461;
    y += i * 4;
    i = d / 365; d %= 365;
    if (i == 4) { --i; d += 365; }
    y += i;
    year = static_cast<Word>(y);
    const bool leap = IsLeapYear(year);
    Word m = 1;
    while (d >= MonthDays[leap][m - 1]) { d -= MonthDays[leap][m - 1]; ++m; }
    month = m;
    day = static_cast<Word>(d + 1);
}

std::function<TDateTime()>& ClockSlot() {
    static std::function<TDateTime()> clock;
    return clock;
}
std::mutex& ClockMutex() {
    static std::mutex m;
    return m;
}

TDateTime SystemNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    TDateTime d, t;
    TryEncodeDate(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                  static_cast<Word>(local.tm_mday), d);
    TryEncodeTime(static_cast<Word>(local.tm_hour), static_cast<Word>(local.tm_min),
                  static_cast<Word>(local.tm_sec > 59 ? 59 : local.tm_sec),
                  static_cast<Word>(ts.tv_nsec / 1000000), t);
    return d.Val + t.Val;
}

} // namespace

TDateTime ClampDateTime(double value) {
    if (std::isnan(value)) return 0.0;
    return std::clamp(value, MinDateTime, MaxDateTime);
}

Int64 RoundToInt64(double value) {
    if (std::isnan(value)) return 0;
    // 2^63 is the first double beyond Int64; the last one below it converts exactly.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit) return std::numeric_limits<Int64>::max();
    if (value < -limit) return std::numeric_limits<Int64>::min();
    const double rounded = std::nearbyint(value);
    if (rounded >= limit) return std::numeric_limits<Int64>::max();
    return static_cast<Int64>(rounded);
}

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

Word DaysInAMonth(Word year, Word month) {
    if (month < 1 || month > 12) return 0;
    return MonthDays[IsLeapYear(year)][month - 1];
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    std::int64_t days = day;
    for (int m = 1; m < month; ++m) days += MonthDays[IsLeapYear(year)][m - 1];
    const std::int64_t y = year - 1;
    result = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + days - kDateDelta);
    return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
    return r;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& result) {
    if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
    result = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
    TDateTime r;
    if (!TryEncodeTime(hour, min, sec, msec, r)) throw EConvertError("Invalid argument to time encode");
    return r;
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
    std::int64_t d, ms;
    SplitDateTime(date, d, ms);
    DecodeDays(d, year, month, day);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
    std::int64_t d, ms;
    SplitDateTime(time, d, ms);
    hour = static_cast<Word>(ms / 3600000);
    min = static_cast<Word>(ms / 60000 % 60);
    sec = static_cast<Word>(ms / 1000 % 60);
    msec = static_cast<Word>(ms % 1000);
}

int TimeOfDayMSecs(TDateTime time) {
    std::int64_t d, ms;
    SplitDateTime(time, d, ms);
    return static_cast<int>(ms);
}

int DayOfWeek(TDateTime date) {
    std::int64_t d, ms;
    SplitDateTime(date, d, ms);
    const std::int64_t r = (d + kDateDelta) % 7;
    return static_cast<int>(r < 0 ? r + 7 : r) + 1;
}

TDateTime IncMonth(TDateTime date, int months) {
    Word y, m, d;
    DecodeDate(date, y, m, d);
    int total = (y * 12 + (m - 1)) + months;
    const Word ny = static_cast<Word>(total / 12);
    const Word nm = static_cast<Word>(total % 12 + 1);
    const Word dim = DaysInAMonth(ny, nm);
    if (d > dim) d = dim;
    std::int64_t day, ms;
    SplitDateTime(date, day, ms);
    return EncodeDate(ny, nm, d).Val + static_cast<double>(ms) / MSecsPerDay;
}

namespace {
// PROGRAM_CLOCK="yyyy-mm-dd hh:nn:ss" (ProgramName.h) starts the program's clock at that local time;
// from there it runs on with the system's. A whole program can so be run at the time of day a case needs.
double ClockOffset() {
    static const double offset = [] {
        const std::string v = GetEnvironmentVariable(ProgramVariable("CLOCK"));
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        TDateTime date, time;
        if (v.empty() || std::sscanf(v.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6 ||
            !TryEncodeDate(static_cast<Word>(y), static_cast<Word>(mo), static_cast<Word>(d), date) ||
            !TryEncodeTime(static_cast<Word>(h), static_cast<Word>(mi), static_cast<Word>(s), 0, time))
            return 0.0;
        return date.Val + time.Val - SystemNow().Val;
    }();
    return offset;
}
} // namespace

TDateTime Now() {
    {
        std::lock_guard<std::mutex> lock(ClockMutex());
        if (ClockSlot()) return ClockSlot()();
    }
    return SystemNow().Val + ClockOffset();
}
TDateTime Date() { return std::floor(Now().Val); }
TDateTime DateOf(TDateTime T) {
    Word y, m, d;
    DecodeDate(T, y, m, d);
    return EncodeDate(y, m, d);
}
TDateTime Time() { const double n = Now(); return n - std::floor(n); }
void SetClock(std::function<TDateTime()> clock) {
    std::lock_guard<std::mutex> lock(ClockMutex());
    ClockSlot() = std::move(clock);
}
void ResetClock() { SetClock(nullptr); }

// ---- FormatDateTime ----------------------------------------------------------------------------
namespace {

// Zero-padded to at least Digits places; a date is formatted many times per page, so no printf.
void AppendNumber(std::string& out, int value, int digits) {
    if (value < 0) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%0*d", digits, value);
        out += buf;
        return;
    }
    char buf[12];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int i = n; i < digits; ++i) out += '0';
    while (n > 0) out += buf[--n];
}

bool HasAmPm(const std::string& fmt) {
    // Most formats have no "a" at all: answer those without building the lowered copy.
    if (fmt.find_first_of("aA") == std::string::npos) return false;
    std::string lower;
    bool quoted = false;
    char quote = 0;
    for (char c : fmt) {
        if (quoted) { if (c == quote) quoted = false; continue; }
        if (c == '\'' || c == '"') { quoted = true; quote = c; continue; }
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos ||
           lower.find("ampm") != std::string::npos;
}

void FormatInto(std::string& out, const std::string& fmt, TDateTime dt, int depth) {
    if (depth > 2) return;
    Word year, month, day, hour, min, sec, msec;
    DecodeDate(dt, year, month, day);
    DecodeTime(dt, hour, min, sec, msec);
    const bool twelve = HasAmPm(fmt);
    char last = 0;
    std::size_t i = 0;
    auto run = [&](char upper) {
        std::size_t n = 1;
        while (i + n < fmt.size() && std::toupper(static_cast<unsigned char>(fmt[i + n])) == upper) ++n;
        i += n;
        return static_cast<int>(n);
    };
    while (i < fmt.size()) {
        const char c = fmt[i];
        char token = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (token >= 'A' && token <= 'Z') {
            if (token == 'M' && last == 'H') token = 'N';
            last = token;
        }
        switch (token) {
        case 'Y': {
            const int n = run('Y');
            if (n <= 2) AppendNumber(out, year % 100, 2);
            else AppendNumber(out, year, 4);
            break;
        }
        case 'M': {
            const int n = run('M');
            if (n == 1) AppendNumber(out, month, 1);
            else if (n == 2) AppendNumber(out, month, 2);
            else if (n == 3) out += ShortMonthNames[month - 1];
            else out += LongMonthNames[month - 1];
            break;
        }
        case 'D': {
            const int n = run('D');
            if (n == 1) AppendNumber(out, day, 1);
            else if (n == 2) AppendNumber(out, day, 2);
            else if (n == 3) out += ShortDayNames[DayOfWeek(dt) - 1];
            else if (n == 4) out += LongDayNames[DayOfWeek(dt) - 1];
            else if (n == 5) FormatInto(out, ShortDateFormat, dt, depth + 1);
            else FormatInto(out, LongDateFormat, dt, depth + 1);
            break;
        }
        case 'H': {
            const int n = run('H');
            int h = hour;
            if (twelve) { h %= 12; if (h == 0) h = 12; }
            AppendNumber(out, h, n >= 2 ? 2 : 1);
            break;
        }
        case 'N': {
            // 'm' after an hour counts as minutes: it may stand in the format as 'm' or 'n'.
            std::size_t n = 1;
            while (i + n < fmt.size() && (std::toupper(static_cast<unsigned char>(fmt[i + n])) == std::toupper(static_cast<unsigned char>(c)))) ++n;
            i += n;
            AppendNumber(out, min, n >= 2 ? 2 : 1);
            break;
        }
        case 'S': {
            const int n = run('S');
            AppendNumber(out, sec, n >= 2 ? 2 : 1);
            break;
        }
        case 'Z': {
            const int n = run('Z');
            AppendNumber(out, msec, n >= 2 ? 3 : 1);
            break;
        }
        case 'T': {
            const int n = run('T');
            FormatInto(out, n == 1 ? ShortTimeFormat : LongTimeFormat, dt, depth + 1);
            break;
        }
        case 'C': {
            run('C');
            FormatInto(out, ShortDateFormat, dt, depth + 1);
            if (hour || min || sec || msec) {
                out += ' ';
                FormatInto(out, LongTimeFormat, dt, depth + 1);
            }
            break;
        }
        case 'A': {
            auto starts = [&](const char* s) {
                std::size_t k = 0;
                for (; s[k]; ++k)
                    if (i + k >= fmt.size() || std::tolower(static_cast<unsigned char>(fmt[i + k])) != s[k]) return false;
                return true;
            };
            const bool pm = hour >= 12;
            if (starts("am/pm")) { out += pm ? "pm" : "am"; i += 5; }
            else if (starts("a/p")) { out += pm ? "p" : "a"; i += 3; }
            else if (starts("ampm")) { out += pm ? "PM" : "AM"; i += 4; }
            else { out += c; ++i; }
            break;
        }
        case '/': out += DateSeparator; ++i; break;
        case ':': out += TimeSeparator; ++i; break;
        case '\'':
        case '"': {
            const std::size_t end = fmt.find(c, i + 1);
            if (end == std::string::npos) { out.append(fmt, i + 1, std::string::npos); i = fmt.size(); }
            else { out.append(fmt, i + 1, end - i - 1); i = end + 1; }
            break;
        }
        default: out += c; ++i; break;
        }
    }
}

bool ScanNumber(const std::string& s, std::size_t& i, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && digits < 5) {
        value = value * 10 + (s[i] - '0');
        ++i;
        ++digits;
    }
    return digits > 0 && !(i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])));
}

void SkipBlanks(const std::string& s, std::size_t& i) {
    while (i < s.size() && s[i] == ' ') ++i;
}

// The order of day, month and year as the short date format gives it.
enum class DateOrder { DMY, MDY, YMD };
DateOrder ShortDateOrder() {
    for (char c : ShortDateFormat) {
        const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (u == 'D') return DateOrder::DMY;
        if (u == 'M') return DateOrder::MDY;
        if (u == 'Y') return DateOrder::YMD;
    }
    return DateOrder::DMY;
}

} // namespace

AnsiString FormatDateTime(const AnsiString& format, TDateTime dt) {
    std::string out;
    FormatInto(out, format, dt, 0);
    return out;
}

AnsiString DateToStr(TDateTime date) { return FormatDateTime("ddddd", date); }
AnsiString TimeToStr(TDateTime time) { return FormatDateTime("tt", time); }
AnsiString DateTimeToStr(TDateTime dt) { return FormatDateTime("c", dt); }

bool TryStrToDate(const AnsiString& s, TDateTime& result) {
    std::size_t i = 0;
    int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
    int count = 0;
    SkipBlanks(s, i);
    for (; count < 3; ++count) {
        if (count > 0) {
            SkipBlanks(s, i);
            if (i >= s.size() || s[i] != DateSeparator) break;
            ++i;
            SkipBlanks(s, i);
            if (i >= s.size()) break;   // a trailing separator ("5.3.") ends the date
        }
        if (!ScanNumber(s, i, n[count], digits[count])) return false;
    }
    SkipBlanks(s, i);
    if (i != s.size() || count < 2) return false;
    Word curYear, curMonth, curDay;
    DecodeDate(Now(), curYear, curMonth, curDay);
    int y, m, d, ydigits;
    switch (ShortDateOrder()) {
    case DateOrder::MDY: m = n[0]; d = n[1]; y = count == 3 ? n[2] : curYear; ydigits = count == 3 ? digits[2] : 4; break;
    case DateOrder::YMD:
        if (count == 3) { y = n[0]; ydigits = digits[0]; m = n[1]; d = n[2]; }
        else { y = curYear; ydigits = 4; m = n[0]; d = n[1]; }
        break;
    default: d = n[0]; m = n[1]; y = count == 3 ? n[2] : curYear; ydigits = count == 3 ? digits[2] : 4; break;
    }
    if (ydigits <= 2) {
        // Two-digit years fall into the 50 years either side of now.
        const int threshold = curYear - 50;
        y += threshold / 100 * 100;
        if (y < threshold) y += 100;
    }
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
    return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), result);
}

TDateTime StrToDate(const AnsiString& s) {
    TDateTime r;
    if (!TryStrToDate(s, r)) throw EConvertError("'" + s + "' is not a valid date");
    return r;
}

bool TryStrToTime(const AnsiString& s, TDateTime& result) {
    std::size_t i = 0;
    int parts[4] = {0, 0, 0, 0}, digits = 0;
    int count = 0;
    SkipBlanks(s, i);
    for (; count < 3; ++count) {
        if (count > 0) {
            if (i >= s.size() || s[i] != TimeSeparator) break;
            ++i;
        }
        if (!ScanNumber(s, i, parts[count], digits)) return false;
    }
    if (count == 3 && i < s.size() && (s[i] == '.' || s[i] == DecimalSeparator)) {
        ++i;
        if (!ScanNumber(s, i, parts[3], digits)) return false;
    }
    SkipBlanks(s, i);
    std::string rest = LowerCase(s.substr(i));
    if (rest == "pm" || rest == "am") {
        if (parts[0] < 1 || parts[0] > 12) return false;
        if (rest == "pm" && parts[0] != 12) parts[0] += 12;
        if (rest == "am" && parts[0] == 12) parts[0] = 0;
    } else if (!rest.empty()) {
        return false;
    }
    if (count < 2) return false;
    return TryEncodeTime(static_cast<Word>(parts[0]), static_cast<Word>(parts[1]),
                         static_cast<Word>(parts[2]), static_cast<Word>(parts[3]), result);
}

TDateTime StrToTime(const AnsiString& s) {
    TDateTime r;
    if (!TryStrToTime(s, r)) throw EConvertError("'" + s + "' is not a valid time");
    return r;
}

// ---- numbers ------------------------------------------------------------------------------------
AnsiString IntToStr(Int64 value) { return std::to_string(value); }

AnsiString IntToHex(Int64 value, int digits) {
    std::uint64_t u = static_cast<std::uint64_t>(value);
    if (value < 0 && value >= std::numeric_limits<std::int32_t>::min()) u &= 0xFFFFFFFFu;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%0*llX", digits < 0 ? 0 : (digits > 32 ? 32 : digits),
                  static_cast<unsigned long long>(u));
    return buf;
}

bool TryStrToInt64(const AnsiString& s, Int64& value) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) { neg = s[i] == '-'; ++i; }
    int base = 10;
    if (i < s.size() && s[i] == '$') { base = 16; ++i; }
    else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) { base = 16; i += 2; }
    if (i >= s.size()) return false;
    std::uint64_t acc = 0;
    const std::uint64_t limit = base == 16 ? std::numeric_limits<std::uint64_t>::max()
                                           : static_cast<std::uint64_t>(std::numeric_limits<Int64>::max()) + (neg ? 1 : 0);
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        if (acc > (limit - d) / base) return false;
        acc = acc * base + d;
    }
    value = neg ? static_cast<Int64>(0 - acc) : static_cast<Int64>(acc);
    return true;
}

bool TryStrToInt(const AnsiString& s, int& value) {
    Int64 v;
    if (!TryStrToInt64(s, v)) return false;
    // Hexadecimal texts may name the full 32 bits ("$FFFFFFFF" is -1), as the class library reads them.
    const bool hex = s.find_first_of("$xX") != std::string::npos;
    if (hex && v >= 0 && v <= 0xFFFFFFFFLL) { value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); return true; }
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(const AnsiString& s) {
    int v;
    if (!TryStrToInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
    return v;
}

int StrToIntDef(const AnsiString& s, int def) {
    int v;
    return TryStrToInt(s, v) ? v : def;
}

Int64 StrToInt64Def(const AnsiString& s, Int64 def) {
    Int64 v;
    return TryStrToInt64(s, v) ? v : def;
}

AnsiString FloatToCText(double value, int precision, bool fixed) {
    // Wide enough for "%.*f" of the largest double with the most decimals asked for.
    char buf[400];
    precision = std::clamp(precision, 0, 40);
    const auto [end, ec] = fixed ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision)
                                 : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general,
                                                 precision);
    if (ec != std::errc()) return "0";
    // ASCII letters only: "INF" stays "INF" under any locale's case rules.
    return fixed ? std::string(buf, end) : UpperCase(std::string(buf, end));
}

bool TryCTextToFloat(const AnsiString& s, double& value) {
    const char* first = s.data();
    const char* const last = s.data() + s.size();
    // std::from_chars takes no '+'; a second sign after it stays an error.
    if (first != last && *first == '+' && first + 1 != last && first[1] != '-' && first[1] != '+') ++first;
    double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(v)) return false;
    value = v;
    return true;
}

AnsiString FloatToStr(double value) {
    std::string r = FloatToCText(value, 15);
    for (char& c : r) if (c == '.') c = DecimalSeparator;
    // "1E+20" reads "1E20" in the class library's notation.
    const auto e = r.find("E+");
    if (e != std::string::npos) r.erase(e + 1, 1);
    return r;
}

bool TryStrToFloat(const AnsiString& s, double& value) {
    std::string t = Trim(s);
    if (t.empty()) return false;
    for (char& c : t) if (c == DecimalSeparator) c = '.';
    return TryCTextToFloat(t, value);
}

double StrToFloat(const AnsiString& s) {
    double v;
    if (!TryStrToFloat(s, v)) throw EConvertError("'" + s + "' is not a valid floating point value");
    return v;
}

// ---- strings --------------------------------------------------------------------------------------
AnsiString Trim(const AnsiString& s) { return TrimLeft(TrimRight(s)); }

AnsiString TrimLeft(const AnsiString& s) {
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    return s.substr(i);
}

AnsiString TrimRight(const AnsiString& s) {
    std::size_t n = s.size();
    while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= ' ') --n;
    return s.substr(0, n);
}

AnsiString UpperCase(const AnsiString& s) {
    std::string r = s;
    for (char& c : r) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

AnsiString LowerCase(const AnsiString& s) {
    std::string r = s;
    for (char& c : r) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

namespace {

char32_t FoldUpper(char32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 32;
    if ((cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)) return cp - 32;
    if (cp == 0xFF) return 0x178;
    if (cp >= 0x100 && cp <= 0x17F && cp != 0x130 && cp != 0x131 && cp != 0x138 && cp != 0x149 && cp != 0x17F) {
        // Latin Extended-A pairs: upper at even code points up to U+0137, at odd ones from U+0139.
        const bool oddUpper = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
        if (oddUpper ? (cp % 2 == 0) : (cp % 2 == 1)) return cp - 1;
    }
    return cp;
}

char32_t FoldLower(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
    if (cp == 0x178) return 0xFF;
    if (cp >= 0x100 && cp <= 0x17F && FoldUpper(cp) == cp && FoldUpper(cp + 1) == cp) return cp + 1;
    return cp;
}

template <class F>
std::string MapCodePoints(const std::string& s, F f) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t start = i;
        const char32_t cp = TextEncoding::NextCodePoint(s, i);
        if (cp == 0xFFFD && i - start == 1 && static_cast<unsigned char>(s[start]) >= 0x80) out += s[start];
        else TextEncoding::AppendUtf8(out, f(cp));
    }
    return out;
}

// Primary sort weight: letters without accents and case, so "Äpfel" sorts beside "Apfel".
void AppendPrimaryKey(std::u32string& key, char32_t cp) {
    cp = FoldUpper(cp);
    if (cp >= 0xC0 && cp <= 0xDE) {
        static const char* const base = "AAAAAAACEEEEIIIIDNOOOOO*OUUUUYT";
        const char b = base[cp - 0xC0];
        if (b != '*') { key += static_cast<char32_t>(b); if (cp == 0xC6) key += U'E'; return; }
    }
    if (cp == 0xDF) { key += U"SS"; return; }
    key += cp;
}

std::u32string PrimaryKey(const std::string& s) {
    std::u32string key;
    for (std::size_t i = 0; i < s.size();) AppendPrimaryKey(key, TextEncoding::NextCodePoint(s, i));
    return key;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

} // namespace

AnsiString AnsiUpperCase(const AnsiString& s) { return MapCodePoints(s, FoldUpper); }
AnsiString AnsiLowerCase(const AnsiString& s) { return MapCodePoints(s, FoldLower); }

int CompareStr(const AnsiString& a, const AnsiString& b) { return Sign(a.compare(b)); }

int CompareText(const AnsiString& a, const AnsiString& b) { return Sign(UpperCase(a).compare(UpperCase(b))); }
bool SameText(const AnsiString& a, const AnsiString& b) { return CompareText(a, b) == 0; }

int AnsiCompareText(const AnsiString& a, const AnsiString& b) {
    const int primary = Sign(PrimaryKey(a).compare(PrimaryKey(b)));
    if (primary != 0) return primary;
    return Sign(AnsiUpperCase(a).compare(AnsiUpperCase(b)));
}
bool AnsiSameText(const AnsiString& a, const AnsiString& b) { return AnsiUpperCase(a) == AnsiUpperCase(b); }

AnsiSortKey MakeAnsiSortKey(const AnsiString& s) { return {PrimaryKey(s), AnsiUpperCase(s), s}; }

int CompareAnsiSortKeys(const AnsiSortKey& a, const AnsiSortKey& b) {
    if (const int primary = Sign(a.Primary.compare(b.Primary))) return primary;
    if (const int upper = Sign(a.Upper.compare(b.Upper))) return upper;
    // Equal but for case: lower case first, as the platform's word sort orders them.
    return -Sign(a.Text.compare(b.Text));
}

int AnsiCompareStr(const AnsiString& a, const AnsiString& b) {
    return CompareAnsiSortKeys(MakeAnsiSortKey(a), MakeAnsiSortKey(b));
}

int Pos(const AnsiString& sub, const AnsiString& s) {
    if (sub.empty()) return 0;
    const auto p = s.find(sub);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

AnsiString QuotedStr(const AnsiString& s) {
    std::string r = "'";
    for (char c : s) { r += c; if (c == '\'') r += '\''; }
    return r + "'";
}

AnsiString StringReplace(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                         int flags) {
    if (oldPattern.empty()) return s;
    const bool ignoreCase = flags & rfIgnoreCase;
    const std::string hay = ignoreCase ? AnsiUpperCase(s) : s;
    const std::string needle = ignoreCase ? AnsiUpperCase(oldPattern) : oldPattern;
    if (hay.size() != s.size()) {
        // Case folding changed byte lengths; fall back to an exact search.
        return StringReplace(s, oldPattern, newPattern, flags & ~rfIgnoreCase);
    }
    std::string out;
    std::size_t from = 0;
    while (true) {
        const auto p = hay.find(needle, from);
        if (p == std::string::npos) break;
        out.append(s, from, p - from);
        out += newPattern;
        from = p + needle.size();
        if (!(flags & rfReplaceAll)) break;
    }
    out.append(s, from, std::string::npos);
    return out;
}

AnsiString StringOfChar(char c, int count) { return count > 0 ? std::string(static_cast<std::size_t>(count), c) : std::string(); }

} // namespace SysUtils

// ---- TDateTime members ---------------------------------------------------------------------------
int TDateTime::DayOfWeek() const { return SysUtils::DayOfWeek(*this); }
void TDateTime::DecodeDate(Word* y, Word* m, Word* d) const { SysUtils::DecodeDate(*this, *y, *m, *d); }
void TDateTime::DecodeTime(Word* h, Word* n, Word* s, Word* ms) const { SysUtils::DecodeTime(*this, *h, *n, *s, *ms); }
AnsiString TDateTime::DateString() const { return SysUtils::DateToStr(*this); }
AnsiString TDateTime::TimeString() const { return SysUtils::TimeToStr(*this); }
AnsiString TDateTime::FormatString(const AnsiString& f) const { return SysUtils::FormatDateTime(f, *this); }
