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

} // namespace
