#pragma once
// The Qt side of the graphics unit, for the visual library's own sources only: colours, fonts and
// rectangles in Qt's terms, and a canvas over a painter that someone else began (a window's paint).
// Reached by a path past the include directories, it still refuses what lies above the platform.
#ifndef ZB_PLATFORM_PRIVATE
#error "the Qt side of the visual library is for the platform and its tests only"
#endif

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>

#include <memory>

#include "Graphics.h"

struct TGraphicImage {
    QImage image;
    // The size asked for while one side is still 0, so SetWidth then SetHeight makes the bitmap.
    int emptyWidth = 0, emptyHeight = 0;
};

struct TCanvasPrivate {
    QPainter* external = nullptr;        // a painter lent for one paint
    QImage* image = nullptr;             // a bitmap's pixels when there is no lent painter
    std::unique_ptr<QPainter> own;       // begun on image on first use
    bool clipped = false;                // clip kept for the own painter across its restarts
    QRegion clip;
    unsigned fontStamp = 0;
    QFont font;
    std::unique_ptr<QFontMetrics> metrics;

    // The canvas font in Qt's terms, made again only after the font changed.
    const QFont& Font(const TFont& font);
    const QFontMetrics& Metrics(const TFont& font);

    // The painter to draw with, or null when the canvas has no surface.
    QPainter* Painter();
    // Ends the own painter so the image may be copied or replaced.
    void Release();
    // The pixels behind the canvas when they can be read (a bitmap, or a lent painter on an image).
    QImage* Pixels() const;
};

namespace GraphicsQt {

QColor ToQColor(TColor color);   // system colours resolved
TColor FromQColor(const QColor& color);
QFont ToQFont(const TFont& font);
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect FromQRect(const QRect& r) { return TRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1); }

// Lends Painter to Canvas until EndPaint; the canvas keeps its font, pen and brush between paints.
void BeginPaint(TCanvas* Canvas, QPainter* Painter);
void EndPaint(TCanvas* Canvas);

class CanvasPaintScope {
public:
    CanvasPaintScope(TCanvas* canvas, QPainter* painter) : canvas_(canvas) { BeginPaint(canvas, painter); }
    ~CanvasPaintScope() { EndPaint(canvas_); }
    CanvasPaintScope(const CanvasPaintScope&) = delete;
    CanvasPaintScope& operator=(const CanvasPaintScope&) = delete;
private:
    TCanvas* canvas_;
};

// The graphic's pixels (a copy, with alpha), e.g. for a window icon; null image when empty.
QImage ToImage(TGraphic* Graphic);

} // namespace GraphicsQt
