#pragma once
// The printout of the task table: an invisible form carrying the report, one line per task in the
// table's own order, on A4 landscape paper.
#include "Forms.h"
#include "QuickRpt.h"

class TAufgabenDrucken : public TForm {
public:
    explicit TAufgabenDrucken(TComponent* AOwner);

    TQuickRep* QuickRep1;
    TQRBand* ColumnHeaderBand1;
    TQRBand* DetailBand1;
    TQRBand* PageFooterBand1;
    TQRLabel* QRLabel1;
    TQRLabel* QRLabel2;
    TQRLabel* QRLabel3;
    TQRLabel* QRLabel4;
    TQRLabel* QRLabel5;
    TQRExpr* QRExpr1;
    TQRExpr* QRExpr2;
    TQRExpr* QRExpr3;
    TQRExpr* QRExpr4;
    TQRExpr* QRExpr5;
    TQRExpr* QRExpr6;

    // The priority's and the status's number replaced by its printed text.
    void QRExpr4Print(TObject* Sender, AnsiString& Value);
    void QRExpr5Print(TObject* Sender, AnsiString& Value);

    static AnsiString PriorityText(int Priority);
    static AnsiString StatusText(int Status);
};
