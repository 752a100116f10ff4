#include "CalendarFixture.h"

#include <filesystem>

#include "StrangeFiles.h"

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
    // The module tells nobody; the build's result does, once the build has ended.
    Drain();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.closeRequests.empty());
    Build(D(2007, 3, 15), vmMonth);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Eine oder mehrere der Vorlagen wurden nicht gefunden"});
    EXPECT_EQ(host.closeRequests, std::vector<int>{1});
    EXPECT_TRUE(host.pages.empty());
    EXPECT_EQ(host.offMainThread, 0);
}

// Something else under a template's name (a FIFO nobody writes to, a link to /dev/zero, a file far
// larger than templates are) is neither waited for nor read: the build of that view ends at once
// without a page, and the user hears why once. A design file that is none reads as empty.
TEST_F(Designs, TemplatesThatAreNotWhatTheyClaimAreNeitherWaitedForNorRead) {
    std::vector<std::string> refused;
    SysUtils::SetRefusedFileHandler([&](const SysUtils::EFileRefused& e) { refused.push_back(e.FileName); });
    WriteDesign(Design());
    const std::string woche = dir.file("Vorlagen/woche.zbn"), xtage = dir.file("Vorlagen/xtage.zbn"),
                      monat = dir.file("Vorlagen/monat.zbn"), designIni = dir.file("Vorlagen/design.ini");
    for (const std::string& f : {woche, xtage, monat}) std::filesystem::remove(f);
    ASSERT_TRUE(testsupport::MakeFifo(woche));
    ASSERT_TRUE(testsupport::MakeZeroLink(xtage));
    ASSERT_TRUE(testsupport::MakeSparse(monat, 1ll << 30));
    ASSERT_TRUE(testsupport::MakeFifo(designIni));
    const struct {
        int view;
        std::string file;
    } views[] = {{vmWeek, "woche.zbn"}, {vmXDays, "xtage.zbn"}, {vmMonth, "monat.zbn"}};
    for (const auto& v : views) {
        SCOPED_TRACE(v.file);
        host.messages.clear();
        const auto call = testsupport::Guarded(
            [&] {
                Build(D(2024, 5, 15), v.view);
                Build(D(2024, 5, 16), v.view);
            },
            {woche, designIni});
        ASSERT_TRUE(call.returned) << "the build waited for a writer";
        EXPECT_LT(call.bytesRead, 4 << 20);
        EXPECT_TRUE(host.pages.empty());
        ASSERT_EQ(host.messages.size(), 1u) << "told once";
        EXPECT_EQ(host.messages[0], "Der Kalender konnte nicht aufgebaut werden. Eine Datei des Designs kann nicht "
                                    "gelesen werden. (Datei \"" + dir.str() + "vorlagen\\" + v.file + "\")");
    }
    EXPECT_EQ(refused, std::vector<std::string>{designIni});
    // The same design with real templates builds again.
    std::filesystem::remove(woche);
    dir.write("Vorlagen/woche.zbn", "WOCHE <#KW>");
    Build(D(2024, 5, 15), vmWeek);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_NE(host.pages[0].find("WOCHE"), std::string::npos) << host.pages[0];
    SysUtils::SetRefusedFileHandler(nullptr);
}

// Names in the design file lead only to templates inside the template folder: not by "..", not by
// a link that leads out. A main template outside counts as missing; a frame outside is not read.
TEST_F(Designs, TemplateNamesLeadOnlyIntoTheTemplateFolder) {
    WriteDesign(Design());
    dir.write("aussen.zbn", "GEHEIM");
    dir.write("Vorlagen/Blau/woche.zbn", "BLAUE WOCHE");
    std::filesystem::create_symlink(dir.file("aussen.zbn"), dir.file("Vorlagen/verweis.zbn"));
    const std::string climb = "../../../../../../../../../../.." + dir.file("aussen.zbn");
    for (const std::string& outside : {std::string("../aussen.zbn"), climb, std::string("verweis.zbn")}) {
        SCOPED_TRACE(outside);
        dir.write("Vorlagen/design.ini", "[Standard]\nhaupt=" + outside + "\n");
        host.messages.clear();
        host.closeRequests.clear();
        host.pages.clear();
        Build(D(2024, 5, 15), vmWeek);
        EXPECT_TRUE(host.pages.empty());
        EXPECT_EQ(host.messages, std::vector<std::string>{"Eine oder mehrere der Vorlagen wurden nicht gefunden"});
        EXPECT_EQ(host.closeRequests, std::vector<int>{1});

        dir.write("Vorlagen/design.ini", "[Standard]\nwoche=" + outside + "\n");
        host.messages.clear();
        host.closeRequests.clear();
        Build(D(2024, 5, 15), vmWeek);
        EXPECT_TRUE(host.pages.empty());
        EXPECT_TRUE(host.closeRequests.empty());
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].rfind("Der Kalender konnte nicht aufgebaut werden. Eine Datei des Designs kann "
                                         "nicht gelesen werden.", 0), 0u) << host.messages[0];
        host.reportedFailure.clear();
    }
    // A folder inside the template folder is the design's own.
    dir.write("Vorlagen/design.ini", "[Standard]\nwoche=Blau/woche.zbn\n");
    Build(D(2024, 5, 15), vmWeek);
    ASSERT_EQ(host.pages.size(), 1u);
    EXPECT_NE(host.pages[0].find("BLAUE WOCHE"), std::string::npos);
    EXPECT_EQ(host.pages[0].find("GEHEIM"), std::string::npos);
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
