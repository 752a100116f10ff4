#include "Settings.h"

#include <algorithm>

#include "Registry.h"

namespace {

using V = TSettingsValue;

struct FlagField {
    TSettingField<bool> field;
    const char* name;
    bool fallback;
};
struct NumberField {
    TSettingField<int> field;
    const char* name;
    int fallback;
};
struct TextField {
    TSettingField<AnsiString> field;
    const char* name;
    const char* fallback;
};

constexpr FlagField kFlags[] = {
    {&V::MailonBirthday, "MailonBirthday", SettingDefault::MailonBirthday},
    {&V::vorHeute, "vorHeute", SettingDefault::vorHeute},
    {&V::showFullWeeksInMonthView, "showFullWeeksInMonthView", SettingDefault::showFullWeeksInMonthView},
    {&V::BackgroundColorDaysTransparent, "BackgroundColorDaysTransparent", SettingDefault::BackgroundColorDaysTransparent},
    {&V::BackgroundColorTodayTransparent, "BackgroundColorTodayTransparent", SettingDefault::BackgroundColorTodayTransparent},
    {&V::TransparenzOnActiveWindow, "TransparenzOnActiveWindow", SettingDefault::TransparenzOnActiveWindow},
    {&V::UseDelay, "UseDelay", SettingDefault::UseDelay},
    {&V::CharacterUsed, "CharacterUsed", SettingDefault::CharacterUsed},
    {&V::CharacterSayTime, "CharacterSayTime", SettingDefault::CharacterSayTime},
    {&V::AgentZoom, "AgentZoom", SettingDefault::AgentZoom},
};

// Numbers with a range are held to it; colours keep their 32 bits (the page masks them).
constexpr NumberField kNumbers[] = {
    {&V::VORLAGE, "VORLAGE", SettingDefault::VORLAGE},
    {&V::xTage, "xTage", SettingDefault::xTage},
    {&V::FontSize, "FontSize", SettingDefault::FontSize},
    {&V::Alpha, "Alpha", SettingDefault::Alpha},
    {&V::AlphaAktive, "AlphaAktive", SettingDefault::AlphaAktive},
    {&V::Delay, "Delay", SettingDefault::Delay},
    {&V::CharacterSayTimeAll, "CharacterSayTimeAll", SettingDefault::CharacterSayTimeAll},
    {&V::BackgroundColorDays, "BackgroundColorDays", SettingDefault::BackgroundColorDays},
    {&V::BackgroundColorToday, "BackgroundColorToday", SettingDefault::BackgroundColorToday},
    {&V::WeekendColor, "WeekendColor", SettingDefault::WeekendColor},
    {&V::FontColor, "FontColor", SettingDefault::FontColor},
    {&V::AgentLastPositionX, "AgentLastPositionX", 0},
    {&V::AgentLastPositionY, "AgentLastPositionY", 0},
};

constexpr TextField kTexts[] = {
    {&V::Body, "Body", SettingDefault::Body},
    {&V::Wav, "Wav", ""},
    {&V::Design, "Design", SettingDefault::Design},
    {&V::Font, "Font", SettingDefault::Font},
    {&V::AgentFromFileSystem, "AgentFromFileSystem", ""},
    {&V::AgentVoiceModeID, "AgentVoiceModeID", ""},
    {&V::SPAgentHalloFrueh, "SPAgentHalloFrueh", SettingDefault::SPAgentHalloFrueh},
    {&V::SPAgentHalloMittag, "SPAgentHalloMittag", SettingDefault::SPAgentHalloMittag},
    {&V::SPAgentHalloAbend, "SPAgentHalloAbend", SettingDefault::SPAgentHalloAbend},
    {&V::SPAgentHallo, "SPAgentHallo", SettingDefault::SPAgentHallo},
    {&V::SPAgentTime, "SPAgentTime", SettingDefault::SPAgentTime},
    {&V::SBAgentAppointments, "SBAgentAppointments", SettingDefault::SBAgentAppointments},
};

template <class Table, class Field>
const char* NameIn(const Table& table, Field field) {
    for (const auto& entry : table)
        if (entry.field == field) return entry.name;
    return "";
}

bool Listed(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

bool TSettingsValue::WasRead(std::string_view Name) const { return !Listed(NotRead, Name); }
bool TSettingsValue::IsAbsent(std::string_view Name) const { return Listed(Absent, Name); }

TSettings& TSettings::Program() {
    static TSettings settings;
    return settings;
}

TSettingsValue TSettings::Read() {
    TSettingsValue v;
    try {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        const bool open = reg.OpenKey(TarvolinKey, false);
        v.KeyFound = open;
        auto notRead = [&](const char* name) {
            v.NotRead.push_back(name);
            if (!open || !reg.ValueExists(name)) v.Absent.push_back(name);
        };
        int number = 0;
        AnsiString text;
        for (const FlagField& f : kFlags) {
            if (open && reg.TryReadInteger(f.name, number)) v.*f.field = number != 0;
            else notRead(f.name);
        }
        for (const NumberField& f : kNumbers) {
            if (open && reg.TryReadInteger(f.name, number)) {
                const TSettingRange* range = FindSettingRange(f.name);
                v.*f.field = range ? range->Hold(number) : number;
            } else {
                notRead(f.name);
            }
        }
        for (const TextField& f : kTexts) {
            if (open && reg.TryReadString(f.name, text)) v.*f.field = text;
            else notRead(f.name);
        }
        // An empty birthday text is no text: the mail and the dialog say the default.
        if (v.Body.empty()) v.Body = SettingDefault::Body;
    } catch (const std::exception& e) {
        v = TSettingsValue();
        v.Problem = e.what();
    }
    return v;
}

TSettingsValue TSettings::Current() {
    std::shared_ptr<const void> stamp;
    try {
        stamp = TRegistry::Stamp(HKEY_CURRENT_USER);
    } catch (const std::exception&) {
        // Unreadable now: read again, and again next time.
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (read_ && stamp && stamp == stamp_) return value_;
    }
    TSettingsValue now = Read();
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        changed = read_ && !(now == value_);
        value_ = now;
        stamp_ = std::move(stamp);
        read_ = true;
    }
    if (changed) Tell(now);
    return now;
}

template <class T, class W>
bool TSettings::WriteField(TSettingField<T>, const T&, bool CreateKey, W&& WriteIt) {
    try {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (!reg.OpenKey(TarvolinKey, CreateKey)) return false;
        WriteIt(reg);
    } catch (const std::exception&) {
        return false;
    }
    // Read back as the program acts on it (held to its range), and told.
    Current();
    return true;
}

bool TSettings::Write(TSettingField<bool> Field, bool Value, bool CreateKey) {
    const char* name = NameOf(Field);
    return WriteField(Field, Value, CreateKey, [&](TRegistry& r) { r.WriteBool(name, Value); });
}

bool TSettings::Write(TSettingField<int> Field, int Value, bool CreateKey) {
    const char* name = NameOf(Field);
    return WriteField(Field, Value, CreateKey, [&](TRegistry& r) { r.WriteInteger(name, Value); });
}

bool TSettings::Write(TSettingField<AnsiString> Field, const AnsiString& Value, bool CreateKey) {
    const char* name = NameOf(Field);
    return WriteField(Field, Value, CreateKey, [&](TRegistry& r) { r.WriteString(name, Value); });
}

const char* TSettings::NameOf(TSettingField<bool> Field) { return NameIn(kFlags, Field); }
const char* TSettings::NameOf(TSettingField<int> Field) { return NameIn(kNumbers, Field); }
const char* TSettings::NameOf(TSettingField<AnsiString> Field) { return NameIn(kTexts, Field); }

int TSettings::Listen(TListener Listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.emplace_back(nextListener_, std::make_shared<TListener>(std::move(Listener)));
    return nextListener_++;
}

void TSettings::Unlisten(int Id) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [Id](const auto& l) { return l.first == Id; }),
                     listeners_.end());
}

void TSettings::Tell(const TSettingsValue& Value) {
    std::vector<std::shared_ptr<TListener>> listeners;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& l : listeners_) listeners.push_back(l.second);
    }
    for (const auto& l : listeners) (*l)(Value);
}
