#include "CalendarFixture.h"

using namespace caltest;

namespace {

class Designs : public CalendarTest {
protected:
    std::unique_ptr<TTarvolinDatenModul> Module() {
        return std::make_unique<TTarvolinDatenModul>(nullptr, &host);
    }
    std::string Folder() const { return dir.str() + "vorlagen\\"; }
};

} // namespace

TEST_F(Designs, NoDesignIniMeansStandardWithDefaultNames) {
    WriteDesign(Design());
    auto module = Module();
    Drain();
    EXPECT_FALSE(module->TemplatesMissing());
    EXPECT_EQ(module->TemplateDir, Folder());
    EXPECT_EQ(module->HauptTemplate, Folder() + "haupt.zbn");
    EXPECT_EQ(module->MonatTemplate, Folder() + "monat.zbn");
    EXPECT_EQ(module->TagTemplate, Folder() + "tag.zbn");
    EXPECT_EQ(module->WocheTemplate, Folder() + "woche.zbn");
    EXPECT_EQ(module->XtageTemplate, Folder() + "xtage.zbn");
    EXPECT_EQ(module->XtageTagTemplate, Folder() + "xtagetag.zbn");
    EXPECT_EQ(module->PageProducerHaupt->HTMLFile(), module->HauptTemplate);
    EXPECT_EQ(module->PageProducerTarvolinMonat->HTMLFile(), module->MonatTemplate);
    EXPECT_EQ(module->PageProducerTag->HTMLFile(), module->TagTemplate);
    EXPECT_EQ(module->PageProducerXtageTag->HTMLFile(), module->XtageTagTemplate);
    // A missing "Design" is written as the standard design.
    EXPECT_EQ(StringSetting("Design"), "Standard");
    const std::vector<std::string> splash = {"Vorlagen laden...", module->HauptTemplate,
                                             module->MonatTemplate, module->TagTemplate,
                                             module->XtageTagTemplate, "Tarvolin erzeugen..."};
    EXPECT_EQ(host.splash, splash);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.log, "");
}

TEST_F(Designs, ChosenDesignIsFoundWhateverItsCase) {
    WriteDesign(Design());
    dir.write("Vorlagen/blau.zbn", "blau");
    dir.write("Vorlagen/design.ini",
              "[Standard]\nhaupt=haupt.zbn\n\n[Blau]\nhaupt = blau.zbn\nmonat=monat.zbn\n");
    SetSetting("Design", "BLAU");
    auto module = Module();
    EXPECT_EQ(module->HauptTemplate, Folder() + "blau.zbn");
    // Keys the section does not name take their default file names.
    EXPECT_EQ(module->XtageTemplate, Folder() + "xtage.zbn");
    EXPECT_EQ(module->TagTemplate, Folder() + "tag.zbn");
    EXPECT_EQ(StringSetting("Design"), "BLAU");
}

TEST_F(Designs, UnknownDesignFallsBackToStandardWithoutTouchingTheSetting) {
    WriteDesign(Design());
    dir.write("Vorlagen/eigen.zbn", "eigen");
    dir.write("Vorlagen/design.ini", "[Standard]\nhaupt=eigen.zbn\n[Gruen]\nhaupt=gruen.zbn\n");
    SetSetting("Design", "Rot");
    auto module = Module();
    EXPECT_EQ(module->HauptTemplate, Folder() + "eigen.zbn");
    EXPECT_EQ(StringSetting("Design"), "Rot");
    EXPECT_FALSE(module->TemplatesMissing());
}

TEST_F(Designs, MissingFrameTemplateStillLoads) {
    Design design;
    design.woche.clear();
    design.xtage.clear();
    WriteDesign(design);
    auto module = Module();
    Drain();
    EXPECT_FALSE(module->TemplatesMissing());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.closeRequests.empty());
}

TEST_F(Designs, MissingDayTemplateShowsTheMessageAndClosesWithExitCodeOne) {
    Design design;
    design.xtagetag.clear();
    WriteDesign(design);
    auto module = Module();
    EXPECT_TRUE(module->TemplatesMissing());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Eine oder mehrere der Vorlagen wurden nicht gefunden");
    // The close request is queued, never run inside the build.
    EXPECT_TRUE(host.closeRequests.empty());
    Drain();
    EXPECT_EQ(host.closeRequests, std::vector<int>{1});
    EXPECT_EQ(host.offMainThread, 0);
}

TEST_F(Designs, ConnectionToAMissingDatabaseFails) {
    WriteDesign(Design());
    host.connectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.file("fehlt.mde");
    EXPECT_THROW(Module(), std::exception);
}

TEST_F(Designs, ModuleConnectionIsReadOnly) {
    WriteDesign(Design());
    auto module = Module();
    EXPECT_TRUE(module->ADOConnection->Connected());
    TADODataSet count(nullptr);
    count.SetConnection(module->ADOConnection);
    count.SetCommandText("select count(*) from termine");
    count.Open();
    EXPECT_EQ(count.Fields()->Fields(0)->AsInteger(), 0);
    EXPECT_THROW(module->ADOConnection->Execute("delete from termine"), std::exception);
}
