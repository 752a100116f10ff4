// Reports are laid out in millimetres with Qt's text layout measuring at printer resolution, and
// painted with QPainter on a QPrinter: a CUPS printer, or its PDF output.
#include "QuickRpt.h"

#include <QFontDatabase>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "DB.h"
#include "Dialogs.h"
#include "GraphicsQt.h"
#include "VclPrivate.h"

namespace {

// Lines are measured at this resolution, far finer than a glyph's hinting steps.
constexpr double kMeasureDpi = 1200;
constexpr double kMmPerInch = 25.4;

// The family the printer gets: the metric-compatible free family where the named one is missing,
// so texts cut where they would with the original fonts.
QString PrintFamily(const AnsiString& name) {
    static const std::pair<const char*, const char*> substitutes[] = {
        {"Arial", "Liberation Sans"}, {"Helvetica", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"}};
    const QString family = QString::fromStdString(name);
    if (QFontDatabase::hasFamily(family)) return family;
    for (const auto& [from, to] : substitutes)
        if (SysUtils::SameText(name, from) && QFontDatabase::hasFamily(QString::fromLatin1(to)))
            return QString::fromLatin1(to);
    return family;
}

QFont PrintFont(const AnsiString& name, int size, TFontStyles style) {
    QFont f(PrintFamily(name));
    f.setPointSizeF(size > 0 ? size : 8);
    f.setBold(style.Contains(fsBold));
    f.setItalic(style.Contains(fsItalic));
    f.setUnderline(style.Contains(fsUnderline));
    f.setStrikeOut(style.Contains(fsStrikeOut));
    return f;
}

const QImage& MeasureDevice() {
    static QImage device = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        const int dpm = static_cast<int>(kMeasureDpi / kMmPerInch * 1000.0 + 0.5);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
        return image;
    }();
    return device;
}

// The part of Text that shows in one line of WidthMm: the first line of the text, and of that what
// fits, broken at a word where one ends in time.
AnsiString VisibleLine(const AnsiString& Text, const QFont& font, double WidthMm, bool WordWrap) {
    AnsiString line = Text.substr(0, Text.find_first_of("\r\n"));
    if (line.empty()) return line;
    const QString text = QString::fromStdString(line);
    QTextLayout layout(text, font, &MeasureDevice());
    QTextOption option;
    option.setWrapMode(WordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::WrapAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (!first.isValid()) {
        layout.endLayout();
        return {};
    }
    first.setLineWidth(std::max(0.0, WidthMm) * kMeasureDpi / kMmPerInch);
    layout.endLayout();
    // Not even one character fits.
    if (first.naturalTextWidth() > first.width() + 0.5) return {};
    return SysUtils::TrimRight(text.mid(first.textStart(), first.textLength()).toStdString());
}

struct TPaper {
    double width, length;
};

TPaper PaperOf(TQRPaperSize size) {
    switch (size) {
    case A4: return {210.0, 297.0};
    }
    return {210.0, 297.0};
}

} // namespace

// ---- page -----------------------------------------------------------------------------------------------------
double TQRPage::PaperWidth() const {
    const TPaper p = PaperOf(PaperSize);
    return Orientation == poLandscape ? p.length : p.width;
}

double TQRPage::PaperLength() const {
    const TPaper p = PaperOf(PaperSize);
    return Orientation == poLandscape ? p.width : p.length;
}

// ---- printables -----------------------------------------------------------------------------------------------
TQRPrintable::TQRPrintable(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {}

TQRPrintable::~TQRPrintable() { SetParent(nullptr); }

void TQRPrintable::SetParent(TQRBand* Value) {
    if (parent_ == Value) return;
    if (parent_) {
        auto& list = parent_->printables_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    parent_ = Value;
    if (parent_) parent_->printables_.push_back(this);
}

AnsiString TQRExpr::Value(TQuickRep* Report) const {
    // Split at "+" outside quotes; each term is a quoted text, PAGENUMBER or a field name.
    AnsiString result;
    std::size_t i = 0;
    const AnsiString& e = Expression;
    while (i <= e.size()) {
        while (i < e.size() && e[i] == ' ') ++i;
        if (i < e.size() && e[i] == '\'') {
            ++i;
            for (;;) {
                if (i >= e.size()) throw EComponentError("Unterminated text in the expression " + e);
                if (e[i] == '\'') {
                    if (i + 1 < e.size() && e[i + 1] == '\'') {
                        result += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                result += e[i++];
            }
        } else {
            std::size_t end = e.find('+', i);
            if (end == AnsiString::npos) end = e.size();
            AnsiString name = SysUtils::Trim(e.substr(i, end - i));
            i = end;
            if (name.empty()) throw EComponentError("Missing term in the expression " + e);
            if (SysUtils::SameText(name, "PAGENUMBER")) {
                result += SysUtils::IntToStr(Report ? Report->PageNumber() : 0);
            } else {
                // A field may be written with its data set's name in front.
                if (const auto dot = name.rfind('.'); dot != AnsiString::npos) name = name.substr(dot + 1);
                TDataSet* ds = Report ? Report->DataSet() : nullptr;
                TField* field = ds && ds->Active() ? ds->FindField(name) : nullptr;
                if (!field) throw EComponentError("Unknown field " + name + " in the expression " + e);
                result += field->AsString();
            }
        }
        while (i < e.size() && e[i] == ' ') ++i;
        if (i >= e.size()) break;
        if (e[i] != '+') throw EComponentError("Expected + in the expression " + e);
        ++i;
    }
    return result;
}

// ---- bands ----------------------------------------------------------------------------------------------------
TQRBand::TQRBand(TComponent* AOwner) : TComponent(AOwner) {}

TQRBand::~TQRBand() {
    for (TQRPrintable* p : std::vector<TQRPrintable*>(printables_)) p->SetParent(nullptr);
    SetParent(nullptr);
}

void TQRBand::SetParent(TQuickRep* Value) {
    if (parent_ == Value) return;
    if (parent_) {
        auto& list = parent_->bands_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    parent_ = Value;
    if (parent_) parent_->bands_.push_back(this);
}

// ---- the report -----------------------------------------------------------------------------------------------
class TQuickRep::TPrinterPrivate {
public:
    QPrinter& Printer() {
        if (!printer) printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        return *printer;
    }
    std::unique_ptr<QPrinter> printer;
};

TQuickRep::TQuickRep(TComponent* AOwner)
    : TComponent(AOwner), font_(std::make_unique<TFont>()), printer_(std::make_unique<TPrinterPrivate>()) {
    font_->SetName("Arial");
    font_->SetSize(10);
    font_->SetColor(clBlack);
}

TQuickRep::~TQuickRep() {
    for (TQRBand* b : std::vector<TQRBand*>(bands_)) b->SetParent(nullptr);
    SetDataSet(nullptr);
}

void TQuickRep::SetDataSet(TDataSet* Value) { dataSet_ = Value; }

void TQuickRep::PlaceBand(TQRBand* Band, double Top) {
    const double bandLeft = page_.LeftMargin;
    const double bandWidth = page_.PaperWidth() - page_.LeftMargin - page_.RightMargin;
    TQRPreparedPage& page = pages_.back();
    for (TQRPrintable* p : Band->Printables()) {
        AnsiString value = p->Value(this);
        if (p->OnPrint) p->OnPrint(p, value);
        double left = bandLeft + p->Left;
        if (p->AlignToBand) {
            if (p->Alignment == taLeftJustify) left = bandLeft;
            else if (p->Alignment == taRightJustify) left = bandLeft + bandWidth - p->Width;
            else left = bandLeft + (bandWidth - p->Width) / 2;
        }
        const double top = Top + p->Top;
        const TFont& font = p->ParentFont ? *font_ : *p->Font();
        TQRPageItem text;
        text.Left = left;
        text.Top = top;
        text.Width = p->Width;
        text.Height = p->Height;
        text.Alignment = p->Alignment;
        text.FontName = font.Name();
        text.FontSize = font.Size();
        text.FontStyle = font.Style();
        text.FontColor = font.Color();
        text.Source = p;
        text.Text = VisibleLine(value, PrintFont(text.FontName, text.FontSize, text.FontStyle), p->Width, p->WordWrap);
        page.Items.push_back(text);

        TQRFrame* frame = p->Frame();
        const auto line = [&](double x, double y, double w, double h) {
            TQRPageItem l;
            l.Kind = TQRPageItem::ikLine;
            l.Left = x;
            l.Top = y;
            l.Width = w;
            l.Height = h;
            l.LineWidth = frame->Width;
            l.FontColor = frame->Color;
            l.Source = p;
            page.Items.push_back(l);
        };
        if (frame->DrawTop) line(left, top, p->Width, 0);
        if (frame->DrawBottom) line(left, top + p->Height, p->Width, 0);
        if (frame->DrawLeft) line(left, top, 0, p->Height);
        if (frame->DrawRight) line(left + p->Width, top, 0, p->Height);
    }
}

void TQuickRep::Prepare() {
    if (!Vcl::Detail::EnsureQtApp()) throw EComponentError("Reports are laid out on the main thread only");
    pages_.clear();
    pageNumber_ = 0;
    const double top = page_.TopMargin;
    const double bottom = page_.PaperLength() - page_.BottomMargin;
    std::vector<TQRBand*> pageHeaders, columnHeaders, details, footers;
    double footerHeight = 0;
    for (TQRBand* b : bands_) {
        switch (b->BandType) {
        case rbPageHeader: pageHeaders.push_back(b); break;
        case rbColumnHeader: columnHeaders.push_back(b); break;
        case rbDetail: details.push_back(b); break;
        case rbPageFooter:
            footers.push_back(b);
            footerHeight += b->Height;
            break;
        }
    }

    // Walking the records must not drag the controls bound to the data set along, and leaves the
    // current record where it was.
    TDataSet* ds = dataSet_ && dataSet_->Active() ? dataSet_.Get() : nullptr;
    TBookmark mark = 0;
    if (ds) {
        ds->CheckBrowseMode();
        mark = ds->GetBookmark();
        ds->DisableControls();
    }
    ScopeExit keeper([ds, mark] {
        if (!ds) return;
        try {
            if (mark && ds->BookmarkValid(mark)) ds->GotoBookmark(mark);
        } catch (const SysUtils::Exception&) {
        }
        ds->EnableControls();
    });

    const bool hasRecords = ds && !ds->IsEmpty();
    if (!hasRecords && !PrintIfEmpty) return;

    double y = top;
    int detailsOnPage = 0;
    const auto startPage = [&] {
        pages_.emplace_back();
        ++pageNumber_;
        y = top;
        detailsOnPage = 0;
        if (pageNumber_ > 1 || Options.Contains(FirstPageHeader)) {
            for (TQRBand* b : pageHeaders) {
                PlaceBand(b, y);
                y += b->Height;
            }
        }
        for (TQRBand* b : columnHeaders) {
            PlaceBand(b, y);
            y += b->Height;
        }
    };
    const auto endPage = [&](bool last) {
        if (last && !Options.Contains(LastPageFooter)) return;
        double fy = bottom - footerHeight;
        for (TQRBand* b : footers) {
            PlaceBand(b, fy);
            fy += b->Height;
        }
    };

    startPage();
    if (hasRecords) {
        for (ds->First(); !ds->Eof(); ds->Next()) {
            for (TQRBand* b : details) {
                // A band taller than a whole page still gets a page of its own.
                if (detailsOnPage > 0 && y + b->Height > bottom - footerHeight + 1e-9) {
                    endPage(false);
                    startPage();
                }
                PlaceBand(b, y);
                y += b->Height;
                ++detailsOnPage;
            }
        }
    }
    endPage(true);
}

namespace {

void ApplySettings(QPrinter& printer, TQRPage& page, TQRPrinterSettings& settings, const AnsiString& title) {
    printer.setDocName(QString::fromStdString(title));
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                      page.Orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    printer.setCopyCount(std::max(1, settings.Copies));
    printer.setDuplex(settings.Duplex ? QPrinter::DuplexLongSide : QPrinter::DuplexNone);
    if (settings.FirstPage > 0 || settings.LastPage > 0)
        printer.setFromTo(std::max(1, settings.FirstPage), std::max(settings.FirstPage, settings.LastPage));
    else
        printer.setFromTo(0, 0);
}

// A printer the system knows is chosen, or a file to write.
bool HasTarget(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) return !printer.outputFileName().isEmpty();
    return !printer.printerName().isEmpty() && !QPrinterInfo::printerInfo(printer.printerName()).isNull();
}

void PaintPage(QPainter& painter, const TQRPreparedPage& page, double dpmm, double resolution) {
    for (const TQRPageItem& item : page.Items) {
        const QRectF box(item.Left * dpmm, item.Top * dpmm, item.Width * dpmm, item.Height * dpmm);
        if (item.Kind == TQRPageItem::ikLine) {
            QPen pen(GraphicsQt::ToQColor(item.FontColor));
            pen.setWidthF(std::max(1.0, item.LineWidth / 72.0 * resolution));
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(box.topLeft(), box.bottomRight());
            continue;
        }
        if (item.Text.empty()) continue;
        painter.save();
        painter.setClipRect(box);
        painter.setFont(PrintFont(item.FontName, item.FontSize, item.FontStyle));
        painter.setPen(GraphicsQt::ToQColor(item.FontColor));
        const int align = item.Alignment == taRightJustify ? Qt::AlignRight
                        : item.Alignment == taCenter        ? Qt::AlignHCenter
                                                            : Qt::AlignLeft;
        painter.drawText(box, align | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(item.Text));
        painter.restore();
    }
}

} // namespace

void TQuickRep::PrinterSetup() {
    Tag = 1;
    if (!Vcl::Detail::EnsureQtApp()) return;
    QPrinter& printer = printer_->Printer();
    ApplySettings(printer, page_, printerSettings_, ReportTitle);
    AnsiString pressed;
    AnsiString file = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName().toStdString() : "";
    if (Vcl::Detail::AnswerPlatformDialog("Drucken", {"Drucken", "Abbrechen"}, pressed, file)) {
        if (pressed != "Drucken") return;
        // A file name chosen is printing to a PDF file.
        if (!file.empty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(file));
        }
    } else {
        // Opened from a dialog (the task window), it stands above that dialog.
        QPrintDialog dialog(&printer, Vcl::Detail::DialogParentWidget());
        dialog.setWindowTitle(QStringLiteral("Drucken"));
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                          QAbstractPrintDialog::PrintShowPageSize);
        dialog.setMinMax(1, INT_MAX);
        if (dialog.exec() != QDialog::Accepted) return;
        page_.Orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
        printerSettings_.Copies = printer.copyCount();
        printerSettings_.Duplex = printer.duplex() != QPrinter::DuplexNone;
        const bool range = printer.printRange() == QPrinter::PageRange;
        printerSettings_.FirstPage = range ? printer.fromPage() : 0;
        printerSettings_.LastPage = range ? printer.toPage() : 0;
    }
    Tag = 0;
}

void TQuickRep::Print() {
    Prepare();
    if (pages_.empty()) return;
    QPrinter& printer = printer_->Printer();
    ApplySettings(printer, page_, printerSettings_, ReportTitle);
    if (!HasTarget(printer)) {
        // No printer to print on: the pages go into a PDF file the person names.
        TSaveDialog save(nullptr);
        save.Title = "Als PDF-Datei speichern";
        save.Filter = "PDF-Dateien|*.pdf";
        save.DefaultExt = "pdf";
        save.FileName = (ReportTitle.empty() ? AnsiString("Bericht") : ReportTitle) + ".pdf";
        if (const char* home = std::getenv("HOME")) save.InitialDir = home;
        save.Options = TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofEnableSizing};
        if (!save.Execute()) return;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(save.FileName));
    }
    const int count = PageCount();
    const int first = printerSettings_.FirstPage > 0 ? printerSettings_.FirstPage : 1;
    const int last = printerSettings_.LastPage > 0 ? std::min(printerSettings_.LastPage, count) : count;
    if (first > last) return;
    QPainter painter;
    if (!painter.begin(&printer))
        throw EComponentError("The report cannot be printed on " +
                              (printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                                             : printer.printerName()).toStdString());
    const double resolution = printer.resolution();
    for (int i = first; i <= last; ++i) {
        if (i > first) printer.newPage();
        PaintPage(painter, pages_[static_cast<std::size_t>(i - 1)], resolution / kMmPerInch, resolution);
    }
    if (!painter.end()) throw EComponentError("The report could not be printed completely");
}
