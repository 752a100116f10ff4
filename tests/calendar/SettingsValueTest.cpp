#include "CalendarFixture.h"

#include "Settings.h"

using namespace caltest;

namespace {

class SettingsValue : public CalendarTest {
protected:
    std::string HiveText() { return dir.read("registry/HKEY_CURRENT_USER.reg"); }
};

} // namespace

TEST_F(SettingsValue, MissingDamagedAndOutOfRangeValuesActAsTheDialogShowsThem) {
    TSettings& settings = TSettings::Program();
    // A fresh profile: no key at all.
    TSettingsValue s = settings.Current();
    EXPECT_FALSE(s.KeyFound);
    EXPECT_EQ(s.VORLAGE, 1);
    EXPECT_EQ(s.Alpha, 240);
    EXPECT_EQ(s.CharacterSayTimeAll, 60);
    EXPECT_EQ(s.BackgroundColorDays, 0x00EDC2A9);
    EXPECT_EQ(s.Font, "Comic Sans Ms");
    EXPECT_EQ(s.Body, "Herzlichen Glückwunsch");
    EXPECT_TRUE(s.TransparenzOnActiveWindow);
    EXPECT_FALSE(s.WasRead("Alpha"));
    EXPECT_TRUE(s.IsAbsent("Alpha"));

    // Numbers beyond what the dialog offers, a number stored as text, an empty birthday text.
    SetSetting("VORLAGE", 7);
    SetSetting("FontSize", -40);
    SetSetting("Alpha", 0x7fffffff);
    SetSetting("CharacterSayTimeAll", 0);
    SetSetting("xTage", "zehn");
    SetSetting("Body", "");
    SetSetting("Wav", 3);
    SetSetting("Font", "Verdana");
    SetSetting("WeekendColor", 0x1FFFFFFF);
    s = settings.Current();
    EXPECT_TRUE(s.KeyFound);
    EXPECT_EQ(s.VORLAGE, 2);
    EXPECT_EQ(s.FontSize, 5);
    EXPECT_EQ(s.Alpha, 255);
    EXPECT_EQ(s.CharacterSayTimeAll, 5);
    EXPECT_EQ(s.xTage, 5);
    EXPECT_FALSE(s.WasRead("xTage"));
    EXPECT_FALSE(s.IsAbsent("xTage"));
    EXPECT_EQ(s.Body, "Herzlichen Glückwunsch");
    // A sound stored as a number is unreadable, not missing: the alarm beeps for it.
    EXPECT_FALSE(s.WasRead("Wav"));
    EXPECT_FALSE(s.IsAbsent("Wav"));
    EXPECT_EQ(s.Font, "Verdana");
    // A colour keeps its bits; the page masks them.
    EXPECT_EQ(s.WeekendColor, 0x1FFFFFFF);
    // The file keeps what it holds.
    EXPECT_EQ(IntSetting("Alpha"), 0x7fffffff);
}

TEST_F(SettingsValue, AWriteReachesTheFileAndWhoListensAndSoDoesAnotherProgramsChange) {
    TSettings& settings = TSettings::Program();
    settings.Current();
    std::vector<TSettingsValue> heard;
    const int id = settings.Listen([&heard](const TSettingsValue& s) { heard.push_back(s); });
    const ScopeExit unlisten([&settings, id] { settings.Unlisten(id); });
    // Without the key nothing is written unless the write may make it.
    EXPECT_FALSE(settings.Write(&TSettingsValue::Alpha, 200));
    EXPECT_FALSE(HasSetting("Alpha"));
    EXPECT_TRUE(heard.empty());
    ASSERT_TRUE(settings.Write(&TSettingsValue::Wav, "/klang/gong.wav", true));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].Wav, "/klang/gong.wav");

    // Stored as written, acted on as the dialog offers it.
    ASSERT_TRUE(settings.Write(&TSettingsValue::Alpha, 300));
    EXPECT_NE(HiveText().find("\"Alpha\"=dword:0000012c"), std::string::npos) << HiveText();
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1].Alpha, 255);
    EXPECT_EQ(settings.Current().Alpha, 255);
    ASSERT_TRUE(settings.Write(&TSettingsValue::TransparenzOnActiveWindow, false));
    EXPECT_EQ(IntSetting("TransparenzOnActiveWindow"), 0);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_FALSE(heard[2].TransparenzOnActiveWindow);

    // The same value again is no change; another program's change is one, seen at the next look.
    ASSERT_TRUE(settings.Write(&TSettingsValue::TransparenzOnActiveWindow, false));
    EXPECT_EQ(heard.size(), 3u);
    SetSetting("VORLAGE", 0);
    EXPECT_EQ(heard.size(), 3u);
    EXPECT_EQ(settings.Current().VORLAGE, 0);
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[3].VORLAGE, 0);

    settings.Unlisten(id);
    settings.Write(&TSettingsValue::VORLAGE, 2);
    EXPECT_EQ(heard.size(), 4u);
    EXPECT_EQ(IntSetting("VORLAGE"), 2);
}
