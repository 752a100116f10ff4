#include "AufgabenDrucken.h"

namespace {
constexpr double BandHeight = 5.82;
constexpr double FieldHeight = 3.97;
// The fields sit in the middle of their band.
constexpr double FieldTop = 0.93;
} // namespace

TAufgabenDrucken::TAufgabenDrucken(TComponent* AOwner) : TForm(AOwner) {
    QuickRep1 = new TQuickRep(this);
    QuickRep1->SetName("QuickRep1");
    TQRPage* page = QuickRep1->Page();
    page->PaperSize = A4;
    page->Orientation = poLandscape;
    page->TopMargin = 5;
    page->BottomMargin = 10;
    page->LeftMargin = 10;
    page->RightMargin = 5;
    QuickRep1->ReportTitle = "Aufgaben";
    QuickRep1->Font()->SetName("Arial");
    QuickRep1->Font()->SetSize(8);
    QuickRep1->Options = TQROptions{FirstPageHeader, LastPageFooter};
    QuickRep1->PrintIfEmpty = true;
    QuickRep1->PrinterSettings()->Copies = 1;
    QuickRep1->PrinterSettings()->Duplex = false;

    const auto band = [this](TQRBandType type) {
        auto* b = new TQRBand(this);
        b->BandType = type;
        b->Height = BandHeight;
        b->SetParent(QuickRep1);
        return b;
    };
    ColumnHeaderBand1 = band(rbColumnHeader);
    DetailBand1 = band(rbDetail);
    PageFooterBand1 = band(rbPageFooter);

    const auto place = [](TQRPrintable* p, TQRBand* b, double left, double width, TAlignment alignment) {
        p->Left = left;
        p->Top = FieldTop;
        p->Width = width;
        p->Height = FieldHeight;
        p->Alignment = alignment;
        p->WordWrap = true;
        p->SetParent(b);
    };
    const auto label = [&](const char* caption, double left, double width) {
        auto* l = new TQRLabel(this);
        l->Caption = caption;
        l->Frame()->DrawBottom = true;
        place(l, ColumnHeaderBand1, left, width, taLeftJustify);
        return l;
    };
    QRLabel1 = label("Betreff", 0.26, 87.31);
    QRLabel2 = label("Aufgabe", 89.16, 104.25);
    QRLabel3 = label("BisDatum", 195.26, 33.60);
    QRLabel4 = label("Prioritaet", 229.39, 18.79);
    QRLabel5 = label("Status", 250.83, 27.25);

    const auto expr = [&](const char* name, const char* expression, TQRBand* b, double left, double width,
                          TAlignment alignment) {
        auto* e = new TQRExpr(this);
        e->SetName(name);
        e->Expression = expression;
        place(e, b, left, width, alignment);
        return e;
    };
    QRExpr1 = expr("QRExpr1", "Betreff", DetailBand1, 0.26, 87.31, taLeftJustify);
    QRExpr2 = expr("QRExpr2", "Memo", DetailBand1, 89.16, 104.25, taLeftJustify);
    QRExpr3 = expr("QRExpr3", "FertigDatum", DetailBand1, 195.26, 33.60, taLeftJustify);
    QRExpr4 = expr("QRExpr4", "Prioritaet", DetailBand1, 229.39, 18.79, taRightJustify);
    QRExpr5 = expr("QRExpr5", "Status", DetailBand1, 250.56, 27.52, taRightJustify);
    QRExpr6 = expr("QRExpr6", "'Seite ' + PAGENUMBER", PageFooterBand1, 259.29, 27.78, taRightJustify);
    QRExpr6->AlignToBand = true;
    QRExpr4->OnPrint = [this](TObject* s, AnsiString& v) { QRExpr4Print(s, v); };
    QRExpr5->OnPrint = [this](TObject* s, AnsiString& v) { QRExpr5Print(s, v); };
}

AnsiString TAufgabenDrucken::PriorityText(int Priority) {
    switch (Priority) {
    case 1: return "niedrig";
    case 2: return "normal";
    case 3: return "hoch";
    case 4: return "sehr hoch";
    default: return "niedrigste";
    }
}

AnsiString TAufgabenDrucken::StatusText(int Status) {
    switch (Status) {
    case 1: return "fertig";
    case 2: return "in Bearbeitung";
    case 3: return "fast fertig";
    default: return "nicht gestartet";
    }
}

void TAufgabenDrucken::QRExpr4Print(TObject*, AnsiString& Value) {
    Value = PriorityText(SysUtils::StrToIntDef(SysUtils::Trim(Value), 0));
}

void TAufgabenDrucken::QRExpr5Print(TObject*, AnsiString& Value) {
    Value = StatusText(SysUtils::StrToIntDef(SysUtils::Trim(Value), 0));
}
