#pragma once
// Dates, strings, numbers, exceptions and file names, with the class library's names and rules.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "System.h"

struct stat;

// Days since 1899-12-30; the fraction is the time of day.
class TDateTime {
public:
    TDateTime() = default;
    TDateTime(double value) : Val(value) {}
    operator double() const { return Val; }

    // 1 = Sunday ... 7 = Saturday.
    int DayOfWeek() const;
    void DecodeDate(Word* year, Word* month, Word* day) const;
    void DecodeTime(Word* hour, Word* min, Word* sec, Word* msec) const;
    AnsiString DateString() const;
    AnsiString TimeString() const;
    AnsiString FormatString(const AnsiString& format) const;

    double Val = 0.0;
};

namespace SysUtils {

// ---- exceptions -------------------------------------------------------------------------------
class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    AnsiString Message;
};
class EAbort : public Exception { using Exception::Exception; };
class EConvertError : public Exception { using Exception::Exception; };
class EInOutError : public Exception { using Exception::Exception; };
class EOSError : public Exception { using Exception::Exception; };
class EOutOfRange : public Exception { using Exception::Exception; };
// Ends an event handler silently; the message loop does not report it.
[[noreturn]] void Abort();

// ---- locale settings (German defaults, set once at start) ---------------------------------------
extern AnsiString ShortDateFormat;   // "dd.mm.yyyy"
extern AnsiString LongDateFormat;    // "dddd, d. mmmm yyyy"
extern AnsiString ShortTimeFormat;   // "hh:nn"
extern AnsiString LongTimeFormat;    // "hh:nn:ss"
extern char DateSeparator;           // '.'
extern char TimeSeparator;           // ':'
extern char DecimalSeparator;        // ','
extern char ThousandSeparator;       // '.'
extern const char* const LongDayNames[7];     // index 0 = Sunday
extern const char* const ShortDayNames[7];
extern const char* const LongMonthNames[12];  // index 0 = January
extern const char* const ShortMonthNames[12];

// ---- dates and times --------------------------------------------------------------------------
constexpr double MSecsPerDay = 86400000.0;
constexpr Word MonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

bool IsLeapYear(Word year);
Word DaysInAMonth(Word year, Word month);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& result);
TDateTime EncodeDate(Word year, Word month, Word day);              // raises EConvertError
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& result);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);     // raises EConvertError
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
int DayOfWeek(TDateTime date);                                      // 1 = Sunday
TDateTime IncMonth(TDateTime date, int months = 1);                 // clamps the day to the month
// Milliseconds since midnight, rounded as the time decoding rounds.
int TimeOfDayMSecs(TDateTime time);
// The dates the date functions handle: the years 1 to 9999, as EncodeDate takes them (a day before
// or after them, or no number at all, comes only from damaged data). ClampDateTime brings any value
// into that range, not a number to 0 (30.12.1899); the date functions decode every value as its
// clamped one. Before 1899 the time of day counts away from zero, as the day does.
constexpr double MinDateTime = -(693593.0 + 86399999.0 / MSecsPerDay);  // 01.01.0001 23:59:59.999
constexpr double MaxDateTime = 2958465.0 + 86399999.0 / MSecsPerDay;     // 31.12.9999 23:59:59.999
TDateTime ClampDateTime(double value);
// A number as the nearest whole one (halves to even), held to the range of Int64; not a number is 0.
// Never undefined, whatever the number.
Int64 RoundToInt64(double value);

// The one clock of the program. Tests replace it; Reset returns to the system clock (or the one
// PROGRAM_CLOCK="yyyy-mm-dd hh:nn:ss" (ProgramName.h) starts at that time and runs on from there).
TDateTime Now();
TDateTime Date();
// Midnight starting the day of T, as its date reads (a time a half millisecond before midnight
// reads as the next day).
TDateTime DateOf(TDateTime T);
TDateTime Time();
void SetClock(std::function<TDateTime()> clock);
void ResetClock();

AnsiString FormatDateTime(const AnsiString& format, TDateTime dt);
AnsiString DateToStr(TDateTime date);
AnsiString TimeToStr(TDateTime time);
AnsiString DateTimeToStr(TDateTime dt);
TDateTime StrToDate(const AnsiString& s);       // raises EConvertError
bool TryStrToDate(const AnsiString& s, TDateTime& result);
TDateTime StrToTime(const AnsiString& s);       // raises EConvertError
bool TryStrToTime(const AnsiString& s, TDateTime& result);

// ---- numbers ------------------------------------------------------------------------------------
AnsiString IntToStr(Int64 value);
AnsiString IntToHex(Int64 value, int digits);
int StrToInt(const AnsiString& s);                        // raises EConvertError
int StrToIntDef(const AnsiString& s, int def);
bool TryStrToInt(const AnsiString& s, int& value);
Int64 StrToInt64Def(const AnsiString& s, Int64 def);
bool TryStrToInt64(const AnsiString& s, Int64& value);
// Float texts follow DecimalSeparator (a '.' is read too), never the process locale: stored files
// and settings read the same under any LC_NUMERIC.
AnsiString FloatToStr(double value);                       // with DecimalSeparator
double StrToFloat(const AnsiString& s);                    // raises EConvertError
bool TryStrToFloat(const AnsiString& s, double& value);
// A number as the C locale writes it ('.', no grouping), whatever the process locale is:
// Fixed gives "%.*f", otherwise "%.*G" (the shorter notation, trailing zeros dropped).
AnsiString FloatToCText(double value, int precision, bool fixed = false);
// The whole text (sign, digits, '.', exponent) as a number, whatever the process locale is.
bool TryCTextToFloat(const AnsiString& s, double& value);

// ---- strings ------------------------------------------------------------------------------------
AnsiString Trim(const AnsiString& s);          // drops characters <= ' ' at both ends
AnsiString TrimLeft(const AnsiString& s);
AnsiString TrimRight(const AnsiString& s);
AnsiString UpperCase(const AnsiString& s);     // ASCII letters only
AnsiString LowerCase(const AnsiString& s);
AnsiString AnsiUpperCase(const AnsiString& s); // also umlauts and other Latin letters
AnsiString AnsiLowerCase(const AnsiString& s);
int CompareStr(const AnsiString& a, const AnsiString& b);
int CompareText(const AnsiString& a, const AnsiString& b);      // ASCII case-insensitive
bool SameText(const AnsiString& a, const AnsiString& b);
int AnsiCompareText(const AnsiString& a, const AnsiString& b);  // case-insensitive, Latin letters
bool AnsiSameText(const AnsiString& a, const AnsiString& b);
int AnsiCompareStr(const AnsiString& a, const AnsiString& b);
// What AnsiCompareStr orders by, worked out once for sorting many texts: comparing two keys gives
// AnsiCompareStr of their texts.
struct AnsiSortKey {
    std::u32string Primary;
    std::string Upper;
    std::string Text;
};
AnsiSortKey MakeAnsiSortKey(const AnsiString& s);
int CompareAnsiSortKeys(const AnsiSortKey& a, const AnsiSortKey& b);
// 1-based position of sub in s, 0 when absent.
int Pos(const AnsiString& sub, const AnsiString& s);
AnsiString QuotedStr(const AnsiString& s);
enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
AnsiString StringReplace(const AnsiString& s, const AnsiString& oldPattern,
                         const AnsiString& newPattern, int flags);
AnsiString StringOfChar(char c, int count);

// ---- files and folders ---------------------------------------------------------------------------
// Paths may be written with "\" as the system always did; they are read with "/", and a name that
// does not exist in its exact case is found case-insensitively, component by component.
constexpr char PathDelim = '/';
AnsiString ResolvePath(const AnsiString& path);
bool FileExists(const AnsiString& name);
bool DirectoryExists(const AnsiString& name);
bool ForceDirectories(const AnsiString& dir);
bool DeleteFile(const AnsiString& name);
bool RenameFile(const AnsiString& oldName, const AnsiString& newName);
AnsiString ExtractFilePath(const AnsiString& name);   // with trailing delimiter
AnsiString ExtractFileDir(const AnsiString& name);    // without
AnsiString ExtractFileName(const AnsiString& name);
AnsiString ExtractFileExt(const AnsiString& name);    // with the dot
AnsiString ChangeFileExt(const AnsiString& name, const AnsiString& ext);
AnsiString IncludeTrailingPathDelimiter(const AnsiString& s);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& s);
AnsiString ExpandFileName(const AnsiString& name);
// A file:// URL for a local path, with every byte outside the safe set percent-encoded.
AnsiString FileNameToURL(const AnsiString& path);

// Writes atomically (a temporary file "<name>.tmp-XXXXXX" beside it, then rename); raises
// EInOutError. An existing file keeps its mode; a new one gets NewFileMode.
void WriteFileBytes(const AnsiString& name, std::string_view bytes, unsigned NewFileMode = 0644);
constexpr const char* TemporaryFileInfix = ".tmp-";
// Adds bytes to the end of a file only this user may read (made with mode 0600; Empty empties it
// first). A symbolic link, anything but a plain file, or a file of another user is refused (false):
// a file in a shared folder can neither be pointed elsewhere nor read by others.
bool AppendPrivateFile(const AnsiString& name, std::string_view bytes, bool Empty);

// The folder relative names start from, without a trailing delimiter; SetCurrentDir answers whether
// the folder could be entered.
AnsiString GetCurrentDir();
bool SetCurrentDir(const AnsiString& Dir);
// The last change of a file or folder, in local time; false when there is none of that name.
bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime);

// ---- reading files --------------------------------------------------------------------------------
// Every file the program reads (settings, designs, sounds, pictures, character packages) may be
// something else under its name: a FIFO would hold the reader in its open, a device (or a link to
// one) would feed it without end, a huge file would take the memory. So a file is read only when it
// is a regular file (a link to one is followed) of at most its reader's bound, opened without
// waiting and looked at before a byte is read.
constexpr std::size_t MaxFileBytes = 16u << 20;           // ReadFileBytes, text lists, page files
constexpr std::size_t MaxSettingsFileBytes = 16u << 20;   // registry and profile files
constexpr std::size_t MaxPictureFileBytes = 16u << 20;
constexpr std::size_t MaxSoundFileBytes = 32u << 20;

// A file that was not read because it is not what its name claims: no regular file, or larger than
// its reader takes. The message names the file in double quotes.
class EFileRefused : public EInOutError {
public:
    enum TReason { frNotRegular, frTooLarge };
    EFileRefused(const AnsiString& AFileName, TReason AReason, std::size_t AMaxBytes);
    AnsiString FileName;
    TReason Reason;
    std::size_t MaxBytes;
};

// A file open for reading that passed the checks above.
class TRegularFile {
public:
    // Null when Name cannot be opened (errno says why); raises EFileRefused for anything but a
    // regular file of at most MaxBytes. With NoFollow a link in the last place is not followed.
    static std::unique_ptr<TRegularFile> Open(const AnsiString& Name, std::size_t MaxBytes, bool NoFollow = false);
    ~TRegularFile();
    TRegularFile(const TRegularFile&) = delete;
    TRegularFile& operator=(const TRegularFile&) = delete;
    // The file as it was when opened (fstat).
    const struct ::stat& Status() const;
    // The whole file. Raises EFileRefused when it grew beyond the bound meanwhile, EInOutError when
    // reading fails.
    std::string ReadAll();
    // Its first Count bytes (fewer when it is shorter), without moving on.
    std::string Peek(std::size_t Count);
private:
    TRegularFile(int Fd, const AnsiString& Name, std::size_t MaxBytes);
    int fd_;
    AnsiString name_;
    std::size_t maxBytes_;
    std::unique_ptr<struct ::stat> status_;
};

// Whole file as bytes, only a regular file of at most maxBytes (TRegularFile). Raises EFileRefused
// for anything else, EInOutError when it cannot be opened or read.
std::string ReadRegularFile(const AnsiString& name, std::size_t maxBytes);
// The same with the common bound MaxFileBytes.
std::string ReadFileBytes(const AnsiString& name);

// A reader that goes on without a refused file tells the user so through here: the program's
// handler hears of each file and reason once in a process (from any thread; the first few refusals
// before a handler is set are kept for it).
void TellRefusedFile(const EFileRefused& Refusal);
void SetRefusedFileHandler(std::function<void(const EFileRefused&)> Handler);

// Path (a file in Folder or below it) with every link resolved, when it lies inside Folder (itself
// resolved); empty when ".." or a link leads out of it. Names are found as ResolvePath finds them.
AnsiString ResolveInsideFolder(const AnsiString& Folder, const AnsiString& Path);

// ---- finding files ------------------------------------------------------------------------------
constexpr int faHidden = 0x02, faDirectory = 0x10, faAnyFile = 0x3F;
struct TSearchState;
struct TSearchRec {
    AnsiString Name;        // without the folder
    Int64 Size = 0;
    int Attr = 0;           // faDirectory, faHidden (a name beginning with a dot)
    TDateTime TimeStamp;    // the last change, in local time
    std::shared_ptr<TSearchState> FindHandle;
};
// The first entry of the folder of Path whose name fits the mask that ends Path ("Figuren/*.ac?"):
// "*" stands for any text, "?" for any one character, and case is ignored. A folder is found only with
// faDirectory in Attr, a name beginning with a dot only with faHidden; "." and ".." never. A mask
// without "*" or "?" is a file name as for FileExists. 0 when an entry was found, else an error code.
int FindFirst(const AnsiString& Path, int Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// ---- process ------------------------------------------------------------------------------------
void SetCommandLine(int argc, char** argv);
int ParamCount();
AnsiString ParamStr(int index);        // 0 is the program file
// The folder of the executable, with a trailing delimiter. ZB_PROGRAM_DIR or SetProgramFolder
// point it elsewhere (tests).
AnsiString ProgramFolder();
void SetProgramFolder(const AnsiString& folder);
AnsiString GetEnvironmentVariable(const AnsiString& name);
// How the environment is read. A library that changes the environment from another thread (the
// browser engine does, while the page builder reads the settings' folder) gives the reader that
// takes its lock; without one the C library is asked.
using TEnvironmentReader = std::string (*)(const char* Name);
void SetEnvironmentReader(TEnvironmentReader Reader);
// TEMP, else TMPDIR, else the user's own runtime folder (XDG_RUNTIME_DIR), else /tmp; with a
// trailing delimiter.
AnsiString GetTempFolder();

} // namespace SysUtils
