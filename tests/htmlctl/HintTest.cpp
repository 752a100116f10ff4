// Mini-HTML hints: the component takes over the application's hints, the window sizes itself to
// the rendered text, stays on the screen and paints its frame and text.
#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "GraphicsQt.h"
#include "HtmlTestApp.h"
#include "ExtCtrls.h"
#include "VclPrivate.h"
#include "WinRegion.h"
#include "htmlhint.h"

using namespace htmltest;

namespace {

std::string Png(int w, int h, QColor colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

class Hint : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        Application->SetMainForm(form);
        target = new TPanel(form);
        target->SetParent(form);
        target->SetBounds(10, 10, 100, 50);
        target->SetShowHint(true);
    }
    void TearDown() override {
        Vcl::Detail::MouseControlChanged(nullptr);
        Application->SetMainForm(nullptr);
        delete form;
        Application->HintWindowClass = nullptr;
        Application->OnShowHint = nullptr;
    }
    // The hint of the panel, shown as the hint machinery does when the mouse rests at Pos.
    THintWindow* ShowAt(const AnsiString& text, TPoint pos) {
        target->SetHint(text);
        Vcl::Detail::MouseControlChanged(target);
        Application->ActivateHint(pos);
        return Application->HintWindow();
    }
    // What the renderer makes of the text in the hint's font.
    THTMLDrawResult Measure(const AnsiString& text, THTMLHint* h) {
        c->SetFont(h->HintFont());
        THTMLDrawParams p;
        p.CheckHeight = true;
        p.PictureContainer = h->PictureContainer();
        p.PictureCache = h->PictureCache();
        p.WordWrap = !h->Ellipsis();
        THTMLDrawResult res;
        HTMLDrawEx(c, text, TRect(0, 0, Screen->Width() - 16, 100), p, res);
        return res;
    }
    QImage Paint(THintWindow* w) {
        QImage img(w->Width(), w->Height(), QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter painter(&img);
        w->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
        return img;
    }
    static TColor Px(const QImage& img, int x, int y) { return GraphicsQt::FromQColor(img.pixelColor(x, y)); }

    TForm* form = nullptr;
    TPanel* target = nullptr;
};

TEST_F(Hint, OwnerMustBeOneFormWithOneComponent) {
    try {
        THTMLHint h(target);
        FAIL() << "a panel took the component";
    } catch (const EHTMLHintError& e) {
        EXPECT_STREQ(e.what(), "Control parent must be a form!");
    }
    new THTMLHint(form);
    try {
        new THTMLHint(form);
        FAIL() << "a second component was accepted";
    } catch (const EHTMLHintError& e) {
        EXPECT_STREQ(e.what(), "Only one instance of THTMLHint allowed on form");
    }
    int count = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) count += dynamic_cast<THTMLHint*>(form->Components(i)) != nullptr;
    EXPECT_EQ(count, 1);
}

TEST_F(Hint, TakesOverTheApplicationsHintsAndGivesThemBack) {
    auto* h = new THTMLHint(form);
    EXPECT_EQ(h->HintColor(), clInfoBk);
    EXPECT_EQ(h->HintFont()->Color(), clInfoText);
    EXPECT_EQ(h->ShadowOffset(), 1);
    h->SetHintColor(clYellow);
    AnsiString seen;
    h->OnShowHint = [&](AnsiString& s, bool&, THintInfo& info) {
        seen = s;
        EXPECT_EQ(info.HintColor, clYellow);
        s = "<b>" + s + "</b>";
    };
    THintWindow* w = ShowAt("Termin", {50, 60});
    ASSERT_NE(dynamic_cast<THTMLHintWindow*>(w), nullptr);
    EXPECT_EQ(seen, "Termin");
    EXPECT_EQ(w->Caption(), "<b>Termin</b>");
    EXPECT_EQ(htmlhint::HintControl(), target);
    EXPECT_EQ(htmlhint::HintMaxWidth(), Screen->Width());

    delete h;
    w = ShowAt("<b>x</b>", {50, 60});
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(dynamic_cast<THTMLHintWindow*>(w), nullptr);
    EXPECT_EQ(w->Caption(), "<b>x</b>");
}

TEST_F(Hint, WindowFitsTheRenderedTextAndItsMargins) {
    auto* h = new THTMLHint(form);
    h->SetXMargin(2);
    h->SetYMargin(1);
    const AnsiString text = "Heute: <b>Zahnarzt</b><br>um 10 Uhr";
    const THTMLDrawResult m = Measure(text, h);
    auto* w = dynamic_cast<THTMLHintWindow*>(ShowAt(text, {50, 60}));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->TextWidth(), m.XSize + 4);
    EXPECT_EQ(w->TextHeight(), m.YSize + 2);
    EXPECT_EQ(w->Width(), m.XSize + 4 + 16);
    EXPECT_EQ(w->Height(), m.YSize + 2 + 4);
    // Where the hint machinery put it: below the cursor.
    EXPECT_EQ(w->Left(), 50);
    EXPECT_EQ(w->Top(), 80);
    EXPECT_TRUE(w->Active());
}

TEST_F(Hint, PictureFromTheContainerGrowsTheWindow) {
    auto* h = new THTMLHint(form);
    TPictureContainer box(nullptr);
    TPictureItem* item = box.Items()->Add();
    item->SetName("Glocke");
    TStringStream s(Png(30, 40, Qt::red));
    item->Picture()->LoadFromStream(&s);
    h->SetPictureContainer(&box);
    auto* w = dynamic_cast<THTMLHintWindow*>(ShowAt("a<img src=\"glocke\">b", {10, 10}));
    ASSERT_NE(w, nullptr);
    const int plain = Measure("ab", h).XSize;
    EXPECT_EQ(w->Width(), plain + 30 + 16);
    EXPECT_GE(w->Height(), 40 + 4);
    const QImage img = Paint(w);
    int red = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) red += Px(img, x, y) == clRed;
    EXPECT_EQ(red, 30 * 40);
}

TEST_F(Hint, StaysInsideTheScreen) {
    new THTMLHint(form);
    const int sw = Screen->Width(), sh = Screen->Height();
    THintWindow* w = ShowAt("ein recht langer Hinweis", {sw - 10, 100});
    EXPECT_EQ(w->Left() + w->Width(), sw - 2);
    EXPECT_EQ(w->Top(), 120);
    w = ShowAt("unten", {100, sh - 5});
    EXPECT_EQ(w->Top() + w->Height(), sh - 2);
    EXPECT_EQ(w->Left(), 100);
}

TEST_F(Hint, RectangleStyleDrawsARaisedEdge) {
    auto* h = new THTMLHint(form);
    h->SetHintColor(0xE0FFFF);
    THintWindow* w = ShowAt("<font color=\"#FF0000\">rot</font>", {10, 10});
    const QImage img = Paint(w);
    const int W = w->Width(), H = w->Height();
    EXPECT_EQ(Px(img, 0, 0), Graphics::ColorToRGB(cl3DLight));
    EXPECT_EQ(Px(img, 0, H - 2), Graphics::ColorToRGB(cl3DLight));
    EXPECT_EQ(Px(img, W - 2, 0), Graphics::ColorToRGB(cl3DLight));
    EXPECT_EQ(Px(img, W - 1, H - 1), Graphics::ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(Px(img, 0, H - 1), Graphics::ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(Px(img, W - 1, 1), Graphics::ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(Px(img, 2, 1), 0xE0FFFF);
    // The text starts four pixels in, in its own colour.
    int firstRed = -1;
    for (int x = 0; x < W && firstRed < 0; ++x)
        for (int y = 0; y < H; ++y)
            if (Px(img, x, y) == clRed) { firstRed = x; break; }
    EXPECT_GE(firstRed, 4);
    EXPECT_LE(firstRed, 6);
    EXPECT_TRUE(PtInWindowRgn(w, 0, 0));
}

TEST_F(Hint, RoundedStyleCutsTheCorners) {
    auto* h = new THTMLHint(form);
    h->SetHintStyle(hsRounded);
    THintWindow* w = ShowAt("rund", {10, 10});
    const int W = w->Width(), H = w->Height();
    EXPECT_FALSE(PtInWindowRgn(w, 0, 0));
    EXPECT_FALSE(PtInWindowRgn(w, W - 1, H - 1));
    EXPECT_FALSE(PtInWindowRgn(w, 1, H - 2));
    EXPECT_TRUE(PtInWindowRgn(w, 8, 8));
    EXPECT_TRUE(PtInWindowRgn(w, W / 2, 0));
    EXPECT_TRUE(PtInWindowRgn(w, 0, H / 2));
    const QImage img = Paint(w);
    EXPECT_EQ(Px(img, W / 2, 0), 0x808080);
    EXPECT_EQ(Px(img, 2, H / 2), Graphics::ColorToRGB(clInfoBk));
    // Back to a rectangle, the corners are the window's again.
    h->SetHintStyle(hsRectangle);
    w = ShowAt("eckig", {10, 10});
    EXPECT_TRUE(PtInWindowRgn(w, 0, 0));
}

} // namespace
