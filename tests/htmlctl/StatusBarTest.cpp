// The HTML status bar: parts by width, automatic panels on the timer, progress and blinking painted
// on an image, anchors and hints.
#include <QImage>
#include <QPainter>
#include <QTest>

#include "ExtCtrls.h"
#include "Forms.h"
#include "GraphicsQt.h"
#include "HTMLStatusBar.h"
#include "HtmlTestApp.h"
#include "LockKeys.h"
#include "VclPrivate.h"

using namespace htmltest;

namespace {

class StatusBar : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        bar = std::make_unique<THTMLStatusBar>(nullptr);
        bar->SetAlign(alNone);
        bar->SetBounds(0, 0, 300, 22);
        THTMLStatusBar::SetShellOpen([this](const AnsiString& t) { shell.push_back(t); });
    }
    void TearDown() override {
        THTMLStatusBar::SetShellOpen(nullptr);
        LockKeys::SetSource(nullptr);
        SysUtils::SetClock(nullptr);
    }
    THTMLStatusPanel* Add(int width, THTMLStatusPanelStyle style, const AnsiString& text = "") {
        THTMLStatusPanel* p = bar->Panels()->Add();
        p->SetWidth(width);
        p->SetStyle(style);
        p->SetText(text);
        return p;
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) bar->Perform(WM_TIMER, THTMLStatusBar::TimerID);
    }
    void Paint() {
        img = QImage(bar->Width(), bar->Height(), QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter painter(&img);
        bar->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
    }
    TColor Px(int x, int y) const { return GraphicsQt::FromQColor(img.pixelColor(x, y)); }
    int CountIn(const TRect& r, TColor col) const {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) n += Px(x, y) == col;
        return n;
    }

    std::unique_ptr<THTMLStatusBar> bar;
    QImage img;
    std::vector<AnsiString> shell;
};

TEST_F(StatusBar, PartsFollowTheWidthsAndTheLastReachesTheEdge) {
    Add(40, psText);
    Add(40, psText);
    Add(50, psText);
    EXPECT_EQ(bar->Parts(), (std::vector<int>{40, 80, -1}));
    EXPECT_EQ(bar->PanelRect(0).Left, 0);
    EXPECT_EQ(bar->PanelRect(1).Left, 40);
    EXPECT_EQ(bar->PanelRect(2).Left, 80);
    EXPECT_EQ(bar->PanelRect(2).Right, bar->ClientWidth() - 2);
    EXPECT_EQ(bar->GetPanel(10), 0);
    EXPECT_EQ(bar->GetPanel(60), 1);
    EXPECT_EQ(bar->GetPanel(290), 2);
    bar->Panels()->Items(0)->SetWidth(100);
    EXPECT_EQ(bar->Parts(), (std::vector<int>{100, 140, -1}));

    bar->Panels()->Clear();
    EXPECT_EQ(bar->Parts(), std::vector<int>{-1});
    for (int i = 0; i < 130; ++i) Add(2, psText);
    EXPECT_EQ(static_cast<int>(bar->Parts().size()), THTMLStatusBar::MaxParts);
    EXPECT_EQ(bar->Parts().back(), -1);
    EXPECT_EQ(bar->PanelRect(129), TRect());
}

TEST_F(StatusBar, LockAndClockPanelsFollowOnTheTimer) {
    bool num = true, caps = false;
    LockKeys::SetSource([&](int vk) { return vk == VK_NUMLOCK ? num : vk == VK_CAPITAL ? caps : false; });
    SysUtils::SetClock([] { return SysUtils::EncodeDate(2024, 12, 31) + 0.5; });
    THTMLStatusPanel* n = Add(40, psNumLock);
    THTMLStatusPanel* c = Add(40, psCapsLock);
    THTMLStatusPanel* s = Add(40, psScrollLock);
    THTMLStatusPanel* t = Add(60, psTime);
    THTMLStatusPanel* d = Add(60, psDate);
    d->SetDateFormat("yyyy-mm-dd");
    Tick();
    EXPECT_EQ(n->Text(), "NUM");
    EXPECT_EQ(c->Text(), "");
    EXPECT_EQ(s->Text(), "");
    EXPECT_EQ(t->Text(), "12:00:00");
    EXPECT_EQ(d->Text(), "2024-12-31");
    num = false;
    caps = true;
    Tick();
    EXPECT_EQ(n->Text(), "");
    EXPECT_EQ(c->Text(), "CAP");
    // The texts reach the bar at its next paint, with the tabs of their alignment.
    c->SetAlignment(taRightJustify);
    Paint();
    EXPECT_EQ(bar->PanelText(1), "\t\tCAP");
    EXPECT_EQ(bar->PanelText(3), "12:00:00");
}

TEST_F(StatusBar, ProgressTextAndFill) {
    THTMLStatusPanel* p = Add(100, psProgress);
    TProgressStyle* ps = p->Progress();
    EXPECT_EQ(ps->Text(), "0%");
    ps->SetMax(200);
    ps->SetPosition(50);
    EXPECT_EQ(ps->Text(), "25%");
    EXPECT_EQ(ps->FillWidth(100), 25);
    ps->SetIndication(piAbsolute);
    EXPECT_EQ(ps->Text(), "50");
    ps->SetIndication(piNone);
    EXPECT_EQ(ps->Text(), "");
    ps->SetIndication(piPercentage);
    // A range away from 0 counts from its start.
    ps->SetMin(20);
    ps->SetMax(120);
    ps->SetPosition(70);
    EXPECT_EQ(ps->Text(), "50%");
    EXPECT_EQ(ps->FillWidth(100), 50);
    // An empty range neither divides by nothing nor overflows.
    ps->SetMin(0);
    ps->SetMax(0);
    ps->SetPosition(0);
    EXPECT_EQ(ps->Text(), "0%");
    EXPECT_EQ(ps->FillWidth(100), 0);
    ps->SetMax(10);
    ps->SetPosition(50);
    EXPECT_EQ(ps->FillWidth(100), 100);
}

TEST_F(StatusBar, ProgressPanelPaintsBothHalves) {
    bar->SetBounds(0, 0, 200, 22);
    THTMLStatusPanel* p = Add(200, psProgress);
    p->SetBevel(pbNone);
    p->Progress()->SetColor(clRed);
    p->Progress()->SetBackGround(clWhite);
    p->Progress()->SetIndication(piNone);
    p->Progress()->SetMax(200);
    p->Progress()->SetPosition(50);
    Paint();
    // Panel rectangle inside its one-pixel margin, shrunk by two for the bar.
    TRect r = bar->PanelRect(0);
    InflateRect(r, -1, -1);
    InflateRect(r, -2, -2);
    const int fill = r.Left + (r.Width() * 50 + 100) / 200;
    const int mid = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(Px(r.Left, mid), clRed);
    EXPECT_EQ(Px(fill - 1, mid), clRed);
    EXPECT_EQ(Px(fill, mid), clWhite);
    EXPECT_EQ(Px(r.Right - 1, mid), clWhite);
    EXPECT_EQ(CountIn(TRect(r.Left, r.Top, fill, r.Bottom), clRed), (fill - r.Left) * r.Height());
    // Two frames in the panel's brush colour around it.
    EXPECT_EQ(Px(r.Left - 1, mid), Graphics::ColorToRGB(clBtnFace));
    EXPECT_EQ(Px(r.Left - 2, mid), Graphics::ColorToRGB(clBtnFace));
}

TEST_F(StatusBar, BlinkingHtmlAndLiteralText) {
    bar->SetBounds(0, 0, 200, 22);
    THTMLStatusPanel* h = Add(100, psHTML, "<font color=\"#FF0000\"><BLINK>WWW</BLINK></font>");
    THTMLStatusPanel* t = Add(100, psText, "<b>x</b>");
    (void)h;
    const TRect hr = bar->PanelRect(0);
    Paint();   // counter 0: hidden
    EXPECT_EQ(CountIn(hr, clRed), 0);
    Tick(6);   // counter 6: shown
    EXPECT_EQ(bar->BlinkCount(), 6);
    Paint();
    EXPECT_GT(CountIn(hr, clRed), 0);
    Tick(5);   // wraps to 0 after 10
    EXPECT_EQ(bar->BlinkCount(), 0);
    Paint();
    EXPECT_EQ(CountIn(hr, clRed), 0);
    // A plain panel shows the tags as they are.
    EXPECT_EQ(bar->PanelText(1), "<b>x</b>");
    c->Font()->Assign(bar->Font());
    TRect tr = bar->PanelRect(1);
    InflateRect(tr, -2, -2);
    const int ink = [&] {
        int right = 0;
        for (int x = tr.Left; x < tr.Right; ++x)
            for (int y = tr.Top; y < tr.Bottom; ++y)
                if (Px(x, y) != Graphics::ColorToRGB(clBtnFace)) right = x;
        return right;
    }();
    EXPECT_GE(ink - tr.Left, c->TextWidth("<b>x</b>") - 2);
    EXPECT_LE(ink - tr.Left, c->TextWidth("<b>x</b>") + 2);
    (void)t;
}

TEST_F(StatusBar, AnchorsClickEnterAndHint) {
    THTMLStatusPanel* p = Add(300, psHTML, "<a href=\"aufgaben\">Aufgaben</a> <a href=\"http://x.de\">Web</a>");
    p->SetHint("Status");
    std::vector<AnsiString> clicks, enters;
    bar->OnAnchorClick = [&](TObject*, const AnsiString& a) { clicks.push_back(a); };
    bar->OnAnchorEnter = [&](TObject*, const AnsiString& a) { enters.push_back(a); };
    c->Font()->Assign(bar->Font());
    const int y = 11, x1 = 5, x2 = 3 + c->TextWidth("Aufgaben ") + 4;
    EXPECT_EQ(bar->IsAnchor(x1, y), "aufgaben");
    EXPECT_EQ(bar->IsAnchor(x2, y), "http://x.de");
    EXPECT_EQ(bar->IsAnchor(280, y), "");
    bar->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(x1, y));
    EXPECT_EQ(bar->Cursor(), crHandPoint);
    bar->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(x1 + 1, y));
    EXPECT_EQ(enters, std::vector<AnsiString>{"aufgaben"});
    bar->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(280, y));
    EXPECT_EQ(bar->Cursor(), crDefault);
    bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, y));
    bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x1, y));
    bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x2, y));
    bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x2, y));
    EXPECT_EQ(clicks, std::vector<AnsiString>{"aufgaben"});
    EXPECT_EQ(shell, std::vector<AnsiString>{"http://x.de"});
    // A file named by the text is neither opened nor handed to the handler.
    p->SetText("<a href=\"aufgaben\">Aufgaben</a> <a href=\"file:///etc/passwd\">Web</a>");
    EXPECT_EQ(bar->IsAnchor(x2, y), "file:///etc/passwd");
    bar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x2, y));
    bar->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x2, y));
    EXPECT_EQ(clicks, std::vector<AnsiString>{"aufgaben"});
    EXPECT_EQ(shell, std::vector<AnsiString>{"http://x.de"});

    THintInfo info;
    info.CursorPos = TPoint(280, y);
    EXPECT_EQ(bar->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, "Status");
    bar->SetAnchorHint(true);
    info.CursorPos = TPoint(x1, y);
    bar->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintStr, "aufgaben");
    const TPoint sp = bar->ClientToScreen(TPoint(x1, y));
    EXPECT_EQ(info.HintPos, TPoint(sp.X + 10, sp.Y - 10));
}

TEST_F(StatusBar, AssignCopiesProgressAndHintAndSimpleModeShowsItsText) {
    THTMLStatusPanel* a = Add(70, psProgress, "a");
    a->Progress()->SetMax(300);
    a->Progress()->SetPosition(30);
    a->Progress()->SetColor(clGreen);
    a->SetHint("Fortschritt");
    THTMLStatusPanel* b = Add(20, psText);
    b->Assign(a);
    EXPECT_EQ(b->Width(), 70);
    EXPECT_EQ(b->Style(), psProgress);
    EXPECT_EQ(b->Hint(), "Fortschritt");
    EXPECT_EQ(b->Progress()->Max(), 300);
    EXPECT_EQ(b->Progress()->Position(), 30);
    EXPECT_EQ(b->Progress()->Color(), clGreen);
    EXPECT_EQ(b->DisplayName(), "a");

    bar->SetSimpleText("Nur dies");
    bar->SetSimplePanel(true);
    EXPECT_EQ(bar->Perform(WM_GETTEXTLENGTH), 8);
    Paint();
    EXPECT_EQ(CountIn(TRect(0, 0, bar->Width(), bar->Height()), clGreen), 0);
    int black = CountIn(TRect(0, 0, bar->Width(), bar->Height()), clBlack);
    EXPECT_GT(black, 0);
}

} // namespace

// ---- the application's hint and the desktop's font, on a shown form through Qt ------------------------

namespace {

class StatusBarOnForm : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        savedFont = QApplication::font();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 200);
        Application->SetMainForm(form.get());
        button = new TPanel(form.get());
        button->SetParent(form.get());
        button->SetBounds(10, 10, 100, 40);
        button->SetHint("Speichern|Speichert die Aufgabe");
        bar = new THTMLStatusBar(form.get());
        bar->SetParent(form.get());
        bar->Panels()->Add()->SetWidth(200);
        bar->SetAutoHint(true);
        form->Show();
    }
    void TearDown() override {
        Application->OnHint = nullptr;
        Application->SetMainForm(nullptr);
        form.reset();
        // Which also forgets the status bars' own font.
        QApplication::setFont(savedFont);
    }
    // The pointer goes to a point of the form as the window system moves it.
    void MoveTo(int x, int y) {
        QTest::mouseMove(Vcl::Detail::HandleWidget(form.get()), QPoint(x, y));
        QApplication::processEvents();
    }
    QFont savedFont;
    std::unique_ptr<TForm> form;
    TPanel* button = nullptr;
    THTMLStatusBar* bar = nullptr;
};

} // namespace

TEST_F(StatusBarOnForm, AutoHintShowsTheLongHintOfTheControlUnderTheMouse) {
    MoveTo(50, 30);
    EXPECT_EQ(Application->Hint(), "Speichert die Aufgabe");
    EXPECT_EQ(bar->Panels()->Items(0)->Text(), "Speichert die Aufgabe");
    // Off the control the hint is gone again.
    MoveTo(200, 100);
    EXPECT_EQ(bar->Panels()->Items(0)->Text(), "");
    // The bar's own OnHint takes the hint instead.
    int barHints = 0;
    bar->OnHint = [&](TObject*) { ++barHints; };
    MoveTo(50, 30);
    EXPECT_EQ(barHints, 1);
    EXPECT_EQ(bar->Panels()->Items(0)->Text(), "");
    // So does the application's OnHint, before any action is offered.
    int appHints = 0;
    Application->OnHint = [&](TObject*) { ++appHints; };
    MoveTo(200, 100);
    EXPECT_EQ(appHints, 1);
    EXPECT_EQ(barHints, 1);
    // Without AutoHint the bar stays as it is; with no panels the hint is the simple text.
    Application->OnHint = nullptr;
    bar->OnHint = nullptr;
    bar->Panels()->Clear();
    MoveTo(50, 30);
    EXPECT_EQ(bar->SimpleText(), "Speichert die Aufgabe");
    bar->SetAutoHint(false);
    MoveTo(200, 100);
    EXPECT_EQ(bar->SimpleText(), "Speichert die Aufgabe");
}

TEST_F(StatusBarOnForm, SystemFontFollowsTheDesktopsStatusBarFont) {
    QFont status("DejaVu Serif");
    status.setPointSize(11);
    QApplication::setFont(status, "QStatusBar");
    THTMLStatusBar fresh(nullptr);
    EXPECT_EQ(fresh.Font()->Name(), "DejaVu Serif");
    EXPECT_EQ(fresh.Font()->Size(), 11);
    // The desktop's fonts change (the application's font, which status bars then take): the bar on
    // the form follows.
    QFont changed("Liberation Mono");
    changed.setPointSize(13);
    QApplication::setFont(changed);
    Application->ProcessMessages();
    EXPECT_EQ(bar->Font()->Name(), "Liberation Mono");
    EXPECT_EQ(bar->Font()->Size(), 13);
    // A font of its own, taken from the parent, ends that.
    bar->SetParentFont(true);
    QApplication::setFont(savedFont);
    Application->ProcessMessages();
    EXPECT_FALSE(bar->UseSystemFont());
    EXPECT_EQ(bar->Font()->Name(), form->Font()->Name());
}
