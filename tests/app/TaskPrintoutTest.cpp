// The printout of the task window over the task table of a real database file: the page as laid
// out (texts and millimetres), page breaks, the printed priority and status texts, and the menu's
// way through the printer dialog to a PDF file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "ADODB.h"
#include "Aufgaben1.h"
#include "AufgabenDrucken.h"
#include "DBTodoList.h"
#include "Dialogs.h"
#include "Menus.h"
#include "TempDir.h"

namespace {

TDateTime D(Word y, Word m, Word d, double hours = 0) {
    return TDateTime(double(SysUtils::EncodeDate(y, m, d)) + hours / 24.0);
}

std::string Num(TDateTime t) {
    // SQL takes the number with '.', whatever the process locale is.
    return SysUtils::FloatToCText(t.Val, 8, true);
}

int PdfPages(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string pdf((std::istreambuf_iterator<char>(in)), {});
    if (pdf.rfind("%PDF-", 0) != 0) return -1;
    const std::regex page(R"(/Type\s*/Page(?![a-zA-Z]))");
    return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

class TaskPrintout : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedEnv registry{"ZORBELIN_REGISTRY", dir.file("registry")};
    std::unique_ptr<TAufgaben> window;
    std::vector<std::string> dialogs;

    void SetUp() override {
        Application->Initialize();
        std::filesystem::create_directories(dir.path() / "registry");
        std::filesystem::create_directories(dir.path() / "program" / "DB");
        SysUtils::SetProgramFolder(dir.str() + "program/");
        SysUtils::SetClock([] { return D(2026, 12, 7, 12); });
        std::filesystem::copy_file(ZB_SAMPLE_DATABASE, dir.path() / "program" / "DB" / "zorbelin.mde");
        Execute("DELETE FROM Aufgaben");
    }
    void TearDown() override {
        window.reset();
        Dialogs::SetDialogAnswerer(nullptr);
        SysUtils::ResetClock();
        SysUtils::SetProgramFolder("");
    }

    std::string Connection() const {
        return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.str() + "program/DB/zorbelin.mde;"
               "Persist Security Info=False";
    }
    void Execute(const std::string& sql) {
        TADOConnection c(nullptr);
        c.SetConnectionString(Connection());
        c.SetLoginPrompt(false);
        c.Open();
        c.Execute(sql);
    }
    void AddTask(const std::string& subject, const std::string& memo, TDateTime due, const std::string& priority,
                 const std::string& status, const std::string& key) {
        Execute("INSERT INTO Aufgaben (Betreff, Memo, Fertig, Eingefuegt, ProzentFertig, FertigDatum, Prioritaet, "
                "Status, [Key]) VALUES ('" + subject + "', '" + memo + "', 0, " + Num(D(2026, 12, 1)) + ", 0, " +
                Num(due) + ", " + priority + ", " + status + ", '" + key + "')");
    }
    void AddTasks(int n) {
        for (int i = 1; i <= n; ++i)
            AddTask("Aufgabe " + std::to_string(i), "", D(2026, 12, 10), "2", "0", "n" + std::to_string(i));
    }
    TAufgaben* Open() {
        window = std::make_unique<TAufgaben>(nullptr);
        window->ADODataSetAufgaben->SetConnectionString(Connection());
        window->Show();
        return window.get();
    }
    // A printout's form is still there (each printing makes its own).
    static bool PrintoutOpen() {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (dynamic_cast<TAufgabenDrucken*>(Screen->Forms(i))) return true;
        return false;
    }
    // The printout laid out over the open task window's data set.
    std::unique_ptr<TAufgabenDrucken> Prepared() {
        auto printout = std::make_unique<TAufgabenDrucken>(nullptr);
        printout->QuickRep1->SetDataSet(window->ADODataSetAufgaben);
        printout->QuickRep1->Prepare();
        return printout;
    }
    static std::vector<TQRPageItem> ItemsOf(const TQRPreparedPage& page, const TComponent* source,
                                            TQRPageItem::TKind kind = TQRPageItem::ikText) {
        std::vector<TQRPageItem> out;
        for (const TQRPageItem& item : page.Items)
            if (item.Source == source && item.Kind == kind) out.push_back(item);
        return out;
    }
    static std::vector<std::string> Texts(const TQRPreparedPage& page, const TComponent* source) {
        std::vector<std::string> out;
        for (const TQRPageItem& item : ItemsOf(page, source)) out.push_back(item.Text);
        return out;
    }
};

} // namespace

TEST_F(TaskPrintout, EveryTaskPrintsInTableOrderUnderUnderlinedHeadings) {
    AddTask("Steuer", "Belege sammeln\r\nund sortieren", D(2026, 12, 10, 8), "3", "2", "k1");
    AddTask("Brief", "", D(2026, 12, 24), "4", "1", "k2");
    AddTask("Anruf", "Oma", D(2026, 12, 7, 18.5), "0", "0", "k3");
    Open();
    auto p = Prepared();
    TQuickRep* rep = p->QuickRep1;
    EXPECT_EQ(rep->ReportTitle, "Aufgaben");
    EXPECT_EQ(rep->Page()->Orientation, poLandscape);
    ASSERT_EQ(rep->PageCount(), 1);
    const TQRPreparedPage& page = rep->Pages()[0];

    // Headings on the column header band: 10 mm left margin plus the field's left, 5 mm from the top.
    struct Heading {
        TQRLabel* label;
        const char* text;
        double left, width;
    };
    for (const Heading& h : {Heading{p->QRLabel1, "Betreff", 0.26, 87.31}, Heading{p->QRLabel2, "Aufgabe", 89.16, 104.25},
                             Heading{p->QRLabel3, "BisDatum", 195.26, 33.60},
                             Heading{p->QRLabel4, "Prioritaet", 229.39, 18.79},
                             Heading{p->QRLabel5, "Status", 250.83, 27.25}}) {
        const auto items = ItemsOf(page, h.label);
        ASSERT_EQ(items.size(), 1u) << h.text;
        EXPECT_EQ(items[0].Text, h.text);
        EXPECT_NEAR(items[0].Left, 10 + h.left, 1e-9) << h.text;
        EXPECT_NEAR(items[0].Width, h.width, 1e-9) << h.text;
        EXPECT_NEAR(items[0].Height, 3.97, 1e-9);
        EXPECT_GE(items[0].Top, 5.0);
        EXPECT_LE(items[0].Top + items[0].Height, 5 + 5.82);
        EXPECT_EQ(items[0].FontName, "Arial");
        EXPECT_EQ(items[0].FontSize, 8);
        const auto lines = ItemsOf(page, h.label, TQRPageItem::ikLine);
        ASSERT_EQ(lines.size(), 1u) << h.text;
        EXPECT_NEAR(lines[0].Top, items[0].Top + 3.97, 1e-9);
        EXPECT_NEAR(lines[0].Width, h.width, 1e-9);
    }

    // One row per task in the table's order (not the list's sorting by status).
    EXPECT_EQ(Texts(page, p->QRExpr1), (std::vector<std::string>{"Steuer", "Brief", "Anruf"}));
    EXPECT_EQ(Texts(page, p->QRExpr2), (std::vector<std::string>{"Belege sammeln", "", "Oma"}));
    EXPECT_EQ(Texts(page, p->QRExpr3),
              (std::vector<std::string>{"10.12.2026 08:00:00", "24.12.2026", "07.12.2026 18:30:00"}));
    EXPECT_EQ(Texts(page, p->QRExpr4), (std::vector<std::string>{"hoch", "sehr hoch", "niedrigste"}));
    EXPECT_EQ(Texts(page, p->QRExpr5), (std::vector<std::string>{"in Bearbeitung", "fertig", "nicht gestartet"}));
    const auto rows = ItemsOf(page, p->QRExpr5);
    EXPECT_NEAR(rows[0].Left, 10 + 250.56, 1e-9);
    EXPECT_NEAR(rows[0].Width, 27.52, 1e-9);
    EXPECT_EQ(rows[0].Alignment, taRightJustify);
    EXPECT_NEAR(rows[1].Top - rows[0].Top, 5.82, 1e-9);
    EXPECT_NEAR(rows[0].Top - ItemsOf(page, p->QRLabel5)[0].Top, 5.82, 1e-9);

    // "Seite 1" against the right edge of the band: 297 mm paper less the 5 mm right margin.
    const auto foot = ItemsOf(page, p->QRExpr6);
    ASSERT_EQ(foot.size(), 1u);
    EXPECT_EQ(foot[0].Text, "Seite 1");
    EXPECT_EQ(foot[0].Alignment, taRightJustify);
    EXPECT_NEAR(foot[0].Left + foot[0].Width, 292, 1e-9);
    EXPECT_LE(foot[0].Top + foot[0].Height, 200 + 1e-9);
    EXPECT_GE(foot[0].Top, 200 - 5.82 - 1e-9);
}

TEST_F(TaskPrintout, PriorityAndStatusPrintTheirOwnTextsAndUnknownValuesPrintTheDefault) {
    const char* values[] = {"0", "1", "2", "3", "4", "7", "-1", "NULL"};
    int i = 0;
    for (const char* v : values) AddTask("T", "", D(2026, 12, 10), v, v, "k" + std::to_string(i++));
    Open();
    auto p = Prepared();
    const TQRPreparedPage& page = p->QuickRep1->Pages().at(0);
    EXPECT_EQ(Texts(page, p->QRExpr4), (std::vector<std::string>{"niedrigste", "niedrig", "normal", "hoch", "sehr hoch",
                                                                 "niedrigste", "niedrigste", "niedrigste"}));
    EXPECT_EQ(Texts(page, p->QRExpr5),
              (std::vector<std::string>{"nicht gestartet", "fertig", "in Bearbeitung", "fast fertig", "nicht gestartet",
                                        "nicht gestartet", "nicht gestartet", "nicht gestartet"}));
    // Text that is no number at all.
    AnsiString value = "x";
    p->QRExpr4Print(p->QRExpr4, value);
    EXPECT_EQ(value, "niedrigste");
    value = "x";
    p->QRExpr5Print(p->QRExpr5, value);
    EXPECT_EQ(value, "nicht gestartet");
}

TEST_F(TaskPrintout, ALongSubjectStopsAtItsColumn) {
    const std::string subject = "Die Unterlagen für die Steuererklärung des vergangenen Jahres zusammensuchen, "
                                "kopieren und dem Steuerberater rechtzeitig vor Ablauf der Frist schicken";
    AddTask(subject, "", D(2026, 12, 10), "2", "0", "k1");
    Open();
    auto p = Prepared();
    const auto shown = ItemsOf(p->QuickRep1->Pages().at(0), p->QRExpr1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NEAR(shown[0].Width, 87.31, 1e-9);
    ASSERT_FALSE(shown[0].Text.empty());
    EXPECT_LT(shown[0].Text.size(), subject.size());
    EXPECT_EQ(subject.rfind(shown[0].Text, 0), 0u);
    EXPECT_EQ(subject[shown[0].Text.size()], ' ');
}

TEST_F(TaskPrintout, ThirtyTwoTasksTakeTwoPages) {
    AddTasks(32);
    Open();
    auto p = Prepared();
    ASSERT_EQ(p->QuickRep1->PageCount(), 2);
    const auto& pages = p->QuickRep1->Pages();
    EXPECT_EQ(Texts(pages[0], p->QRExpr1).size(), 31u);
    EXPECT_EQ(Texts(pages[1], p->QRExpr1), (std::vector<std::string>{"Aufgabe 32"}));
    EXPECT_EQ(Texts(pages[1], p->QRLabel1), (std::vector<std::string>{"Betreff"}));
    EXPECT_EQ(Texts(pages[0], p->QRExpr6), (std::vector<std::string>{"Seite 1"}));
    EXPECT_EQ(Texts(pages[1], p->QRExpr6), (std::vector<std::string>{"Seite 2"}));
}

TEST_F(TaskPrintout, AnEmptyTablePrintsOnePageWithHeadingsAndFooter) {
    Open();
    auto p = Prepared();
    ASSERT_EQ(p->QuickRep1->PageCount(), 1);
    const TQRPreparedPage& page = p->QuickRep1->Pages()[0];
    EXPECT_EQ(Texts(page, p->QRLabel3), (std::vector<std::string>{"BisDatum"}));
    EXPECT_TRUE(Texts(page, p->QRExpr1).empty());
    EXPECT_EQ(Texts(page, p->QRExpr6), (std::vector<std::string>{"Seite 1"}));
}

TEST_F(TaskPrintout, CancellingThePrinterDialogPrintsNothing) {
    AddTasks(3);
    TAufgaben* w = Open();
    const std::string pdf = dir.file("aufgaben.pdf");
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        dialogs.push_back(d.Caption());
        d.SetFileName(pdf);
        d.Press("Abbrechen");
    });
    w->drucken1->Click();
    EXPECT_EQ(dialogs, (std::vector<std::string>{"Drucken"}));
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_FALSE(PrintoutOpen());
}

TEST_F(TaskPrintout, TheMenuPrintsEveryTaskIntoTheChosenFileAndLeavesTheListAsItWas) {
    AddTasks(40);
    TAufgaben* w = Open();
    // The current record, and with it the list's selection, on the sixth task.
    const std::string key = "n6";
    ASSERT_TRUE(w->ADODataSetAufgaben->Locate("Key", Variant(AnsiString(key))));
    ASSERT_NE(w->DBTodoList1->Selected(), nullptr);
    ASSERT_EQ(w->DBTodoList1->Selected()->DBKey, key);
    const std::string pdf = dir.file("aufgaben.pdf");
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        dialogs.push_back(d.Caption());
        d.SetFileName(pdf);
        d.Press("Drucken");
    });
    w->drucken1->Click();
    EXPECT_EQ(dialogs, (std::vector<std::string>{"Drucken"}));
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_EQ(PdfPages(pdf), 2);
    EXPECT_FALSE(PrintoutOpen());
    // Walking the records for the printout moved neither the selection nor the current record.
    ASSERT_NE(w->DBTodoList1->Selected(), nullptr);
    EXPECT_EQ(w->DBTodoList1->Selected()->DBKey, key);
    EXPECT_EQ(w->ADODataSetAufgaben->FieldByName("Key")->AsString(), key);
    EXPECT_EQ(w->DBTodoList1->Items()->Count(), 40);
}
