// The sayings editor and the colour picker of the settings dialog, against a real "sprueche.ini",
// a real "colors.txt" in a temporary program folder and a real registry file.
#include <gtest/gtest.h>

#include <clocale>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Mouse input takes the window system's way: into the window, to the widget under the pointer.
#define QTEST_QPA_MOUSE_HANDLING
#include <QDateTimeEdit>
#include <QImage>
#include <QPainter>
#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include "ProcessLocale.h"
#include "AdvCombo.h"
#include "Dialogs.h"
#include "GraphicsQt.h"
#include "IniFiles.h"
#include "MMSystem.h"
#include "Registry.h"
#include "SysUtils.h"
#include "TarvolinEinstellung.h"
#include "TempDir.h"
#include "VclPrivate.h"

namespace {

const char* const TarvolinKey = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

class SayingsTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedEnv registry{"ZORBELIN_REGISTRY", dir.file("registry")};
    // What each dialog showed (its text), in order.
    std::vector<std::string> shown;
    // The answer of each coming dialog; a dialog without one is left unanswered (cancelled).
    std::deque<std::function<void(TModalDialog&)>> answers;
    std::unique_ptr<TEinstellungen> dialog;
    SettingsVoices::TVoiceSource voices;

    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "registry");
        std::filesystem::create_directories(dir.path() / "program" / "Vorlagen");
        SysUtils::SetProgramFolder(dir.str() + "program/");
        voices = SettingsVoices::SetVoiceSource([] { return std::vector<TVoiceEntry>{}; });
        Dialogs::SetDialogAnswerer([this](TModalDialog& d) {
            shown.push_back(d.Text());
            if (answers.empty()) return;
            auto answer = std::move(answers.front());
            answers.pop_front();
            answer(d);
        });
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(TarvolinKey, true));
    }
    void TearDown() override {
        answers.clear();
        dialog.reset();
        Dialogs::SetDialogAnswerer(nullptr);
        SettingsVoices::SetVoiceSource(voices);
        SysUtils::SetProgramFolder("");
    }

    void Open() { dialog = std::make_unique<TEinstellungen>(nullptr); }
    std::string Sayings() { return dir.read("program/sprueche.ini"); }
    std::string Ini(const std::string& section, const std::string& key) {
        TIniFile ini(dir.file("program/sprueche.ini"));
        return ini.ReadString(section, key, "<missing>");
    }
    std::vector<std::string> Tabs() {
        std::vector<std::string> names;
        for (int i = 0; i < dialog->TabControl1->Tabs()->Count(); ++i) names.push_back(dialog->TabControl1->Tabs()->Get(i));
        return names;
    }
    int Mark() { return static_cast<int>(dialog->TabControl1->Tag); }

    // Answers the name query with Name (after noting the proposed name), or cancels it.
    std::function<void(TModalDialog&)> Name(const std::string& name, std::string* proposed = nullptr) {
        return [name, proposed](TModalDialog& d) {
            TCustomForm* form = d.Form();
            ASSERT_NE(form, nullptr);
            EXPECT_EQ(d.Caption(), "Bitte Name für Spruch eingeben");
            TAdvEdit* edit = nullptr;
            bool prompt = false;
            for (int i = 0; i < form->ComponentCount(); ++i) {
                if (auto* e = dynamic_cast<TAdvEdit*>(form->Components(i))) edit = e;
                if (auto* l = dynamic_cast<TLabel*>(form->Components(i))) prompt = prompt || l->Caption() == "Name:";
            }
            EXPECT_TRUE(prompt);
            ASSERT_NE(edit, nullptr);
            if (proposed) *proposed = edit->Text();
            edit->SetText(name);
            d.Press("OK");
        };
    }
    static std::function<void(TModalDialog&)> Press(const std::string& button) {
        return [button](TModalDialog& d) { d.Press(button); };
    }
    // A click on a tab where a person would click it.
    void ClickTab(int index) {
        const TRect r = dialog->TabControl1->TabRect(index);
        ASSERT_LT(r.Left, r.Right);
        const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
        dialog->TabControl1->Perform(WM_LBUTTONDOWN, MK_LBUTTON, static_cast<LPARAM>(x | (y << 16)));
        dialog->TabControl1->Perform(WM_LBUTTONUP, 0, static_cast<LPARAM>(x | (y << 16)));
    }
    // Keys typed where the caret is (ASCII only).
    void Type(const std::string& text) {
        for (char c : text) dialog->Memo->Perform(WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    void Append(const std::string& text) {
        dialog->Memo->SetSelStart(100000);
        Type(text);
    }
    void ThreeSayings() {
        dir.write("program/sprueche.ini",
                  "[Namen]\nTab0=A\nTab1=B\nTab2=C\n[A]\nSpruch=Erster\nZeit=0,25\n[B]\nAnimation=Wave\nSpruch=Zweiter\n"
                  "Zeit=0,5\n[C]\nSpruch=Dritter\nZeit=0,75\n");
    }
};

TEST_F(SayingsTest, TabsComeFromTheNameListAndTheFirstSayingIsShown) {
    dir.write("program/sprueche.ini",
              "[Namen]\nTab0=Morgen\nTab1=empty\nTab2=Abend\nTab4=X\n[Morgen]\nZeit=0,3125\nAnimation=Wave\n"
              "Spruch=Guten Morgen\n[Abend]\nZeit=0,75\nSpruch=Feierabend\n");
    Open();
    EXPECT_EQ(Tabs(), (std::vector<std::string>{"Morgen", "Abend"}));
    EXPECT_EQ(dialog->TabControl1->TabIndex(), 0);
    EXPECT_EQ(dialog->Memo->Lines()->Get(0), "Guten Morgen");
    EXPECT_EQ(dialog->Animationen->Text(), "Wave");
    EXPECT_NEAR(dialog->Time->Time().Val, 0.3125, 1e-6);
    EXPECT_TRUE(dialog->SpruchEntfernen->Enabled());
    EXPECT_EQ(Mark(), 0);

    ClickTab(1);
    EXPECT_EQ(dialog->TabControl1->TabIndex(), 1);
    EXPECT_EQ(dialog->Memo->Lines()->Get(0), "Feierabend");
    // No animation stored: the character blinks.
    EXPECT_EQ(dialog->Animationen->Text(), "Blink");
    EXPECT_NEAR(dialog->Time->Time().Val, 0.75, 1e-6);
    EXPECT_TRUE(shown.empty());
}

using testsupport::ProcessLocale;

TEST_F(SayingsTest, TheShippedSayingsShowTheirTimesUnderTheGermanLocaleAndAreSavedUnchanged) {
    ProcessLocale german("de_DE.UTF-8");
    ASSERT_TRUE(german.ok()) << "de_DE.UTF-8 is not installed (scripts/install-deps generates it)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    std::filesystem::copy_file(ZB_SOURCE_SPRUECHE, dir.path() / "program" / "sprueche.ini");
    Open();
    dialog->Show();
    ASSERT_EQ(Tabs(), (std::vector<std::string>{"Mittag", "Feierabend", "Bewegung"}));
    // The time as the picker shows it to the user.
    auto* picker = Vcl::Detail::HandleWidget(dialog->Time)->findChild<QDateTimeEdit*>();
    ASSERT_NE(picker, nullptr);
    const char* const times[] = {"12:00", "18:00", "15:30"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(times[i]);
        ClickTab(i);
        ASSERT_EQ(dialog->TabControl1->TabIndex(), i);
        EXPECT_EQ(picker->text().toStdString(), times[i]);
        dialog->SpruchSpeichern->Click();
    }
    EXPECT_TRUE(shown.empty());
    // Each saying went back with the time it came with.
    EXPECT_EQ(Ini("Mittag", "Zeit"), "0,5");
    EXPECT_EQ(Ini("Feierabend", "Zeit"), "0,75");
    EXPECT_EQ(Ini("Bewegung", "Zeit"), "0,645833333333333");
    // And nothing else changed: every key of the shipped file reads the same from the saved one.
    TIniFile before(ZB_SOURCE_SPRUECHE), after(dir.file("program/sprueche.ini"));
    TStringList sections, keys;
    before.ReadSections(&sections);
    ASSERT_EQ(sections.Count(), 4);
    for (int i = 0; i < sections.Count(); ++i) {
        before.ReadSection(sections[i], &keys);
        for (int k = 0; k < keys.Count(); ++k)
            EXPECT_EQ(after.ReadString(sections[i], keys[k], "<missing>"), before.ReadString(sections[i], keys[k], ""))
                << sections[i] << " " << keys[k];
    }
    dialog->Hide();
}

TEST_F(SayingsTest, WithoutAFileTheEditorIsEmptyAndTypingStartsANewSaying) {
    Open();
    EXPECT_TRUE(Tabs().empty());
    EXPECT_FALSE(dialog->SpruchEntfernen->Enabled());
    std::string proposed;
    answers.push_back(Name("Kaffee", &proposed));
    Type("K");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(proposed, "Spruch1");
    EXPECT_EQ(Tabs(), std::vector<std::string>{"Kaffee"});
    EXPECT_TRUE(dialog->SpruchEntfernen->Enabled());
    // The first key typed stays.
    Type("affeepause!");
    EXPECT_EQ(dialog->Memo->Lines()->Get(0), "Kaffeepause!");
    EXPECT_EQ(Mark(), 1);
    dialog->Animationen->SetText("Wave");
    dialog->Time->SetTime(SysUtils::EncodeTime(15, 30, 0, 0));
    dialog->SpruchSpeichern->Click();
    EXPECT_EQ(Mark(), 0);
    EXPECT_EQ(Ini("Namen", "Tab0"), "Kaffee");
    EXPECT_EQ(Ini("Kaffee", "Spruch"), "Kaffeepause!");
    EXPECT_EQ(Ini("Kaffee", "Animation"), "Wave");
    // The time of day as a fraction of a day, with the decimal comma.
    EXPECT_EQ(Ini("Kaffee", "Zeit").substr(0, 6), "0,6458");
}

TEST_F(SayingsTest, NewSayingSavesTheCurrentOneAndRefusesUnusableNames) {
    ThreeSayings();
    Open();
    Append(" und mehr");
    std::string proposed;
    answers.push_back(Name("Spruch", &proposed));
    dialog->New->Click();
    EXPECT_EQ(proposed, "Spruch4");
    // The saying shown before was saved first.
    EXPECT_EQ(Ini("A", "Spruch"), "Erster und mehr");
    EXPECT_EQ(Tabs(), (std::vector<std::string>{"A", "B", "C", "Spruch"}));
    EXPECT_EQ(dialog->TabControl1->TabIndex(), 3);
    EXPECT_EQ(dialog->Memo->Text(), "");
    EXPECT_EQ(Mark(), 1);

    // "Spruch1" is a new name even though "Spruch" exists; "spruch" is the same name.
    answers.push_back(Name("Spruch1"));
    dialog->New->Click();
    EXPECT_EQ(Tabs().back(), "Spruch1");
    const std::size_t dialogs = shown.size();
    for (const char* bad : {"spruch", "  ", "Namen", "empty", "[x]", "a=b"}) {
        answers.push_back(Name(bad));
        answers.push_back(Press("OK"));
        dialog->New->Click();
    }
    EXPECT_EQ(Tabs().size(), 5u);
    ASSERT_EQ(shown.size(), dialogs + 12);
    EXPECT_EQ(shown[dialogs + 1], "Dieser Spruch ist bereits enthalten, denken Sie sich bitte einen neuen Namen aus.");
    EXPECT_NE(shown[dialogs + 3].find("Dieser Name kann nicht verwendet werden"), std::string::npos);
    // Cancelling the query adds nothing.
    dialog->New->Click();
    EXPECT_EQ(Tabs().size(), 5u);
    // Names around blanks lose them.
    answers.push_back(Name("  Abend  "));
    dialog->New->Click();
    EXPECT_EQ(Tabs().back(), "Abend");
    dialog->SpruchSpeichern->Click();
    EXPECT_EQ(Ini("Namen", "Tab5"), "Abend");
    EXPECT_EQ(Ini("Abend", "Spruch"), "");
}

TEST_F(SayingsTest, DeletingKeepsTheNameListWholeAndShowsTheNeighbour) {
    ThreeSayings();
    Open();
    ClickTab(1);
    Append(" geaendert");
    EXPECT_EQ(Mark(), 1);
    dialog->SpruchEntfernen->Click();
    EXPECT_EQ(Tabs(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(dialog->TabControl1->TabIndex(), 0);
    // The editor shows the saying now selected, so a save cannot put B's text into A.
    EXPECT_EQ(dialog->Memo->Lines()->Get(0), "Erster");
    EXPECT_EQ(Mark(), 0);
    EXPECT_EQ(Ini("Namen", "Tab0"), "A");
    EXPECT_EQ(Ini("Namen", "Tab1"), "C");
    EXPECT_EQ(Ini("Namen", "Tab2"), "<missing>");
    EXPECT_EQ(Ini("B", "Spruch"), "<missing>");
    EXPECT_EQ(Sayings().find("[B]"), std::string::npos);

    ClickTab(1);
    dialog->SpruchSpeichern->Click();
    EXPECT_EQ(Ini("Namen", "Tab1"), "C");
    EXPECT_EQ(Ini("Namen", "Tab2"), "<missing>");
    EXPECT_EQ(Ini("C", "Spruch"), "Dritter");

    // Deleting the first saying shows the one after it; the last one leaves an empty editor.
    ClickTab(0);
    dialog->SpruchEntfernen->Click();
    EXPECT_EQ(Tabs(), std::vector<std::string>{"C"});
    EXPECT_EQ(dialog->Memo->Lines()->Get(0), "Dritter");
    dialog->SpruchEntfernen->Click();
    EXPECT_TRUE(Tabs().empty());
    EXPECT_FALSE(dialog->SpruchEntfernen->Enabled());
    EXPECT_EQ(dialog->Memo->Text(), "");
    EXPECT_EQ(Ini("Namen", "Tab0"), "<missing>");
    EXPECT_TRUE(shown.empty());

    // With no saying selected, deleting only beeps.
    const unsigned beeps = MMSystem::BeepCount();
    dialog->SpruchEntfernenClick(dialog->SpruchEntfernen);
    EXPECT_EQ(MMSystem::BeepCount(), beeps + 1);
}

TEST_F(SayingsTest, ChangingTabsAsksToSaveAChangedSaying) {
    ThreeSayings();
    Open();
    // Nothing changed: no question.
    ClickTab(2);
    EXPECT_TRUE(shown.empty());
    ClickTab(0);

    Append(" neu");
    answers.push_back(Press("Nein"));
    ClickTab(1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Wollen Sie den aktuellen Spruch erst speichern ?");
    EXPECT_EQ(dialog->TabControl1->TabIndex(), 1);
    EXPECT_EQ(dialog->Memo->Lines()->Get(0), "Zweiter");
    EXPECT_EQ(Ini("A", "Spruch"), "Erster");
    // The saying now shown is unchanged, so the next change asks nothing.
    EXPECT_EQ(Mark(), 0);
    ClickTab(2);
    EXPECT_EQ(shown.size(), 1u);

    dialog->Time->SetTime(0.5);
    dialog->TimeChange(dialog->Time);
    dialog->Animationen->SetText("Surprised");
    answers.push_back(Press("Ja"));
    ClickTab(0);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(Ini("C", "Animation"), "Surprised");
    EXPECT_EQ(Ini("C", "Zeit"), "0,5");
    EXPECT_EQ(dialog->Memo->Lines()->Get(0), "Erster");

    // Closing the dialog with a changed saying asks as well.
    Append("!");
    answers.push_back([this](TModalDialog& d) {
        ASSERT_EQ(d.Form(), dialog.get());
        answers.push_back(Press("Ja"));
        dialog->Ok->Click();
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(shown.back(), "Wollen Sie den aktuellen Spruch erst speichern ?");
    EXPECT_EQ(Ini("A", "Spruch"), "Erster!");
}

TEST_F(SayingsTest, ASayingIsOneLineOfAtMost255Characters) {
    ThreeSayings();
    Open();
    dialog->Memo->SetText("Zeile eins\r\nZeile zwei\r\n");
    dialog->MemoChange(dialog->Memo);
    dialog->SpruchSpeichern->Click();
    EXPECT_EQ(Ini("A", "Spruch"), "Zeile eins Zeile zwei");
    EXPECT_EQ(Ini("B", "Spruch"), "Zweiter");

    std::string longText;
    for (int i = 0; i < 300; ++i) longText += "ä";
    dialog->Memo->SetText(longText);
    dialog->SpruchSpeichern->Click();
    const std::string saved = Ini("A", "Spruch");
    EXPECT_EQ(saved.size(), 255u * 2);
    EXPECT_EQ(saved.substr(0, 4), "ää");
}

TEST_F(SayingsTest, TheEditorIsPaintedBelowItsTabs) {
    ThreeSayings();
    Open();
    dialog->Show();
    QWidget* w = Vcl::Detail::HandleWidget(dialog->TabControl1);
    QImage img(w->size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    w->render(&img);
    // The tab names are drawn in the tab row, and the page frame closes the control at the bottom.
    const TRect tab = dialog->TabControl1->TabRect(0);
    int dark = 0;
    for (int x = tab.Left; x < tab.Right; ++x)
        for (int y = tab.Top; y < tab.Bottom; ++y)
            if (img.pixelColor(x, y).lightness() < 100) ++dark;
    EXPECT_GT(dark, 3);
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(w->width() / 2, w->height() - 1)),
              Graphics::ColorToRGB(clBtnShadow));
    EXPECT_LT(tab.Bottom, dialog->Memo->Top());
    dialog->Hide();
}

// A person clicks "neuen Spruch einfügen", names the saying, clicks into its text and types, then into
// the hours of "Uhrzeit" and types: the keys land there, not on the button pressed before (its space
// would have asked for a name once more).
TEST_F(SayingsTest, AClickIntoTheTextOrTheTimeTakesTheTyping) {
    ThreeSayings();
    Open();
    dialog->Show();
    dialog->PageControl1->SetActivePage(dialog->TabSprueche);
    QWidget* window = Vcl::Detail::HandleWidget(dialog.get());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    answers.push_back(Name("Abendbrot"));
    QTest::mouseClick(Vcl::Detail::HandleWidget(dialog->New), Qt::LeftButton);
    ASSERT_EQ(Tabs().back(), "Abendbrot");
    // The name query has gone: the window manager hands the activation back to the dialog.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    // Keys go to the active window, which hands them to its focus.
    const auto type = [](const char* keys) {
        for (const char* k = keys; *k; ++k) {
            QWindow* active = QGuiApplication::focusWindow();
            if (!active) return ADD_FAILURE() << "no window left to take '" << *k << "'";
            QTest::keyClick(active, *k);
        }
    };
    QTest::mouseClick(Vcl::Detail::HandleWidget(dialog->Memo), Qt::LeftButton, {}, QPoint(30, 30));
    type("Guten Appetit");
    QTest::mouseClick(Vcl::Detail::HandleWidget(dialog->Time), Qt::LeftButton, {}, QPoint(8, 10));
    type("1830");
    Application->ProcessMessages();
    EXPECT_EQ(dialog->Memo->Lines()->Get(0), "Guten Appetit");
    EXPECT_NEAR(dialog->Time->Time().Val, 18.5 / 24, 1e-6);
    EXPECT_EQ(shown.size(), 1u) << "one name query, for the one click on the button";
    dialog->Hide();
}

// ---- colours -----------------------------------------------------------------------------------------------------
class ColourPickerTest : public SayingsTest {
protected:
    void Release(TControl* shape, bool left = true) {
        shape->Perform(left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, left ? MK_LBUTTON : MK_RBUTTON, 5 | (5 << 16));
        shape->Perform(left ? WM_LBUTTONUP : WM_RBUTTONUP, 0, 5 | (5 << 16));
    }
    int Int(const char* name) {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly(TarvolinKey)) return -999;
        int v = -999;
        reg.TryReadInteger(name, v);
        return v;
    }
    void Set(const char* name, int v) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(TarvolinKey, true));
        reg.WriteInteger(name, v);
    }
};

TEST_F(ColourPickerTest, ChosenColourFillsTheShapeAndKeepsTheCustomColours) {
    dir.write("program/Vorlagen/colors.txt", "Transparent\nColorA=FF0000\nColorB=\n");
    Open();
    dialog->Modified = false;
    TColor start = 0, customA = 0, customB = 0;
    answers.push_back([&](TModalDialog& d) {
        start = d.Color();
        customA = d.CustomColor(0);
        customB = d.CustomColor(1);
        d.SetColor(TColor(0x0000FF00));
        d.SetCustomColor(2, TColor(0x00123456));
        d.Press("OK");
    });
    Release(dialog->btnColor4);
    ASSERT_EQ(shown.size(), 1u);
    // No weekend colour stored: the dialog starts at red.
    EXPECT_EQ(start, TColor(0x000000FF));
    // Blue in the third byte: "ff0000" is pure blue.
    EXPECT_EQ(customA, TColor(0x00FF0000));
    EXPECT_EQ(customB, -1);
    EXPECT_EQ(Int("WeekendColor"), 0x0000FF00);
    // The shape is painted in the new colour.
    QImage img(dialog->btnColor4->Width(), dialog->btnColor4->Height(), QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter painter(&img);
        dialog->btnColor4->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
    }
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(12, 12)), TColor(0x0000FF00));
    EXPECT_TRUE(dialog->Modified);
    EXPECT_EQ(dir.read("program/Vorlagen/colors.txt"), "Transparent\r\nColorA=ff0000\r\nColorB=\r\nColorC=123456\r\n");

    // The right button does nothing.
    Release(dialog->btnColor1, false);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(ColourPickerTest, TransparencyEndsOnlyWithAChosenColour) {
    Set("BackgroundColorDays", 0x00C0C0C0);
    Set("BackgroundColorDaysTransparent", 1);
    Set("BackgroundColorTodayTransparent", 1);
    Open();
    ASSERT_TRUE(dialog->CheckBoxTransp1->Checked());
    TColor start = 0;
    answers.push_back([&](TModalDialog& d) {
        start = d.Color();
        d.Press("Abbrechen");
    });
    Release(dialog->btnColor1);
    EXPECT_EQ(start, TColor(0x00C0C0C0));
    EXPECT_EQ(Int("BackgroundColorDaysTransparent"), 1);
    EXPECT_TRUE(dialog->CheckBoxTransp1->Checked());
    // The list is kept even without a colours file before.
    EXPECT_EQ(dir.read("program/Vorlagen/colors.txt"), "Transparent\r\n");

    answers.push_back([](TModalDialog& d) {
        d.SetColor(TColor(0x00ABCDEF));
        d.Press("OK");
    });
    Release(dialog->btnColor3);
    EXPECT_EQ(Int("BackgroundColorToday"), 0x00ABCDEF);
    EXPECT_EQ(Int("BackgroundColorTodayTransparent"), 0);
    EXPECT_FALSE(dialog->CheckBoxTransp3->Checked());
    EXPECT_TRUE(dialog->CheckBoxTransp1->Checked());
    EXPECT_EQ(dialog->btnColor3->Color(), TColor(0x00ABCDEF));
}

TEST_F(ColourPickerTest, WithoutTheSettingsKeyNoDialogOpensButTheListIsSaved) {
    Open();
    TRegistry reg;
    ASSERT_TRUE(reg.DeleteKey(TarvolinKey));
    dir.write("program/Vorlagen/colors.txt", "ColorP=0a0b0c\n");
    Release(dialog->btnColor1);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(dir.read("program/Vorlagen/colors.txt"), "ColorP=0a0b0c\r\n");
    EXPECT_TRUE(dialog->Modified);
}

} // namespace
