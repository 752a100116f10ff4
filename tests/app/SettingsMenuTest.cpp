// The settings dialog opened from the main window's menu: where it stands, and the rebuild after it.
#include "AppFixture.h"
#include "TarvolinEinstellung.h"

using namespace apptest;

namespace {

const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

class SettingsMenu : public AppTest {
protected:
    std::string db;
    void SetUp() override {
        AppTest::SetUp();
        LayOutDesign();
        db = LayOutDatabase();
        WriteUserString(kZorbelin, "BENUTZER", "hans");
        WriteUserInteger(kTarvolin, "VORLAGE", 1);
        Application->Initialize();
    }
};

TEST_F(SettingsMenu, DialogOpensInTheCornerAndItsChangesRebuildThePage) {
    CountingForm form(nullptr);
    form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
    form.SetAlarmsPresent(true);
    const int builds = form.BuildCount();
    TRect placed;
    bool itemEnabled = true;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        auto* settings = dynamic_cast<TEinstellungen*>(d.Form());
        ASSERT_NE(settings, nullptr);
        placed = settings->BoundsRect();
        itemEnabled = form.Einstellungen1->Enabled;
        settings->CheckBoxTermineVorDatumZeigen->Click();
        settings->Ok->Click();
    });
    form.Einstellungen1Click(form.Einstellungen1);
    const TRect area = Screen->WorkAreaRect();
    EXPECT_EQ(placed.Right, area.Right);
    EXPECT_EQ(placed.Bottom, area.Bottom);
    EXPECT_FALSE(itemEnabled);
    EXPECT_TRUE(form.Einstellungen1->Enabled);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(reg.ReadInteger("vorHeute"), 1);
    EXPECT_EQ(form.BuildCount(), builds + 1);
    EXPECT_FALSE(form.AlarmsPresent());
}

TEST_F(SettingsMenu, ClosingWithoutAnyAnswerStillKeepsWhatWasWritten) {
    CountingForm form(nullptr);
    form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        auto* settings = dynamic_cast<TEinstellungen*>(d.Form());
        ASSERT_NE(settings, nullptr);
        settings->CheckBoxGeburtstagseMail->Click();
        // left unanswered: the close box
    });
    form.Einstellungen1Click(form.Einstellungen1);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(reg.ReadInteger("MailonBirthday"), 1);
    EXPECT_TRUE(form.Einstellungen1->Enabled);
}

TEST_F(SettingsMenu, FadeModeSwitchesAtOnceAndTheWindowTakesTheDialogsChanges) {
    WriteUserInteger(kTarvolin, "TransparenzOnActiveWindow", 1);
    CountingForm form(nullptr);
    form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
    form.ViewParameters.FadeOnActivation = true;
    bool fadeOnActivationMeanwhile = true;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        auto* settings = dynamic_cast<TEinstellungen*>(d.Form());
        ASSERT_NE(settings, nullptr);
        settings->Transparenzmode->Click();
        fadeOnActivationMeanwhile = form.ViewParameters.FadeOnActivation;
        settings->UpDown1Click(nullptr, false);
        settings->CheckBoxAgentSayTime->Click();
        settings->Ok->Click();
    });
    form.Einstellungen1Click(form.Einstellungen1);
    // The window fades with the mouse from the click on, not from the next page build.
    EXPECT_FALSE(fadeOnActivationMeanwhile);
    // The spoken time follows the dialog as soon as it closes.
    EXPECT_EQ(form.SayTimeInterval, 30);
    EXPECT_FALSE(form.SayTimeEnabled);
    EXPECT_FALSE(form.ViewParameters.FadeOnActivation);

    // Birthday mails start with the box ticked, not with the next start of the program (no page build
    // reads this value).
    EXPECT_FALSE(form.MailOnBirthday());
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        auto* settings = dynamic_cast<TEinstellungen*>(d.Form());
        ASSERT_NE(settings, nullptr);
        EXPECT_FALSE(settings->CheckBoxGeburtstagseMail->Checked());
        settings->CheckBoxGeburtstagseMail->Click();
        settings->Ok->Click();
    });
    form.Einstellungen1Click(form.Einstellungen1);
    EXPECT_TRUE(form.MailOnBirthday());
}

TEST_F(SettingsMenu, FontPickerOpensBesideTheDialogWithTheStoredFontSelected) {
    // Stored as a person might have typed it; the family is installed as "DejaVu Sans".
    WriteUserString(kTarvolin, "Font", "dejavu sans");
    WriteUserInteger(kTarvolin, "FontSize", 11);
    CountingForm form(nullptr);
    form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
    TRect settingsPlace, pickerPlace;
    AnsiString selected, shownName;
    int shownSize = 0, selectedSize = -1;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        if (auto* settings = dynamic_cast<TEinstellungen*>(d.Form())) {
            settingsPlace = settings->BoundsRect();
            settings->SpeedButton2->Click();
            settings->Ok->Click();
        } else if (auto* picker = dynamic_cast<TSchriftDialog*>(d.Form())) {
            pickerPlace = picker->BoundsRect();
            const int i = picker->FontList->ItemIndex();
            if (i >= 0) selected = picker->FontList->Items()->Get(i);
            shownName = picker->FontName->Text();
            shownSize = picker->FontSize->Value();
            selectedSize = picker->SizeList->ItemIndex();
            d.Press("Abbrechen");
        }
    });
    form.Einstellungen1Click(form.Einstellungen1);
    EXPECT_EQ(selected, "DejaVu Sans");
    EXPECT_EQ(shownName, "dejavu sans");
    EXPECT_EQ(shownSize, 11);
    EXPECT_EQ(selectedSize, 11 - 5);
    const TRect area = Screen->WorkAreaRect();
    EXPECT_GE(pickerPlace.Left, area.Left);
    EXPECT_LE(pickerPlace.Right, area.Right);
    EXPECT_EQ(pickerPlace.Top, settingsPlace.Top);
    // With room to the left of the settings dialog, the picker stands right beside it.
    if (settingsPlace.Left - area.Left >= pickerPlace.Width()) EXPECT_EQ(pickerPlace.Right, settingsPlace.Left);
    else ADD_FAILURE() << "work area " << area.Width() << " wide leaves no room beside the dialog";
}

} // namespace
