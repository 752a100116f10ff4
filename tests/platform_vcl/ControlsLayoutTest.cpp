// Geometry, alignment, inherited colours and fonts, and painting of controls on a form offscreen.
#include <QImage>

#include "ControlsTestSupport.h"
#include "ExtCtrls.h"
#include "GraphicsQt.h"
#include "StdCtrls.h"

using namespace controlstest;

namespace {

// Paints a frame and a diagonal with the canvas, as the system's own controls do.
class TSwatch : public TCustomControl {
public:
    explicit TSwatch(TComponent* owner) : TCustomControl(owner) {}
    int paints = 0;
protected:
    void Paint() override {
        ++paints;
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(TRect(0, 0, 10, 10));
        Canvas()->Pen()->SetColor(clBlue);
        Canvas()->MoveTo(0, 20);
        Canvas()->LineTo(30, 20);
    }
};

TColor At(const QImage& img, int x, int y) { return GraphicsQt::FromQColor(img.pixelColor(x, y)); }

QImage Grab(TControl* c) {
    Application->ProcessMessages();
    return WidgetOf(c)->grab().toImage();
}

class Layout : public WithApplication {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBorderStyle(bsNone);
        form->SetBounds(0, 0, 200, 150);
    }
    void TearDown() override { delete form; }
    TForm* form = nullptr;
};

} // namespace

TEST_F(Layout, FormSizeCountsTheFrameOfItsBorderStyle) {
    TForm f(nullptr);
    f.SetBounds(40, 50, 300, 200);
    // Sizeable: 4-pixel borders and a 19-pixel caption.
    EXPECT_EQ(f.ClientWidth(), 300 - 8);
    EXPECT_EQ(f.ClientHeight(), 200 - 27);
    f.SetBorderStyle(bsDialog);
    // The client area stays as it was; the outer size follows the thinner frame.
    EXPECT_EQ(f.ClientWidth(), 292);
    EXPECT_EQ(f.ClientHeight(), 173);
    EXPECT_EQ(f.Width(), 292 + 6);
    EXPECT_EQ(f.Height(), 173 + 25);
    f.SetBorderStyle(bsNone);
    EXPECT_EQ(f.Width(), f.ClientWidth());
    f.SetClientWidth(120);
    f.SetClientHeight(80);
    EXPECT_EQ(f.Width(), 120);
    EXPECT_EQ(f.Height(), 80);
    f.Show();
    Application->ProcessMessages();
    EXPECT_EQ(WidgetOf(&f)->width(), 120);
    EXPECT_EQ(WidgetOf(&f)->height(), 80);
}

TEST_F(Layout, ClientAndScreenCoordinatesConvertBothWays) {
    form->SetLeft(100);
    form->SetTop(60);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 20, 100, 80);
    auto* inner = new TSwatch(form);
    inner->SetParent(panel);
    inner->SetBounds(5, 6, 30, 30);
    const TPoint screen = inner->ClientToScreen({1, 2});
    EXPECT_EQ(screen, TPoint(100 + 10 + 5 + 1, 60 + 20 + 6 + 2));
    EXPECT_EQ(inner->ScreenToClient(screen), TPoint(1, 2));
    TForm framed(nullptr);
    framed.SetBounds(100, 60, 300, 200);
    EXPECT_EQ(framed.ClientOrigin(), TPoint(104, 60 + 23));
}

TEST_F(Layout, AlignedChildrenShareTheClientAreaInTheClassLibrarysOrder) {
    auto* top = new TPanel(form);
    top->SetParent(form);
    top->SetHeight(30);
    top->SetAlign(alTop);
    auto* bottom = new TPanel(form);
    bottom->SetParent(form);
    bottom->SetHeight(20);
    bottom->SetAlign(alBottom);
    auto* left = new TPanel(form);
    left->SetParent(form);
    left->SetWidth(40);
    left->SetAlign(alLeft);
    auto* client = new TPanel(form);
    client->SetParent(form);
    client->SetAlign(alClient);
    EXPECT_EQ(top->BoundsRect(), TRect(0, 0, 200, 30));
    EXPECT_EQ(bottom->BoundsRect(), TRect(0, 130, 200, 150));
    EXPECT_EQ(left->BoundsRect(), TRect(0, 30, 40, 130));
    EXPECT_EQ(client->BoundsRect(), TRect(40, 30, 200, 130));
    int resized = 0;
    client->OnResize = [&](TObject*) { ++resized; };
    form->SetBounds(0, 0, 300, 200);
    EXPECT_EQ(client->BoundsRect(), TRect(40, 30, 300, 180));
    EXPECT_EQ(resized, 1);
    // A hidden control gives its room to the others.
    top->Hide();
    EXPECT_EQ(left->BoundsRect(), TRect(0, 0, 40, 180));
    // A panel keeps its bevel free of aligned children.
    auto* child = new TPanel(form);
    child->SetParent(client);
    child->SetAlign(alClient);
    EXPECT_EQ(child->BoundsRect(), TRect(1, 1, client->Width() - 1, client->Height() - 1));
}

TEST_F(Layout, ColourAndFontComeFromTheParentUntilSetOwnly) {
    form->SetColor(clYellow);
    form->Font()->SetSize(12);
    auto* swatch = new TSwatch(form);
    swatch->SetParent(form);
    EXPECT_EQ(swatch->Color(), clYellow);
    EXPECT_TRUE(swatch->ParentColor());
    EXPECT_EQ(swatch->Font()->Size(), 12);
    form->SetColor(clAqua);
    form->Font()->SetName("DejaVu Serif");
    EXPECT_EQ(swatch->Color(), clAqua);
    EXPECT_EQ(swatch->Font()->Name(), "DejaVu Serif");
    swatch->SetColor(clLime);
    swatch->Font()->SetSize(20);
    EXPECT_FALSE(swatch->ParentColor());
    EXPECT_FALSE(swatch->ParentFont());
    form->SetColor(clWhite);
    form->Font()->SetSize(9);
    EXPECT_EQ(swatch->Color(), clLime);
    EXPECT_EQ(swatch->Font()->Size(), 20);
    swatch->SetParentColor(true);
    EXPECT_EQ(swatch->Color(), clWhite);
}

TEST_F(Layout, HintAndShowHintFollowTheParentWhileParentShowHint) {
    auto* swatch = new TSwatch(form);
    swatch->SetParent(form);
    EXPECT_FALSE(swatch->ShowHint());
    form->SetShowHint(true);
    EXPECT_TRUE(swatch->ShowHint());
    swatch->SetShowHint(false);
    EXPECT_FALSE(swatch->ParentShowHint());
    EXPECT_FALSE(swatch->ShowHint());
}

TEST_F(Layout, CustomControlPaintsWithItsCanvasOnTheWindow) {
    form->SetColor(clWhite);
    auto* swatch = new TSwatch(form);
    swatch->SetParent(form);
    swatch->SetBounds(10, 10, 40, 30);
    swatch->SetColor(clGreen);
    form->Show();
    const QImage img = Grab(swatch);
    ASSERT_EQ(img.width(), 40);
    EXPECT_GT(swatch->paints, 0);
    EXPECT_EQ(At(img, 0, 0), clRed);
    EXPECT_EQ(At(img, 9, 9), clRed);
    // The background is erased in the control's colour before Paint.
    EXPECT_EQ(At(img, 12, 12), clGreen);
    // A line leaves out its end point.
    EXPECT_EQ(At(img, 0, 20), clBlue);
    EXPECT_EQ(At(img, 29, 20), clBlue);
    EXPECT_EQ(At(img, 30, 20), clGreen);
    // The form around it shows the form's colour.
    const QImage whole = Grab(form);
    EXPECT_EQ(At(whole, 5, 5), clWhite);
    EXPECT_EQ(At(whole, 10, 10), clRed);
}

TEST_F(Layout, RepaintPaintsNowAndPerformedPaintMessageAsksForIt) {
    auto* swatch = new TSwatch(form);
    swatch->SetParent(form);
    swatch->SetBounds(0, 0, 40, 30);
    form->Show();
    Application->ProcessMessages();
    const int before = swatch->paints;
    swatch->Repaint();
    EXPECT_EQ(swatch->paints, before + 1);
    swatch->Perform(WM_PAINT, 0, 0);
    EXPECT_EQ(swatch->paints, before + 2);
}

TEST_F(Layout, PanelDrawsItsRaisedBevelAndCaption) {
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 120, 40);
    panel->SetColor(clSilver);
    form->Show();
    const QImage img = Grab(panel);
    EXPECT_EQ(At(img, 0, 0), Graphics::ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(img, 119, 39), Graphics::ColorToRGB(clBtnShadow));
    // The dark side owns the top-right and bottom-left corners, as the platform's 3-D edges do.
    EXPECT_EQ(At(img, 0, 39), Graphics::ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(img, 119, 0), Graphics::ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(img, 0, 38), Graphics::ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(img, 5, 5), clSilver);
    panel->SetBevelOuter(bvLowered);
    const QImage lowered = Grab(panel);
    EXPECT_EQ(At(lowered, 0, 0), Graphics::ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(lowered, 119, 39), Graphics::ColorToRGB(clBtnHighlight));
}

TEST_F(Layout, LabelSizesItselfToItsTextInTheFontInUse) {
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetCaption("Hallo Welt");
    TBitmap bmp;
    bmp.Canvas()->SetFont(label->Font());
    EXPECT_EQ(label->Width(), bmp.Canvas()->TextWidth("Hallo Welt"));
    EXPECT_EQ(label->Height(), bmp.Canvas()->TextHeight("Hallo Welt"));
    label->Font()->SetSize(20);
    bmp.Canvas()->SetFont(label->Font());
    EXPECT_EQ(label->Width(), bmp.Canvas()->TextWidth("Hallo Welt"));
    // "&&" shows one "&"; with ShowAccelChar off both stay.
    label->SetCaption("A&&B");
    const int accel = label->Width();
    label->SetShowAccelChar(false);
    EXPECT_GT(label->Width(), accel);
}

TEST_F(Layout, ImageShowsItsPictureStretchedOrAtItsSize) {
    TBitmap source;
    source.SetSize(4, 4);
    source.Canvas()->Brush()->SetColor(clBlue);
    source.Canvas()->FillRect(TRect(0, 0, 4, 4));
    form->SetColor(clWhite);
    auto* image = new TImage(form);
    image->SetParent(form);
    image->SetBounds(0, 0, 20, 20);
    image->Picture()->SetGraphic(&source);
    form->Show();
    // A windowless control shows on its parent: the form's picture holds it.
    QImage img = Grab(form);
    EXPECT_EQ(At(img, 3, 3), clBlue);
    EXPECT_EQ(At(img, 10, 10), clWhite);
    image->SetStretch(true);
    img = Grab(form);
    EXPECT_EQ(At(img, 19, 19), clBlue);
    image->SetAutoSize(true);
    EXPECT_EQ(image->Width(), 4);
}
