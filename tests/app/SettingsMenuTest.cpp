// The settings dialog opened from the main window's menu: where it stands, and the rebuild after it.
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <iterator>
#include <map>

#include "AdvCombo.h"
#include "AppFixture.h"
#include "BuildCalendar.h"
#include "Fadeing.h"
#include "ShellApi.h"
#include "TarvolinEinstellung.h"
#include "VclPrivate.h"
#include "WinUser.h"

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
        itemEnabled = form.Tray().Einstellungen1->Enabled;
        settings->CheckBoxTermineVorDatumZeigen->Click();
        settings->Ok->Click();
    });
    form.Tray().Einstellungen1->Click();
    const TRect area = Screen->WorkAreaRect();
    EXPECT_EQ(placed.Right, area.Right);
    EXPECT_EQ(placed.Bottom, area.Bottom);
    EXPECT_FALSE(itemEnabled);
    EXPECT_TRUE(form.Tray().Einstellungen1->Enabled);
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
    form.Tray().Einstellungen1->Click();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(reg.ReadInteger("MailonBirthday"), 1);
    EXPECT_TRUE(form.Tray().Einstellungen1->Enabled);
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
    form.Tray().Einstellungen1->Click();
    // The window fades with the mouse from the click on, not from the next page build.
    EXPECT_FALSE(fadeOnActivationMeanwhile);
    // The spoken time follows the dialog as soon as it closes.
    EXPECT_EQ(form.Character().SayTimeInterval, 30);
    EXPECT_FALSE(form.Character().SayTimeEnabled);
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
    form.Tray().Einstellungen1->Click();
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
    form.Tray().Einstellungen1->Click();
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

// Every value of the settings key, missing on a new profile: what the dialog shows is what the program
// does. Values no part of the program reads, or that have no default, have no program side here.
TEST_F(SettingsMenu, EveryMissingSettingMeansTheSameToTheProgramAndTheDialog) {
    auto freshKey = [] {
        TRegistry reg;
        reg.DeleteKey(kTarvolin);
        ASSERT_TRUE(reg.OpenKey(kTarvolin, true));
    };
    auto yesNo = [](bool b) { return std::string(b ? "true" : "false"); };
    auto html = [](TColor c) { return std::string(BuildTarvolan::ColorToHtml(c)); };

    // What the dialog shows, its font picker included.
    freshKey();
    std::map<std::string, std::string> shown;
    {
        TSchriftDialog* picker = nullptr;
        Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
            picker = dynamic_cast<TSchriftDialog*>(d.Form());
            if (!picker) return;
            // The family the picker shows and keeps: the one the page draws.
            shown["Font"] = picker->ChosenName();
            shown["FontColor"] = html(picker->FontColor->Color());
            shown["FontSize"] = std::to_string(picker->FontSize->Value());
            d.Press("Abbrechen");
        });
        TEinstellungen dialog(nullptr);
        shown["MailonBirthday"] = yesNo(dialog.CheckBoxGeburtstagseMail->Checked());
        shown["Body"] = dialog.AdvEdit1->Text();
        shown["VORLAGE"] = std::to_string(dialog.ComboBoxAnsicht->ItemIndex());
        shown["xTage"] = std::to_string(dialog.TageEdit->Value());
        shown["vorHeute"] = yesNo(dialog.CheckBoxTermineVorDatumZeigen->Checked());
        shown["showFullWeeksInMonthView"] = yesNo(dialog.CheckBoxshowFullWeeksInMonthView->Checked());
        shown["Design"] = dialog.ComboBoxDesign->Text();
        shown["BackgroundColorDays"] = html(dialog.btnColor1->Color());
        shown["BackgroundColorDaysTransparent"] = yesNo(dialog.CheckBoxTransp1->Checked());
        shown["BackgroundColorToday"] = html(dialog.btnColor3->Color());
        shown["BackgroundColorTodayTransparent"] = yesNo(dialog.CheckBoxTransp3->Checked());
        shown["WeekendColor"] = html(dialog.btnColor4->Color());
        shown["TransparenzOnActiveWindow"] = yesNo(dialog.Transparenzmode->Checked());
        shown["Alpha"] = std::to_string(dialog.Transparenz1->Position());
        shown["AlphaAktive"] = std::to_string(dialog.Transparenz2->Position());
        shown["UseDelay"] = yesNo(dialog.dxfCheckBox1->Checked());
        shown["Delay"] = std::to_string(dialog.Verzoegerung->Position());
        shown["CharacterUsed"] = yesNo(dialog.CheckBoxAgentUsed->Checked());
        shown["CharacterSayTime"] = yesNo(dialog.CheckBoxAgentSayTime->Checked());
        shown["CharacterSayTimeAll"] = std::to_string(dialog.SayTimePosition());
        shown["AgentZoom"] = yesNo(dialog.TrackBar2->Position() != 1);
        shown["SPAgentHalloFrueh"] = dialog.SPAgentHalloFrueh->Text();
        shown["SPAgentHalloMittag"] = dialog.SPAgentHalloMittag->Text();
        shown["SPAgentHallo"] = dialog.SPAgentHallo->Text();
        shown["SPAgentHalloAbend"] = dialog.SPAgentHalloAbend->Text();
        shown["SPAgentTime"] = dialog.SPAgentTime->Text();
        shown["SBAgentAppointments"] = dialog.SBAgentAppointments->Text();
        dialog.SpeedButton2->Click();
        ASSERT_NE(picker, nullptr);
    }

    // What the program does with the same new profile: a page build, the fading, the greetings, the
    // character, the birthday mail, and the window's own copies.
    freshKey();
    std::map<std::string, std::string> used;
    CountingForm form(nullptr);
    form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
    form.RebuildCalendar(SysUtils::Date(), true);
    const ViewParameters& v = form.ViewParameters;
    used["VORLAGE"] = std::to_string(v.ViewMode);
    used["showFullWeeksInMonthView"] = yesNo(v.ShowFullWeeksInMonthView);
    used["BackgroundColorDays"] = v.DaysColorHtml;
    used["BackgroundColorDaysTransparent"] = yesNo(v.DaysColorHtml.empty());
    used["BackgroundColorToday"] = v.TodayColorHtml;
    used["BackgroundColorTodayTransparent"] = yesNo(v.TodayColorHtml.empty());
    used["WeekendColor"] = v.WeekendColorHtml;
    // The page draws the family named, or the one in its place where that is not installed.
    used["Font"] = TSchriftDialog::PageFamily(v.FontName);
    used["FontColor"] = v.FontColorHtml;
    used["FontSize"] = std::to_string(v.FontSize);
    used["TransparenzOnActiveWindow"] = yesNo(v.FadeOnActivation);
    used["CharacterSayTime"] = yesNo(form.Character().SayTimeEnabled);
    used["CharacterSayTimeAll"] = std::to_string(form.Character().SayTimeInterval);
    used["Design"] = ReadUserString(kTarvolin, "Design");
    int low = 0, high = 0;
    Fadeing::ReadLimits(low, high);
    used["Alpha"] = std::to_string(low);
    used["AlphaAktive"] = std::to_string(high);
    used["SPAgentHalloFrueh"] = form.Character().Greeting(8);
    used["SPAgentHalloMittag"] = form.Character().Greeting(12);
    used["SPAgentHallo"] = form.Character().Greeting(14);
    used["SPAgentHalloAbend"] = form.Character().Greeting(20);
    std::string mail;
    ShellApi::SetUrlOpener([&](const std::string& url) {
        mail = url;
        return true;
    });
    form.SendBirthdayMail("oma@example.org");
    ShellApi::SetUrlOpener(nullptr);
    const QString body = QUrl(QString::fromStdString(mail)).query(QUrl::FullyDecoded);
    used["Body"] = body.mid(body.indexOf("body=") + 5).toStdString();
    {
        // The character, asked for as at start.
        form.Character().TSpeakingCharacter::Start(0, 0, false);
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
        used["CharacterUsed"] = yesNo(reg.ReadInteger("CharacterUsed") != 0);
    }
    Dialogs::SetDialogAnswerer([](TModalDialog&) {});
    form.Tray().Einstellungen1->Click();
    used["MailonBirthday"] = yesNo(form.MailOnBirthday());

    // The whole table: the value, what a missing one means, and where the program's side is tested
    // when it is not here.
    const struct {
        const char* name;
        const char* means;
        const char* elsewhere;
    } table[] = {
        {"MailonBirthday", "false", nullptr},
        {"Body", "Herzlichen Glückwunsch", nullptr},
        {"VORLAGE", "1", nullptr},
        {"xTage", "5", "the days view (StandardDesign)"},
        {"vorHeute", "false", "the week page (StandardDesign)"},
        {"showFullWeeksInMonthView", "false", nullptr},
        {"Design", "Standard", nullptr},
        {"BackgroundColorDays", "#A9C2ED", nullptr},
        {"BackgroundColorDaysTransparent", "false", nullptr},
        {"BackgroundColorToday", "#C9DCFA", nullptr},
        {"BackgroundColorTodayTransparent", "false", nullptr},
        {"WeekendColor", "#FF0000", nullptr},
        {"Font", "DejaVu Sans", nullptr},   // in place of "Comic Sans Ms", not installed here
        {"FontColor", "#000000", nullptr},
        {"FontSize", "8", nullptr},
        {"TransparenzOnActiveWindow", "true", nullptr},
        {"Alpha", "240", nullptr},
        {"AlphaAktive", "255", nullptr},
        {"UseDelay", "true", "nothing reads it"},
        {"Delay", "3", "nothing reads it"},
        {"CharacterUsed", "false", nullptr},
        {"CharacterSayTime", "true", nullptr},
        {"CharacterSayTimeAll", "60", nullptr},
        {"AgentZoom", "false", "the character (Character tests)"},
        {"SPAgentHalloFrueh", "Guten Morgen", nullptr},
        {"SPAgentHalloMittag", "Mahlzeit", nullptr},
        {"SPAgentHallo", "Hallo|Guten Tag", nullptr},
        {"SPAgentHalloAbend", "Guten Abend", nullptr},
        {"SPAgentTime", "Die Zeit, es ist <TIME>", "the spoken time (Speech tests)"},
        {"SBAgentAppointments", "Heute sind Termine vorhanden|Sie haben heute Termine!",
         "the announcement (Speech tests)"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(shown[row.name], row.means) << "the dialog's " << row.name;
        if (!row.elsewhere) {
            EXPECT_EQ(used[row.name], row.means) << "the program's " << row.name;
        }
    }
    EXPECT_EQ(shown.size(), std::size(table));
}

// Every number of the settings key, as a damaged or foreign file may hold it (any 32 bits): the
// program acts on a number the dialog offers, and on the number the dialog shows. The window can
// neither vanish (alpha 0) nor speak the time at an interval of no minutes.
TEST_F(SettingsMenu, EveryNumberOutsideItsRangeMeansTheSameToTheProgramAndTheDialog) {
    for (const unsigned raw : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu}) {
        SCOPED_TRACE(raw);
        auto writeAll = [raw] {
            TRegistry reg;
            ASSERT_TRUE(reg.OpenKey(kTarvolin, true));
            for (const TSettingRange& r : SettingRanges) reg.WriteInteger(r.Name, static_cast<int>(raw));
        };
        // What the program does: a page build, the window at rest, the fading, the spoken time.
        writeAll();
        std::map<std::string, int> used;
        {
            CountingForm form(nullptr);
            form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
            form.RebuildCalendar(SysUtils::Date(), true);
            used["VORLAGE"] = form.ViewParameters.ViewMode;
            used["FontSize"] = form.ViewParameters.FontSize;
            used["CharacterSayTimeAll"] = form.Character().SayTimeInterval;
            form.Frame().SetFrameVisible(false);
            used["Alpha"] = WinUser::WindowOpacity(form.Handle());
        }
        int low = 0, high = 0;
        Fadeing::ReadLimits(low, high);
        for (const int limit : {low, high}) {
            EXPECT_GE(limit, SettingRange("Alpha").Min);
            EXPECT_LE(limit, SettingRange("AlphaAktive").Max);
        }

        // What the dialog shows for the same file.
        writeAll();
        std::map<std::string, int> shown;
        Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
            if (auto* picker = dynamic_cast<TSchriftDialog*>(d.Form())) shown["FontSize"] = picker->FontSize->Value();
            d.Press("Abbrechen");
        });
        {
            TEinstellungen dialog(nullptr);
            shown["VORLAGE"] = dialog.ComboBoxAnsicht->ItemIndex();
            shown["xTage"] = dialog.TageEdit->Value();
            shown["Alpha"] = dialog.Transparenz1->Position();
            shown["AlphaAktive"] = dialog.Transparenz2->Position();
            shown["Delay"] = dialog.Verzoegerung->Position();
            shown["CharacterSayTimeAll"] = dialog.SayTimePosition();
            dialog.SpeedButton2->Click();
        }
        for (const TSettingRange& r : SettingRanges) {
            ASSERT_EQ(shown.count(r.Name), 1u) << r.Name;
            EXPECT_GE(shown[r.Name], r.Min) << r.Name;
            EXPECT_LE(shown[r.Name], r.Max) << r.Name;
            // xTage is the days view's (ViewTags tests); Delay is read by nothing.
            if (used.count(r.Name)) {
                EXPECT_EQ(used[r.Name], shown[r.Name]) << r.Name;
            }
        }
    }
}

// The user rests the mouse on the saying's text until its hint shows, closes the dialog and ends the
// program: the program ends cleanly (in a process of its own, as the loop ends once per process).
TEST_F(SettingsMenu, AHintShownInTheDialogLeavesTheProgramsEndClean) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // As the program makes its window: the application owns and frees it.
            auto* form = new CountingForm(Application);
            Application->SetMainForm(form);
            Application->ShowMainForm = false;
            form->ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
            AnsiString hint;
            Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
                auto* settings = dynamic_cast<TEinstellungen*>(d.Form());
                if (!settings) return;
                settings->PageControl1->SetActivePage(settings->TabSprueche);
                QWidget* memo = Vcl::Detail::HandleWidget(settings->Memo);
                QTest::mouseMove(memo, QPoint(20, 20));
                QTest::mouseMove(memo, QPoint(24, 22));
                WaitUntil([] { return Application->HintWindow() && Application->HintWindow()->Active(); }, 10000);
                if (Application->HintWindow()) hint = Application->HintWindow()->Caption();
                settings->Ok->Click();
            });
            form->Tray().Einstellungen1->Click();
            Application->Terminate();
            Application->Run();
            std::_Exit(hint == "Schreiben Sie hier Ihren Witz/Spruch oder Ansage hinein" && Application->ComponentCount() == 0 && !Application->HintWindow() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
