#pragma once
// Flat controls on a shown form, offscreen: painting them into an image and reading pixels back.
#include <QApplication>
#include <QImage>

#include "Forms.h"
#include "GraphicsQt.h"
#include "VclPrivate.h"

namespace flatview {

inline QWidget* WidgetOf(TControl* c) { return Vcl::Detail::HandleWidget(c); }
inline QImage Grab(TControl* c) {
    Application->ProcessMessages();
    return WidgetOf(c)->grab().toImage();
}
// The pixel as a colour of the class library (0x00BBGGRR).
inline TColor At(const QImage& img, int x, int y) { return GraphicsQt::FromQColor(img.pixelColor(x, y)); }
inline TColor Rgb(TColor c) { return Graphics::ColorToRGB(c); }

// The number of pixels of colour c inside [x1, x2) x [y1, y2).
inline int Count(const QImage& img, int x1, int y1, int x2, int y2, TColor c) {
    int n = 0;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
            if (At(img, x, y) == Rgb(c)) ++n;
    return n;
}

} // namespace flatview
