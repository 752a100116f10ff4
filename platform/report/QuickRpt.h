#pragma once
// Banded reports. A report runs over a data set and lays its bands out into pages: text items and
// lines measured in millimetres from the paper's top left corner. Printing paints those pages on a
// printer, or into a PDF file where there is no printer or the person chose to print to a file.
//
// Every item shows one line: text that does not fit its width is cut, at a word where it can, and
// never reaches into the next item; a text of several lines shows its first line only.
#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "Types.h"

class TDataSet;
class TQuickRep;
class TQRBand;

enum TPrinterOrientation { poPortrait, poLandscape };
enum TQRPaperSize { A4 };
// Page headers and column headers head every page, details repeat per record, the footer ends a page.
enum TQRBandType { rbPageHeader, rbColumnHeader, rbDetail, rbPageFooter };
// FirstPageHeader: the page header also heads the first page; LastPageFooter: the footer also ends
// the last page.
enum TQROption { FirstPageHeader, LastPageFooter };
using TQROptions = TEnumSet<TQROption>;

// The paper and its margins, in millimetres.
class TQRPage : public TPersistent {
public:
    TPrinterOrientation Orientation = poPortrait;
    TQRPaperSize PaperSize = A4;
    double TopMargin = 10, BottomMargin = 10, LeftMargin = 10, RightMargin = 10;
    // The paper's size as it lies (landscape swaps the sides).
    double PaperWidth() const;
    double PaperLength() const;
};

class TQRPrinterSettings : public TPersistent {
public:
    int Copies = 1;
    bool Duplex = false;
    // The pages to print, counted from 1; 0 and 0 print them all. The printer set-up sets them.
    int FirstPage = 0, LastPage = 0;
};

// Lines drawn along an item's edges; Width in points.
class TQRFrame : public TPersistent {
public:
    bool DrawTop = false, DrawBottom = false, DrawLeft = false, DrawRight = false;
    double Width = 1;
    TColor Color = clBlack;
};

// What one page holds, ready to be painted.
struct TQRPageItem {
    enum TKind { ikText, ikLine };
    TKind Kind = ikText;
    // A text's box, or a line from (Left, Top) to (Left + Width, Top + Height); millimetres.
    double Left = 0, Top = 0, Width = 0, Height = 0;
    // The text as it shows: one line that fits the box.
    AnsiString Text;
    TAlignment Alignment = taLeftJustify;
    AnsiString FontName;
    int FontSize = 8;
    TFontStyles FontStyle;
    TColor FontColor = clBlack;
    double LineWidth = 0;   // points
    const TComponent* Source = nullptr;   // the printable that made the item
};

struct TQRPreparedPage {
    std::vector<TQRPageItem> Items;
};

// Something a band prints: a box on the band in millimetres with one line of text.
class TQRPrintable : public TComponent {
public:
    explicit TQRPrintable(TComponent* AOwner);
    ~TQRPrintable() override;
    TQRBand* Parent() const { return parent_; }
    void SetParent(TQRBand* Value);

    double Left = 0, Top = 0, Width = 20, Height = 4;
    TAlignment Alignment = taLeftJustify;
    // Placed against the band's edge its alignment names, whatever Left says.
    bool AlignToBand = false;
    // Cut at a word where the text is too long; else cut anywhere.
    bool WordWrap = true;
    TQRFrame* Frame() { return &frame_; }
    // The report's font unless ParentFont is false.
    TFont* Font() { return font_.get(); }
    bool ParentFont = true;

    // Just before the item is printed: Value may be replaced.
    std::function<void(TObject* Sender, AnsiString& Value)> OnPrint;

    // The text the item prints now (before OnPrint).
    virtual AnsiString Value(TQuickRep* Report) const = 0;

private:
    TQRBand* parent_ = nullptr;
    TQRFrame frame_;
    std::unique_ptr<TFont> font_;
};

class TQRLabel : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    AnsiString Caption;
    AnsiString Value(TQuickRep*) const override { return Caption; }
};

// An expression: terms joined by "+", each a text in single quotes, the name of a field of the
// report's data set (as the data set writes its value), or PAGENUMBER.
class TQRExpr : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    AnsiString Expression;
    AnsiString Value(TQuickRep* Report) const override;
};

class TQRBand : public TComponent {
public:
    explicit TQRBand(TComponent* AOwner);
    ~TQRBand() override;
    TQuickRep* Parent() const { return parent_; }
    void SetParent(TQuickRep* Value);

    TQRBandType BandType = rbDetail;
    double Height = 10;   // millimetres

    const std::vector<TQRPrintable*>& Printables() const { return printables_; }

private:
    friend class TQRPrintable;
    TQuickRep* parent_ = nullptr;
    std::vector<TQRPrintable*> printables_;
};

class TQuickRep : public TComponent {
public:
    explicit TQuickRep(TComponent* AOwner);
    ~TQuickRep() override;

    TQRPage* Page() { return &page_; }
    TQRPrinterSettings* PrinterSettings() { return &printerSettings_; }
    TFont* Font() { return font_.get(); }
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* Value);
    TQROptions Options{FirstPageHeader};
    // A data set without records still gives one page with its headers and footer.
    bool PrintIfEmpty = true;
    // The document's name on the printer and the PDF file's title.
    AnsiString ReportTitle;

    const std::vector<TQRBand*>& Bands() const { return bands_; }

    // Lays the report out into pages, walking the whole data set from its first record; the data
    // set's controls do not follow, and the current record is the same afterwards.
    void Prepare();
    const std::vector<TQRPreparedPage>& Pages() const { return pages_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    // The page being laid out, counted from 1.
    int PageNumber() const { return pageNumber_; }

    // The printer dialog (printer or file, copies, page range, orientation): Tag becomes 0 when
    // the person confirms and 1 when they cancel.
    void PrinterSetup();
    // Prepares and prints all pages (or the range the set-up chose) on the chosen printer, or into
    // the PDF file chosen. Without any printer and no file chosen yet, asks for a PDF file to write.
    // A report without pages prints nothing.
    void Print();

private:
    friend class TQRBand;
    class TPrinterPrivate;
    void PlaceBand(TQRBand* Band, double Top);
    TQRPage page_;
    TQRPrinterSettings printerSettings_;
    std::unique_ptr<TFont> font_;
    TComponentRef<TDataSet> dataSet_{this};
    std::vector<TQRBand*> bands_;
    std::vector<TQRPreparedPage> pages_;
    int pageNumber_ = 0;
    std::unique_ptr<TPrinterPrivate> printer_;
};
