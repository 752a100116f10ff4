#pragma once
// Painting tests need a Qt application for fonts; one is made for the whole test program, offscreen,
// unless another part of the program made one already.
#include <QApplication>
#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include "Graphics.h"

namespace graphicstest {

inline void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "platform_vcl_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

class Painting : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

// A white bitmap of the given size; the canvas keeps its brush.
inline void MakeWhite(TBitmap& bmp, int w, int h) {
    bmp.SetSize(w, h);
    TBrush saved;
    saved.Assign(bmp.Canvas()->Brush());
    bmp.Canvas()->Brush()->SetColor(clWhite);
    bmp.Canvas()->FillRect(TRect(0, 0, w, h));
    bmp.Canvas()->Brush()->Assign(&saved);
}

// The bounding box of pixels that differ from `background`, empty when there are none.
inline TRect InkBounds(TBitmap& bmp, TColor background) {
    TRect r{bmp.Width(), bmp.Height(), 0, 0};
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (bmp.Canvas()->Pixels(x, y) != background) {
                r.Left = std::min(r.Left, x); r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1); r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.IsEmpty() ? TRect() : r;
}

// The bounding box of the pixels of one colour.
inline TRect ColorBounds(TBitmap& bmp, TColor c) {
    TRect r{bmp.Width(), bmp.Height(), 0, 0};
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (bmp.Canvas()->Pixels(x, y) == c) {
                r.Left = std::min(r.Left, x); r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1); r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.IsEmpty() ? TRect() : r;
}

inline int CountColor(TBitmap& bmp, TColor c) {
    int n = 0;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) n += bmp.Canvas()->Pixels(x, y) == c;
    return n;
}

inline bool SamePixels(TBitmap& a, TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Canvas()->Pixels(x, y) != b.Canvas()->Pixels(x, y)) return false;
    return true;
}

} // namespace graphicstest
