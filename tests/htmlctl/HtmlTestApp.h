#pragma once
// Painting needs a Qt application for its fonts: one offscreen application for the whole test
// program. Helpers read back what the renderer painted on a bitmap.
#include <QApplication>

#include <gtest/gtest.h>

#include "Graphics.h"

namespace htmltest {

inline void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "htmlctl_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

class Painting : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
    void SetUp() override { Reset(200, 100); }
    // A white bitmap with the font the texts are drawn in.
    void Reset(int w, int h) {
        bmp.SetSize(w, h);
        c = bmp.Canvas();
        c->Brush()->SetColor(clWhite);
        c->FillRect(TRect(0, 0, w, h));
        c->Font()->SetName("Arial");
        c->Font()->SetSize(10);
        c->Font()->SetStyle({});
        c->Font()->SetColor(clBlack);
    }
    int W(const AnsiString& s) { return c->TextWidth(s); }
    int TH() { return c->TextHeight("gh"); }
    TColor At(int x, int y) { return c->Pixels(x, y); }

    // Bounds of pixels other than background inside Area.
    TRect Ink(const TRect& area, TColor background = clWhite) {
        TRect r{area.Right, area.Bottom, area.Left, area.Top};
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                if (At(x, y) != background) {
                    r.Left = std::min(r.Left, x); r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1); r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.IsEmpty() ? TRect() : r;
    }
    TRect Ink() { return Ink(TRect(0, 0, bmp.Width(), bmp.Height())); }
    int Count(const TRect& area, TColor color) {
        int n = 0;
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x) n += At(x, y) == color;
        return n;
    }
    bool Reddish(TColor col) { return GetRValue(col) > 150 && GetGValue(col) < 100 && GetBValue(col) < 100; }
    int CountIf(const TRect& area, bool (Painting::*pred)(TColor)) {
        int n = 0;
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x) n += (this->*pred)(At(x, y));
        return n;
    }

    TBitmap bmp;
    TCanvas* c = nullptr;
};

} // namespace htmltest
