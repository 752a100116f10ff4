// Animated GIFs: the frame picture and its control, the picture control, and GIFs animating in the
// label's text, painted on images and driven by their timers.
#include <chrono>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include "TestTime.h"
#include "AdvPicture.h"
#include "GifMaker.h"
#include "GraphicsQt.h"
#include "HTMLabel.h"
#include "HtmlTestApp.h"
#include "TempDir.h"

using namespace htmltest;

namespace {

// Colours of the test GIFs' palette.
constexpr int kRed = 1, kGreen = 2, kBlue = 3;

std::string Png(int w, int h, QColor colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

template <class T>
void Load(T& pic, const std::string& bytes) {
    TStringStream s(bytes);
    pic.LoadFromStream(&s);
}

// Paints a control on a white image the size of the control.
QImage PaintControl(TControl* control) {
    QImage img(control->Width(), control->Height(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
    return img;
}

TColor PixelOf(const QImage& img, int x, int y) { return GraphicsQt::FromQColor(img.pixelColor(x, y)); }

// Bounds of the pixels of one colour.
TRect Area(const QImage& img, TColor col) {
    TRect r{img.width(), img.height(), 0, 0};
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (PixelOf(img, x, y) == col) {
                r.Left = std::min(r.Left, x); r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1); r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.IsEmpty() ? TRect() : r;
}

// Runs the event loop until Done holds or the time is up.
template <class F>
bool RunUntil(F Done, int Milliseconds = 2000) {
    return testsupport::PollUntil(Done, Milliseconds, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
}

// Three frames: the whole 12 x 10 screen red, a green 4 x 5 box at (2, 3), a blue 3 x 3 box at (6, 1).
std::string ThreeFrames(int d1 = 10, int d2 = 20, int d3 = 30) {
    return testgif::Make(12, 10, {{0, 0, 12, 10, kRed, d1}, {2, 3, 4, 5, kGreen, d2}, {6, 1, 3, 3, kBlue, d3}});
}

class FramePicture : public Painting {};

TEST_F(FramePicture, ShowsTheCurrentFrameAloneAtItsOffset) {
    TIPicture pic;
    EXPECT_TRUE(pic.Empty());
    EXPECT_EQ(pic.Frame(), 0);
    Load(pic, ThreeFrames());
    EXPECT_EQ(pic.GetFrameCount(), 3);
    EXPECT_EQ(pic.GetFrameTime(3), 30);
    EXPECT_EQ(pic.GetFrameTime(0), -1);
    EXPECT_EQ(pic.GetMaxWidth(), 12);
    EXPECT_EQ(pic.GetMaxHeight(), 10);
    // Before a frame is chosen the first one shows.
    EXPECT_EQ(pic.Width(), 12);
    c->Draw(0, 0, &pic);
    EXPECT_EQ(Ink(), TRect(0, 0, 12, 10));

    int changes = 0;
    pic.OnFrameChange = [&](TObject*) { ++changes; };
    pic.SetFrame(2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pic.Width(), 4);
    EXPECT_EQ(pic.Height(), 5);
    Reset(40, 40);
    c->Draw(10, 10, &pic);
    EXPECT_EQ(Ink(), TRect(12, 13, 16, 18));
    EXPECT_EQ(At(12, 13), clLime);
    // Stretched: the frame fills the rectangle moved by its offset.
    Reset(40, 40);
    c->StretchDraw(TRect(0, 0, 8, 10), &pic);
    EXPECT_EQ(Ink(), TRect(2, 3, 10, 13));

    pic.SetFrame(4);   // no such frame
    pic.SetFrame(0);
    EXPECT_EQ(pic.Frame(), 2);
    EXPECT_EQ(changes, 1);
}

TEST_F(FramePicture, LoadsFromResourcesFilesAndCopies) {
    const std::string gif = ThreeFrames();
    PictureContainer::SetResourceLookup([&](const AnsiString& name, std::string& bytes) {
        if (name != "ANIM" && name != "#7") return false;
        bytes = gif;
        return true;
    });
    TIPicture byName, byId, missing, byUrl;
    byName.LoadFromResourceName(nullptr, "ANIM");
    byId.LoadFromResourceID(nullptr, 7);
    missing.LoadFromResourceName(nullptr, "NICHTDA");
    byUrl.LoadFromURL("res://ANIM");
    PictureContainer::SetResourceLookup(nullptr);
    EXPECT_EQ(byName.GetFrameCount(), 3);
    EXPECT_EQ(byId.GetFrameCount(), 3);
    EXPECT_TRUE(missing.Empty());
    EXPECT_FALSE(byUrl.Empty());

    testsupport::TempDir dir;
    dir.write("bild.png", Png(6, 4, Qt::blue));
    TIPicture file, web;
    file.LoadFromURL("FILE://" + dir.file("bild.png"));
    EXPECT_EQ(file.Width(), 6);
    EXPECT_EQ(file.GetFrameCount(), -1);
    web.LoadFromURL("http://example.invalid/a.gif");
    EXPECT_TRUE(web.Empty());

    // A copy starts again at the first frame; its bytes are the original's.
    byName.SetFrame(3);
    TIPicture copy;
    copy.Assign(&byName);
    EXPECT_EQ(copy.Frame(), 1);
    EXPECT_EQ(copy.Width(), 12);
    TMemoryStream out;
    copy.SaveToStream(&out);
    EXPECT_EQ(out.DataString(), gif);

    TIPicture bad;
    EXPECT_THROW(Load(bad, "hello"), SysUtils::Exception);
    EXPECT_TRUE(bad.Empty());
    c->Draw(0, 0, &bad);
    EXPECT_TRUE(Ink().IsEmpty());
}

class PictureControl : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        control = std::make_unique<TAdvPicture>(nullptr);
    }
    std::unique_ptr<TAdvPicture> control;
};

TEST_F(PictureControl, FramesAdvanceOnTheTimerAfterTheirDelays) {
    EXPECT_EQ(control->Width(), 100);
    EXPECT_EQ(control->Height(), 100);
    // Delays 20, 0 and 30 hundredths: the frame without a delay still shows for 10.
    Load(*control->Picture(), ThreeFrames(20, 0, 30));
    EXPECT_TRUE(control->Animated());
    EXPECT_EQ(control->Picture()->Frame(), 1);
    std::vector<int> changes;   // the tick at which each frame came
    int tick = 0;
    control->OnFrameChange = [&](TObject*) { changes.push_back(tick); };
    control->SetAnimate(true);
    ASSERT_NE(control->HelperWnd(), nullptr);
    EXPECT_EQ(control->HelperWnd()->Timer()->Interval(), 10u);
    for (tick = 0; tick < 120; ++tick) control->Timer();
    // Frame 2 after 20 ticks, frame 3 10 later, frame 1 30 after that, and so on.
    ASSERT_GE(changes.size(), 4u);
    EXPECT_EQ(changes[0], 20);
    EXPECT_EQ(changes[1], 30);
    EXPECT_EQ(changes[2], 60);
    EXPECT_EQ(changes[3], 80);
    control->SetAnimate(false);
    EXPECT_EQ(control->HelperWnd(), nullptr);
}

TEST_F(PictureControl, DrawsTheFrameOnShow) {
    Load(*control->Picture(), ThreeFrames(5, 5, 5));
    QImage img = PaintControl(control.get());
    EXPECT_EQ(Area(img, clRed), TRect(0, 0, 12, 10));
    control->SetAnimate(true);
    for (int i = 0; i < 5; ++i) control->Timer();
    EXPECT_EQ(control->Picture()->Frame(), 1);
    control->Timer();
    EXPECT_EQ(control->Picture()->Frame(), 2);
    img = PaintControl(control.get());
    EXPECT_EQ(Area(img, clLime), TRect(2, 3, 6, 8));
    EXPECT_EQ(Area(img, clRed), TRect());
    for (int i = 0; i < 5; ++i) control->Timer();
    img = PaintControl(control.get());
    EXPECT_EQ(Area(img, clBlue), TRect(6, 1, 9, 4));

    // A still picture never moves, whatever the timer does.
    Load(*control->Picture(), Png(8, 8, Qt::red));
    EXPECT_FALSE(control->Animated());
    for (int i = 0; i < 50; ++i) control->Timer();
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(0, 0, 8, 8));
}

TEST_F(PictureControl, TheHelperWindowsTimerRunsTheAnimation) {
    Load(*control->Picture(), ThreeFrames(2, 2, 2));
    int changes = 0;
    control->OnFrameChange = [&](TObject*) { ++changes; };
    control->SetAnimate(true);
    EXPECT_TRUE(RunUntil([&] { return changes >= 2; }));
    EXPECT_NE(control->Picture()->Frame(), 0);
    control->SetAnimate(false);
    const int seen = changes;
    RunUntil([] { return false; }, 200);   // without the helper nothing moves
    EXPECT_EQ(changes, seen);
}

TEST_F(PictureControl, PositionsAndShrinking) {
    Load(*control->Picture(), Png(200, 100, Qt::red));
    control->SetStretchMode(smShrink);
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(0, 0, 100, 50));
    control->SetPicturePosition(bpBottomRight);
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(0, 50, 100, 100));
    Load(*control->Picture(), Png(50, 200, Qt::red));
    control->SetPicturePosition(bpTopLeft);
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(0, 0, 25, 100));
    control->SetPicturePosition(bpCenter);
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(37, 0, 62, 100));

    // Without shrinking: natural size, clipped by the control; never placed left of or above it.
    control->SetStretchMode(smNever);
    Load(*control->Picture(), Png(30, 20, Qt::red));
    control->SetPicturePosition(bpTopRight);
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(70, 0, 100, 20));
    control->SetPicturePosition(bpBottomLeft);
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(0, 80, 30, 100));
    control->SetPicturePosition(bpCenter);
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(35, 40, 65, 60));
    control->SetPicturePosition(bpStretched);
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(0, 0, 100, 100));
    control->SetPicturePosition(bpStretchedWithAspect);   // 30 x 20 fitted into 100 x 100
    EXPECT_EQ(Area(PaintControl(control.get()), clRed), TRect(0, 0, 100, 66));
    control->SetPicturePosition(bpTiled);
    control->SetBounds(0, 0, 70, 50);
    const QImage tiled = PaintControl(control.get());
    EXPECT_EQ(Area(tiled, clRed), TRect(0, 0, 70, 50));

    // An animated picture stretched: the frame keeps its share of the picture.
    Load(*control->Picture(), ThreeFrames());
    control->Picture()->SetFrame(2);
    control->SetBounds(0, 0, 24, 20);
    control->SetPicturePosition(bpStretched);
    EXPECT_EQ(Area(PaintControl(control.get()), clLime), TRect(4, 6, 12, 16));

    control->SetAutoSize(true);
    EXPECT_EQ(control->Width(), 12);
    EXPECT_EQ(control->Height(), 10);

    // Nothing to draw.
    TAdvPicture empty(nullptr);
    const QImage blank = PaintControl(&empty);
    EXPECT_EQ(Area(blank, clWhite), TRect(0, 0, 100, 100));
}

class HTMLImageControl : public Painting {};

TEST_F(HTMLImageControl, PutsItsPictureWhereAsked) {
    THTMLImage image(nullptr);
    EXPECT_EQ(image.Width(), 100);
    EXPECT_EQ(Area(PaintControl(&image), clWhite), TRect(0, 0, 100, 100));   // empty: nothing
    Load(*image.HTMLPicture(), Png(30, 20, Qt::red));
    EXPECT_EQ(Area(PaintControl(&image), clRed), TRect(0, 0, 30, 20));
    const std::pair<TPicturePosition, TRect> cases[] = {
        {bpTopRight, TRect(70, 0, 100, 20)},   {bpBottomLeft, TRect(0, 80, 30, 100)},
        {bpBottomRight, TRect(70, 80, 100, 100)}, {bpCenter, TRect(35, 40, 65, 60)},
        {bpTiled, TRect(0, 0, 100, 100)},      {bpStretched, TRect(0, 0, 100, 100)},
    };
    for (const auto& [pos, area] : cases) {
        image.SetPicturePosition(pos);
        EXPECT_EQ(Area(PaintControl(&image), clRed), area) << pos;
    }
    // A picture larger than the control starts at the top-left corner.
    image.SetPicturePosition(bpBottomRight);
    image.SetBounds(0, 0, 20, 10);
    EXPECT_EQ(Area(PaintControl(&image), clRed), TRect(0, 0, 20, 10));

    // Download events of the picture reach the control's own.
    AnsiString error;
    image.OnDownLoadError = [&](TObject* sender, const AnsiString& e) {
        EXPECT_EQ(sender, &image);
        error = e;
    };
    image.HTMLPicture()->DownLoadError("weg");
    EXPECT_EQ(error, "weg");
}

class AnimatedLabel : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        label = std::make_unique<THTMLabel>(nullptr);
        label->SetBounds(0, 0, 120, 40);
        label->SetColor(clWhite);
        dir.write("anim.gif", testgif::Make(12, 10, {{0, 0, 12, 10, kRed, 10}, {0, 0, 12, 10, kGreen, 20}}));
        dir.write("still.png", Png(12, 10, Qt::blue));
    }
    void Tick(int n) {
        for (int i = 0; i < n; ++i) label->AnimationTimer()->OnTimer(label->AnimationTimer());
    }
    std::unique_ptr<THTMLabel> label;
    testsupport::TempDir dir;
};

TEST_F(AnimatedLabel, AGifInTheTextAnimates) {
    label->HTMLText()->Add("<IMG src=\"file://" + dir.file("anim.gif") + "\">");
    EXPECT_FALSE(label->AnimationTimer()->Enabled());
    QImage img = PaintControl(label.get());
    EXPECT_EQ(Area(img, clRed), TRect(0, 0, 12, 10));
    EXPECT_TRUE(label->AnimationTimer()->Enabled());
    EXPECT_EQ(label->AnimationTimer()->Interval(), 100u);

    THTMLPicture* pic = label->PictureCache()->GetPicture(0);
    std::vector<int> frames;
    for (int i = 0; i < 8; ++i) {
        Tick(1);
        frames.push_back(pic->Frame());
    }
    // Frame 1 for 10 hundredths, frame 2 for 20: one tick, two ticks, one tick ...
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 2, 1, 2, 2, 1, 2}));
    img = PaintControl(label.get());
    EXPECT_EQ(Area(img, clLime), TRect(0, 0, 12, 10));
    EXPECT_EQ(Area(img, clRed), TRect());

    // New text without a moving picture stops the timer at the next paint.
    label->HTMLText()->Clear();
    label->HTMLText()->Add("x<IMG src=\"file://" + dir.file("still.png") + "\">");
    PaintControl(label.get());
    EXPECT_FALSE(label->AnimationTimer()->Enabled());
}

TEST_F(AnimatedLabel, TheEventLoopDrivesIt) {
    label->HTMLText()->Add("<IMG src=\"file://" + dir.file("anim.gif") + "\">");
    PaintControl(label.get());
    THTMLPicture* pic = label->PictureCache()->GetPicture(0);
    EXPECT_TRUE(RunUntil([&] { return pic->Frame() == 2; }));
}

TEST_F(AnimatedLabel, ContainerPicturesAnimateOnceForAllTheirLabels) {
    TPictureContainer box(nullptr);
    TPictureItem* item = box.Items()->Add();
    item->SetName("Anim");
    Load(*item->Picture(), testgif::Make(12, 10, {{0, 0, 12, 10, kRed, 10}, {0, 0, 12, 10, kGreen, 10}}));
    EXPECT_TRUE(box.HasAnimation());
    EXPECT_EQ(box.AnimationTimer()->Interval(), 100u);
    THTMLabel other(nullptr);
    other.SetBounds(0, 0, 120, 40);
    for (THTMLabel* l : {label.get(), &other}) {
        l->SetPictureContainer(&box);
        l->HTMLText()->Add("<IMG src=\"anim\">");
        EXPECT_EQ(Area(PaintControl(l), clRed), TRect(0, 0, 12, 10));
        EXPECT_TRUE(l->AnimationTimer()->Enabled());
    }
    // Labels ticking do not step the shared picture; the container's own tick does.
    Tick(3);
    EXPECT_EQ(item->Picture()->Frame(), 1);
    const int before = box.FrameChanges();
    box.AnimationTimer()->OnTimer(box.AnimationTimer());
    box.AnimationTimer()->OnTimer(box.AnimationTimer());
    EXPECT_EQ(item->Picture()->Frame(), 2);
    EXPECT_EQ(box.FrameChanges(), before + 1);
    EXPECT_EQ(Area(PaintControl(label.get()), clLime), TRect(0, 0, 12, 10));
    EXPECT_EQ(Area(PaintControl(&other), clLime), TRect(0, 0, 12, 10));
}

} // namespace
