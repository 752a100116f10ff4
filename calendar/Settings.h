#pragma once
// The program's settings: the values under one registry key, read in one place into one value with
// what a missing or unreadable value means and the numbers the settings dialog offers. Every part of
// the program acts on that value, so what the dialog shows is what the program does; a field is
// written through the registry, and who listens hears of each change, whether this program made it
// or another one changed the file.
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "Colors.h"
#include "SysUtils.h"

inline constexpr const char* TarvolinKey = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

// What a missing or unreadable value means; each constant is named like its registry value.
namespace SettingDefault {

constexpr bool MailonBirthday = false;
inline constexpr const char* Body = "Herzlichen Glückwunsch";
// The main window writes the week view at its first start, so that is what a missing view means.
constexpr int VORLAGE = 1;
constexpr int xTage = 5;
constexpr bool vorHeute = false;
constexpr bool showFullWeeksInMonthView = false;
// The design the page builder falls back to.
inline constexpr const char* Design = "Standard";
constexpr TColor BackgroundColorDays = 0x00EDC2A9;
constexpr bool BackgroundColorDaysTransparent = false;
constexpr TColor BackgroundColorToday = 0x00FADCC9;
constexpr bool BackgroundColorTodayTransparent = false;
constexpr TColor WeekendColor = 0x000000FF;
inline constexpr const char* Font = "Comic Sans Ms";
constexpr TColor FontColor = 0x00000000;
constexpr int FontSize = 8;
constexpr bool TransparenzOnActiveWindow = true;
constexpr int Alpha = 240;
constexpr int AlphaAktive = 255;
constexpr bool UseDelay = true;
constexpr int Delay = 3;
// The character comes only once the user has switched it on (the main window writes "off" when the
// value is missing, so no check dialog greets a new user).
constexpr bool CharacterUsed = false;
constexpr bool CharacterSayTime = true;
constexpr int CharacterSayTimeAll = 60;
constexpr bool AgentZoom = false;
inline constexpr const char* SPAgentHalloFrueh = "Guten Morgen";
inline constexpr const char* SPAgentHalloMittag = "Mahlzeit";
inline constexpr const char* SPAgentHalloAbend = "Guten Abend";
inline constexpr const char* SPAgentHallo = "Hallo|Guten Tag";
inline constexpr const char* SPAgentTime = "Die Zeit, es ist <TIME>";
inline constexpr const char* SBAgentAppointments = "Heute sind Termine vorhanden|Sie haben heute Termine!";

} // namespace SettingDefault

// The numbers the settings dialog offers for each value that is a number, by the value's name.
// Whatever a settings file holds (a damaged or foreign one may hold any 32 bits), the program acts on
// a number within them, as the dialog shows it: an alpha of 0 would make the window invisible, an
// interval of 0 would divide by it. Colours, switches and the window's places are held elsewhere (to
// 24 bits, to on and off, to the work area).
struct TSettingRange {
    const char* Name;
    int Min, Max;
    constexpr int Hold(int Value) const { return Value < Min ? Min : Value > Max ? Max : Value; }
};

inline constexpr TSettingRange SettingRanges[] = {
    {"VORLAGE", 0, 2},                // month, week, days view
    {"xTage", 1, 10},                 // days of the days view
    {"FontSize", 5, 28},              // points the font dialog offers
    {"Alpha", 50, 255},               // the window's opacity at rest
    {"AlphaAktive", 50, 255},         // ... and under the mouse
    {"Delay", 0, 60},                 // seconds of the delayed start
    {"CharacterSayTimeAll", 5, 60},   // minutes between spoken times
};

// The range of the value Name, or null when it has none.
constexpr const TSettingRange* FindSettingRange(std::string_view Name) {
    for (const TSettingRange& r : SettingRanges)
        if (Name == r.Name) return &r;
    return nullptr;
}

// The same for a name written in the program; a name without a range does not compile.
consteval const TSettingRange& SettingRange(const char* Name) {
    for (const TSettingRange& r : SettingRanges)
        if (std::string_view(Name) == r.Name) return r;
    throw "no range for this setting";
}

// The settings as the program acts on them: each field is named like its value, holds what the
// settings key holds, or its default when the value is missing or unreadable, and a number within
// its range.
struct TSettingsValue {
    bool MailonBirthday = SettingDefault::MailonBirthday;
    AnsiString Body = SettingDefault::Body;   // also when stored empty
    AnsiString Wav;                           // "" when missing
    int VORLAGE = SettingDefault::VORLAGE;
    int xTage = SettingDefault::xTage;
    bool vorHeute = SettingDefault::vorHeute;
    bool showFullWeeksInMonthView = SettingDefault::showFullWeeksInMonthView;
    AnsiString Design = SettingDefault::Design;
    TColor BackgroundColorDays = SettingDefault::BackgroundColorDays;
    bool BackgroundColorDaysTransparent = SettingDefault::BackgroundColorDaysTransparent;
    TColor BackgroundColorToday = SettingDefault::BackgroundColorToday;
    bool BackgroundColorTodayTransparent = SettingDefault::BackgroundColorTodayTransparent;
    TColor WeekendColor = SettingDefault::WeekendColor;
    AnsiString Font = SettingDefault::Font;
    TColor FontColor = SettingDefault::FontColor;
    int FontSize = SettingDefault::FontSize;
    bool TransparenzOnActiveWindow = SettingDefault::TransparenzOnActiveWindow;
    int Alpha = SettingDefault::Alpha;
    int AlphaAktive = SettingDefault::AlphaAktive;
    bool UseDelay = SettingDefault::UseDelay;
    int Delay = SettingDefault::Delay;
    bool CharacterUsed = SettingDefault::CharacterUsed;
    bool CharacterSayTime = SettingDefault::CharacterSayTime;
    int CharacterSayTimeAll = SettingDefault::CharacterSayTimeAll;
    bool AgentZoom = SettingDefault::AgentZoom;
    AnsiString AgentFromFileSystem;
    AnsiString AgentVoiceModeID;
    int AgentLastPositionX = 0, AgentLastPositionY = 0;
    AnsiString SPAgentHalloFrueh = SettingDefault::SPAgentHalloFrueh;
    AnsiString SPAgentHalloMittag = SettingDefault::SPAgentHalloMittag;
    AnsiString SPAgentHalloAbend = SettingDefault::SPAgentHalloAbend;
    AnsiString SPAgentHallo = SettingDefault::SPAgentHallo;
    AnsiString SPAgentTime = SettingDefault::SPAgentTime;
    AnsiString SBAgentAppointments = SettingDefault::SBAgentAppointments;

    // The values of the key that could not be read (missing, or of another type), by name; and of
    // those, the ones that are not there at all. Their fields hold the defaults.
    std::vector<std::string> NotRead, Absent;
    bool WasRead(std::string_view Name) const;
    bool IsAbsent(std::string_view Name) const;
    // The settings key is there.
    bool KeyFound = false;
    // Why the settings could not be read at all ("" when they could); the fields hold the defaults.
    AnsiString Problem;

    bool operator==(const TSettingsValue&) const = default;
};

template <class T>
using TSettingField = T TSettingsValue::*;

class TSettings {
public:
    TSettings() = default;
    TSettings(const TSettings&) = delete;
    TSettings& operator=(const TSettings&) = delete;

    // The settings of this program's user (the key under HKEY_CURRENT_USER).
    static TSettings& Program();

    // The value as the settings key holds it now. The key is read again only when its file changed
    // since the last read (this program's own writes among the changes); who listens hears of a
    // difference.
    TSettingsValue Current();
    // Reads the key as it is, without creating it.
    static TSettingsValue Read();

    // Writes one field's value under its name; on success the value holds it and who listens hears
    // of it. A key that does not exist is created only when CreateKey; false when nothing was
    // written (no key, or the file cannot be written: a change another program's lock holds up is
    // written later, and reads see it at once).
    bool Write(TSettingField<bool> Field, bool Value, bool CreateKey = false);
    bool Write(TSettingField<int> Field, int Value, bool CreateKey = false);
    bool Write(TSettingField<AnsiString> Field, const AnsiString& Value, bool CreateKey = false);
    // The registry name of a field.
    static const char* NameOf(TSettingField<bool> Field);
    static const char* NameOf(TSettingField<int> Field);
    static const char* NameOf(TSettingField<AnsiString> Field);

    // Called with the new value after each change, on the thread that met it, outside every lock.
    using TListener = std::function<void(const TSettingsValue&)>;
    int Listen(TListener Listener);
    void Unlisten(int Id);

private:
    template <class T, class W>
    bool WriteField(TSettingField<T> Field, const T& Value, bool CreateKey, W&& WriteIt);
    void Tell(const TSettingsValue& Value);

    std::mutex mutex_;
    bool read_ = false;
    std::shared_ptr<const void> stamp_;
    TSettingsValue value_;
    std::vector<std::pair<int, std::shared_ptr<TListener>>> listeners_;
    int nextListener_ = 1;
};
