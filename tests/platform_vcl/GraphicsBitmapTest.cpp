// Bitmaps, their transparent colour, pictures loaded from real files and image lists.
#include <QImage>
#include <QImageWriter>

#include <fstream>

#include "GraphicsQt.h"
#include "GraphicsTestApp.h"
#include "ImgList.h"
#include "TempDir.h"

using namespace graphicstest;

namespace {

class BitmapTest : public Painting {};

void Fill(TBitmap& bmp, const TRect& r, TColor c) {
    bmp.Canvas()->Brush()->SetColor(c);
    bmp.Canvas()->FillRect(r);
}

TEST_F(BitmapTest, SizeKeepsOldPixelsAndAddsWhite) {
    TBitmap bmp;
    EXPECT_TRUE(bmp.Empty());
    int changes = 0;
    bmp.OnChange = [&](TObject*) { ++changes; };
    bmp.SetSize(4, 3);
    EXPECT_EQ(bmp.Width(), 4);
    EXPECT_EQ(bmp.Height(), 3);
    EXPECT_EQ(CountColor(bmp, clWhite), 12);
    Fill(bmp, TRect(0, 0, 4, 3), clRed);
    bmp.SetWidth(6);
    bmp.SetHeight(5);
    EXPECT_EQ(ColorBounds(bmp, clRed), TRect(0, 0, 4, 3));
    EXPECT_EQ(CountColor(bmp, clWhite), 30 - 12);
    EXPECT_GE(changes, 4);   // sizes and the painting announce themselves
    bmp.SetWidth(0);
    EXPECT_TRUE(bmp.Empty());
}

TEST_F(BitmapTest, WidthThenHeightMakesTheBitmap) {
    TBitmap bmp;
    bmp.SetWidth(5);
    EXPECT_EQ(bmp.Width(), 5);
    EXPECT_TRUE(bmp.Empty());
    bmp.SetHeight(2);
    EXPECT_EQ(bmp.Width(), 5);
    EXPECT_EQ(bmp.Height(), 2);
    EXPECT_FALSE(bmp.Empty());
    EXPECT_EQ(bmp.Canvas()->Pixels(4, 1), clWhite);
}

TEST_F(BitmapTest, AutomaticTransparentColourIsTheBottomLeftPixel) {
    TBitmap bmp;
    bmp.SetSize(5, 5);
    EXPECT_EQ(bmp.TransparentMode(), tmAuto);
    EXPECT_EQ(bmp.TransparentColor(), clWhite);
    bmp.Canvas()->SetPixels(0, 4, clFuchsia);
    EXPECT_EQ(bmp.TransparentColor(), clFuchsia);
    bmp.Canvas()->SetPixels(4, 0, clLime);   // another corner does not count
    EXPECT_EQ(bmp.TransparentColor(), clFuchsia);

    bmp.SetTransparentColor(clBtnFace);
    EXPECT_EQ(bmp.TransparentMode(), tmFixed);
    EXPECT_EQ(bmp.TransparentColor(), Graphics::ColorToRGB(clBtnFace));
    bmp.SetTransparentMode(tmAuto);
    EXPECT_EQ(bmp.TransparentColor(), clFuchsia);
    // Fixing the mode keeps the colour it had.
    bmp.SetTransparentMode(tmFixed);
    bmp.Canvas()->SetPixels(0, 4, clNavy);
    EXPECT_EQ(bmp.TransparentColor(), clFuchsia);
    TBitmap empty;
    EXPECT_EQ(empty.TransparentColor(), CLR_INVALID);
}

TEST_F(BitmapTest, TransparentBitmapLeavesItsColourOut) {
    TBitmap glyph;
    glyph.SetSize(4, 4);
    Fill(glyph, TRect(0, 0, 4, 4), clFuchsia);
    Fill(glyph, TRect(1, 1, 3, 3), clBlue);
    TBitmap dest;
    dest.SetSize(10, 10);
    Fill(dest, TRect(0, 0, 10, 10), clGray);

    dest.Canvas()->Draw(2, 2, &glyph);
    EXPECT_EQ(ColorBounds(dest, clFuchsia), TRect(2, 2, 6, 6));
    Fill(dest, TRect(0, 0, 10, 10), clGray);
    glyph.SetTransparent(true);
    dest.Canvas()->Draw(2, 2, &glyph);
    EXPECT_EQ(CountColor(dest, clFuchsia), 0);
    EXPECT_EQ(ColorBounds(dest, clBlue), TRect(3, 3, 5, 5));
    EXPECT_EQ(CountColor(dest, clGray), 100 - 4);

    // Its pixels for the window system carry the same see-through colour.
    const QImage img = GraphicsQt::ToImage(&glyph);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(1, 1)), 255);
}

TEST_F(BitmapTest, StretchDrawAndCopyRect) {
    TBitmap src;
    src.SetSize(2, 2);
    src.Canvas()->SetPixels(0, 0, clRed);
    src.Canvas()->SetPixels(1, 1, clBlue);
    TBitmap dest;
    dest.SetSize(8, 8);
    Fill(dest, TRect(0, 0, 8, 8), clBlack);
    dest.Canvas()->StretchDraw(TRect(2, 2, 8, 8), &src);
    EXPECT_EQ(ColorBounds(dest, clRed), TRect(2, 2, 5, 5));
    EXPECT_EQ(ColorBounds(dest, clBlue), TRect(5, 5, 8, 8));
    EXPECT_EQ(CountColor(dest, clBlack), 64 - 36);

    TBitmap copy;
    copy.SetSize(4, 4);
    copy.Canvas()->CopyRect(TRect(1, 1, 3, 3), dest.Canvas(), TRect(4, 4, 6, 6));
    EXPECT_EQ(copy.Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(copy.Canvas()->Pixels(2, 2), clBlue);
    EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clWhite);

    // A bitmap assigned is a copy of its own.
    TBitmap b;
    b.Assign(&src);
    src.Canvas()->SetPixels(0, 0, clLime);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(b.Width(), 2);
}

TEST_F(BitmapTest, BrushCopyLeavesTheGivenColourOut) {
    TBitmap src;
    src.SetSize(3, 1);
    src.Canvas()->SetPixels(0, 0, clRed);
    src.Canvas()->SetPixels(2, 0, clBlue);
    TBitmap dest;
    dest.SetSize(3, 1);
    Fill(dest, TRect(0, 0, 3, 1), clBlack);
    dest.Canvas()->BrushCopy(TRect(0, 0, 3, 1), &src, TRect(0, 0, 3, 1), clWhite);
    EXPECT_EQ(dest.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(dest.Canvas()->Pixels(1, 0), clBlack);
    EXPECT_EQ(dest.Canvas()->Pixels(2, 0), clBlue);
}

TEST_F(BitmapTest, SavedAndLoadedAgainAsBmp) {
    testsupport::TempDir dir;
    TBitmap bmp;
    bmp.SetSize(7, 5);
    bmp.Canvas()->SetPixels(3, 2, clTeal);
    bmp.SaveToFile(dir.file("bild.bmp"));
    EXPECT_EQ(dir.read("bild.bmp").substr(0, 2), "BM");
    TBitmap back;
    back.LoadFromFile(dir.file("bild.bmp"));
    EXPECT_TRUE(SamePixels(bmp, back));
    dir.write("kaputt.bmp", "BM nothing of the rest");
    EXPECT_THROW(back.LoadFromFile(dir.file("kaputt.bmp")), EInvalidGraphic);
    EXPECT_EQ(back.Width(), 7);   // a failed load keeps the old picture
}

// A GIF of the same picture, written by hand since Qt only reads the format. Every pixel follows a
// clear code, so the codes stay three bits wide.
void WriteGif(const std::string& file) {
    std::string g = "GIF89a";
    auto le16 = [&](int v) { g += char(v & 0xFF); g += char(v >> 8); };
    le16(6); le16(4);
    g += char(0x81); g += char(0); g += char(0);   // a global table of four colours
    g += std::string("\xFF\x00\x00\x00\x00\xFF\x00\x00\x00\x00\x00\x00", 12);
    g += char(0x2C); le16(0); le16(0); le16(6); le16(4); g += char(0);
    g += char(2);   // minimum code size
    std::string data;
    unsigned acc = 0;
    int bits = 0;
    auto code = [&](unsigned c) {
        acc |= c << bits;
        bits += 3;
        while (bits >= 8) { data += char(acc & 0xFF); acc >>= 8; bits -= 8; }
    };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) { code(4); code(x < 3 ? 0 : 1); }
    code(5);
    if (bits > 0) data += char(acc & 0xFF);
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::string block = data.substr(i, 255);
        g += char(block.size());
        g += block;
    }
    g += char(0);
    g += char(0x3B);
    std::ofstream(file, std::ios::binary) << g;
}

// Writes a 6 x 4 picture: red on the left half, blue on the right; the top-left pixel half transparent
// where the format keeps alpha.
void WriteImage(const std::string& file, const char* format) {
    QImage img(6, 4, QImage::Format_ARGB32);
    img.fill(QColor(255, 0, 0));
    for (int y = 0; y < 4; ++y)
        for (int x = 3; x < 6; ++x) img.setPixelColor(x, y, QColor(0, 0, 255));
    if (QByteArray(format) == "png") img.setPixelColor(0, 0, QColor(255, 0, 0, 0));
    QImageWriter writer(QString::fromStdString(file), format);
    ASSERT_TRUE(writer.write(format == QByteArray("jpeg") || format == QByteArray("bmp")
                                 ? img.convertToFormat(QImage::Format_RGB32) : img))
        << writer.errorString().toStdString();
}

TEST_F(BitmapTest, PictureLoadsEachKindByItsContent) {
    testsupport::TempDir dir;
    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };

    WriteImage(dir.file("a.png"), "png");
    WriteGif(dir.file("b.gif"));
    WriteImage(dir.file("c.bmp"), "bmp");
    WriteImage(dir.file("d.jpg"), "jpeg");
    // A PNG under a misleading name is still read as what it is.
    WriteImage(dir.file("e.bmp"), "png");

    struct Case { const char* file; const char* kind; };
    for (Case k : {Case{"a.png", "png"}, Case{"b.gif", "gif"}, Case{"c.bmp", "bmp"}, Case{"d.jpg", "jpeg"},
                   Case{"e.bmp", "png"}}) {
        SCOPED_TRACE(k.file);
        pic.LoadFromFile(dir.file(k.file));
        ASSERT_NE(pic.Graphic(), nullptr);
        EXPECT_EQ(pic.Width(), 6);
        EXPECT_EQ(pic.Height(), 4);
        const std::string kind = k.kind;
        bool right_kind = false;
        if (kind == "png") right_kind = dynamic_cast<TPngImage*>(pic.Graphic()) != nullptr;
        if (kind == "gif") right_kind = dynamic_cast<TGIFImage*>(pic.Graphic()) != nullptr;
        if (kind == "bmp") right_kind = dynamic_cast<TBitmap*>(pic.Graphic()) != nullptr;
        if (kind == "jpeg") right_kind = dynamic_cast<TJPEGImage*>(pic.Graphic()) != nullptr;
        EXPECT_TRUE(right_kind);

        TBitmap shown;
        shown.SetSize(6, 4);
        Fill(shown, TRect(0, 0, 6, 4), clLime);
        shown.Canvas()->Draw(0, 0, pic.Graphic());
        const TColor right = shown.Canvas()->Pixels(4, 2), left = shown.Canvas()->Pixels(1, 2);
        if (kind == "jpeg") {   // lossy: near the colours only
            EXPECT_GT(GetBValue(right), 180);
            EXPECT_GT(GetRValue(left), 180);
        } else {
            EXPECT_EQ(right, clBlue);
            EXPECT_EQ(left, clRed);
        }
        if (kind == "png") {
            EXPECT_EQ(shown.Canvas()->Pixels(0, 0), clLime);   // alpha kept
        }
    }
    EXPECT_EQ(changes, 5);

    // The bitmap of a picture that holds a bitmap is that bitmap; otherwise an empty one replaces it.
    pic.LoadFromFile(dir.file("c.bmp"));
    TGraphic* held = pic.Graphic();
    EXPECT_EQ(pic.Bitmap(), held);
    pic.Bitmap()->Canvas()->SetPixels(0, 0, clBlack);   // drawing on it is a change of the picture
    EXPECT_GT(changes, 6);
    pic.LoadFromFile(dir.file("a.png"));
    EXPECT_TRUE(pic.Bitmap()->Empty());

    dir.write("nichts.png", "not a picture at all");
    pic.LoadFromFile(dir.file("a.png"));
    EXPECT_THROW(pic.LoadFromFile(dir.file("nichts.png")), EInvalidGraphic);
    EXPECT_EQ(pic.Width(), 6);
    EXPECT_THROW(pic.LoadFromFile(dir.file("fehlt.png")), EFOpenError);
}

TEST_F(BitmapTest, PictureCopiesAGraphicGivenToIt) {
    TBitmap bmp;
    bmp.SetSize(3, 3);
    bmp.Canvas()->SetPixels(1, 1, clRed);
    TPicture pic;
    pic.SetGraphic(&bmp);
    ASSERT_NE(pic.Graphic(), &bmp);
    bmp.Canvas()->SetPixels(1, 1, clBlue);
    EXPECT_EQ(pic.Bitmap()->Canvas()->Pixels(1, 1), clRed);
    TPicture other;
    other.Assign(&pic);
    EXPECT_EQ(other.Bitmap()->Canvas()->Pixels(1, 1), clRed);
    other.Assign(nullptr);
    EXPECT_EQ(other.Graphic(), nullptr);
}

TEST_F(BitmapTest, IconKeepsItsAlpha) {
    if (!QImageWriter::supportedImageFormats().contains("ico")) GTEST_SKIP() << "no ICO writer";
    testsupport::TempDir dir;
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int i = 4; i < 12; ++i)
        for (int j = 4; j < 12; ++j) img.setPixelColor(i, j, QColor(0, 128, 0));
    ASSERT_TRUE(img.save(QString::fromStdString(dir.file("x.ico")), "ico"));
    TPicture pic;
    pic.LoadFromFile(dir.file("x.ico"));
    ASSERT_NE(dynamic_cast<TIcon*>(pic.Graphic()), nullptr);
    EXPECT_TRUE(pic.Graphic()->Transparent());
    TBitmap shown;
    shown.SetSize(16, 16);
    shown.Canvas()->Draw(0, 0, pic.Graphic());
    EXPECT_EQ(ColorBounds(shown, clGreen), TRect(4, 4, 12, 12));
}

// A strip of five 12 x 12 squares in their own colours, each with a white corner.
void MakeStrip(TBitmap& strip) {
    const TColor colours[] = {clRed, clLime, clBlue, clYellow, clFuchsia};
    strip.SetSize(60, 12);
    for (int i = 0; i < 5; ++i) {
        Fill(strip, Types::Bounds(i * 12, 0, 12, 12), colours[i]);
        Fill(strip, Types::Bounds(i * 12, 0, 3, 3), clWhite);
    }
}

TEST_F(BitmapTest, ImageListCutsAStripAndDrawsMasked) {
    TBitmap strip;
    MakeStrip(strip);
    TImageList list(nullptr);
    list.SetWidth(12);
    list.SetHeight(12);
    TChangeLink link;
    int heard = 0;
    link.OnChange = [&](TObject*) { ++heard; };
    list.RegisterChanges(&link);

    EXPECT_EQ(list.AddMasked(&strip, clWhite), 0);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(heard, 1);

    TBitmap dest;
    dest.SetSize(20, 20);
    Fill(dest, TRect(0, 0, 20, 20), clGray);
    list.Draw(dest.Canvas(), 4, 5, 3);
    EXPECT_EQ(CountColor(dest, clYellow), 144 - 9);
    EXPECT_EQ(ColorBounds(dest, clYellow), Types::Bounds(4, 5, 12, 12));
    EXPECT_EQ(dest.Canvas()->Pixels(4, 5), clGray);   // the masked corner

    // With a mask bitmap: white in the mask is left out.
    TBitmap one, mask;
    one.SetSize(12, 12);
    Fill(one, TRect(0, 0, 12, 12), clNavy);
    mask.SetSize(12, 12);
    Fill(mask, TRect(0, 0, 12, 12), clBlack);
    Fill(mask, TRect(0, 0, 12, 6), clWhite);
    EXPECT_EQ(list.Add(&one, &mask), 5);
    Fill(dest, TRect(0, 0, 20, 20), clGray);
    list.Draw(dest.Canvas(), 0, 0, 5);
    EXPECT_EQ(ColorBounds(dest, clNavy), TRect(0, 6, 12, 12));

    TBitmap got;
    EXPECT_TRUE(list.GetBitmap(1, &got));
    EXPECT_EQ(got.Canvas()->Pixels(6, 6), clLime);
    EXPECT_EQ(got.Canvas()->Pixels(0, 0), clWhite);
    EXPECT_FALSE(list.GetBitmap(9, &got));

    // The glyph's own automatic transparent colour works as the mask colour.
    TBitmap glyph;
    glyph.SetSize(12, 12);
    Fill(glyph, TRect(0, 0, 12, 12), clOlive);
    Fill(glyph, TRect(2, 2, 10, 10), clMaroon);
    const int idx = list.AddMasked(&glyph, glyph.TransparentColor());
    Fill(dest, TRect(0, 0, 20, 20), clGray);
    list.Draw(dest.Canvas(), 0, 0, idx);
    EXPECT_EQ(CountColor(dest, clOlive), 0);
    EXPECT_EQ(CountColor(dest, clMaroon), 64);

    list.SetWidth(16);   // a new size empties the list
    EXPECT_EQ(list.Count(), 0);
    list.UnRegisterChanges(&link);
    const int before = heard;
    list.AddMasked(&strip, clWhite);
    EXPECT_EQ(heard, before);
    EXPECT_EQ(list.Count(), 3);   // 60 columns hold three 16-wide images
}

} // namespace
