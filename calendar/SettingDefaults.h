#pragma once
// The program's settings key, and what a missing or unreadable value under it means. The settings
// dialog shows it and every part of the program acts on it, so what the dialog shows is what the
// program does. Each constant is named like its registry value.
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
// The sizes the font dialog offers; the page takes no other, whatever the settings file holds.
constexpr int MinFontSize = 5, MaxFontSize = 28;
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
