// Banded reports over a data set: where bands and items land on the paper, page breaks, one line per
// item, and printing through the printer dialog into a real PDF file.
#include <QPrinterInfo>

#include <fstream>
#include <regex>

#include "ControlsTestSupport.h"
#include "DB.h"
#include "Dialogs.h"
#include "QuickRpt.h"
#include "TempDir.h"

using namespace controlstest;

namespace {

// Records held in memory: a name and a number per record.
class TMemoryDataSet : public TDataSet {
public:
    explicit TMemoryDataSet(std::vector<std::pair<AnsiString, int>> rows) : TDataSet(nullptr), rows_(std::move(rows)) {}
protected:
    void InternalOpen(std::vector<TFieldDef>& defs) override {
        defs = {{"Name", ftString}, {"Zahl", ftInteger}};
        std::int64_t key = 0;
        for (const auto& [name, number] : rows_) AddRecord({Variant(name), Variant(static_cast<Int64>(number))}, ++key);
    }
    void InternalPost(bool, const std::vector<Variant>&, std::vector<Variant>&, const std::vector<bool>&,
                      std::int64_t&) override {}
    void InternalDelete(const std::vector<Variant>&, std::int64_t) override {}
private:
    std::vector<std::pair<AnsiString, int>> rows_;
};

std::vector<std::pair<AnsiString, int>> Rows(int n) {
    std::vector<std::pair<AnsiString, int>> rows;
    for (int i = 1; i <= n; ++i) rows.emplace_back("Zeile " + std::to_string(i), i);
    return rows;
}

// Pages in a PDF file: its page objects.
int PdfPages(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string pdf((std::istreambuf_iterator<char>(in)), {});
    if (pdf.rfind("%PDF-", 0) != 0) return -1;
    const std::regex page(R"(/Type\s*/Page(?![a-zA-Z]))");
    return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

class Report : public WithApplication {
protected:
    testsupport::TempDir dir;
    TComponent owner{nullptr};
    TQuickRep* report = new TQuickRep(&owner);
    TQRBand* header = new TQRBand(&owner);
    TQRBand* detail = new TQRBand(&owner);
    TQRBand* footer = new TQRBand(&owner);
    TQRLabel* heading = new TQRLabel(&owner);
    TQRExpr* name = new TQRExpr(&owner);
    TQRExpr* number = new TQRExpr(&owner);
    TQRExpr* pageNo = new TQRExpr(&owner);
    std::unique_ptr<TMemoryDataSet> data;
    std::vector<std::string> dialogs;

    void SetUp() override {
        TQRPage* page = report->Page();
        page->Orientation = poLandscape;
        page->TopMargin = 5;
        page->BottomMargin = 10;
        page->LeftMargin = 10;
        page->RightMargin = 5;
        report->Font()->SetName("Arial");
        report->Font()->SetSize(8);
        report->Options = TQROptions{FirstPageHeader, LastPageFooter};
        report->ReportTitle = "Liste";
        for (auto [band, type] : {std::pair{header, rbColumnHeader}, {detail, rbDetail}, {footer, rbPageFooter}}) {
            band->BandType = type;
            band->Height = 5.82;
            band->SetParent(report);
        }
        const auto place = [](TQRPrintable* p, TQRBand* band, double left, double width) {
            p->Left = left;
            p->Top = 1;
            p->Width = width;
            p->Height = 3.97;
            p->SetParent(band);
        };
        heading->Caption = "Name";
        heading->Frame()->DrawBottom = true;
        place(heading, header, 0.26, 87.31);
        name->Expression = "Daten.Name";
        place(name, detail, 0.26, 87.31);
        number->Expression = "Zahl";
        number->Alignment = taRightJustify;
        place(number, detail, 100, 20);
        pageNo->Expression = "'Seite ' + PAGENUMBER";
        pageNo->Alignment = taRightJustify;
        pageNo->AlignToBand = true;
        place(pageNo, footer, 259.29, 27.78);
    }
    void TearDown() override { Dialogs::SetDialogAnswerer(nullptr); }

    void Use(int records) {
        report->SetDataSet(nullptr);
        data = std::make_unique<TMemoryDataSet>(Rows(records));
        data->Open();
        report->SetDataSet(data.get());
    }
    // The items a printable made on a page.
    static std::vector<TQRPageItem> ItemsOf(const TQRPreparedPage& page, const TComponent* source,
                                            TQRPageItem::TKind kind = TQRPageItem::ikText) {
        std::vector<TQRPageItem> out;
        for (const TQRPageItem& item : page.Items)
            if (item.Source == source && item.Kind == kind) out.push_back(item);
        return out;
    }
    // Answers the printer dialog with a PDF file, or cancels it.
    void AnswerPrinterDialog(const std::string& pdf) {
        Dialogs::SetDialogAnswerer([this, pdf](TModalDialog& d) {
            dialogs.push_back(d.Caption());
            if (pdf.empty()) {
                d.Press("Abbrechen");
                return;
            }
            d.SetFileName(pdf);
            d.Press(d.Buttons().front());
        });
    }
};

} // namespace

TEST_F(Report, BandsAndItemsLandInMillimetresFromThePapersCorner) {
    Use(3);
    report->Prepare();
    ASSERT_EQ(report->PageCount(), 1);
    const TQRPreparedPage& page = report->Pages()[0];
    EXPECT_DOUBLE_EQ(report->Page()->PaperWidth(), 297);
    EXPECT_DOUBLE_EQ(report->Page()->PaperLength(), 210);

    const auto heads = ItemsOf(page, heading);
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].Text, "Name");
    EXPECT_DOUBLE_EQ(heads[0].Left, 10.26);
    EXPECT_DOUBLE_EQ(heads[0].Top, 6);
    EXPECT_DOUBLE_EQ(heads[0].Width, 87.31);
    EXPECT_EQ(heads[0].FontName, "Arial");
    EXPECT_EQ(heads[0].FontSize, 8);
    // The frame's bottom line runs under the heading, along its width.
    const auto lines = ItemsOf(page, heading, TQRPageItem::ikLine);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_DOUBLE_EQ(lines[0].Top, 6 + 3.97);
    EXPECT_DOUBLE_EQ(lines[0].Left, 10.26);
    EXPECT_DOUBLE_EQ(lines[0].Width, 87.31);
    EXPECT_DOUBLE_EQ(lines[0].Height, 0);

    // One detail band per record, in the data set's order, under the column header.
    const auto names = ItemsOf(page, name);
    const auto numbers = ItemsOf(page, number);
    ASSERT_EQ(names.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(names[i].Text, "Zeile " + std::to_string(i + 1));
        EXPECT_NEAR(names[i].Top, 5 + 5.82 * (i + 1) + 1, 1e-9);
        EXPECT_EQ(numbers[i].Text, std::to_string(i + 1));
        EXPECT_EQ(numbers[i].Alignment, taRightJustify);
        EXPECT_DOUBLE_EQ(numbers[i].Left, 110);
    }
    // The footer stands on the bottom margin, its item against the band's right edge (297 - 5 mm).
    const auto foot = ItemsOf(page, pageNo);
    ASSERT_EQ(foot.size(), 1u);
    EXPECT_EQ(foot[0].Text, "Seite 1");
    EXPECT_NEAR(foot[0].Left + foot[0].Width, 292, 1e-9);
    EXPECT_NEAR(foot[0].Top, 210 - 10 - 5.82 + 1, 1e-9);
}

TEST_F(Report, ManyRecordsBreakIntoPagesEachWithHeadersAndFooter) {
    // 195 mm between the margins, less header and footer, hold 31 bands of 5.82 mm.
    Use(32);
    report->Prepare();
    ASSERT_EQ(report->PageCount(), 2);
    const auto& pages = report->Pages();
    EXPECT_EQ(ItemsOf(pages[0], name).size(), 31u);
    ASSERT_EQ(ItemsOf(pages[1], name).size(), 1u);
    EXPECT_EQ(ItemsOf(pages[1], name)[0].Text, "Zeile 32");
    EXPECT_NEAR(ItemsOf(pages[1], name)[0].Top, 5 + 5.82 + 1, 1e-9);
    EXPECT_EQ(ItemsOf(pages[1], heading).size(), 1u);
    EXPECT_EQ(ItemsOf(pages[0], pageNo).at(0).Text, "Seite 1");
    EXPECT_EQ(ItemsOf(pages[1], pageNo).at(0).Text, "Seite 2");

    Use(31);
    report->Prepare();
    EXPECT_EQ(report->PageCount(), 1);

    // Without LastPageFooter only the pages before the last have a footer.
    Use(32);
    report->Options = TQROptions{FirstPageHeader};
    report->Prepare();
    EXPECT_EQ(ItemsOf(report->Pages()[0], pageNo).size(), 1u);
    EXPECT_TRUE(ItemsOf(report->Pages()[1], pageNo).empty());
}

TEST_F(Report, AnEmptyDataSetPrintsOnePageOnlyWhenAskedTo) {
    Use(0);
    report->Prepare();
    ASSERT_EQ(report->PageCount(), 1);
    EXPECT_EQ(ItemsOf(report->Pages()[0], heading).size(), 1u);
    EXPECT_TRUE(ItemsOf(report->Pages()[0], name).empty());
    EXPECT_EQ(ItemsOf(report->Pages()[0], pageNo).at(0).Text, "Seite 1");

    report->PrintIfEmpty = false;
    report->Prepare();
    EXPECT_EQ(report->PageCount(), 0);
    // Nothing to print: no file, and the printer dialog's file is not even touched.
    const std::string pdf = dir.file("leer.pdf");
    AnswerPrinterDialog(pdf);
    report->PrinterSetup();
    report->Print();
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(Report, EachItemShowsOneLineThatFitsItsWidth) {
    data = std::make_unique<TMemoryDataSet>(std::vector<std::pair<AnsiString, int>>{
        {"Erste Zeile\r\nzweite Zeile", 1},
        {"Ein sehr langer Betreff, der in die Spalte daneben reichen würde, wenn ihn nichts abschnitte, "
         "so lang ist er wirklich geworden", 2},
        {std::string(200, 'W'), 3}});
    data->Open();
    report->SetDataSet(data.get());
    report->Prepare();
    const auto names = ItemsOf(report->Pages()[0], name);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].Text, "Erste Zeile");
    // Cut after a whole word, well before the end.
    EXPECT_EQ(names[1].Text.rfind("Ein sehr langer Betreff", 0), 0u) << names[1].Text;
    EXPECT_LT(names[1].Text.size(), 100u);
    const std::string rest = std::string("Ein sehr langer Betreff, der in die Spalte daneben reichen würde, wenn ihn "
                                         "nichts abschnitte, so lang ist er wirklich geworden")
                                 .substr(names[1].Text.size());
    EXPECT_TRUE(rest.empty() || rest[0] == ' ') << names[1].Text;
    // A single word longer than the field is cut within the word.
    EXPECT_GT(names[2].Text.size(), 10u);
    EXPECT_LT(names[2].Text.size(), 200u);
    EXPECT_EQ(names[2].Text, std::string(names[2].Text.size(), 'W'));
    // Wider fields show more of the same text.
    name->Width = 150;
    report->Prepare();
    EXPECT_GT(ItemsOf(report->Pages()[0], name)[1].Text.size(), names[1].Text.size());
}

TEST_F(Report, PrintEventsReplaceTheValueAndBadExpressionsFail) {
    Use(2);
    std::vector<std::string> seen;
    number->OnPrint = [&](TObject* sender, AnsiString& value) {
        EXPECT_EQ(sender, number);
        seen.push_back(value);
        value = "Nr. " + value;
    };
    report->Prepare();
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(ItemsOf(report->Pages()[0], number)[1].Text, "Nr. 2");

    number->Expression = "Fehlt";
    EXPECT_THROW(report->Prepare(), EComponentError);
    number->Expression = "'offen";
    EXPECT_THROW(report->Prepare(), EComponentError);
    number->Expression = "'Es''s' + Zahl";
    report->Prepare();
    EXPECT_EQ(ItemsOf(report->Pages()[0], number)[0].Text, "Nr. Es's1");
}

TEST_F(Report, LayingOutKeepsTheCurrentRecordAndTheControlsQuiet) {
    Use(5);
    data->SetRecNo(3);
    TDataSource source(nullptr);
    source.SetDataSet(data.get());
    int changes = 0;
    source.OnDataChange = [&](TObject*, TField*) { ++changes; };
    report->Prepare();
    EXPECT_EQ(data->RecNo(), 3);
    EXPECT_FALSE(data->ControlsDisabled());
    // One notice when the controls are enabled again, none for each record walked.
    EXPECT_LE(changes, 1);
}

TEST_F(Report, CancellingThePrinterDialogSetsTagOne) {
    Use(3);
    AnswerPrinterDialog("");
    report->PrinterSetup();
    EXPECT_EQ(report->Tag, 1);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0], "Drucken");
}

TEST_F(Report, PrintingToAFileWritesAPdfWithEveryPage) {
    Use(70);
    const std::string pdf = dir.file("liste.pdf");
    AnswerPrinterDialog(pdf);
    report->PrinterSetup();
    ASSERT_EQ(report->Tag, 0);
    report->Print();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_EQ(PdfPages(pdf), 3);

    // A page range chosen in the dialog prints only those pages.
    const std::string second = dir.file("seite2.pdf");
    AnswerPrinterDialog(second);
    report->PrinterSetup();
    report->PrinterSettings()->FirstPage = 2;
    report->PrinterSettings()->LastPage = 2;
    report->Print();
    EXPECT_EQ(PdfPages(second), 1);
}

TEST_F(Report, WithoutAPrinterPrintingAsksForAPdfFile) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this machine has a printer";
    Use(3);
    const std::string pdf = dir.file("aufgaben.pdf");
    std::vector<std::string> captions;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        captions.push_back(d.Caption());
        if (d.Caption() == "Drucken") d.Press("Drucken");   // the printer, not a file
        else {
            d.SetFileName(dir.file("aufgaben"));
            d.Press("Speichern");
        }
    });
    report->PrinterSetup();
    ASSERT_EQ(report->Tag, 0);
    report->Print();
    EXPECT_EQ(captions, (std::vector<std::string>{"Drucken", "Als PDF-Datei speichern"}));
    EXPECT_EQ(PdfPages(pdf), 1);

    // Cancelling the file prints nothing.
    TQuickRep other(nullptr);
    other.SetDataSet(data.get());
    Dialogs::SetDialogAnswerer([](TModalDialog& d) { d.Press("Abbrechen"); });
    std::filesystem::remove(pdf);
    other.Print();
    EXPECT_FALSE(std::filesystem::exists(pdf));
}
