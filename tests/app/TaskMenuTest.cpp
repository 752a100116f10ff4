// The task window opened from the main window's menu.
#include "AppFixture.h"

#include "Aufgaben1.h"

using namespace apptest;

namespace {
class TaskMenu : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Application->Initialize();
    }
};
} // namespace

TEST_F(TaskMenu, TheMainMenuOpensTheWindowModallyOverTheCalendarsDatabase) {
    CountingForm form(nullptr);
    form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(LayOutDatabase()));
    bool open = false;
    bool itemEnabled = true;
    // Left unanswered, the window is closed again.
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        if (auto* tasks = dynamic_cast<TAufgaben*>(d.Form()))
            open = tasks->ADODataSetAufgaben->Active() && tasks->Caption() == "Aufgaben Zorbelin";
        itemEnabled = form.Tray().Aufgaben1->Enabled;
    });
    form.Tray().Aufgaben1->Click();
    EXPECT_TRUE(open);
    EXPECT_FALSE(itemEnabled);
    EXPECT_TRUE(form.Tray().Aufgaben1->Enabled);
    // Closing the modal window saved the widths.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Hallowerk\\Zorbelin\\Aufgaben"));
    EXPECT_EQ(reg.ReadInteger("AGCol1"), 200);
}
