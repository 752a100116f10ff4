#include "Graphics.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QImageWriter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <strings.h>

#include "GraphicsQt.h"  // this unit's Qt side, declared over this unit's classes
#include "VclPrivate.h"

// ---- helpers ------------------------------------------------------------------------------------------
namespace Graphics {

int MulDiv(int Number, int Numerator, int Denominator) {
    if (Denominator == 0) return -1;
    const long long p = static_cast<long long>(Number) * Numerator;
    const long long half = std::llabs(static_cast<long long>(Denominator)) / 2;
    long long q = ((p < 0) != (Denominator < 0)) ? (p - (p < 0 ? half : -half)) / Denominator
                                                  : (p + (p < 0 ? -half : half)) / Denominator;
    return static_cast<int>(q);
}

} // namespace Graphics

namespace {

QString Q(const AnsiString& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A picture file, as a stream would have read it; what is no regular file of picture size fails as
// a file that cannot be opened.
std::string ReadPictureFile(const AnsiString& FileName) {
    try {
        return SysUtils::ReadRegularFile(FileName, SysUtils::MaxPictureFileBytes);
    } catch (const SysUtils::EInOutError& e) {
        throw EFOpenError("Cannot open file \"" + FileName + "\". " + e.Message);
    }
}

// Where a UTF-8 character that ends before `end` begins.
std::size_t PrevChar(const std::string& s, std::size_t end) {
    if (end == 0) return 0;
    std::size_t i = end - 1;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    return i;
}
std::size_t NextChar(const std::string& s, std::size_t i) {
    if (i >= s.size()) return s.size();
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

QPainter::CompositionMode PenComposition(TPenMode mode) {
    switch (mode) {
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

QPainter::CompositionMode CopyComposition(TCopyMode mode) {
    switch (mode) {
    case cmSrcPaint: return QPainter::RasterOp_SourceOrDestination;
    case cmSrcAnd: return QPainter::RasterOp_SourceAndDestination;
    case cmSrcInvert: return QPainter::RasterOp_SourceXorDestination;
    case cmSrcErase: return QPainter::RasterOp_SourceAndNotDestination;
    case cmNotSrcCopy: return QPainter::RasterOp_NotSource;
    case cmNotSrcErase: return QPainter::RasterOp_NotSourceAndNotDestination;
    case cmMergePaint: return QPainter::RasterOp_NotSourceOrDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

Qt::BrushStyle QtBrushStyle(TBrushStyle style) {
    switch (style) {
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

QBrush QtBrush(const TBrush& b) {
    if (b.Style() == bsClear) return QBrush(Qt::NoBrush);
    return QBrush(GraphicsQt::ToQColor(b.Color()), QtBrushStyle(b.Style()));
}

// The colour a pen mode draws with: black and white ignore the pen's own colour.
QColor PenColor(const TPen& p) {
    if (p.Mode() == pmBlack) return Qt::black;
    if (p.Mode() == pmWhite) return Qt::white;
    return GraphicsQt::ToQColor(p.Color());
}

bool PenDraws(const TPen& p) { return p.Style() != psClear && p.Mode() != pmNop; }

// Restores what a drawing call changed on a painter that may belong to someone else.
class PainterState {
public:
    explicit PainterState(QPainter* p) : p_(p) { p_->save(); p_->setRenderHint(QPainter::Antialiasing, false); }
    ~PainterState() { p_->restore(); }
    PainterState(const PainterState&) = delete;
    PainterState& operator=(const PainterState&) = delete;
private:
    QPainter* p_;
};

// Dash patterns of one-pixel pens, in pixels on and off, as the window system steps them.
const std::vector<int>& DashPattern(TPenStyle style) {
    static const std::vector<int> none, dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6},
        dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return none;
    }
}

bool IsRasterFamily(const AnsiString& name) {
    static const char* const raster[] = {"MS Sans Serif", "MS Serif", "System", "Small Fonts", "Courier",
                                         "Terminal", "Fixedsys", "Modern", "Roman", "Script"};
    for (const char* r : raster)
        if (strcasecmp(r, name.c_str()) == 0) return true;
    return false;
}

} // namespace

// ---- Qt conversions -------------------------------------------------------------------------------------
namespace GraphicsQt {

QColor ToQColor(TColor color) {
    const TColor c = Graphics::ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor FromQColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

QFont ToQFont(const TFont& font) {
    QFont f(Q(font.Name()));
    f.setKerning(false);
    f.setBold(font.Style().Contains(fsBold));
    f.setItalic(font.Style().Contains(fsItalic));
    f.setUnderline(font.Style().Contains(fsUnderline));
    f.setStrikeOut(font.Style().Contains(fsStrikeOut));
    if (font.Pitch() == fpFixed) {
        f.setFixedPitch(true);
        f.setStyleHint(QFont::TypeWriter);
    }
    int h = font.Height();
    if (h == 0) h = -11;   // the window system's choice for "any size": 8 points
    if (h < 0) {
        f.setPixelSize(-h);
    } else {
        // A positive height is the whole cell; scale the character height until the cell fits.
        f.setPixelSize(h);
        const int cell = QFontMetrics(f).height();
        if (cell > 0 && cell != h) f.setPixelSize(std::max(1, static_cast<int>(std::lround(double(h) * h / cell))));
    }
    return f;
}

void BeginPaint(TCanvas* Canvas, QPainter* Painter) {
    TCanvasPrivate* d = Canvas->Private();
    d->Release();
    d->external = Painter;
}

void EndPaint(TCanvas* Canvas) { Canvas->Private()->external = nullptr; }

QImage ToImage(TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return QImage();
    QImage img(Graphic->Width(), Graphic->Height(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    // Drawn through the graphic's own rule (transparent colour, alpha).
    QPainter p(&img);
    TCanvas canvas;
    BeginPaint(&canvas, &p);
    canvas.Draw(0, 0, Graphic);
    EndPaint(&canvas);
    return img;
}

} // namespace GraphicsQt

// ---- canvas surface --------------------------------------------------------------------------------------
QPainter* TCanvasPrivate::Painter() {
    if (external) return external;
    if (!image || image->isNull()) return nullptr;
    if (!own) {
        image->bits();   // own the pixels before drawing into them
        own = std::make_unique<QPainter>(image);
        if (clipped) own->setClipRegion(clip);
    }
    return own.get();
}

void TCanvasPrivate::Release() {
    if (own) {
        own->end();
        own.reset();
    }
}

const QFont& TCanvasPrivate::Font(const TFont& f) {
    if (!metrics || fontStamp != f.ChangeStamp()) {
        font = GraphicsQt::ToQFont(f);
        metrics = std::make_unique<QFontMetrics>(font);
        fontStamp = f.ChangeStamp();
    }
    return font;
}

const QFontMetrics& TCanvasPrivate::Metrics(const TFont& f) {
    Font(f);
    return *metrics;
}

QImage* TCanvasPrivate::Pixels() const {
    if (external) {
        QPaintDevice* dev = external->device();
        return dev && dev->devType() == QInternal::Image ? static_cast<QImage*>(dev) : nullptr;
    }
    return image && !image->isNull() ? image : nullptr;
}

// ---- fonts, pens, brushes -------------------------------------------------------------------------------
void TGraphicsObject::Changed() {
    ++stamp_;
    if (OnChange) OnChange(this);
}

TFont::TFont() = default;

void TFont::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        name_ = f->name_; height_ = f->height_; style_ = f->style_; color_ = f->color_;
        charset_ = f->charset_; pitch_ = f->pitch_; orientation_ = f->orientation_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TFont::SetName(const AnsiString& Value) {
    if (Value.empty() || Value == name_) return;
    name_ = Value;
    Changed();
}

int TFont::Size() const { return -Graphics::MulDiv(height_, 72, PixelsPerInch()); }
void TFont::SetSize(int Value) { SetHeight(-Graphics::MulDiv(Value, PixelsPerInch(), 72)); }

void TFont::SetHeight(int Value) {
    if (Value == height_) return;
    height_ = Value;
    Changed();
}

void TFont::SetStyle(TFontStyles Value) {
    if (Value == style_) return;
    style_ = Value;
    Changed();
}

void TFont::SetColor(TColor Value) {
    if (Value == color_) return;
    color_ = Value;
    Changed();
}

void TFont::SetCharset(TFontCharset Value) {
    if (Value == charset_) return;
    charset_ = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value) {
    if (Value == pitch_) return;
    pitch_ = Value;
    Changed();
}

void TFont::SetOrientation(int Value) {
    if (Value == orientation_) return;
    orientation_ = Value;
    Changed();
}

bool TFont::IsTrueType() const { return !IsRasterFamily(name_); }

AnsiString TFont::ResolvedName() const {
    if (!Vcl::Detail::EnsureQtApp()) return name_;
    return QFontInfo(GraphicsQt::ToQFont(*this)).family().toStdString();
}

void TPen::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        color_ = p->color_; width_ = p->width_; style_ = p->style_; mode_ = p->mode_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TPen::SetColor(TColor Value) {
    if (Value == color_) return;
    color_ = Value;
    Changed();
}

void TPen::SetWidth(int Value) {
    if (Value < 0 || Value == width_) return;
    width_ = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value) {
    if (Value == style_) return;
    style_ = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value) {
    if (Value == mode_) return;
    mode_ = Value;
    Changed();
}

void TBrush::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        color_ = b->color_; style_ = b->style_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor Value) {
    if (Value == color_ && !(Value != clNone && style_ == bsClear)) return;
    color_ = Value;
    if (Value == clNone) style_ = bsClear;
    else if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == style_) return;
    style_ = Value;
    Changed();
}

// ---- canvas ---------------------------------------------------------------------------------------------
TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()),
      d_(std::make_unique<TCanvasPrivate>()) {}

TCanvas::~TCanvas() { d_->Release(); }

bool TCanvas::HandleAllocated() const { return d_->external || (d_->image && !d_->image->isNull()); }

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

void TCanvas::Lock() { ++lockCount_; }
void TCanvas::Unlock() {
    if (lockCount_ > 0) --lockCount_;
}
bool TCanvas::TryLock() {
    if (lockCount_ > 0) return false;
    Lock();
    return true;
}

void TCanvas::MoveTo(int X, int Y) { penPos_ = {X, Y}; }

void TCanvas::LineTo(int X, int Y) {
    Changing();
    DrawLineRun(penPos_, {X, Y});
    penPos_ = {X, Y};
    Changed();
}

// One line from `From` up to, not including, `To`. One-pixel pens are stepped here so the pixels are
// exactly the window system's; wider pens are left to Qt.
void TCanvas::DrawLineRun(TPoint From, TPoint To) {
    QPainter* p = d_->Painter();
    if (!p || !PenDraws(*pen_) || From == To) return;
    PainterState state(p);
    p->setCompositionMode(PenComposition(pen_->Mode()));
    if (pen_->Width() > 1) {
        QPen qp(PenColor(*pen_), pen_->Width(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p->setPen(qp);
        p->drawLine(QPoint(From.X, From.Y), QPoint(To.X, To.Y));
        return;
    }
    const std::vector<int>& pattern = DashPattern(pen_->Style());
    QPolygon on, off;
    int dx = std::abs(To.X - From.X), dy = -std::abs(To.Y - From.Y);
    const int sx = From.X < To.X ? 1 : -1, sy = From.Y < To.Y ? 1 : -1;
    int err = dx + dy, x = From.X, y = From.Y;
    std::size_t seg = 0;
    int left = pattern.empty() ? 0 : pattern[0];
    while (!(x == To.X && y == To.Y)) {
        if (pattern.empty() || seg % 2 == 0) on << QPoint(x, y);
        else off << QPoint(x, y);
        if (!pattern.empty() && --left == 0) {
            seg = (seg + 1) % pattern.size();
            left = pattern[seg];
        }
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
    p->setPen(QPen(PenColor(*pen_), 1));
    p->drawPoints(on);
    // The gaps of a styled pen show the background when the brush is solid.
    if (!off.isEmpty() && brush_->Style() != bsClear) {
        p->setPen(QPen(GraphicsQt::ToQColor(brush_->Color()), 1));
        p->drawPoints(off);
    }
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
    Changing();
    for (std::size_t i = 1; i < Points.size(); ++i) DrawLineRun(Points[i - 1], Points[i]);
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
    QPainter* p = d_->Painter();
    if (!p || Points.size() < 2) return;
    Changing();
    QPolygon poly;
    for (const TPoint& pt : Points) poly << QPoint(pt.X, pt.Y);
    if (brush_->Style() != bsClear && pen_->Mode() != pmNop) {
        PainterState state(p);
        p->setCompositionMode(PenComposition(pen_->Mode()));
        p->setPen(Qt::NoPen);
        p->setBrush(QtBrush(*brush_));
        p->drawPolygon(poly);
    }
    if (pen_->Width() > 1) {
        if (PenDraws(*pen_)) {
            PainterState state(p);
            p->setCompositionMode(PenComposition(pen_->Mode()));
            p->setPen(QPen(PenColor(*pen_), pen_->Width(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p->setBrush(Qt::NoBrush);
            p->drawPolygon(poly);
        }
    } else {
        for (std::size_t i = 0; i < Points.size(); ++i) DrawLineRun(Points[i], Points[(i + 1) % Points.size()]);
    }
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    QPainter* p = d_->Painter();
    if (!p) return;
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    if (X2 - X1 < 1 || Y2 - Y1 < 1) return;
    Changing();
    const bool pen = PenDraws(*pen_);
    const int w = pen ? std::max(1, pen_->Width()) : 0;
    // Without a pen the fill stops one pixel short on the right and at the bottom, as it always did.
    const QRect inner = pen ? QRect(X1 + 1, Y1 + 1, X2 - X1 - 2, Y2 - Y1 - 2) : QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
    if (brush_->Style() != bsClear && pen_->Mode() != pmNop && inner.isValid()) {
        PainterState state(p);
        p->setCompositionMode(PenComposition(pen_->Mode()));
        p->fillRect(inner, QtBrush(*brush_));
    }
    if (pen && w == 1) {
        const int r = X2 - 1, b = Y2 - 1;
        if (r == X1 || b == Y1) {
            DrawLineRun({X1, Y1}, {r + (r == X1 ? 0 : 1), b + (b == Y1 ? 0 : 1)});
            if (r == X1 && b == Y1) DrawLineRun({X1, Y1}, {X1 + 1, Y1});
        } else {
            DrawLineRun({X1, Y1}, {r, Y1});
            DrawLineRun({r, Y1}, {r, b});
            DrawLineRun({r, b}, {X1, b});
            DrawLineRun({X1, b}, {X1, Y1});
        }
    } else if (pen) {
        PainterState state(p);
        p->setCompositionMode(PenComposition(pen_->Mode()));
        p->setPen(QPen(PenColor(*pen_), w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p->setBrush(Qt::NoBrush);
        p->drawRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
    }
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    QPainter* p = d_->Painter();
    if (!p) return;
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    Changing();
    PainterState state(p);
    p->setCompositionMode(PenComposition(pen_->Mode()));
    if (PenDraws(*pen_)) p->setPen(QPen(PenColor(*pen_), std::max(1, pen_->Width())));
    else p->setPen(Qt::NoPen);
    p->setBrush(pen_->Mode() == pmNop ? QBrush(Qt::NoBrush) : QtBrush(*brush_));
    p->drawEllipse(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    QPainter* p = d_->Painter();
    if (!p) return;
    if (X2 < X1) std::swap(X1, X2);
    if (Y2 < Y1) std::swap(Y1, Y2);
    Changing();
    PainterState state(p);
    p->setCompositionMode(PenComposition(pen_->Mode()));
    if (PenDraws(*pen_)) p->setPen(QPen(PenColor(*pen_), std::max(1, pen_->Width())));
    else p->setPen(Qt::NoPen);
    p->setBrush(pen_->Mode() == pmNop ? QBrush(Qt::NoBrush) : QtBrush(*brush_));
    p->drawRoundedRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1), X3 / 2.0, Y3 / 2.0);
    Changed();
}

void TCanvas::FillRect(const TRect& R) {
    QPainter* p = d_->Painter();
    if (!p || brush_->Style() == bsClear || R.IsEmpty()) return;
    Changing();
    p->fillRect(GraphicsQt::ToQRect(R), QtBrush(*brush_));
    Changed();
}

void TCanvas::FrameRect(const TRect& R) {
    QPainter* p = d_->Painter();
    if (!p || brush_->Style() == bsClear || R.IsEmpty()) return;
    Changing();
    const QBrush b = QtBrush(*brush_);
    const int w = R.Width(), h = R.Height();
    p->fillRect(QRect(R.Left, R.Top, w, 1), b);
    if (h > 1) p->fillRect(QRect(R.Left, R.Bottom - 1, w, 1), b);
    if (h > 2) {
        p->fillRect(QRect(R.Left, R.Top + 1, 1, h - 2), b);
        if (w > 1) p->fillRect(QRect(R.Right - 1, R.Top + 1, 1, h - 2), b);
    }
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
    QPainter* p = d_->Painter();
    if (!p || R.IsEmpty()) return;
    Changing();
    // Every other pixel of the frame, counted around it, inverted.
    QPolygon dots;
    const int l = R.Left, t = R.Top, r = R.Right - 1, b = R.Bottom - 1;
    int n = 0;
    auto dot = [&](int x, int y) { if (n++ % 2 == 0) dots << QPoint(x, y); };
    for (int x = l; x <= r; ++x) dot(x, t);
    for (int y = t + 1; y <= b; ++y) dot(r, y);
    if (b > t) for (int x = r - 1; x >= l; --x) dot(x, b);
    if (r > l) for (int y = b - 1; y > t; --y) dot(l, y);
    PainterState state(p);
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p->setPen(QPen(Qt::white, 1));
    p->drawPoints(dots);
    Changed();
}

// ---- text -----------------------------------------------------------------------------------------------
int TCanvas::TextWidth(const AnsiString& Text) const { return TextExtent(Text).cx; }
int TCanvas::TextHeight(const AnsiString& Text) const { return TextExtent(Text).cy; }

TSize TCanvas::TextExtent(const AnsiString& Text) const {
    const QFontMetrics& m = d_->Metrics(*font_);
    return {m.horizontalAdvance(Q(Text)), m.height()};
}

TTextMetric TCanvas::TextMetrics() const {
    const QFont& f = d_->Font(*font_);
    const QFontMetrics& m = d_->Metrics(*font_);
    TTextMetric tm;
    tm.tmAscent = m.ascent();
    tm.tmDescent = m.descent();
    tm.tmHeight = m.ascent() + m.descent();
    tm.tmInternalLeading = std::max(0, tm.tmHeight - f.pixelSize());
    tm.tmExternalLeading = std::max(0, m.leading());
    tm.tmAveCharWidth = m.averageCharWidth();
    tm.tmMaxCharWidth = m.maxWidth();
    tm.tmWeight = font_->Style().Contains(fsBold) ? 700 : 400;
    tm.tmItalic = font_->Style().Contains(fsItalic);
    tm.tmUnderlined = font_->Style().Contains(fsUnderline);
    tm.tmStruckOut = font_->Style().Contains(fsStrikeOut);
    tm.tmCharSet = font_->Charset();
    // The window system sets the "fixed pitch" bit for fonts of variable pitch.
    if (!f.fixedPitch() && font_->Pitch() != fpFixed) tm.tmPitchAndFamily |= TMPF_FIXED_PITCH;
    if (font_->IsTrueType()) tm.tmPitchAndFamily |= TMPF_TRUETYPE | TMPF_VECTOR;
    return tm;
}

void TCanvas::TextOut(int X, int Y, const AnsiString& Text) {
    QPainter* p = d_->Painter();
    const TSize ext = TextExtent(Text);
    if (p) {
        Changing();
        const QFont f = d_->Font(*font_);
        PainterState state(p);
        p->translate(X, Y);
        if (font_->Orientation() != 0) p->rotate(-font_->Orientation() / 10.0);
        if (brush_->Style() != bsClear) p->fillRect(QRect(0, 0, ext.cx, ext.cy), GraphicsQt::ToQColor(brush_->Color()));
        p->setFont(f);
        p->setPen(GraphicsQt::ToQColor(font_->Color()));
        p->drawText(0, d_->Metrics(*font_).ascent(), Q(Text));
        Changed();
    }
    penPos_ = {X + ext.cx, Y};
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const AnsiString& Text) {
    QPainter* p = d_->Painter();
    if (!p) return;
    Changing();
    const QFont f = d_->Font(*font_);
    PainterState state(p);
    p->setClipRect(GraphicsQt::ToQRect(R), Qt::IntersectClip);
    if (brush_->Style() != bsClear) p->fillRect(GraphicsQt::ToQRect(R), GraphicsQt::ToQColor(brush_->Color()));
    p->translate(X, Y);
    if (font_->Orientation() != 0) p->rotate(-font_->Orientation() / 10.0);
    p->setFont(f);
    p->setPen(GraphicsQt::ToQColor(font_->Color()));
    p->drawText(0, d_->Metrics(*font_).ascent(), Q(Text));
    Changed();
}

namespace {

// Text laid out for the text box: the visible characters, the ones to underline, and its lines.
struct TextLine {
    std::string text;
    std::vector<std::size_t> marks;   // byte offsets of underlined characters
    int width = 0;
};

class TextBox {
public:
    TextBox(const QFontMetrics& metrics, unsigned flags) : m_(metrics), flags_(flags) {
        if (flags & DT_EXPANDTABS) {
            // Tab stops every eight average characters.
            tab_ = 8 * std::max(1, m_.averageCharWidth());
        }
    }

    int Width(const std::string& s) const {
        if (!tab_) return m_.horizontalAdvance(Q(s));
        int x = 0;
        std::size_t start = 0;
        for (;;) {
            const std::size_t t = s.find('\t', start);
            x += m_.horizontalAdvance(Q(s.substr(start, t == std::string::npos ? std::string::npos : t - start)));
            if (t == std::string::npos) return x;
            x = (x / tab_ + 1) * tab_;
            start = t + 1;
        }
    }

    // Segments of a line between tabs, each with its x offset.
    std::vector<std::pair<int, std::string>> Segments(const std::string& s) const {
        std::vector<std::pair<int, std::string>> out;
        if (!tab_) { out.emplace_back(0, s); return out; }
        int x = 0;
        std::size_t start = 0;
        for (;;) {
            const std::size_t t = s.find('\t', start);
            std::string seg = s.substr(start, t == std::string::npos ? std::string::npos : t - start);
            out.emplace_back(x, seg);
            x += m_.horizontalAdvance(Q(seg));
            if (t == std::string::npos) return out;
            x = (x / tab_ + 1) * tab_;
            start = t + 1;
        }
    }

    std::vector<TextLine> Layout(const std::string& raw, int maxWidth) const {
        // Mnemonics first, so that lines are measured as they will look.
        std::string text;
        std::vector<std::size_t> marks;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '&' && !(flags_ & DT_NOPREFIX)) {
                if (i + 1 < raw.size() && raw[i + 1] == '&') { text += '&'; ++i; continue; }
                if (i + 1 < raw.size()) marks.push_back(text.size());
                continue;
            }
            text += raw[i];
        }
        std::vector<std::pair<std::size_t, std::size_t>> ranges;   // [begin, end) in text
        if (flags_ & DT_SINGLELINE) {
            ranges.emplace_back(0, text.size());
        } else {
            std::size_t start = 0;
            for (;;) {
                const std::size_t nl = text.find_first_of("\r\n", start);
                const std::size_t end = nl == std::string::npos ? text.size() : nl;
                if (flags_ & DT_WORDBREAK) Wrap(text, start, end, maxWidth, ranges);
                else ranges.emplace_back(start, end);
                if (nl == std::string::npos) break;
                start = nl + 1;
                if (text[nl] == '\r' && start < text.size() && text[start] == '\n') ++start;
            }
        }
        std::vector<TextLine> lines;
        for (auto [b, e] : ranges) {
            TextLine line;
            line.text = text.substr(b, e - b);
            if (flags_ & DT_SINGLELINE) {
                line.text.erase(std::remove_if(line.text.begin(), line.text.end(),
                                               [](char c) { return c == '\r' || c == '\n'; }),
                                line.text.end());
            }
            for (std::size_t m : marks)
                if (m >= b && m < e) line.marks.push_back(m - b);
            line.width = Width(line.text);
            if ((flags_ & DT_END_ELLIPSIS) && line.width > maxWidth) Elide(line, maxWidth);
            lines.push_back(std::move(line));
        }
        return lines;
    }

    const QFontMetrics& Metrics() const { return m_; }

private:
    // Breaks [start, end) after whole words; a word wider than the box keeps a line of its own.
    void Wrap(const std::string& text, std::size_t start, std::size_t end, int maxWidth,
              std::vector<std::pair<std::size_t, std::size_t>>& out) const {
        auto trimmedEnd = [&](std::size_t from, std::size_t to) {
            while (to > from && text[to - 1] == ' ') --to;
            return to;
        };
        std::size_t pos = start;
        do {
            std::size_t fit = std::string::npos, i = pos;
            do {
                std::size_t j = i;
                while (j < end && text[j] == ' ') ++j;
                while (j < end && text[j] != ' ') ++j;
                const bool fits = Width(text.substr(pos, trimmedEnd(pos, j) - pos)) <= maxWidth;
                if (!fits && fit != std::string::npos) break;
                fit = i = j;
                if (!fits) break;
            } while (i < end);
            out.emplace_back(pos, trimmedEnd(pos, fit));
            pos = fit;
            while (pos < end && text[pos] == ' ') ++pos;
        } while (pos < end);
    }

    void Elide(TextLine& line, int maxWidth) const {
        const int dots = Width("...");
        std::size_t n = line.text.size();
        while (n > 0 && Width(line.text.substr(0, n)) + dots > maxWidth) n = PrevChar(line.text, n);
        line.text = line.text.substr(0, n) + "...";
        line.marks.erase(std::remove_if(line.marks.begin(), line.marks.end(), [n](std::size_t m) { return m >= n; }),
                         line.marks.end());
        line.width = Width(line.text);
    }

    QFontMetrics m_;
    unsigned flags_;
    int tab_ = 0;
};

} // namespace

int TCanvas::DrawText(const AnsiString& Text, TRect& R, unsigned Format) {
    const QFont f = d_->Font(*font_);
    TextBox box(d_->Metrics(*font_), Format);
    const QFontMetrics& m = box.Metrics();
    const int lineHeight = m.height() + ((Format & DT_EXTERNALLEADING) ? std::max(0, m.leading()) : 0);
    const std::vector<TextLine> lines = box.Layout(Text, R.Width());
    const int height = lineHeight * static_cast<int>(lines.size());
    int maxWidth = 0;
    for (const TextLine& l : lines) maxWidth = std::max(maxWidth, l.width);

    if (Format & DT_CALCRECT) {
        R.Right = R.Left + maxWidth;
        R.Bottom = R.Top + height;
        return height;
    }
    int top = R.Top;
    if (Format & DT_SINGLELINE) {
        if (Format & DT_BOTTOM) top = R.Bottom - height;
        else if (Format & DT_VCENTER) top = R.Top + (R.Height() - height) / 2;
    }
    QPainter* p = d_->Painter();
    if (p) {
        Changing();
        PainterState state(p);
        if (!(Format & DT_NOCLIP)) p->setClipRect(GraphicsQt::ToQRect(R), Qt::IntersectClip);
        p->setFont(f);
        const QColor ink = GraphicsQt::ToQColor(font_->Color());
        const int underlineWidth = std::max(1, m.lineWidth());
        int y = top;
        for (const TextLine& line : lines) {
            int x = R.Left;
            if (Format & DT_CENTER) x = R.Left + (R.Width() - line.width) / 2;
            else if (Format & DT_RIGHT) x = R.Right - line.width;
            if (brush_->Style() != bsClear)
                p->fillRect(QRect(x, y, line.width, lineHeight), GraphicsQt::ToQColor(brush_->Color()));
            p->setPen(ink);
            for (const auto& [dx, seg] : box.Segments(line.text)) p->drawText(x + dx, y + m.ascent(), Q(seg));
            for (std::size_t mark : line.marks) {
                const int ux = x + box.Width(line.text.substr(0, mark));
                const int uw = box.Width(line.text.substr(mark, NextChar(line.text, mark) - mark));
                p->fillRect(QRect(ux, y + m.ascent() + std::max(1, m.underlinePos()), uw, underlineWidth), ink);
            }
            y += lineHeight;
        }
        Changed();
    }
    return top - R.Top + height;
}

// ---- pixels and clipping --------------------------------------------------------------------------------
TColor TCanvas::Pixels(int X, int Y) const {
    QImage* img = d_->Pixels();
    if (!img) return CLR_INVALID;
    QPoint pt(X, Y);
    if (d_->external) pt = d_->external->worldTransform().map(pt);
    if (!img->rect().contains(pt)) return CLR_INVALID;
    return GraphicsQt::FromQColor(img->pixelColor(pt));
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
    QPainter* p = d_->Painter();
    if (!p) return;
    Changing();
    PainterState state(p);
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->fillRect(QRect(X, Y, 1, 1), GraphicsQt::ToQColor(Value));
    Changed();
}

TRect TCanvas::ClipRect() const {
    if (d_->external) {
        QPainter* p = d_->external;
        QRect r = p->hasClipping() ? p->clipBoundingRect().toAlignedRect()
                                   : p->worldTransform().inverted().mapRect(p->viewport());
        return GraphicsQt::FromQRect(r);
    }
    if (!d_->image || d_->image->isNull()) return {};
    QRect r = d_->image->rect();
    if (d_->clipped) r &= d_->clip.boundingRect();
    return GraphicsQt::FromQRect(r);
}

void TCanvas::IntersectClipRect(const TRect& R) {
    if (d_->external) {
        d_->external->setClipRect(GraphicsQt::ToQRect(R), d_->external->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        return;
    }
    if (!d_->image) return;
    const QRegion r(GraphicsQt::ToQRect(R));
    d_->clip = d_->clipped ? d_->clip.intersected(r) : r;
    d_->clipped = true;
    if (d_->own) d_->own->setClipRegion(d_->clip);
}

void TCanvas::ExcludeClipRect(const TRect& R) {
    if (d_->external) {
        QPainter* p = d_->external;
        const QRegion base = p->hasClipping() ? p->clipRegion() : QRegion(ClipRect().Left, ClipRect().Top,
                                                                          ClipRect().Width(), ClipRect().Height());
        p->setClipRegion(base.subtracted(QRegion(GraphicsQt::ToQRect(R))));
        return;
    }
    if (!d_->image) return;
    const QRegion base = d_->clipped ? d_->clip : QRegion(d_->image->rect());
    d_->clip = base.subtracted(QRegion(GraphicsQt::ToQRect(R)));
    d_->clipped = true;
    if (d_->own) d_->own->setClipRegion(d_->clip);
}

void TCanvas::ResetClip() {
    if (d_->external) {
        d_->external->setClipping(false);
        return;
    }
    d_->clipped = false;
    d_->clip = QRegion();
    if (d_->own) d_->own->setClipping(false);
}

// ---- drawing graphics -----------------------------------------------------------------------------------
void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    Graphic->Draw(this, TRect(X, Y, X + Graphic->Width(), Y + Graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty()) return;
    Graphic->Draw(this, R);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
    QPainter* p = d_->Painter();
    if (!p || !Canvas) return;
    QImage* src = Canvas->d_->Pixels();
    if (!src) return;
    const QImage part = src->copy(GraphicsQt::ToQRect(Source));   // a deep copy, even of our own pixels
    Changing();
    PainterState state(p);
    if (copyMode_ == cmBlackness || copyMode_ == cmWhiteness) {
        p->fillRect(GraphicsQt::ToQRect(Dest), copyMode_ == cmBlackness ? Qt::black : Qt::white);
    } else if (copyMode_ == cmDstInvert) {
        p->setCompositionMode(QPainter::RasterOp_NotDestination);
        p->fillRect(GraphicsQt::ToQRect(Dest), Qt::black);
    } else {
        p->setCompositionMode(copyMode_ == cmSrcCopy ? QPainter::CompositionMode_Source : CopyComposition(copyMode_));
        p->drawImage(GraphicsQt::ToQRect(Dest), part);
    }
    Changed();
}

namespace {

// A copy of an opaque image whose pixels of one colour are see-through.
QImage WithoutColor(const QImage& src, TColor color) {
    QImage out = src.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(GetRValue(color), GetGValue(color), GetBValue(color)) & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return out;
}

} // namespace

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) {
    QPainter* p = d_->Painter();
    if (!p || !Bitmap || Bitmap->Empty()) return;
    Changing();
    const QImage part = Bitmap->Image()->image.copy(GraphicsQt::ToQRect(Source));
    PainterState state(p);
    p->drawImage(GraphicsQt::ToQRect(Dest), WithoutColor(part, Graphics::ColorToRGB(Color)));
    Changed();
}

// ---- graphics -------------------------------------------------------------------------------------------
TGraphic::TGraphic() : image_(std::make_unique<TGraphicImage>()) {}
TGraphic::~TGraphic() = default;

bool TGraphic::Empty() const { return image_->image.isNull(); }
int TGraphic::Width() const { return image_->image.isNull() ? image_->emptyWidth : image_->image.width(); }
int TGraphic::Height() const { return image_->image.isNull() ? image_->emptyHeight : image_->image.height(); }
void TGraphic::SetWidth(int) {}
void TGraphic::SetHeight(int) {}

void TGraphic::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    transparent_ = Value;
    Changed();
}

void TGraphic::Changed() {
    modified_ = true;
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const AnsiString& FileName) {
    TStringStream stream(ReadPictureFile(FileName));
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const AnsiString& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

namespace {

QImage ReadImage(TStream* Stream, QByteArray* format = nullptr) {
    const std::string bytes = Stream->ReadAll();
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QByteArray kind = reader.format().toLower();   // known only before the read
    QImage img = reader.read();
    if (img.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
    if (format) *format = kind;
    return img;
}

} // namespace

void TGraphic::LoadFromStream(TStream* Stream) {
    QImage img = ReadImage(Stream);
    ReleasePainter();
    image_->image = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    transparent_ = img.hasAlphaChannel();
    Changed();
}

void TGraphic::SaveToStream(TStream* Stream) {
    ReleasePainter();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, SaveFormat());
    if (!image_->image.isNull() && !writer.write(image_->image))
        throw EInvalidGraphic("Cannot write image: " + writer.errorString().toStdString());
    Stream->WriteBuffer(data.constData(), data.size());
}

void TGraphic::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        g->ReleasePainter();
        ReleasePainter();
        image_->image = g->image_->image.copy();
        transparent_ = g->transparent_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TGraphic::Draw(TCanvas* ACanvas, const TRect& Dest) {
    QPainter* p = ACanvas->Private()->Painter();
    if (!p) return;
    PainterState state(p);
    p->drawImage(GraphicsQt::ToQRect(Dest), image_->image);
}

TIcon::TIcon() { transparent_ = true; }

// ---- bitmap ---------------------------------------------------------------------------------------------
TBitmap::TBitmap() {}

TBitmap::~TBitmap() { ReleasePainter(); }

TCanvas* TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>();
        canvas_->Private()->image = &image_->image;
        canvas_->OnChange = [this](TObject*) { Changed(); };
    }
    return canvas_.get();
}

void TBitmap::ReleasePainter() {
    if (canvas_) canvas_->Private()->Release();
}

void TBitmap::SetSize(int AWidth, int AHeight) {
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    if (AWidth == Width() && AHeight == Height()) return;
    ReleasePainter();
    image_->emptyWidth = AWidth;
    image_->emptyHeight = AHeight;
    if (AWidth == 0 || AHeight == 0) {
        image_->image = QImage();
    } else {
        QImage img(AWidth, AHeight, QImage::Format_RGB32);
        img.fill(Qt::white);
        if (!image_->image.isNull()) {
            QPainter p(&img);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, image_->image);
        }
        image_->image = img;
    }
    Changed();
}

void TBitmap::SetWidth(int Value) { SetSize(Value, Height()); }
void TBitmap::SetHeight(int Value) { SetSize(Width(), Value); }

TColor TBitmap::TransparentColor() {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault)
        return Graphics::ColorToRGB(transparentColor_) & 0xFFFFFF;
    if (Monochrome()) return clWhite;
    if (Empty()) return CLR_INVALID;
    return Canvas()->Pixels(0, Height() - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
    if (Value == transparentColor_) return;
    transparentMode_ = Value == clDefault ? tmAuto : tmFixed;
    transparentColor_ = Value;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
    if (Value == transparentMode_) return;
    if (Value == tmAuto) SetTransparentColor(clDefault);
    else SetTransparentColor(TransparentColor());
}

void TBitmap::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        transparentColor_ = b->transparentColor_;
        transparentMode_ = b->transparentMode_;
        pixelFormat_ = b->pixelFormat_;
        TGraphic::Assign(Source);
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        // Another kind of picture becomes its pixels over white.
        ReleasePainter();
        QImage img(std::max(0, g->Width()), std::max(0, g->Height()), QImage::Format_RGB32);
        if (!img.isNull()) {
            img.fill(Qt::white);
            g->ReleasePainter();
            QPainter p(&img);
            p.drawImage(0, 0, g->Image()->image);
        }
        image_->image = img;
        transparent_ = g->Transparent();
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::LoadFromStream(TStream* Stream) {
    QImage img = ReadImage(Stream);
    ReleasePainter();
    if (img.hasAlphaChannel()) {
        QImage flat(img.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter p(&flat);
        p.drawImage(0, 0, img);
        p.end();
        img = flat;
    }
    image_->image = img.convertToFormat(QImage::Format_RGB32);
    Changed();
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Dest) {
    QPainter* p = ACanvas->Private()->Painter();
    if (!p || Empty()) return;
    PainterState state(p);
    if (Transparent()) {
        p->drawImage(GraphicsQt::ToQRect(Dest), WithoutColor(image_->image, TransparentColor()));
        return;
    }
    const TCopyMode mode = ACanvas->CopyMode();
    p->setCompositionMode(mode == cmSrcCopy ? QPainter::CompositionMode_Source : CopyComposition(mode));
    p->drawImage(GraphicsQt::ToQRect(Dest), image_->image);
}

// ---- picture --------------------------------------------------------------------------------------------
TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
    if (OnChange) OnChange(this);
}

void TPicture::Adopt(TGraphic* Graphic) {
    graphic_.reset(Graphic);
    if (graphic_) graphic_->OnChange = [this](TObject* s) { Changed(s); };
    Changed(this);
}

void TPicture::SetGraphic(TGraphic* Value) {
    if (!Value) { Adopt(nullptr); return; }
    if (Value == graphic_.get()) return;
    std::unique_ptr<TGraphic> copy(Value->NewEmpty());
    copy->Assign(Value);
    Adopt(copy.release());
}

TBitmap* TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(graphic_.get())) Adopt(new TBitmap);
    return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon() {
    if (!dynamic_cast<TIcon*>(graphic_.get())) Adopt(new TIcon);
    return static_cast<TIcon*>(graphic_.get());
}

void TPicture::LoadFromFile(const AnsiString& FileName) {
    TStringStream stream(ReadPictureFile(FileName));
    LoadFromStream(&stream);
}

void TPicture::LoadFromStream(TStream* Stream) {
    const std::int64_t start = Stream->Position();
    QByteArray format;
    ReadImage(Stream, &format);   // tells the kind, or raises for bytes that are no picture
    Stream->SetPosition(start);
    std::unique_ptr<TGraphic> g;
    if (format == "bmp" || format == "dib") g = std::make_unique<TBitmap>();
    else if (format == "ico" || format == "cur") g = std::make_unique<TIcon>();
    else if (format == "jpeg" || format == "jpg") g = std::make_unique<TJPEGImage>();
    else if (format == "gif") g = std::make_unique<TGIFImage>();
    else g = std::make_unique<TPngImage>();
    g->LoadFromStream(Stream);
    Adopt(g.release());
}

void TPicture::SaveToFile(const AnsiString& FileName) {
    if (graphic_) graphic_->SaveToFile(FileName);
}

void TPicture::Assign(TPersistent* Source) {
    if (!Source) { SetGraphic(nullptr); return; }
    if (auto* p = dynamic_cast<TPicture*>(Source)) { SetGraphic(p->Graphic()); return; }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) { SetGraphic(g); return; }
    TPersistent::Assign(Source);
}

int GetDeviceCaps(TCanvas* Canvas, int Index) {
    if (Index != LOGPIXELSX && Index != LOGPIXELSY) return 0;
    QPaintDevice* device = nullptr;
    if (Canvas) {
        if (QPainter* p = Canvas->Private()->external) device = p->device();
        else if (QImage* img = Canvas->Private()->image) device = img;
    }
    if (!device) return 96;
    const int dpi = Index == LOGPIXELSX ? device->logicalDpiX() : device->logicalDpiY();
    return dpi > 0 ? dpi : 96;
}
