// The server's own dialogs, answered through the library's dialog seam.
#include "AgentDialogs.h"
#include "ComboBoxes.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "ListBoxes.h"
#include "Registry.h"
#include "SpeechTestSupport.h"
#include "StdCtrls.h"

using namespace speechtest;

namespace {

class ServerDialogs : public WithServer {
protected:
    void TearDown() override {
        Dialogs::SetDialogAnswerer(nullptr);
        WithServer::TearDown();
    }
};

} // namespace

TEST_F(ServerDialogs, ChooserListsThePackagesAndStoresTheChoice) {
    std::string text = dir.read("Figuren/eulalia.acp");
    text.replace(text.find("Name=Eulalia"), 12, "Name=Adele");
    dir.write("Figuren/adele.acp", text);
    dir.write("Figuren/kaputt.acp", "[Figur]\nName=Kaputt\n");

    std::string caption;
    std::vector<std::string> rows;
    int previewWidth = 0;
    std::string hint;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        caption = d.Caption();
        if (auto* label = dynamic_cast<TLabel*>(d.Form()->FindComponent("Hinweis"))) hint = label->Caption();
        auto* list = dynamic_cast<TListBox*>(d.Form()->FindComponent("Figuren"));
        auto* preview = dynamic_cast<TImage*>(d.Form()->FindComponent("Vorschau"));
        ASSERT_TRUE(list && preview);
        for (int i = 0; i < list->Count(); ++i) rows.push_back(list->Items()->Strings(i));
        EXPECT_EQ(list->ItemIndex(), 0) << "the default, the first package";
        list->SetItemIndex(1);
        list->OnClick(list);
        previewWidth = preview->Picture()->Width();
        d.Press("OK");
    });
    EXPECT_EQ(server->ShowDefaultCharacterProperties(0, 0, true), Agent::S_OK);
    EXPECT_EQ(caption, "Standardfigur");
    EXPECT_EQ(rows, (std::vector<std::string>{"Adele (adele.acp)", "Eulalia (eulalia.acp)"}))
        << "a broken package is not offered";
    EXPECT_EQ(hint, "Die Figur \"kaputt.acp\" wurde nicht geladen: Name oder Größe fehlen.")
        << "the user learns why a package is missing";
    EXPECT_EQ(previewWidth, 128);
    EXPECT_EQ(Agent::Detail::DefaultCharacterPath(), ShippedPackage());

    // Cancelled: the choice stays.
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        dynamic_cast<TListBox*>(d.Form()->FindComponent("Figuren"))->SetItemIndex(0);
        d.Press("Abbrechen");
    });
    server->ShowDefaultCharacterProperties(10, 10, false);
    EXPECT_EQ(Agent::Detail::DefaultCharacterPath(), ShippedPackage());
}

TEST_F(ServerDialogs, OutputSettingsAreStoredAndRead) {
    const Agent::Detail::OutputSettings defaults = Agent::Detail::ReadOutputSettings();
    EXPECT_EQ(defaults.rate, 175);
    EXPECT_EQ(defaults.volume, 100);
    EXPECT_TRUE(defaults.balloon);

    std::string caption;
    std::vector<AnsiString> buttons;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        caption = d.Caption();
        buttons = d.Buttons();
        auto* tempo = dynamic_cast<TComboBox*>(d.Form()->FindComponent("Tempo"));
        auto* volume = dynamic_cast<TComboBox*>(d.Form()->FindComponent("Lautstaerke"));
        auto* balloon = dynamic_cast<TComboBox*>(d.Form()->FindComponent("Sprechblase"));
        ASSERT_TRUE(tempo && volume && balloon);
        EXPECT_EQ(tempo->Items()->Strings(tempo->ItemIndex()), "normal");
        tempo->SetItemIndex(4);
        volume->SetItemIndex(2);
        balloon->SetItemIndex(1);
        d.Press("OK");
    });
    EXPECT_EQ(server->ShowOutputProperties(), Agent::S_OK);
    EXPECT_EQ(caption, "Ausgabe");
    EXPECT_EQ(buttons, (std::vector<AnsiString>{"OK", "Abbrechen"}));
    const Agent::Detail::OutputSettings s = Agent::Detail::ReadOutputSettings();
    EXPECT_EQ(s.rate, 280);
    EXPECT_EQ(s.volume, 60);
    EXPECT_FALSE(s.balloon);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin\\Figur", false));
    EXPECT_EQ(reg.ReadInteger("Sprechtempo"), 280);

    // The dialog shows what is stored; cancelling writes nothing.
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        auto* tempo = dynamic_cast<TComboBox*>(d.Form()->FindComponent("Tempo"));
        EXPECT_EQ(tempo->ItemIndex(), 4);
        tempo->SetItemIndex(0);
        d.Press("Abbrechen");
    });
    server->ShowOutputProperties();
    EXPECT_EQ(Agent::Detail::ReadOutputSettings().rate, 280);
}
