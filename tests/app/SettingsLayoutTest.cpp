// The settings dialog as a person sees it: painted offscreen tab by tab, every caption fits its
// control (measured with the control's own font), and no control runs into a neighbour or past the
// edge of the control that holds it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QTest>
#include <QWidget>

#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Menus.h"
#include "Registry.h"
#include "GraphicsQt.h"
#include "SysUtils.h"
#include "TarvolinEinstellung.h"
#include "TempDir.h"
#include "VclPrivate.h"

namespace {

class SettingsLayoutTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedEnv registry{"ZORBELIN_REGISTRY", dir.file("registry")};
    SettingsVoices::TVoiceSource voices;
    std::unique_ptr<TEinstellungen> dialog;

    void SetUp() override {
        voices = SettingsVoices::SetVoiceSource([] {
            return std::vector<TVoiceEntry>{{"Deutsch (espeak-ng, Stimme 1)", "de-1"}};
        });
        std::filesystem::create_directories(dir.path() / "registry");
        std::filesystem::create_directories(dir.path() / "program");
        SysUtils::SetProgramFolder(dir.str() + "program/");
        Dialogs::SetDialogAnswerer([](TModalDialog& d) { d.Press("Abbrechen"); });
    }
    // The settings key as the main window leaves it after its first start, with one saying.
    void FreshProfile() {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin\\Tarvolin", true));
        reg.WriteInteger("CharacterUsed", 1);
        dir.write("program/Vorlagen/design.ini", "[Standard]\nHaupt=haupt.zbn\n[Blau]\nHaupt=blau.zbn\n");
        reg.WriteString("Design", "Standard");
        dir.write("program/sprueche.ini", "[Namen]\nTab0=Feierabend\n[Feierabend]\nSpruch=Zeit für den Feierabend!\nZeit=0,75\n");
    }
    void TearDown() override {
        dialog.reset();
        Dialogs::SetDialogAnswerer(nullptr);
        SettingsVoices::SetVoiceSource(voices);
        SysUtils::SetProgramFolder("");
    }

    // The dialog as it looks with the given tab in front; saved as a picture when the environment
    // names a folder for it.
    QImage Paint(TTabSheet* Sheet, const char* Name) {
        dialog->PageControl1->SetActivePage(Sheet);
        Application->ProcessMessages();
        const QImage image = Vcl::Detail::HandleWidget(dialog.get())->grab().toImage();
        const char* folder = std::getenv("ZB_SCREENSHOTS");
        if (folder && Name)
            image.save(QString::fromStdString(std::string(folder) + "/einstellungen-" + Name + ".png"));
        return image;
    }
};

struct Measure {
    TCanvas canvas;
    explicit Measure(TControl* c) { canvas.SetFont(c->Font()); }
    int Width(const AnsiString& s) { return canvas.TextWidth(s); }
    int Height(const AnsiString& s) { return canvas.TextHeight(s.empty() ? AnsiString("Wg") : s); }
};

std::string Where(TControl* c) {
    std::string path;
    for (TControl* p = c; p; p = p->Parent()) path = (p->Name().empty() ? "?" : p->Name()) + (path.empty() ? "" : "/" + path);
    return path + " \"" + c->Caption() + "\"";
}

// What of the control's caption would be cut off, in pixels (0 when it fits).
int Overflow(TControl* c) {
    Measure m(c);
    const AnsiString text = c->Caption();
    if (text.empty()) return 0;
    int need = 0;
    if (dynamic_cast<TLabel*>(c)) need = m.Width(text);
    // The glyph box is as wide as the glyph strip is high, the caption starts 2 pixels after it and
    // keeps 1 pixel on each side.
    else if (dynamic_cast<TdxfCheckBox*>(c)) need = 18 + 2 + 1 + m.Width(text) + 1;
    else if (dynamic_cast<TButton*>(c)) need = m.Width(Menus::StripHotkey(text)) + 8;
    else if (dynamic_cast<TdxfGroupBox*>(c)) need = 8 + m.Width(text) + 8;
    else return 0;
    const int across = need - c->Width();
    const int down = m.Height(text) - c->Height();
    return std::max({0, across, down});
}

void CheckChildren(TWinControl* parent, std::vector<std::string>& faults) {
    std::vector<TControl*> shown;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!c->Visible() && !dynamic_cast<TTabSheet*>(c)) continue;
        if (const int cut = Overflow(c)) faults.push_back(Where(c) + " cuts off " + std::to_string(cut) + " px");
        const TRect r = c->BoundsRect();
        const TRect area = parent->ClientRect();
        if (r.Left < area.Left || r.Top < area.Top || r.Right > area.Right || r.Bottom > area.Bottom)
            faults.push_back(Where(c) + " runs past its parent");
        if (!dynamic_cast<TTabSheet*>(c)) {
            for (TControl* o : shown) {
                const TRect q = o->BoundsRect();
                if (r.Left < q.Right && q.Left < r.Right && r.Top < q.Bottom && q.Top < r.Bottom)
                    faults.push_back(Where(c) + " overlaps " + Where(o));
            }
            shown.push_back(c);
        }
        // The dialog's own containers; the inner parts of a composite control are its own business.
        if (dynamic_cast<TdxfGroupBox*>(c) || dynamic_cast<TTabSheet*>(c) || dynamic_cast<TTabControl*>(c) ||
            dynamic_cast<TPanel*>(c))
            CheckChildren(static_cast<TWinControl*>(c), faults);
    }
}

TEST_F(SettingsLayoutTest, ThreeTabsOverTheOkPanelAndNothingIsCutOff) {
    FreshProfile();
    dialog = std::make_unique<TEinstellungen>(nullptr);
    dialog->Show();
    ASSERT_EQ(dialog->PageControl1->PageCount(), 3);
    EXPECT_EQ(dialog->PageControl1->Pages(0)->Caption(), "Ansicht");
    EXPECT_EQ(dialog->PageControl1->Pages(1)->Caption(), "Microsoft® Agent ");
    EXPECT_EQ(dialog->PageControl1->Pages(2)->Caption(), "Selbstdefinierte Sprüche:");
    EXPECT_EQ(dialog->GroupBoxAnsicht->Parent(), dialog->TabAnsicht);
    EXPECT_EQ(dialog->GroupBoxAnsicht->Caption(), "Ansicht:");
    EXPECT_EQ(dialog->GroupBoxFenster->Parent(), dialog->TabAnsicht);
    EXPECT_EQ(dialog->GroupBoxFenster->Caption(), "");
    EXPECT_LT(dialog->GroupBoxAnsicht->Left(), dialog->GroupBoxFenster->Left());
    EXPECT_EQ(dialog->GroupBoxAgent->Parent(), dialog->TabAgent);
    EXPECT_EQ(dialog->TabControl1->Parent(), dialog->TabSprueche);
    EXPECT_EQ(dialog->Ok->Parent(), dialog->PanelUnten);
    EXPECT_EQ(dialog->Ok->Hint(), "Speichern und beenden");
    EXPECT_EQ(dialog->PanelUnten->Align(), alBottom);
    // The dialog fits a small screen's work area.
    EXPECT_LE(dialog->Width(), 800);
    EXPECT_LE(dialog->Height(), 560);

    // Every tab is readable in the tab row.
    for (int i = 0; i < 3; ++i) {
        const TRect tab = dialog->PageControl1->TabRect(i);
        Measure m(dialog->PageControl1);
        EXPECT_GE(tab.Width(), m.Width(dialog->PageControl1->Pages(i)->Caption())) << i;
        EXPECT_LE(tab.Right, dialog->PageControl1->Width()) << i;
    }

    const struct {
        TTabSheet* sheet;
        const char* name;
    } tabs[] = {{dialog->TabAnsicht, "ansicht"}, {dialog->TabAgent, "figur"}, {dialog->TabSprueche, "sprueche"}};
    for (const auto& t : tabs) {
        const QImage image = Paint(t.sheet, t.name);
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(t.sheet->Showing());
        for (const auto& other : tabs) {
            if (other.sheet != t.sheet) {
                EXPECT_FALSE(other.sheet->Showing()) << t.name;
            }
        }
    }
    std::vector<std::string> faults;
    CheckChildren(dialog.get(), faults);
    dialog->Hide();

    // The font picker likewise.
    TSchriftDialog* picker = dialog->FontDialog1;
    picker->SetChosenFont("DejaVu Sans", 10, clNavy);
    picker->Show();
    Application->ProcessMessages();
    const QImage image = Vcl::Detail::HandleWidget(picker)->grab().toImage();
    if (const char* folder = std::getenv("ZB_SCREENSHOTS"))
        image.save(QString::fromStdString(std::string(folder) + "/schriftart.png"));
    CheckChildren(picker, faults);
    picker->Hide();
    for (const auto& f : faults) ADD_FAILURE() << f;
}

TEST_F(SettingsLayoutTest, TheSoundButtonShowsItsPicture) {
    FreshProfile();
    dialog = std::make_unique<TEinstellungen>(nullptr);
    dialog->Show();
    Paint(dialog->TabAnsicht, nullptr);
    TdxfPictureButton* button = dialog->dxfPictureButton7;
    EXPECT_TRUE(button->Showing());
    EXPECT_EQ(button->Width(), 26);
    EXPECT_EQ(button->Height(), 26);
    EXPECT_EQ(button->Style(), dxfFlat);
    EXPECT_EQ(button->Dither()->Style(), dxfDitherBlend);
    // Painted on the screen, the button shows dark picture pixels over the group's face.
    const QImage image = Vcl::Detail::HandleWidget(button)->grab().toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).lightness() < 110) ++dark;
    EXPECT_GT(dark, 30);
    // The same holds for the button that opens the voice's settings.
    EXPECT_FALSE(dialog->dxfPictureButton8->Glyph()->Empty());
    dialog->Hide();
}

} // namespace

namespace {

// The darkest grey inside the control as painted, 0 (black) .. 255 (white).
int Darkest(TControl* c) {
    const QImage image = Vcl::Detail::HandleWidget(c)->grab().toImage();
    if (const char* folder = std::getenv("ZB_SCREENSHOTS"))
        image.save(QString::fromStdString(std::string(folder) + "/" + c->Name() + ".png"));
    int darkest = 255;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x) darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

} // namespace

TEST_F(SettingsLayoutTest, TheCharacterButtonsAreAndLookDisabledWhileTheCharacterIsOff) {
    FreshProfile();
    dialog = std::make_unique<TEinstellungen>(nullptr);
    dialog->Show();
    Paint(dialog->TabAgent, nullptr);
    int clicks = 0;
    const std::vector<TControl*> buttons{dialog->StandardAgent, dialog->AgentAtFileSystem, dialog->dxfPictureButton8};
    dialog->StandardAgent->OnClick = [&](TObject*) { ++clicks; };
    dialog->AgentAtFileSystem->OnClick = [&](TObject*) { ++clicks; };
    dialog->dxfPictureButton8->OnClick = [&](TObject*) { ++clicks; };
    QWidget* box = Vcl::Detail::HandleWidget(dialog->CheckBoxAgentUsed);
    auto clickOn = [](TControl* c) {
        QWidget* w = Vcl::Detail::HandleWidget(c);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
        Application->ProcessMessages();
    };
    ASSERT_TRUE(dialog->CheckBoxAgentUsed->Checked());
    for (TControl* b : buttons) EXPECT_LT(Darkest(b), 60) << b->Name() << ": black caption while switched on";

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(10, box->height() / 2));
    Application->ProcessMessages();
    ASSERT_FALSE(dialog->CheckBoxAgentUsed->Checked());
    Paint(dialog->TabAgent, "figur-aus");
    for (TControl* b : buttons) {
        EXPECT_FALSE(b->Enabled()) << b->Name();
        // A greyed caption: nothing near black is left.
        EXPECT_GT(Darkest(b), 90) << b->Name() << ": looks enabled while switched off";
        clickOn(b);
    }
    EXPECT_EQ(clicks, 0);

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(10, box->height() / 2));
    Application->ProcessMessages();
    ASSERT_TRUE(dialog->CheckBoxAgentUsed->Checked());
    for (TControl* b : buttons) {
        EXPECT_TRUE(b->Enabled()) << b->Name();
        EXPECT_LT(Darkest(b), 60) << b->Name();
        clickOn(b);
    }
    EXPECT_EQ(clicks, 3);
    dialog->Hide();
}
