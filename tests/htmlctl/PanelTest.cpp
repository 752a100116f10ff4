// The HTML panel painted on an image, driven with the class library's messages, and its position
// kept in a real profile file and a real registry file; the panel group's arrangement.
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "AdvPanel.h"
#include "Forms.h"
#include "GraphicsQt.h"
#include "HtmlTestApp.h"
#include "IniFiles.h"
#include "Registry.h"
#include "TempDir.h"
#include "VclPrivate.h"

using namespace htmltest;

namespace {

constexpr TColor kBar = 0x00C08040;      // caption bar while expanded
constexpr TColor kClosedBar = 0x0040C0C0; // caption bar while collapsed
constexpr TColor kBody = clWhite;

class Panel : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        panel = std::make_unique<TAdvPanel>(nullptr);
        panel->SetBevelOuter(bvNone);
        panel->SetBounds(10, 20, 200, 120);
        panel->SetColor(kBody);
        panel->Font()->SetName("Arial");
        panel->Font()->SetSize(10);
        panel->Font()->SetColor(clBlack);
        TPanelCaption* cap = panel->Caption();
        cap->SetVisible(true);
        cap->SetColor(kBar);
        cap->SetCloseColor(kClosedBar);
        cap->Font()->SetName("Arial");
        cap->Font()->SetSize(10);
        shell.clear();
        TAdvPanel::SetShellOpen([this](const AnsiString& t) { shell.push_back(t); });
        panel->OnAnchorClick = [this](TObject*, const AnsiString& a) { clicks.push_back(a); };
    }
    void TearDown() override { TAdvPanel::SetShellOpen(nullptr); }

    void PaintPanel() {
        img = QImage(panel->Width(), panel->Height(), QImage::Format_RGB32);
        img.fill(Qt::magenta);
        QPainter painter(&img);
        panel->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
    }
    TColor Pixel(int x, int y) { return GraphicsQt::FromQColor(img.pixelColor(x, y)); }
    // Bounds of the pixels that are neither of the two colours inside an area of the image.
    TRect InkOf(const TRect& area, TColor bg) {
        TRect r{area.Right, area.Bottom, area.Left, area.Top};
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                if (Pixel(x, y) != bg) {
                    r.Left = std::min(r.Left, x); r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1); r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.IsEmpty() ? TRect() : r;
    }
    int CountOf(const TRect& area, TColor col) {
        int n = 0;
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x) n += Pixel(x, y) == col;
        return n;
    }
    void Click(int x, int y) {
        panel->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        panel->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    LRESULT HitTest(int x, int y) {
        const TPoint s = panel->ClientToScreen(TPoint(x, y));
        return panel->Perform(WM_NCHITTEST, 0, MAKELPARAM(s.X, s.Y));
    }
    // A blue pixel of an anchor drawn in the area, or (-1, -1).
    TPoint FindColor(const TRect& area, TColor col) {
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                if (Pixel(x, y) == col) return TPoint(x, y);
        return TPoint(-1, -1);
    }

    std::unique_ptr<TAdvPanel> panel;
    QImage img;
    std::vector<AnsiString> shell, clicks;
};

// ---- collapsing ------------------------------------------------------------------------------------------

TEST_F(Panel, CollapsesToTheCaptionAndExpandsToTheLastExpandedHeight) {
    EXPECT_FALSE(panel->Collaps());
    panel->SetCollaps(true);
    EXPECT_EQ(panel->Height(), 20);
    EXPECT_EQ(panel->Top(), 20);
    panel->SetCollaps(false);
    EXPECT_EQ(panel->Height(), 120);

    // A user resize is remembered as the height to come back to.
    TRect r(10, 20, 210, 170);
    panel->Perform(WM_SIZING, 8, reinterpret_cast<LPARAM>(&r));
    panel->SetBounds(10, 20, 200, 150);
    panel->SetCollaps(true);
    EXPECT_EQ(panel->Height(), 20);
    // The caption height is the collapsed height; expanding still gives back the resized height.
    panel->Caption()->SetHeight(24);
    panel->SetCollaps(true);
    EXPECT_EQ(panel->Height(), 24);
    panel->SetCollaps(false);
    EXPECT_EQ(panel->Height(), 150);
}

TEST_F(Panel, CollapseButtonTogglesAndRaisesMinimizeThenMaximize) {
    panel->Caption()->SetMinMaxButton(true);
    std::vector<std::string> events;
    panel->OnMinimize = [&](TObject*) { events.push_back("min"); };
    panel->OnMaximize = [&](TObject*) { events.push_back("max"); };
    panel->OnCaptionClick = [&](TObject*) { events.push_back("caption"); };
    // The square of the button: 12 pixels left of the right edge less 2, from y 2.
    Click(200 - 8, 6);
    EXPECT_TRUE(panel->Collaps());
    EXPECT_EQ(panel->Height(), 20);
    Click(200 - 8, 6);
    EXPECT_FALSE(panel->Collaps());
    EXPECT_EQ(panel->Height(), 120);
    EXPECT_EQ(events, (std::vector<std::string>{"min", "max"}));
    // Elsewhere on the bar is a caption click, below it nothing.
    Click(50, 10);
    Click(50, 60);
    EXPECT_EQ(events, (std::vector<std::string>{"min", "max", "caption"}));
}

TEST_F(Panel, CloseClickHidesThePanelBeforeOnCloseRuns) {
    panel->Caption()->SetCloseButton(true);
    panel->Caption()->SetMinMaxButton(true);
    bool visibleInEvent = true;
    int closes = 0, minimizes = 0;
    panel->OnClose = [&](TObject*) { ++closes; visibleInEvent = panel->Visible(); };
    panel->OnMinimize = [&](TObject*) { ++minimizes; };
    Click(200 - 20, 6);   // left of the close square: not closing
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(minimizes, 1);   // the collapse button sits next to the close button
    Click(200 - 8, 6);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(visibleInEvent);
    EXPECT_FALSE(panel->Visible());
    EXPECT_EQ(minimizes, 1);
}

// ---- painting --------------------------------------------------------------------------------------------

TEST_F(Panel, PaintsTheCaptionBarTheBodyTextAndTheButtons) {
    panel->Caption()->SetText("Kopf");
    panel->Caption()->SetCloseButton(true);
    panel->Caption()->SetCloseButtonColor(clRed);
    panel->Caption()->SetMinMaxButton(true);
    panel->Caption()->SetMinMaxButtonColor(clLime);
    panel->SetText("<B>Inhalt</B>");
    PaintPanel();
    // The bar covers the caption height less twice the bevel width (even without a bevel); the
    // body starts right below it.
    EXPECT_EQ(Pixel(100, 0), kBar);
    EXPECT_EQ(Pixel(100, 17), kBar);
    EXPECT_EQ(Pixel(100, 18), kBody);
    EXPECT_EQ(Pixel(199, 60), kBody);
    // The caption text starts at the bar's left edge, the body text right under the bar.
    const TRect capInk = InkOf(TRect(0, 0, 150, 18), kBar);
    ASSERT_FALSE(capInk.IsEmpty());
    EXPECT_LE(capInk.Left, 2);
    c->Font()->SetName("Arial");
    c->Font()->SetSize(10);
    EXPECT_NEAR(capInk.Width(), W("Kopf"), 3);
    const TRect bodyInk = InkOf(TRect(0, 18, 200, 120), kBody);
    ASSERT_FALSE(bodyInk.IsEmpty());
    EXPECT_GE(bodyInk.Top, 18);
    EXPECT_LT(bodyInk.Top, 18 + TH());
    c->Font()->SetStyle({fsBold});
    EXPECT_NEAR(bodyInk.Width(), W("Inhalt"), 3);
    // The X in the close colour at the right end, the triangle left of it.
    EXPECT_GT(CountOf(TRect(188, 2, 200, 12), clRed), 6);
    EXPECT_GT(CountOf(TRect(176, 2, 188, 12), clLime), 3);
    EXPECT_EQ(CountOf(TRect(0, 0, 176, 20), clRed), 0);

    panel->SetCollaps(true);
    PaintPanel();
    EXPECT_EQ(img.height(), 20);
    EXPECT_EQ(Pixel(100, 1), kClosedBar);
}

TEST_F(Panel, BottomAlignedTextAndSizeGrip) {
    panel->Caption()->SetVisible(false);
    panel->SetText("unten");
    panel->SetTextVAlign(tvaBottom);
    panel->SetCanSize(true);
    PaintPanel();
    // Grip lines in grey and white in the bottom-right corner.
    EXPECT_GT(CountOf(TRect(186, 106, 200, 120), clGray), 5);
    const TRect ink = InkOf(TRect(0, 0, 150, 120), kBody);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GT(ink.Top, 120 - TH() - 2);
    EXPECT_LE(ink.Bottom, 120);
}

TEST_F(Panel, AnchorsOfBodyAndCaptionClickOpenAndHover) {
    panel->Caption()->SetText("<A href=\"kopf\">Kopf</A>");
    panel->SetText("Siehe <A href=\"https://example.org\">Netz</A> und <A href=\"memo\">Memo</A>");
    panel->SetURLColor(clBlue);
    PaintPanel();
    const TPoint capAnchor = FindColor(TRect(0, 0, 200, 20), clBlue);
    ASSERT_NE(capAnchor.X, -1);
    const TPoint bodyAnchor = FindColor(TRect(0, 20, 200, 120), clBlue);
    ASSERT_NE(bodyAnchor.X, -1);
    TRect ar;
    EXPECT_EQ(panel->IsAnchor(capAnchor.X, capAnchor.Y, ar), "kopf");
    EXPECT_EQ(panel->IsAnchor(bodyAnchor.X, bodyAnchor.Y, ar), "https://example.org");
    EXPECT_TRUE(panel->IsAnchor(5, 60, ar).empty());

    Click(capAnchor.X, capAnchor.Y);
    Click(bodyAnchor.X, bodyAnchor.Y);
    EXPECT_EQ(clicks, std::vector<AnsiString>{"kopf"});
    EXPECT_EQ(shell, std::vector<AnsiString>{"https://example.org"});
    // A file named by the text is neither opened nor handed to the handler.
    panel->SetText("Siehe <A href=\"file:///etc/passwd\">Netz</A>");
    EXPECT_EQ(panel->IsAnchor(bodyAnchor.X, bodyAnchor.Y, ar), "file:///etc/passwd");
    Click(bodyAnchor.X, bodyAnchor.Y);
    EXPECT_EQ(clicks, std::vector<AnsiString>{"kopf"});
    EXPECT_EQ(shell, std::vector<AnsiString>{"https://example.org"});
    panel->SetText("Siehe <A href=\"https://example.org\">Netz</A> und <A href=\"memo\">Memo</A>");

    std::vector<AnsiString> entered;
    int exits = 0;
    panel->OnAnchorEnter = [&](TObject*, const AnsiString& a) { entered.push_back(a); };
    panel->OnAnchorExit = [&](TObject*, const AnsiString&) { ++exits; };
    panel->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(bodyAnchor.X, bodyAnchor.Y));
    EXPECT_EQ(panel->Cursor(), crHandPoint);
    panel->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(bodyAnchor.X, bodyAnchor.Y));   // same anchor: no new enter
    panel->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, 100));
    EXPECT_EQ(panel->Cursor(), crDefault);
    EXPECT_EQ(entered, std::vector<AnsiString>{"https://example.org"});
    EXPECT_EQ(exits, 1);
    // Leaving gives back the panel's own cursor and names the anchor left.
    AnsiString left;
    panel->OnAnchorExit = [&](TObject*, const AnsiString& a) { left = a; };
    panel->SetCursor(crHelp);
    panel->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(bodyAnchor.X, bodyAnchor.Y));
    EXPECT_EQ(panel->Cursor(), crHandPoint);
    panel->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, 100));
    EXPECT_EQ(panel->Cursor(), crHelp);
    EXPECT_EQ(left, "https://example.org");
}

TEST_F(Panel, BackgroundPictureIsPlacedBelowTheCaption) {
    QImage pic(10, 8, QImage::Format_RGB32);
    pic.fill(Qt::red);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    pic.save(&buf, "PNG");
    TStringStream s(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    panel->Background()->LoadFromStream(&s);
    ASSERT_FALSE(panel->Background()->Empty());

    // Top-left: at the body's corner, under the bar (18 rows without a bevel).
    PaintPanel();
    EXPECT_EQ(InkOf(TRect(0, 18, 200, 120), kBody), TRect(0, 18, 10, 26));
    // Bottom-right: the bevel width away from the panel's edges.
    panel->SetBackgroundPosition(bpBottomRight);
    PaintPanel();
    EXPECT_EQ(InkOf(TRect(0, 18, 200, 120), kBody), TRect(189, 111, 199, 119));
    // Tiled: rows and columns fill the body, cut at the panel's edges.
    panel->SetBackgroundPosition(bpTiled);
    PaintPanel();
    EXPECT_EQ(CountOf(TRect(0, 18, 200, 120), clRed), 200 * 102);
}

// ---- moving and sizing -----------------------------------------------------------------------------------

TEST_F(Panel, HitTestMovesByTheCaptionAndSizesByTheCorner) {
    // Without moving or sizing everything is client area.
    EXPECT_EQ(HitTest(50, 10), HTCLIENT);
    EXPECT_EQ(HitTest(198, 118), HTCLIENT);
    panel->SetCanMove(true);
    panel->SetCanSize(true);
    // No caption text: any caption point drags.
    EXPECT_EQ(HitTest(1, 1), HTCAPTION);
    EXPECT_EQ(HitTest(195, 19), HTCAPTION);
    EXPECT_EQ(HitTest(50, 40), HTCLIENT);
    EXPECT_EQ(HitTest(198, 118), HTBOTTOMRIGHT);
    // The buttons are no drag area.
    panel->Caption()->SetCloseButton(true);
    EXPECT_EQ(HitTest(195, 5), HTCLIENT);
    // Nor is an anchor of the caption.
    panel->Caption()->SetText("<A href=\"x\">Verweis</A>");
    PaintPanel();
    const TPoint a = FindColor(TRect(0, 0, 150, 20), clBlue);
    ASSERT_NE(a.X, -1);
    EXPECT_EQ(HitTest(a.X, a.Y), HTCLIENT);
    EXPECT_EQ(HitTest(160, 10), HTCAPTION);
    // A collapsed panel has no grip.
    panel->SetCollaps(true);
    EXPECT_NE(HitTest(198, 18), HTBOTTOMRIGHT);
}

TEST_F(Panel, FixedEdgesAndSizesHoldWhileMovingAndSizing) {
    panel->BeginLoading();
    panel->SetFixedLeft(true);
    panel->SetFixedHeight(true);
    panel->SetCanMove(true);
    panel->EndLoading();
    int ends = 0;
    panel->OnEndMoveSize = [&](TObject*) { ++ends; };
    const TPoint o = panel->ClientToScreen(TPoint(0, 0));
    ASSERT_EQ(HitTest(50, 5), HTCAPTION);   // the move begins
    TRect r(o.X + 30, o.Y + 40, o.X + 230, o.Y + 160);
    panel->Perform(WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.Left, o.X);
    EXPECT_EQ(r.Width(), 200);
    EXPECT_EQ(r.Top, o.Y + 40);   // the top may move
    TRect s(o.X, o.Y, o.X + 260, o.Y + 300);
    panel->Perform(WM_SIZING, 8, reinterpret_cast<LPARAM>(&s));
    EXPECT_EQ(s.Height(), 120);
    EXPECT_EQ(s.Width(), 260);
    panel->Perform(WM_EXITSIZEMOVE);
    EXPECT_EQ(ends, 1);
}

// ---- moving and sizing by the mouse, through Qt ---------------------------------------------------------

// A panel on a shown form, pressed, dragged and released by Qt's mouse events: the platform asks the
// panel's hit test and moves or sizes it within the form.
class PanelByMouse : public Panel {
protected:
    void SetUp() override {
        Panel::SetUp();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
        panel->BeginLoading();
        panel->SetParent(form.get());
        panel->SetCanMove(true);
        panel->SetCanSize(true);
        panel->EndLoading();
        panel->OnEndMoveSize = [this](TObject*) { ++ends; };
        form->Show();
    }
    void TearDown() override {
        panel.reset();
        form.reset();
        Panel::TearDown();
    }
    QWidget* Widget() { return Vcl::Detail::HandleWidget(panel.get()); }
    // Press at a point of the panel, move the mouse by (dx, dy) on the screen, release there.
    void Drag(int x, int y, int dx, int dy) {
        QWidget* w = Widget();
        const QPoint start = w->mapToGlobal(QPoint(x, y));
        QTest::mousePress(w, Qt::LeftButton, {}, QPoint(x, y));
        QTest::mouseMove(w, w->mapFromGlobal(start + QPoint(dx / 2, dy / 2)));
        QTest::mouseMove(w, w->mapFromGlobal(start + QPoint(dx, dy)));
        QTest::mouseRelease(w, Qt::LeftButton, {}, w->mapFromGlobal(start + QPoint(dx, dy)));
    }
    std::unique_ptr<TForm> form;
    int ends = 0;
};

TEST_F(PanelByMouse, CaptionMovesGripSizesBodyStays) {
    int downs = 0;
    panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    Drag(50, 5, 30, 40);
    EXPECT_EQ(panel->BoundsRect(), TRect(40, 60, 240, 180));
    EXPECT_EQ(Widget()->geometry(), QRect(40, 60, 200, 120));
    EXPECT_EQ(downs, 0);   // a press on the caption is no press on the client
    EXPECT_EQ(ends, 1);
    // The grip in the bottom-right corner sizes.
    Drag(197, 117, 50, -20);
    EXPECT_EQ(panel->BoundsRect(), TRect(40, 60, 290, 160));
    EXPECT_EQ(ends, 2);
    // A drag in the body is the client's: nothing moves.
    Drag(50, 60, 30, 30);
    EXPECT_EQ(panel->BoundsRect(), TRect(40, 60, 290, 160));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ends, 2);
    // The grabbed point stays in the form: the panel cannot be dragged out of reach.
    Drag(50, 5, -500, -500);
    EXPECT_EQ(panel->Left(), -50);
    EXPECT_EQ(panel->Top(), -5);
    // Without CanMove the caption is client area too.
    panel->SetCanMove(false);
    Drag(50, 5, 30, 30);
    EXPECT_EQ(panel->Left(), -50);
}

TEST_F(PanelByMouse, CursorShowsWhatThePointerWouldDo) {
    panel->SetShowMoveCursor(true);
    const auto hover = [&](int x, int y) {
        QTest::mouseMove(Widget(), QPoint(x, y));
        return Widget()->cursor().shape();
    };
    EXPECT_EQ(hover(50, 5), Qt::SizeAllCursor);      // the caption moves
    EXPECT_EQ(hover(197, 117), Qt::SizeFDiagCursor);  // the grip sizes
    EXPECT_EQ(hover(50, 60), Qt::ArrowCursor);        // the body is the body
    EXPECT_EQ(panel->Cursor(), crDefault);
}

TEST_F(PanelByMouse, FixedEdgesAndSizesHold) {
    panel->BeginLoading();
    panel->SetFixedTop(true);
    panel->SetFixedHeight(true);
    panel->EndLoading();
    Drag(50, 5, 30, 40);
    EXPECT_EQ(panel->BoundsRect(), TRect(40, 20, 240, 140));   // only sideways
    Drag(197, 117, 20, 50);
    EXPECT_EQ(panel->BoundsRect(), TRect(40, 20, 260, 140));   // only wider
    // After a user's sizing, collapsing and expanding comes back to the sized height.
    panel->SetFixedHeight(false);
    Drag(217, 117, 0, 30);
    EXPECT_EQ(panel->Height(), 150);
    panel->SetCollaps(true);
    panel->SetCollaps(false);
    EXPECT_EQ(panel->Height(), 150);
}

// A panel made in code, never loaded from a form, keeps its fixed size from the user's first drag of
// its grip on, and can be taken hold of again.
TEST_F(PanelByMouse, APanelMadeInCodeKeepsItsFixedSize) {
    auto* made = new TAdvPanel(form.get());
    made->SetParent(form.get());
    made->SetBevelOuter(bvNone);
    made->SetBounds(20, 150, 150, 100);
    made->SetCanSize(true);
    made->SetFixedWidth(true);
    made->SetFixedHeight(true);
    QWidget* w = Vcl::Detail::HandleWidget(made);
    const auto drag = [&](QPoint at, QPoint by) {
        const QPoint start = w->mapToGlobal(at);
        QTest::mousePress(w, Qt::LeftButton, {}, at);
        QTest::mouseMove(w, w->mapFromGlobal(start + by / 2));
        QTest::mouseMove(w, w->mapFromGlobal(start + by));
        QTest::mouseRelease(w, Qt::LeftButton, {}, w->mapFromGlobal(start + by));
    };
    drag({147, 97}, {40, -30});
    EXPECT_EQ(made->BoundsRect(), TRect(20, 150, 170, 250));
    // Only the height is held now: the grip is where it was and sizes sideways.
    made->SetFixedWidth(false);
    drag({147, 97}, {40, -30});
    EXPECT_EQ(made->BoundsRect(), TRect(20, 150, 210, 250));
}

// ---- position persistence --------------------------------------------------------------------------------

class PanelPosition : public Panel {
protected:
    // A panel as loading from a form makes it, with its position kept.
    std::unique_ptr<TAdvPanel> Loaded(TPanelPositionLocation where, const AnsiString& key, bool collapsed = false) {
        auto p = std::make_unique<TAdvPanel>(nullptr);
        p->BeginLoading();
        p->SetBounds(1, 2, 100, 80);
        p->Caption()->SetVisible(true);
        p->SetCollaps(collapsed);
        p->Position()->SetSave(true);
        p->Position()->SetLocation(where);
        p->Position()->SetKey(key);
        p->Position()->SetSection("Notizen");
        p->EndLoading();
        return p;
    }
    testsupport::TempDir dir;
};

TEST_F(PanelPosition, ProfileFileKeepsPositionSizeAndState) {
    const AnsiString ini = dir.file("panel.ini");
    {
        auto p = Loaded(clInifile, ini);
        EXPECT_EQ(p->Height(), 80);   // nothing stored yet: the designed bounds stay
        p->SetBounds(30, 40, 250, 140);
    }   // saved when it goes
    TIniFile f(ini);
    EXPECT_EQ(f.ReadInteger("Notizen", "Top", -1), 40);
    EXPECT_EQ(f.ReadInteger("Notizen", "Left", -1), 30);
    EXPECT_EQ(f.ReadInteger("Notizen", "Height", -1), 140);
    EXPECT_EQ(f.ReadInteger("Notizen", "Width", -1), 250);
    EXPECT_EQ(f.ReadString("Notizen", "Collaps", ""), "0");

    auto p = Loaded(clInifile, ini);
    EXPECT_EQ(p->BoundsRect(), TRect(30, 40, 280, 180));
    EXPECT_FALSE(p->Collaps());
}

TEST_F(PanelPosition, CollapsedPanelIsSavedWithItsExpandedHeight) {
    const AnsiString ini = dir.file("panel.ini");
    {
        auto p = Loaded(clInifile, ini);
        p->SetBounds(30, 40, 250, 140);
        p->SetCollaps(true);
        EXPECT_EQ(p->Height(), 20);
    }
    TIniFile f(ini);
    EXPECT_EQ(f.ReadInteger("Notizen", "Height", -1), 140);
    EXPECT_EQ(f.ReadInteger("Notizen", "Collaps", -1), 1);

    for (bool designedCollapsed : {false, true}) {
        auto p = Loaded(clInifile, ini, designedCollapsed);
        EXPECT_TRUE(p->Collaps());
        EXPECT_EQ(p->Height(), 20);
        p->SetCollaps(false);
        EXPECT_EQ(p->Height(), 140);
        p->Position()->SetSave(false);
    }
}

TEST_F(PanelPosition, OnlyOneMeansCollapsed) {
    const AnsiString ini = dir.file("panel.ini");
    dir.write("panel.ini", "[Notizen]\nTop=5\nLeft=6\nHeight=90\nWidth=70\nCollaps=2\n");
    auto p = Loaded(clInifile, ini);
    EXPECT_FALSE(p->Collaps());
    EXPECT_EQ(p->BoundsRect(), TRect(6, 5, 76, 95));
    p->Position()->SetSave(false);
}

TEST_F(PanelPosition, NothingIsKeptWithoutKeyOrSection) {
    const AnsiString ini = dir.file("panel.ini");
    {
        auto p = Loaded(clInifile, ini);
        p->Position()->SetSection("");
        p->SetBounds(30, 40, 250, 140);
    }
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(PanelPosition, RegistryKeepsPositionBelowTheKey) {
    testsupport::ScopedEnv env("ZORBELIN_REGISTRY", dir.file("registry"));
    {
        auto p = Loaded(clRegistry, "Software\\Tarvolin\\Panels");
        p->SetBounds(11, 12, 213, 114);
        p->SetCollaps(true);
    }
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Tarvolin\\Panels\\Notizen"));
    EXPECT_EQ(reg.ReadInteger("Top"), 12);
    EXPECT_EQ(reg.ReadInteger("Left"), 11);
    EXPECT_EQ(reg.ReadInteger("Height"), 114);
    EXPECT_EQ(reg.ReadInteger("Width"), 213);
    EXPECT_EQ(reg.ReadInteger("Collaps"), 1);

    auto p = Loaded(clRegistry, "Software\\Tarvolin\\Panels");
    EXPECT_TRUE(p->Collaps());
    EXPECT_EQ(p->Left(), 11);
    EXPECT_EQ(p->Width(), 213);
    p->SetCollaps(false);
    EXPECT_EQ(p->Height(), 114);
    p->Position()->SetSave(false);
}

// ---- panel group -----------------------------------------------------------------------------------------

class PanelGroup : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        group = std::make_unique<TAdvPanelGroup>(nullptr);
        group->SetBounds(0, 0, 200, 300);
        a = new TAdvPanel(group.get());
        a->SetBounds(0, 100, 50, 50);
        b = new TAdvPanel(group.get());
        b->SetBounds(0, 10, 60, 30);
        a->SetParent(group.get());
        b->SetParent(group.get());
    }
    std::unique_ptr<TAdvPanelGroup> group;
    TAdvPanel* a = nullptr;
    TAdvPanel* b = nullptr;
};

TEST_F(PanelGroup, ColumnInOrderOfTopWithPaddings) {
    group->SetHorzPadding(4);
    group->SetVertPadding(6);
    EXPECT_EQ(b->BoundsRect(), TRect(4, 6, 196, 36));
    EXPECT_EQ(a->BoundsRect(), TRect(4, 42, 196, 92));
    // A child collapsing moves the ones below it up.
    a->Caption()->SetVisible(true);
    b->SetCollaps(true);
    EXPECT_EQ(b->Height(), 20);
    EXPECT_EQ(a->Top(), 32);
    // The group's width reaches the children.
    group->SetBounds(0, 0, 300, 300);
    EXPECT_EQ(a->Width(), 292);
}

TEST_F(PanelGroup, RowInOrderOfLeft) {
    a->SetLeft(100);
    b->SetLeft(10);
    group->SetGroupStyle(gsHorizontal);
    group->SetVertPadding(5);
    group->SetHorzPadding(3);
    EXPECT_EQ(b->BoundsRect(), TRect(3, 5, 63, 295));
    EXPECT_EQ(a->BoundsRect(), TRect(66, 5, 116, 295));
}

TEST_F(PanelGroup, PanelsAtTheSamePlaceKeepTheirOrder) {
    auto* c2 = new TAdvPanel(group.get());
    c2->SetBounds(0, 10, 40, 25);
    c2->SetParent(group.get());
    group->SetVertPadding(1);
    // b and c2 both stood at 10: b came first.
    EXPECT_EQ(b->Top(), 1);
    EXPECT_EQ(c2->Top(), 32);
    EXPECT_EQ(a->Top(), 58);
}

} // namespace
