// Shapes, lines, fills and pixels painted on a bitmap and read back pixel by pixel.
#include <QImage>
#include <QPainter>

#include "GraphicsQt.h"
#include "GraphicsTestApp.h"

using namespace graphicstest;

namespace {

class CanvasTest : public Painting {
protected:
    void SetUp() override { MakeWhite(bmp, 20, 20); c = bmp.Canvas(); }
    TColor At(int x, int y) { return c->Pixels(x, y); }
    TBitmap bmp;
    TCanvas* c = nullptr;
};

TEST_F(CanvasTest, LineLeavesOutItsEndPixel) {
    c->Pen()->SetColor(clRed);
    c->MoveTo(2, 3);
    c->LineTo(10, 3);
    for (int x = 2; x < 10; ++x) EXPECT_EQ(At(x, 3), clRed) << x;
    EXPECT_EQ(At(10, 3), clWhite);
    EXPECT_EQ(At(1, 3), clWhite);
    EXPECT_EQ(c->PenPos(), TPoint(10, 3));

    // Vertical, upwards, and the next segment starts where the last one stopped.
    c->LineTo(10, 0);
    EXPECT_EQ(At(10, 3), clRed);
    EXPECT_EQ(At(10, 1), clRed);
    EXPECT_EQ(At(10, 0), clWhite);

    // A diagonal: exactly the points before the end.
    c->MoveTo(0, 10);
    c->LineTo(5, 15);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(At(i, 10 + i), clRed) << i;
    EXPECT_EQ(At(5, 15), clWhite);
    EXPECT_EQ(CountColor(bmp, clRed), 8 + 3 + 5);
}

TEST_F(CanvasTest, PolylineAndPolygonOutline) {
    c->Pen()->SetColor(clBlue);
    c->Polyline({{1, 1}, {6, 1}, {6, 6}});
    EXPECT_EQ(At(1, 1), clBlue);
    EXPECT_EQ(At(6, 1), clBlue);   // a corner is the start of the next segment
    EXPECT_EQ(At(6, 5), clBlue);
    EXPECT_EQ(At(6, 6), clWhite);  // the last point is left out
    EXPECT_EQ(c->PenPos(), TPoint(0, 0));

    // A closed polygon has every outline pixel, filled inside with the brush.
    c->Brush()->SetColor(clLime);
    c->Polygon({{10, 10}, {18, 10}, {18, 18}, {10, 18}});
    for (int i = 10; i <= 18; ++i) {
        EXPECT_EQ(At(i, 10), clBlue) << i;
        EXPECT_EQ(At(i, 18), clBlue) << i;
        EXPECT_EQ(At(10, i), clBlue) << i;
        EXPECT_EQ(At(18, i), clBlue) << i;
    }
    EXPECT_EQ(At(14, 14), clLime);
}

TEST_F(CanvasTest, RectangleCoversHalfOpenBox) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clYellow);
    c->Rectangle(2, 3, 8, 9);
    EXPECT_EQ(InkBounds(bmp, clWhite), TRect(2, 3, 8, 9));
    for (int x = 2; x < 8; ++x) {
        EXPECT_EQ(At(x, 3), clBlack);
        EXPECT_EQ(At(x, 8), clBlack);
    }
    for (int y = 3; y < 9; ++y) {
        EXPECT_EQ(At(2, y), clBlack);
        EXPECT_EQ(At(7, y), clBlack);
    }
    EXPECT_EQ(CountColor(bmp, clYellow), 4 * 4);

    // Corners given the wrong way round draw the same rectangle.
    TBitmap other;
    MakeWhite(other, 20, 20);
    other.Canvas()->Pen()->SetColor(clBlack);
    other.Canvas()->Brush()->SetColor(clYellow);
    other.Canvas()->Rectangle(8, 9, 2, 3);
    EXPECT_TRUE(SamePixels(bmp, other));
}

TEST_F(CanvasTest, RectangleWithoutPenStopsShortOfRightAndBottom) {
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clRed);
    c->Rectangle(2, 2, 6, 6);
    EXPECT_EQ(InkBounds(bmp, clWhite), TRect(2, 2, 5, 5));
}

TEST_F(CanvasTest, FillAndFrameUseTheBrush) {
    c->Brush()->SetColor(clNavy);
    c->FillRect(TRect(1, 1, 5, 4));
    EXPECT_EQ(CountColor(bmp, clNavy), 12);
    EXPECT_EQ(InkBounds(bmp, clWhite), TRect(1, 1, 5, 4));

    c->Brush()->SetColor(clMaroon);
    c->FrameRect(TRect(10, 10, 15, 14));
    EXPECT_EQ(CountColor(bmp, clMaroon), 5 + 5 + 2 + 2);
    EXPECT_EQ(At(10, 10), clMaroon);
    EXPECT_EQ(At(14, 13), clMaroon);
    EXPECT_EQ(At(12, 12), clWhite);

    // A clear brush fills nothing; the empty rectangle neither.
    c->Brush()->SetStyle(bsClear);
    c->FillRect(TRect(0, 0, 20, 20));
    c->Brush()->SetColor(clRed);
    c->FillRect(TRect(5, 5, 5, 9));
    EXPECT_EQ(CountColor(bmp, clRed), 0);
    EXPECT_EQ(CountColor(bmp, clNavy), 12);
}

TEST_F(CanvasTest, BrushColourNoneIsClear) {
    TBrush b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.SetColor(clNone);
    EXPECT_EQ(b.Style(), bsClear);
    b.SetColor(clRed);
    EXPECT_EQ(b.Style(), bsSolid);
    EXPECT_EQ(changes, 2);
}

TEST_F(CanvasTest, PixelsReadAndWrite) {
    c->SetPixels(4, 5, clBtnFace);   // system colours are resolved
    EXPECT_EQ(At(4, 5), Graphics::ColorToRGB(clBtnFace));
    EXPECT_EQ(At(-1, 0), CLR_INVALID);
    EXPECT_EQ(At(20, 0), CLR_INVALID);
    TCanvas bare;
    EXPECT_EQ(bare.Pixels(0, 0), CLR_INVALID);
    bare.LineTo(5, 5);   // no surface: nothing happens, the pen still moves
    EXPECT_EQ(bare.PenPos(), TPoint(5, 5));
}

TEST_F(CanvasTest, XorPenTwiceRestores) {
    c->Brush()->SetColor(clRed);
    c->FillRect(TRect(0, 0, 10, 10));
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(clWhite);
    c->MoveTo(0, 5);
    c->LineTo(10, 5);
    EXPECT_EQ(At(3, 5), clAqua);   // red xor white
    c->MoveTo(0, 5);
    c->LineTo(10, 5);
    EXPECT_EQ(At(3, 5), clRed);

    c->Pen()->SetMode(pmNot);
    c->MoveTo(0, 15);
    c->LineTo(3, 15);
    EXPECT_EQ(At(1, 15), clBlack);   // white inverted
}

TEST_F(CanvasTest, DottedPenLeavesGapsInBrushColour) {
    c->Pen()->SetStyle(psDot);
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetStyle(bsClear);
    c->MoveTo(0, 1);
    c->LineTo(12, 1);
    EXPECT_EQ(At(0, 1), clBlack);
    EXPECT_EQ(At(2, 1), clBlack);
    EXPECT_EQ(At(3, 1), clWhite);
    EXPECT_EQ(At(6, 1), clBlack);

    c->Brush()->SetColor(clRed);
    c->MoveTo(0, 2);
    c->LineTo(12, 2);
    EXPECT_EQ(At(3, 2), clRed);
    EXPECT_EQ(At(12, 2), clWhite);
}

TEST_F(CanvasTest, FocusRectDrawnTwiceDisappears) {
    c->DrawFocusRect(TRect(2, 2, 12, 8));
    EXPECT_EQ(At(2, 2), clBlack);
    EXPECT_EQ(At(3, 2), clWhite);
    EXPECT_GT(CountColor(bmp, clBlack), 10);
    c->DrawFocusRect(TRect(2, 2, 12, 8));
    EXPECT_EQ(CountColor(bmp, clBlack), 0);
}

TEST_F(CanvasTest, EllipseAndRoundRectStayInTheirBox) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clLime);
    c->Ellipse(2, 2, 12, 10);
    EXPECT_EQ(InkBounds(bmp, clWhite), TRect(2, 2, 12, 10));
    EXPECT_EQ(At(7, 6), clLime);
    EXPECT_EQ(At(2, 2), clWhite);   // the corner is outside the ellipse

    MakeWhite(bmp, 20, 20);
    c->RoundRect(1, 1, 19, 15, 8, 8);
    EXPECT_EQ(InkBounds(bmp, clWhite), TRect(1, 1, 19, 15));
    EXPECT_EQ(At(1, 1), clWhite);
    EXPECT_EQ(At(10, 1), clBlack);
}

TEST_F(CanvasTest, ClipRectLimitsPainting) {
    EXPECT_EQ(c->ClipRect(), TRect(0, 0, 20, 20));
    c->IntersectClipRect(TRect(5, 5, 10, 10));
    EXPECT_EQ(c->ClipRect(), TRect(5, 5, 10, 10));
    c->Brush()->SetColor(clRed);
    c->FillRect(TRect(0, 0, 20, 20));
    EXPECT_EQ(InkBounds(bmp, clWhite), TRect(5, 5, 10, 10));
    // The clip survives the canvas letting go of the image (a pixel read, an assignment).
    TBitmap copy;
    copy.Assign(&bmp);
    c->Brush()->SetColor(clBlue);
    c->FillRect(TRect(0, 0, 20, 20));
    EXPECT_EQ(CountColor(bmp, clBlue), 25);
    EXPECT_EQ(CountColor(copy, clBlue), 0);
    c->ResetClip();
    EXPECT_EQ(c->ClipRect(), TRect(0, 0, 20, 20));
}

TEST_F(CanvasTest, CanvasOverALentPainter) {
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.translate(2, 3);
    TCanvas canvas;
    canvas.Brush()->SetColor(clRed);
    canvas.Pen()->SetColor(clBlue);
    {
        GraphicsQt::CanvasPaintScope scope(&canvas, &p);
        canvas.FillRect(TRect(0, 0, 2, 2));
        canvas.MoveTo(0, 4);
        canvas.LineTo(3, 4);
        EXPECT_EQ(canvas.Pixels(1, 1), clRed);   // read back through the painter's origin
    }
    EXPECT_FALSE(canvas.HandleAllocated());
    canvas.FillRect(TRect(0, 0, 10, 10));   // after the paint: nothing
    p.end();
    EXPECT_EQ(img.pixelColor(2, 3), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(3, 4), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(4, 5), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(4, 7), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(5, 7), QColor(Qt::white));
}

TEST(RectHelpers, WindowSystemRules) {
    TRect r = Types::Rect(1, 2, 5, 6);
    EXPECT_EQ(Types::Bounds(1, 2, 4, 4), r);
    InflateRect(r, 1, 2);
    EXPECT_EQ(r, TRect(0, 0, 6, 8));
    OffsetRect(r, 3, -1);
    EXPECT_EQ(r, TRect(3, -1, 9, 7));
    EXPECT_TRUE(PtInRect(r, Types::Point(3, -1)));
    EXPECT_FALSE(PtInRect(r, Types::Point(9, 0)));   // right edge is outside
    TRect d{9, 9, 9, 9};
    EXPECT_TRUE(IntersectRect(d, r, TRect(5, 5, 20, 20)));
    EXPECT_EQ(d, TRect(5, 5, 9, 7));
    EXPECT_FALSE(IntersectRect(d, r, TRect(9, 0, 12, 3)));   // touching is not overlapping
    EXPECT_EQ(d, TRect());
    EXPECT_TRUE(UnionRect(d, TRect(), TRect(1, 1, 2, 2)));
    EXPECT_EQ(d, TRect(1, 1, 2, 2));
    TFontStyles s{fsBold};
    s << fsItalic;
    EXPECT_TRUE(s.Contains(fsItalic));
    s >> fsBold;
    EXPECT_FALSE(s.Contains(fsBold));
    EXPECT_EQ(s, TFontStyles({fsItalic}));
}

} // namespace
