// The settings dialog against a real registry file: what loading shows and writes back, what each
// control writes the moment it changes, and when the main window is told to rebuild.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "AdvCombo.h"
#include "Dialogs.h"
#include "Registry.h"
#include "SysUtils.h"
#include "TarvolinEinstellung.h"
#include "TempDir.h"

namespace {

const char* const TarvolinKey = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

class SettingsTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedEnv registry{"ZORBELIN_REGISTRY", dir.file("registry")};
    std::vector<std::string> dialogs;
    std::vector<std::string> folders;   // where each file dialog opened
    // The button each dialog gets pressed, in order; "" leaves it unanswered (cancelled).
    std::vector<std::string> presses;
    std::string chosenFile;
    SettingsVoices::TVoiceSource voices;

    void SetUp() override {
        // The machine's own voices play no part here.
        voices = SettingsVoices::SetVoiceSource([] { return std::vector<TVoiceEntry>{}; });
        std::filesystem::create_directories(dir.path() / "registry");
        std::filesystem::create_directories(dir.path() / "program");
        SysUtils::SetProgramFolder(dir.str() + "program/");
        Dialogs::SetDialogAnswerer([this](TModalDialog& d) {
            dialogs.push_back(d.Text());
            folders.push_back(d.Directory());
            if (!chosenFile.empty()) d.SetFileName(chosenFile);
            const std::size_t i = dialogs.size() - 1;
            const std::string press = i < presses.size() ? presses[i] : std::string("OK");
            if (!press.empty()) d.Press(press);
        });
    }
    void TearDown() override {
        dialog.reset();
        Dialogs::SetDialogAnswerer(nullptr);
        SettingsVoices::SetVoiceSource(voices);
        SysUtils::SetProgramFolder("");
    }
    void WriteUserString(const char* key, const char* name, const std::string& value) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteString(name, value);
    }
    void WriteUserInteger(const char* key, const char* name, int value) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteInteger(name, value);
    }
    std::string ReadUserString(const char* key, const char* name) {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly(key) || !reg.ValueExists(name)) return "<missing>";
        return reg.ReadString(name);
    }

    std::unique_ptr<TEinstellungen> dialog;

    void CreateKey() {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(TarvolinKey, true));
    }
    void Open() { dialog = std::make_unique<TEinstellungen>(nullptr); }
    int Int(const char* name) {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly(TarvolinKey)) return -999;
        int v = -999;
        reg.TryReadInteger(name, v);
        return v;
    }
    std::string Str(const char* name) { return ReadUserString(TarvolinKey, name); }
    void Set(const char* name, int v) { WriteUserInteger(TarvolinKey, name, v); }
    void SetStr(const char* name, const std::string& v) { WriteUserString(TarvolinKey, name, v); }
    void WriteDesigns(const std::string& text) {
        std::filesystem::create_directories(dir.path() / "program" / "Vorlagen");
        std::ofstream(dir.path() / "program" / "Vorlagen" / "design.ini") << text;
    }
    static void Select(TCustomComboBox* combo, int index) {
        combo->SetItemIndex(index);
        combo->OnChange(combo);
    }
};

TEST_F(SettingsTest, FreshProfileShowsDefaultsAndWritesBackTheSliders) {
    CreateKey();
    Open();
    EXPECT_EQ(dialog->AdvEdit1->Text(), "Herzlichen Glückwunsch");
    EXPECT_FALSE(dialog->CheckBoxGeburtstagseMail->Checked());
    EXPECT_FALSE(dialog->CheckBoxshowFullWeeksInMonthView->Checked());
    EXPECT_FALSE(dialog->CheckBoxTermineVorDatumZeigen->Checked());
    EXPECT_FALSE(dialog->CheckBoxAgentUsed->Checked());
    EXPECT_TRUE(dialog->CheckBoxAgentSayTime->Checked());
    EXPECT_TRUE(dialog->Transparenzmode->Checked());
    EXPECT_TRUE(dialog->dxfCheckBox1->Checked());
    EXPECT_TRUE(dialog->Verzoegerung->Enabled());
    EXPECT_EQ(dialog->TageEdit->Value(), 5);
    EXPECT_EQ(dialog->ComboBoxAnsicht->ItemIndex(), 1);
    EXPECT_FALSE(dialog->TageEdit->Enabled());
    EXPECT_EQ(dialog->TrackBar2->Position(), 1);
    EXPECT_EQ(dialog->Transparenz1->Position(), 240);
    EXPECT_EQ(dialog->Transparenz2->Position(), 255);
    EXPECT_EQ(dialog->Verzoegerung->Position(), 3);
    EXPECT_EQ(dialog->SayTimePosition(), 60);
    EXPECT_EQ(dialog->SagZeitEdit->Text(), "60");
    EXPECT_EQ(dialog->btnColor1->Color(), TColor(0x00EDC2A9));
    EXPECT_EQ(dialog->btnColor3->Color(), TColor(0x00FADCC9));
    EXPECT_EQ(dialog->btnColor4->Color(), TColor(0x000000FF));
    EXPECT_EQ(dialog->SPAgentHallo->Text(), "Hallo|Guten Tag");
    EXPECT_EQ(dialog->SPAgentTime->Text(), "Die Zeit, es ist <TIME>");
    EXPECT_EQ(dialog->SBAgentAppointments->Text(), "Heute sind Termine vorhanden|Sie haben heute Termine!");
    EXPECT_EQ(dialog->SPAgentHalloFrueh->Text(), "Guten Morgen");
    // No voices: nothing to choose.
    EXPECT_EQ(dialog->Voices->Items()->Count(), 0);
    EXPECT_EQ(dialog->Voices->ItemIndex(), -1);

    EXPECT_EQ(Int("TransparenzOnActiveWindow"), 1);
    EXPECT_EQ(Int("AgentZoom"), 0);
    EXPECT_EQ(Int("AlphaAktive"), 255);
    EXPECT_EQ(Int("Alpha"), 240);
    EXPECT_EQ(Int("Delay"), 3);
    EXPECT_EQ(Int("xTage"), 5);
    // The text shown is the text kept, so an empty body cannot stay.
    EXPECT_EQ(Str("Body"), "Herzlichen Glückwunsch");
    // The sliders and the text moved from their start, as a person's change would have.
    EXPECT_TRUE(dialog->Modified);
    // Values whose control did not change are not invented.
    EXPECT_EQ(Int("MailonBirthday"), -999);
    EXPECT_EQ(Int("CharacterSayTimeAll"), -999);
}

TEST_F(SettingsTest, StoredValuesReachTheirControls) {
    CreateKey();
    SetStr("Body", "Alles Gute");
    Set("MailonBirthday", 1);
    Set("showFullWeeksInMonthView", 1);
    Set("AgentZoom", 1);
    Set("xTage", 7);
    Set("CharacterUsed", 0);
    Set("CharacterSayTimeAll", 45);
    Set("VORLAGE", 2);
    Set("AlphaAktive", 100);
    Set("Alpha", 100);
    Set("UseDelay", 0);
    Set("WeekendColor", 0x00123456);
    SetStr("SPAgentTime", "Jetzt ist es <TIME>");
    Open();
    EXPECT_EQ(dialog->AdvEdit1->Text(), "Alles Gute");
    EXPECT_TRUE(dialog->CheckBoxGeburtstagseMail->Checked());
    EXPECT_TRUE(dialog->CheckBoxshowFullWeeksInMonthView->Checked());
    EXPECT_EQ(dialog->TrackBar2->Position(), 0);
    EXPECT_EQ(dialog->TageEdit->Value(), 7);
    EXPECT_EQ(dialog->ComboBoxAnsicht->ItemIndex(), 2);
    EXPECT_TRUE(dialog->TageEdit->Enabled());
    EXPECT_FALSE(dialog->Verzoegerung->Enabled());
    EXPECT_FALSE(dialog->GroupBoxAgent->Enabled());
    EXPECT_FALSE(dialog->SPAgentTime->Enabled());
    EXPECT_EQ(dialog->btnColor4->Color(), TColor(0x00123456));
    EXPECT_EQ(dialog->SPAgentTime->Text(), "Jetzt ist es <TIME>");
    // 45 is no offered interval: it is shown and stored as 30.
    EXPECT_EQ(dialog->SayTimePosition(), 30);
    EXPECT_EQ(Int("CharacterSayTimeAll"), 30);
    EXPECT_EQ(Int("AgentZoom"), 1);
}

TEST_F(SettingsTest, EachControlWritesAtOnce) {
    CreateKey();
    Open();
    dialog->CheckBoxGeburtstagseMail->Click();
    EXPECT_EQ(Int("MailonBirthday"), 1);
    dialog->CheckBoxTermineVorDatumZeigen->Click();
    EXPECT_EQ(Int("vorHeute"), 1);
    dialog->CheckBoxshowFullWeeksInMonthView->Click();
    EXPECT_EQ(Int("showFullWeeksInMonthView"), 1);
    dialog->AdvEdit1->SetText("");
    for (char c : std::string("Gut")) dialog->AdvEdit1->Perform(WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(Str("Body"), "Gut");
    Select(dialog->ComboBoxAnsicht, 2);
    EXPECT_EQ(Int("VORLAGE"), 2);
    EXPECT_TRUE(dialog->TageEdit->Enabled());
    Select(dialog->ComboBoxAnsicht, 1);
    EXPECT_EQ(Int("VORLAGE"), 1);
    EXPECT_FALSE(dialog->TageEdit->Enabled());
    dialog->TageEdit->SetValue(9);
    EXPECT_EQ(Int("xTage"), 9);
    dialog->Transparenzmode->Click();
    EXPECT_EQ(Int("TransparenzOnActiveWindow"), 0);
    dialog->Verzoegerung->SetPosition(20);
    EXPECT_EQ(Int("Delay"), 20);
    dialog->dxfCheckBox1->Click();
    EXPECT_EQ(Int("UseDelay"), 0);
    EXPECT_FALSE(dialog->Verzoegerung->Enabled());
    dialog->CheckBoxAgentSayTime->Click();
    EXPECT_EQ(Int("CharacterSayTime"), 0);
    dialog->TrackBar2->SetPosition(0);
    EXPECT_EQ(Int("AgentZoom"), 1);
    // A new profile has the character off: the first click switches it on.
    dialog->CheckBoxAgentUsed->Click();
    EXPECT_EQ(Int("CharacterUsed"), 1);
    EXPECT_TRUE(dialog->CheckBoxAgentSayTime->Enabled());
    dialog->CheckBoxAgentUsed->Click();
    EXPECT_EQ(Int("CharacterUsed"), 0);
    EXPECT_FALSE(dialog->CheckBoxAgentSayTime->Enabled());
}

TEST_F(SettingsTest, OnlyChangesThatNeedARebuildSetModified) {
    CreateKey();
    Open();
    auto fresh = [this] { dialog->Modified = false; };
    fresh();
    dialog->Transparenzmode->Click();
    dialog->Verzoegerung->SetPosition(10);
    dialog->CheckBoxAgentSayTime->Click();
    dialog->TrackBar2->SetPosition(0);
    dialog->UpDown1Click(nullptr, false);
    dialog->Transparenz1->SetPosition(200);  // stays below the active alpha
    EXPECT_FALSE(dialog->Modified);

    dialog->CheckBoxshowFullWeeksInMonthView->Click();
    EXPECT_TRUE(dialog->Modified);
    fresh();
    dialog->TageEdit->SetValue(3);
    EXPECT_TRUE(dialog->Modified);
    fresh();
    dialog->Transparenz2->SetPosition(250);
    EXPECT_TRUE(dialog->Modified);
    fresh();
    dialog->CheckBoxTransp1->Click();
    EXPECT_TRUE(dialog->Modified);
}

TEST_F(SettingsTest, MinAboveMaxPullsMaxUp) {
    CreateKey();
    Open();
    dialog->Transparenz1->SetPosition(100);
    dialog->Transparenz2->SetPosition(150);
    dialog->Modified = false;
    dialog->Transparenz1->SetPosition(200);
    EXPECT_EQ(dialog->Transparenz2->Position(), 200);
    EXPECT_EQ(Int("Alpha"), 200);
    EXPECT_EQ(Int("AlphaAktive"), 200);
    EXPECT_TRUE(dialog->Modified);
    // Moving Max below Min is undone at once: the active alpha is never below the inactive one.
    dialog->Transparenz2->SetPosition(120);
    EXPECT_EQ(dialog->Transparenz2->Position(), 200);
    EXPECT_EQ(Int("AlphaAktive"), 200);
    // Sliders keep to their range.
    dialog->Transparenz1->SetPosition(10);
    EXPECT_EQ(dialog->Transparenz1->Position(), 50);
    EXPECT_EQ(Int("Alpha"), 50);
}

TEST_F(SettingsTest, SpokenTimeStepsThroughTheOfferedIntervals) {
    EXPECT_EQ(SayTimeStep(20, true), 30);
    EXPECT_EQ(SayTimeStep(30, true), 60);
    EXPECT_EQ(SayTimeStep(60, false), 30);
    EXPECT_EQ(SayTimeStep(30, false), 20);
    EXPECT_EQ(SayTimeStep(10, true), 15);
    EXPECT_EQ(SayTimeStep(60, true), 60);
    EXPECT_EQ(SayTimeStep(5, false), 5);
    EXPECT_EQ(SayTimeStep(25, true), 30);
    EXPECT_EQ(SayTimeStep(25, false), 20);

    CreateKey();
    Open();
    dialog->UpDown1Click(nullptr, false);
    EXPECT_EQ(dialog->SayTimePosition(), 30);
    EXPECT_EQ(Int("CharacterSayTimeAll"), 30);
    dialog->UpDown1Click(nullptr, false);
    EXPECT_EQ(Int("CharacterSayTimeAll"), 20);
    dialog->UpDown1Click(nullptr, true);
    dialog->UpDown1Click(nullptr, true);
    EXPECT_EQ(dialog->SagZeitEdit->Text(), "60");
    EXPECT_EQ(Int("CharacterSayTimeAll"), 60);
}

TEST_F(SettingsTest, DesignListComesFromTheDesignFile) {
    CreateKey();
    WriteDesigns("[Standard]\nTag=a.htm\n[Blau]\nTag=b.htm\n");
    SetStr("Design", "Blau");
    Open();
    ASSERT_EQ(dialog->ComboBoxDesign->Items()->Count(), 2);
    EXPECT_EQ(dialog->ComboBoxDesign->Items()->Get(0), "Standard");
    EXPECT_EQ(dialog->ComboBoxDesign->ItemIndex(), 1);
    Select(dialog->ComboBoxDesign, 0);
    EXPECT_EQ(Str("Design"), "Standard");
    dialog.reset();

    // The page builder takes "blau" for "Blau", so the list selects it as well.
    SetStr("Design", "blau");
    Open();
    EXPECT_EQ(dialog->ComboBoxDesign->ItemIndex(), 1);
    dialog.reset();

    SetStr("Design", "Grün");
    Open();
    EXPECT_EQ(dialog->ComboBoxDesign->ItemIndex(), -1);
}

TEST_F(SettingsTest, WithoutADesignFileTheListStaysEmpty) {
    CreateKey();
    Open();
    EXPECT_EQ(dialog->ComboBoxDesign->Items()->Count(), 0);
    EXPECT_EQ(dialog->ComboBoxDesign->ItemIndex(), -1);
}

TEST_F(SettingsTest, TransparentBoxesPaintTheShapeAndWriteTheirValue) {
    CreateKey();
    Open();
    dialog->CheckBoxTransp3->Click();
    EXPECT_EQ(Int("BackgroundColorTodayTransparent"), 1);
    EXPECT_EQ(Int("BackgroundColorDaysTransparent"), 0);
    EXPECT_EQ(dialog->btnColor3->Color(), clBtnFace);
    EXPECT_EQ(dialog->btnColor1->Color(), TColor(0x00EDC2A9));
    dialog->CheckBoxTransp3->Click();
    EXPECT_EQ(Int("BackgroundColorTodayTransparent"), 0);
    // The fill comes back only when the dialog is opened again.
    EXPECT_EQ(dialog->btnColor3->Color(), clBtnFace);
}

TEST_F(SettingsTest, SoundPickerWritesTheChosenFileAndCancelKeepsIt) {
    CreateKey();
    Open();
    dialog->Modified = false;
    dir.write("Klänge/gong.wav", "RIFF");
    chosenFile = dir.file("Klänge/gong.wav");
    presses = {"Öffnen"};
    dialog->dxfPictureButton7->Click();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(Str("Wav"), chosenFile);
    EXPECT_EQ(dialog->OpenDialog->Filter, "Sounddateien|*.wav");
    EXPECT_TRUE(dialog->Modified);

    chosenFile.clear();
    presses.push_back("");
    dialog->dxfPictureButton7->Click();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(Str("Wav"), dir.file("Klänge/gong.wav"));
    // Without a sound the picker opens beside the program, with one in the sound's folder.
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::equivalent(folders[0], dir.file("program"), ec)) << folders[0];
    EXPECT_TRUE(std::filesystem::equivalent(folders[1], dir.file("Klänge"), ec)) << folders[1];
}

TEST_F(SettingsTest, FontPickerStartsFromTheStoredFontAndWritesTheChoice) {
    CreateKey();
    SetStr("Font", "Verdana");
    Set("FontSize", 12);
    Open();
    dialog->Modified = false;
    std::string shownName;
    int shownSize = 0;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        auto* picker = dynamic_cast<TSchriftDialog*>(d.Form());
        ASSERT_NE(picker, nullptr);
        shownName = picker->FontName->Text();
        shownSize = picker->FontSize->Value();
        picker->FontName->SetText("Arial");
        picker->FontSize->SetValue(40);
        picker->FontColor->SetColor(TColor(0x00008000));
        d.Press("OK");
    });
    dialog->SpeedButton2->Click();
    // Not installed here either: shown as the family drawn in its place.
    EXPECT_EQ(shownName, "DejaVu Sans");
    EXPECT_EQ(shownSize, 12);
    EXPECT_EQ(Str("Font"), "Arial");
    // Sizes beyond the picker's range are not offered.
    EXPECT_EQ(Int("FontSize"), 28);
    EXPECT_EQ(Int("FontColor"), 0x00008000);
    EXPECT_TRUE(dialog->Modified);

    Dialogs::SetDialogAnswerer([](TModalDialog& d) { d.Press("Abbrechen"); });
    dialog->SpeedButton2->Click();
    EXPECT_EQ(Str("Font"), "Arial");
}

TEST_F(SettingsTest, FontPickerOffersSizesFiveToTwentyEightEffectsAndApply) {
    CreateKey();
    Open();
    TSchriftDialog* picker = dialog->FontDialog1;
    ASSERT_EQ(picker->SizeList->Items()->Count(), 24);
    EXPECT_EQ(picker->SizeList->Items()->Get(0), "5");
    EXPECT_EQ(picker->SizeList->Items()->Get(23), "28");
    EXPECT_EQ(picker->Effekte->Caption(), "Effekte");
    EXPECT_GT(picker->FontList->Items()->Count(), 0);
    // Without a stored font the picker shows the page's own: the dialog and the page agree.
    std::vector<std::string> buttons;
    AnsiString shownName, shownSelected;
    int shownSize = 0;
    int written = 0;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        if (d.Form() != picker) return;
        for (const auto& b : d.Buttons()) buttons.push_back(b);
        shownName = picker->FontName->Text();
        if (picker->FontList->ItemIndex() >= 0) shownSelected = picker->FontList->Items()->Get(picker->FontList->ItemIndex());
        shownSize = picker->FontSize->Value();
        // A size chosen in the list, an effect ticked, and "Übernehmen" writes without closing.
        picker->SizeList->SetItemIndex(7);
        picker->SizeList->OnClick(picker->SizeList);
        picker->Unterstrichen->Click();
        EXPECT_TRUE(picker->Sample->Font()->Style().Contains(fsUnderline));
        EXPECT_EQ(picker->Sample->Font()->Size(), 12);
        d.Press("Übernehmen");
        written = Int("FontSize");
        EXPECT_EQ(picker->ModalResult(), mrNone);
        d.Press("Abbrechen");
    });
    dialog->SpeedButton2->Click();
    EXPECT_EQ(buttons, (std::vector<std::string>{"Farbe ...", "OK", "Abbrechen", "Übernehmen"}));
    // The page's "Comic Sans Ms" is not installed: the picker shows the family the page draws in its
    // place, and stores it.
    EXPECT_EQ(shownName, "DejaVu Sans");
    EXPECT_EQ(shownSelected, "DejaVu Sans");
    EXPECT_EQ(shownSize, 8);
    EXPECT_EQ(written, 12);
    EXPECT_EQ(Int("FontSize"), 12);
    EXPECT_EQ(Str("Font"), "DejaVu Sans");
}

TEST_F(SettingsTest, FontPickerShowsTheFamilyThePageDrawsForAStoredOne) {
    CreateKey();
    Open();
    std::string shownName, kept;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        auto* picker = dynamic_cast<TSchriftDialog*>(d.Form());
        ASSERT_NE(picker, nullptr);
        shownName = picker->FontName->Text();
        kept = picker->ChosenName();
        d.Press("Abbrechen");
    });
    // The window system draws "Helvetica" with "Liberation Sans"; the page takes a stand-in only when
    // it has the name's metrics, and draws the design's next family.
    SetStr("Font", "Helvetica");
    dialog->SpeedButton2->Click();
    EXPECT_EQ(shownName, "DejaVu Sans");
    EXPECT_EQ(kept, "Helvetica") << "a stored name stays while the family is left alone";
    SetStr("Font", "Arial");
    dialog->SpeedButton2->Click();
    EXPECT_EQ(shownName, "Liberation Sans");
}

TEST_F(SettingsTest, SoundPickerCreatesAMissingKey) {
    Open();
    chosenFile = dir.file("gong.wav");
    presses = {"Öffnen"};
    dialog->dxfPictureButton7->Click();
    EXPECT_EQ(Str("Wav"), chosenFile);
}

TEST_F(SettingsTest, WithoutTheKeyHandlersWriteNothing) {
    Open();
    dialog->CheckBoxGeburtstagseMail->Click();
    dialog->TageEdit->SetValue(4);
    EXPECT_TRUE(dialog->Modified);
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists(TarvolinKey));
    // The form's own start values stay.
    EXPECT_EQ(dialog->Transparenz1->Position(), 100);
}

TEST_F(SettingsTest, SpeakingTextsAreSavedWhenTheDialogGoes) {
    CreateKey();
    Open();
    dialog->SPAgentTime->SetText("Es ist spät");
    bool valid = true;
    dialog->SPAgentTimeValueValidate(nullptr, dialog->SPAgentTime->Text(), valid);
    EXPECT_FALSE(valid);
    dialog->SPAgentTimeValueValidate(nullptr, "Es ist jetzt <TIME>", valid);
    EXPECT_TRUE(valid);
    dialog->SPAgentTimeValueValidate(nullptr, "Es ist jetzt <time>", valid);
    EXPECT_FALSE(valid);
    dialog->SPAgentHallo->SetText("Servus");
    EXPECT_EQ(Str("SPAgentHallo"), "<missing>");
    dialog.reset();
    EXPECT_EQ(Str("SPAgentTime"), "Es ist spät");
    EXPECT_EQ(Str("SPAgentHallo"), "Servus");
    EXPECT_EQ(Str("SPAgentHalloAbend"), "Guten Abend");
    // No stray key named after the root.
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("\\HKEY_CURRENT_USER"));
}

TEST_F(SettingsTest, OkEndsTheModalSessionKeepingEveryValue) {
    CreateKey();
    Open();
    int result = 0;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        ASSERT_EQ(d.Form(), dialog.get());
        dialog->CheckBoxTermineVorDatumZeigen->Click();
        dialog->Ok->Click();
    });
    result = dialog->ShowModal();
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(Int("vorHeute"), 1);
}

} // namespace
