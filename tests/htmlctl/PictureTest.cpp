// Pictures from bytes, files and the container, animated GIF frames, and pictures in the markup.
#include <QBuffer>
#include <QImage>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "TestTime.h"
#include "AdvImage.h"
#include "GifMaker.h"
#include "HTMLDrawEx.h"
#include "HtmlTestApp.h"
#include "TempDir.h"

using namespace htmltest;

namespace {

std::string Encode(int w, int h, QColor colour, const char* format) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void Load(THTMLPicture& pic, const std::string& bytes) {
    TStringStream s(bytes);
    pic.LoadFromStream(&s);
}

class Pictures : public Painting {};

TEST_F(Pictures, GifFramesAreCountedTimedAndShownAtTheirOffset) {
    THTMLPicture pic;
    Load(pic, testgif::Make(12, 10, {{0, 0, 12, 10, 1, 10}, {2, 3, 4, 5, 2, 20}, {6, 1, 3, 3, 3, 30}}));
    EXPECT_FALSE(pic.Empty());
    EXPECT_TRUE(pic.IsGIFFile());
    EXPECT_EQ(pic.GetFrameCount(), 3);
    EXPECT_EQ(pic.GetFrameTime(2), 20);
    EXPECT_EQ(pic.GetFrameTime(4), -1);
    EXPECT_EQ(pic.GetMaxWidth(), 12);
    EXPECT_EQ(pic.GetMaxHeight(), 10);
    EXPECT_EQ(pic.Frame(), 1);

    c->Draw(0, 0, &pic);
    EXPECT_EQ(At(0, 0), clRed);
    EXPECT_EQ(At(11, 9), clRed);

    int changes = 0;
    pic.OnFrameChange = [&](TObject*) { ++changes; };
    pic.SetFrame(2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pic.FrameLeft(), 2);
    EXPECT_EQ(pic.FrameTop(), 3);
    Reset(40, 40);
    c->Draw(10, 10, &pic);
    EXPECT_EQ(At(10 + 2, 10 + 3), clLime);
    EXPECT_EQ(At(10 + 5, 10 + 7), clLime);
    EXPECT_NE(At(10 + 6, 10 + 8), clLime);

    pic.SetFrame(9);   // no such frame: nothing changes
    EXPECT_EQ(pic.Frame(), 2);
    pic.FrameNext();
    EXPECT_EQ(pic.Frame(), 3);
    pic.FrameNext();
    EXPECT_EQ(pic.Frame(), 1);
    pic.FramePrev();
    EXPECT_EQ(pic.Frame(), 3);
}

TEST_F(Pictures, ZeroDelayFramesStillAdvance) {
    THTMLPicture pic;
    Load(pic, testgif::Make(4, 4, {{0, 0, 4, 4, 1, 0}, {0, 0, 4, 4, 2, 0}}));
    int changes = 0;
    for (int tick = 0; tick < 20; ++tick) changes += pic.Step();
    EXPECT_GE(changes, 10);
    // A still picture never steps.
    THTMLPicture still;
    Load(still, Encode(4, 4, Qt::red, "PNG"));
    EXPECT_FALSE(still.Step());
    EXPECT_EQ(still.GetFrameCount(), -1);
}

TEST_F(Pictures, OtherFormatsAndBadData) {
    THTMLPicture jpeg;
    Load(jpeg, Encode(30, 20, Qt::blue, "JPEG"));
    EXPECT_FALSE(jpeg.Empty());
    EXPECT_EQ(jpeg.GetFrameCount(), -1);
    EXPECT_EQ(jpeg.Width(), 30);
    EXPECT_EQ(jpeg.Height(), 20);
    EXPECT_EQ(jpeg.GetMaxWidth(), 30);

    THTMLPicture bad;
    try {
        Load(bad, "hello");
        FAIL() << "no exception";
    } catch (const SysUtils::Exception& e) {
        EXPECT_EQ(e.Message, "Could not load image. Invalid format");
    }
    EXPECT_TRUE(bad.Empty());
    c->Draw(0, 0, &bad);   // nothing to draw, nothing raised
    EXPECT_TRUE(Ink().IsEmpty());

    // The bytes go out as they came in.
    const std::string png = Encode(3, 3, Qt::green, "PNG");
    THTMLPicture p;
    Load(p, png);
    TMemoryStream out;
    p.SaveToStream(&out);
    EXPECT_EQ(out.DataString(), png);
    THTMLPicture copy;
    copy.Assign(&p);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_FALSE(copy.Empty());
}

TEST_F(Pictures, UrlsOfFilesResourcesAndTheWeb) {
    testsupport::TempDir dir;
    dir.write("Bild.png", Encode(5, 6, Qt::red, "PNG"));
    THTMLPicture file;
    file.LoadFromURL("file://" + dir.file("Bild.png"));
    EXPECT_FALSE(file.Empty());
    EXPECT_EQ(file.ResFileURL(), SysUtils::UpperCase("file://" + dir.file("Bild.png")));

    THTMLPicture web;
    web.SetAsynch(false);
    web.LoadFromURL("http://example.invalid/a.gif");
    EXPECT_TRUE(web.Empty());
    EXPECT_EQ(web.ResFileURL(), "HTTP://EXAMPLE.INVALID/A.GIF");

    const std::string gif = testgif::Make(2, 2, {{0, 0, 2, 2, 3, 5}});
    PictureContainer::SetResourceLookup([&](const AnsiString& name, std::string& bytes) {
        if (name != "logo") return false;
        bytes = gif;
        return true;
    });
    THTMLPicture res;
    res.LoadFromURL("res://logo");
    EXPECT_FALSE(res.Empty());
    THTMLPicture none;
    none.LoadFromURL("res://nothing");
    EXPECT_TRUE(none.Empty());
    PictureContainer::SetResourceLookup(nullptr);
}

TEST_F(Pictures, ContainerFindsUpperCasedNames) {
    TPictureContainer box(nullptr);
    TPictureItem* item = box.Items()->Add();
    item->SetName("MyPic");
    Load(*item->Picture(), Encode(4, 4, Qt::red, "PNG"));
    EXPECT_EQ(box.FindPicture("MYPIC"), item->Picture());
    EXPECT_EQ(box.FindPicture("mypic"), nullptr);
    EXPECT_EQ(box.FindPicture("OTHER"), nullptr);

    THTMLPictureCache cache;
    THTMLPicture* a = cache.AddPicture();
    a->SetAsynch(false);
    a->LoadFromURL("http://x/y.gif");
    EXPECT_EQ(cache.FindPicture("HTTP://X/Y.GIF"), a);
    EXPECT_EQ(cache.FindPicture("http://x/y.gif"), nullptr);
    cache.ClearPictures();
    EXPECT_EQ(cache.Count(), 0);
}

class PicturesInMarkup : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        TPictureItem* item = box.Items()->Add();
        item->SetName("Pic");
        Load(*item->Picture(), Encode(20, 10, Qt::red, "PNG"));
        params.PictureContainer = &box;
        params.PictureCache = &cache;
    }
    THTMLDrawResult Draw(const AnsiString& text, TRect r = TRect(0, 0, 200, 100)) {
        THTMLDrawResult res;
        HTMLDrawEx(c, text, r, params, res);
        return res;
    }
    TPictureContainer box{nullptr};
    THTMLPictureCache cache;
    THTMLDrawParams params;
};

TEST_F(PicturesInMarkup, NamedPictureAfterText) {
    const auto r = Draw("x<IMG src=\"pic\">");
    EXPECT_EQ(r.XSize, W("x") + 20);
    EXPECT_EQ(r.YSize, std::max(TH(), 10));
    EXPECT_EQ(At(W("x"), 0), clRed);
    EXPECT_EQ(At(W("x") + 19, 9), clRed);
    EXPECT_NE(At(W("x") + 20, 0), clRed);
    // Stretched into a box of its own size.
    Reset(200, 100);
    const auto s = Draw("<IMG src=\"pic\" width=\"40\" height=\"30\">");
    EXPECT_EQ(s.XSize, 40);
    EXPECT_EQ(s.YSize, 30);
    EXPECT_EQ(At(39, 29), clRed);
    // A box beyond any screen is held to a bound.
    const auto huge = Draw("<IMG src=\"pic\" width=\"99999999999\" height=\"4000000000\">x");
    EXPECT_EQ(huge.XSize, MaxMarkupLength + W("x"));
    EXPECT_EQ(huge.YSize, MaxMarkupLength);
}

TEST_F(PicturesInMarkup, ResourcePicturesAreTheProgramsOwn) {
    // The test program registers the program's pictures as the program does.
    auto r = Draw("<IMG src=\"RES://TTFONT\">x");
    EXPECT_EQ(r.XSize, 13 + W("x"));
    EXPECT_EQ(r.YSize, std::max(TH(), 13));
    EXPECT_EQ(At(0, 0), clGray);     // the grey T's bar
    EXPECT_EQ(At(5, 3), clBlack);    // the black T's bar
    EXPECT_EQ(At(1, 2), clTeal);     // its background, drawn as it is
    EXPECT_EQ(Draw("<IMG src=\"RES://nichtda\">x").XSize, W("x"));
    // The to-do list's check mark, one of the pictures drawn when the program is built.
    Reset(200, 100);
    r = Draw("<IMG src=\"RES://KDVTODO02\">x");
    EXPECT_EQ(r.XSize, 16 + W("x"));
    EXPECT_EQ(At(2, 2), clGray);     // the box's frame
    EXPECT_EQ(At(5, 8), clGreen);    // the tick
    // The status bar's renderer finds them too, by a name in any case.
    Reset(200, 100);
    params.Variant = THTMLVariant::StatusBar;
    r = Draw("<IMG src=\"res://devicefont\">x");
    EXPECT_EQ(r.XSize, 13 + W("x"));
    EXPECT_EQ(At(4, 2), clBlack);
}

TEST_F(PicturesInMarkup, PicturesWrapOrStandAlone) {
    // Does not fit after the text: the picture starts the next line.
    auto r = Draw("wwwww<IMG src=\"pic\">", TRect(0, 0, W("wwwww") + 10, 100));
    EXPECT_EQ(r.YSize, TH() + std::max(TH(), 10));
    EXPECT_EQ(At(0, TH()), clRed);
    // Wider than the whole rectangle: placed anyway.
    Reset(200, 100);
    r = Draw("<IMG src=\"pic\">", TRect(0, 0, 15, 100));
    EXPECT_EQ(r.XSize, 20);
    EXPECT_EQ(At(0, 0), clRed);
}

TEST_F(PicturesInMarkup, PictureAnchorsAreHit) {
    params.CheckOnly = true;
    params.X = W("a") + 5;
    params.Y = 5;
    const auto r = Draw("a<A href=\"bild\"><IMG src=\"pic\"></A>");
    EXPECT_TRUE(r.OnAnchor);
    EXPECT_EQ(r.AnchorVal, "bild");
    EXPECT_EQ(r.MouseLink, 1);
    EXPECT_TRUE(Ink().IsEmpty());   // a hit test draws nothing
}

TEST_F(PicturesInMarkup, FilesAndTheWebThroughTheCache) {
    testsupport::TempDir dir;
    dir.write("Rot.png", Encode(8, 8, Qt::blue, "PNG"));
    const AnsiString url = "file://" + dir.file("Rot.png");
    auto r = Draw("<IMG src=\"" + url + "\"><IMG src=\"" + url + "\">");
    EXPECT_EQ(r.XSize, 16);
    EXPECT_EQ(At(15, 7), clBlue);
    EXPECT_EQ(cache.Count(), 1);

    // Pictures from the web are never fetched: an empty entry per address, nothing drawn.
    Reset(200, 100);
    cache.ClearPictures();
    r = Draw("<IMG src=\"http://a/b.gif\"><IMG src=\"http://a/b.gif\"><IMG src=\"http://A/C.gif\">");
    EXPECT_EQ(cache.Count(), 2);
    EXPECT_EQ(r.XSize, 0);
    EXPECT_TRUE(Ink().IsEmpty());

    // A missing or broken file draws nothing and raises nothing.
    cache.ClearPictures();
    dir.write("kaputt.gif", "GIF89a but nothing more");
    r = Draw("a<IMG src=\"file://" + dir.file("fehlt.png") + "\">b<IMG src=\"file://" + dir.file("kaputt.gif") + "\">");
    EXPECT_EQ(r.XSize, W("a") + W("b"));
    EXPECT_EQ(cache.Count(), 2);
    // A name that no container holds.
    EXPECT_EQ(Draw("<IMG src=\"nothere\">x").XSize, W("x"));
}

// Markup from other programs may name any file. Only a regular file of sane size is read; a FIFO
// would block the main thread in its open, a device or a huge file would be read without end.
TEST_F(PicturesInMarkup, OnlyRegularFilesOfSaneSizeAreRead) {
    testsupport::TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("Ordner.png"));
    // A real picture made larger than the limit with trailing zeros the decoder would skip.
    dir.write("Riesig.png", Encode(8, 8, Qt::blue, "PNG"));
    std::filesystem::resize_file(dir.file("Riesig.png"), PictureContainer::MaxPictureFileBytes + 1);
    dir.write("Klein.png", Encode(8, 8, Qt::blue, "PNG"));

    // A watchdog frees a reader stuck in the FIFO's open (a writer comes and goes) and says so.
    std::mutex m;
    std::condition_variable cv;
    bool done = false, stuck = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(m);
        if (cv.wait_for(lock, std::chrono::milliseconds(testsupport::Scaled(20000)), [&] { return done; })) return;
        stuck = true;
        while (!done) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            lock.lock();
        }
    });
    std::vector<std::string> names{fifo, dir.file("Ordner.png"), dir.file("Riesig.png")};
    if (std::filesystem::exists("/dev/zero")) names.push_back("/dev/zero");
    for (THTMLVariant variant : {THTMLVariant::Full, THTMLVariant::StatusBar}) {
        params.Variant = variant;
        for (const std::string& name : names) {
            Reset(200, 100);
            cache.ClearPictures();
            const auto r = Draw("<BODY background=\"file://" + name + "\">a<IMG src=\"file://" + name + "\">b");
            EXPECT_EQ(r.XSize, W("a") + W("b")) << name;
            EXPECT_EQ(Count(TRect(0, 0, 200, 100), clBlue), 0) << name;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m);
        done = true;
    }
    cv.notify_all();
    watchdog.join();
    EXPECT_FALSE(stuck) << "the FIFO blocked the renderer";
    // The same picture below the limit shows.
    params.Variant = THTMLVariant::Full;
    Reset(200, 100);
    EXPECT_EQ(Draw("a<IMG src=\"file://" + dir.file("Klein.png") + "\">b").XSize, W("a") + 8 + W("b"));
    EXPECT_EQ(At(W("a") + 7, 7), clBlue);
}

TEST_F(PicturesInMarkup, ImageListPicturesAndBodyBackground) {
    TImageList list(nullptr);
    list.SetWidth(16);
    list.SetHeight(16);
    TBitmap glyph;
    glyph.SetSize(16, 16);
    glyph.Canvas()->Brush()->SetColor(clGreen);
    glyph.Canvas()->FillRect(TRect(0, 0, 16, 16));
    list.AddMasked(&glyph, clNone);
    params.Images = &list;
    auto r = Draw("<IMG src=\"idx:0\">x<IMG src=\"idx:1\">");
    EXPECT_EQ(r.XSize, 16 + W("x"));
    EXPECT_EQ(At(8, 8), clGreen);

    Reset(60, 40);
    Draw("<BODY background=\"pic\">", TRect(0, 0, 50, 30));
    EXPECT_EQ(At(0, 0), clRed);
    EXPECT_EQ(At(45, 25), clRed);   // tiled
    EXPECT_EQ(At(55, 35), clWhite); // not past the rectangle
}

} // namespace

namespace {

TEST_F(Pictures, PlainImageStretchesIntoItsRectangle) {
    TAdvImage img;
    EXPECT_TRUE(img.Empty());
    c->StretchDraw(TRect(0, 0, 10, 10), &img);   // empty: nothing
    EXPECT_TRUE(Ink().IsEmpty());
    TStringStream s(Encode(4, 2, Qt::red, "PNG"));
    img.LoadFromStream(&s);
    EXPECT_EQ(img.Width(), 4);
    EXPECT_EQ(img.Height(), 2);
    c->StretchDraw(TRect(10, 10, 50, 30), &img);
    EXPECT_EQ(Ink(), TRect(10, 10, 50, 30));
    EXPECT_EQ(At(49, 29), clRed);

    TAdvImage copy;
    copy.Assign(&img);
    EXPECT_EQ(copy.Width(), 4);

    const std::string bytes = Encode(7, 3, Qt::blue, "PNG");
    PictureContainer::SetResourceLookup([&](const AnsiString& name, std::string& out) {
        if (name != "#12") return false;
        out = bytes;
        return true;
    });
    TAdvImage byId, byName;
    byId.LoadFromResourceID(nullptr, 12);
    byName.LoadFromResourceName(nullptr, "fehlt");
    PictureContainer::SetResourceLookup(nullptr);
    EXPECT_EQ(byId.Width(), 7);
    EXPECT_TRUE(byName.Empty());
    TStringStream bad("hello");
    EXPECT_THROW(copy.LoadFromStream(&bad), SysUtils::Exception);
    EXPECT_TRUE(copy.Empty());
}

} // namespace
