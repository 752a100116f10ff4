// The status bar's reading of the markup: its own pictures, its hit band and its text rules.
#include <QBuffer>
#include <QImage>

#include "HTMLDrawEx.h"
#include "HtmlTestApp.h"
#include "TempDir.h"

using namespace htmltest;

namespace {

std::string Bmp(int w, int h, QColor colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

class StatusVariant : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        dir.write("rot.bmp", Bmp(20, 10, Qt::red));
        dir.write("hoch.bmp", Bmp(10, 40, Qt::blue));
        red = "file://" + dir.file("rot.bmp");
        tall = "file://" + dir.file("hoch.bmp");
    }
    THTMLDrawResult Draw(const AnsiString& text, TRect r = TRect(0, 0, 200, 100)) {
        THTMLDrawResult res;
        HTMLDraw(c, text, r, nullptr, -1, -1, false, true, 1.0, clBlue, res);
        return res;
    }
    THTMLDrawResult Hit(const AnsiString& text, int x, int y, bool statusBar = true) {
        THTMLDrawResult res;
        if (statusBar) {
            HTMLDraw(c, text, TRect(0, 0, 200, 100), nullptr, x, y, true, true, 1.0, clBlue, res);
        } else {
            THTMLPictureCache cache;
            THTMLDrawParams p;
            p.X = x;
            p.Y = y;
            p.CheckOnly = true;
            p.PictureCache = &cache;
            HTMLDrawEx(c, text, TRect(0, 0, 200, 100), p, res);
        }
        return res;
    }
    testsupport::TempDir dir;
    AnsiString red, tall;
};

TEST_F(StatusVariant, PicturesFromFiles) {
    auto r = Draw("x<img src=\"" + red + "\">");
    EXPECT_EQ(r.XSize, W("x") + 20);
    EXPECT_EQ(At(W("x"), 0), clRed);
    EXPECT_EQ(At(W("x") + 19, 9), clRed);
    EXPECT_NE(At(W("x") + 20, 5), clRed);
    // Width and height stretch the picture.
    Reset(200, 100);
    r = Draw("<img src=\"" + red + "\" width=\"40\" height=\"30\">");
    EXPECT_EQ(r.XSize, 40);
    EXPECT_EQ(r.YSize, 30);
    EXPECT_EQ(Ink(), TRect(0, 0, 40, 30));
    // A missing file, a name for a container and an address on the web show nothing and take no room.
    Reset(200, 100);
    r = Draw("a<img src=\"file://" + dir.file("fehlt.bmp") + "\"><img src=\"pic\"><img src=\"http://x/y.bmp\">b");
    EXPECT_EQ(r.XSize, W("a") + W("b"));
    dir.write("kaputt.bmp", "BM nothing");
    EXPECT_EQ(Draw("<img src=\"file://" + dir.file("kaputt.bmp") + "\">").XSize, 0);
}

TEST_F(StatusVariant, PicturesFromResourcesAndTiledBackgrounds) {
    const std::string bytes = Bmp(8, 6, Qt::green);
    PictureContainer::SetResourceLookup([&](const AnsiString& name, std::string& out) {
        if (name != "Gruen") return false;
        out = bytes;
        return true;
    });
    auto r = Draw("<img src=\"res://Gruen\"><img src=\"res://Blau\">");
    EXPECT_EQ(r.XSize, 8);
    EXPECT_EQ(Ink(), TRect(0, 0, 8, 6));
    EXPECT_EQ(At(7, 5), clLime);

    // The background takes only files, tiled over the rectangle.
    Reset(60, 40);
    Draw("<body background=\"" + red + "\">", TRect(0, 0, 50, 30));
    EXPECT_EQ(At(0, 0), clRed);
    EXPECT_EQ(At(45, 25), clRed);
    EXPECT_EQ(At(55, 35), clWhite);
    Reset(60, 40);
    Draw("<body background=\"res://Gruen\">", TRect(0, 0, 50, 30));
    EXPECT_TRUE(Ink().IsEmpty());
    PictureContainer::SetResourceLookup(nullptr);
}

TEST_F(StatusVariant, AnchorsAreHitOnlyInTheTextBandOfTheLine) {
    const AnsiString text = "<a href=\"ziel\"><img src=\"" + tall + "\">Text</a>";
    // The line is as high as the picture; its text sits at the bottom.
    const int base = 40;
    const int inBand = base - TH() / 2;
    // At the picture's top: the full renderer hits, the status bar does not.
    EXPECT_TRUE(Hit(text, 5, 2, false).OnAnchor);
    auto r = Hit(text, 5, 2);
    EXPECT_FALSE(r.OnAnchor);
    EXPECT_EQ(r.MouseLink, -1);
    // Lower on the picture, level with the text, both do.
    r = Hit(text, 5, inBand);
    EXPECT_TRUE(r.OnAnchor);
    EXPECT_EQ(r.AnchorVal, "ziel");
    EXPECT_EQ(r.MouseLink, 1);
    r = Hit(text, 10 + W("Te"), inBand);
    EXPECT_TRUE(r.OnAnchor);
    EXPECT_EQ(r.AnchorVal, "ziel");
    // Right at the baseline or above the band: nothing.
    EXPECT_FALSE(Hit(text, 10 + W("Te"), base).OnAnchor);
    EXPECT_FALSE(Hit(text, 10 + W("Te"), base - TH() - 1).OnAnchor);
}

TEST_F(StatusVariant, TextRules) {
    // "&" is an ordinary character and an escaped entity is decoded only once.
    EXPECT_EQ(Draw("a&b").XSize, W("a&b"));
    EXPECT_EQ(Draw("&amp;lt;").XSize, W("&lt;"));
    EXPECT_EQ(Draw("&amp;lt;").StripVal, "&lt;");
    // Font sizes are points: 3 is small here, where the full markup reads it as 12 points.
    EXPECT_LT(Draw("<font size=\"3\">WWgg</font>").XSize, W("WWgg") / 2);
    THTMLDrawParams full;
    full.CheckOnly = true;
    THTMLDrawResult res;
    HTMLDrawEx(c, "<font size=\"3\">WWgg</font>", TRect(0, 0, 200, 100), full, res);
    EXPECT_GT(res.XSize, W("WWgg"));
    // A line that would be cut off at the bottom is not drawn at all.
    Reset(200, 100);
    Draw("oben<br>unten", TRect(0, 0, 200, TH() + TH() / 2));
    EXPECT_TRUE(Ink(TRect(0, TH(), 200, 100)).IsEmpty());
    EXPECT_FALSE(Ink(TRect(0, 0, 200, TH())).IsEmpty());
}

} // namespace
