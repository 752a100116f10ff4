#pragma once
// The program's settings key, and what a missing or unreadable value under it means. The settings
// dialog shows it and every part of the program acts on it, so what the dialog shows is what the
// program does. Each constant is named like its registry value.
#include <string_view>

#include "Colors.h"

inline constexpr const char* TarvolinKey = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

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
