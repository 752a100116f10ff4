// The hint machinery (CM_HINTSHOW, OnShowHint, the hint window) and popup menus with owner-drawn items.
// Mouse input from QTest takes the window system's way: into the window, to the widget under the pointer.
#define QTEST_QPA_MOUSE_HANDLING
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "ControlsTestSupport.h"
#include "EditBoxes.h"
#include "GraphicsQt.h"
#include "Menus.h"
#include "WinApi.h"

using namespace controlstest;

namespace {

class THinted : public TCustomControl {
public:
    explicit THinted(TComponent* owner) : TCustomControl(owner) {}
    std::vector<std::string> asked;
    LRESULT refuse = 0;
protected:
    LRESULT HintShow(THintInfo& info) override {
        asked.push_back(info.HintStr);
        info.HintStr = "<" + info.HintStr + ">";
        return refuse;
    }
};

class Hints : public WithApplication {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 200, 100);
        control = new THinted(form);
        control->SetParent(form);
        control->SetBounds(10, 10, 50, 30);
        control->SetHint("Kurz|Lang");
        control->SetShowHint(true);
        form->Show();
        Application->HintPause = 5;
        Application->HintHidePause = 0;
    }
    void TearDown() override {
        Application->OnShowHint = nullptr;
        Application->HideHint();
        delete form;
    }
    void Enter() {
        QWidget* w = WidgetOf(control);
        QEnterEvent e(QPointF(3, 3), QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)));
        QApplication::sendEvent(w, &e);
    }
    void Leave() {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(WidgetOf(control), &e);
    }
    bool HintShown() { return Application->HintWindow() && Application->HintWindow()->Active(); }
    TForm* form = nullptr;
    THinted* control = nullptr;
};

} // namespace

TEST_F(Hints, RestingMouseShowsTheShortHintAfterThePause) {
    std::string offered;
    Application->OnShowHint = [&](AnsiString& text, bool& canShow, THintInfo& info) {
        offered = text;
        EXPECT_EQ(info.HintControl, control);
        EXPECT_EQ(info.CursorRect, control->ClientRect());
        canShow = true;
    };
    Enter();
    EXPECT_FALSE(HintShown());
    ASSERT_TRUE(RunUntil([&] { return HintShown(); }));
    EXPECT_EQ(control->asked, (std::vector<std::string>{"Kurz"}));
    // The control's CM_HINTSHOW answer reaches OnShowHint and the window.
    EXPECT_EQ(offered, "<Kurz>");
    EXPECT_EQ(Application->HintWindow()->Caption(), "<Kurz>");
    EXPECT_EQ(Application->HintWindow()->Color(), clInfoBk);
    Leave();
    EXPECT_FALSE(HintShown());
}

TEST_F(Hints, ControlOrApplicationCanRefuseAndHintsCanBeOff) {
    control->refuse = 1;
    Enter();
    RunUntil([&] { return !control->asked.empty(); });
    RunUntil([] { return false; }, 30);
    EXPECT_FALSE(HintShown());
    Leave();
    control->refuse = 0;
    Application->OnShowHint = [](AnsiString&, bool& canShow, THintInfo&) { canShow = false; };
    Enter();
    RunUntil([&] { return control->asked.size() == 2; });
    RunUntil([] { return false; }, 30);
    EXPECT_FALSE(HintShown());
    Leave();
    control->SetShowHint(false);
    Enter();
    RunUntil([] { return false; }, 40);
    EXPECT_EQ(control->asked.size(), 2u);
}

TEST_F(Hints, HintGoesAfterTheHidePauseAndOnAClick) {
    Application->HintHidePause = 30;
    Enter();
    ASSERT_TRUE(RunUntil([&] { return HintShown(); }));
    EXPECT_TRUE(RunUntil([&] { return !HintShown(); }));
    Leave();
    Application->HintHidePause = 0;
    Enter();
    ASSERT_TRUE(RunUntil([&] { return HintShown(); }));
    Click(control, 3, 3);
    EXPECT_FALSE(HintShown());
}

TEST_F(Hints, MovingOutOfTheHintsAreaBringsTheNextHint) {
    // The control offers one hint per half, as anchors of a text do.
    control->SetBounds(10, 10, 100, 30);
    Application->OnShowHint = [&](AnsiString& text, bool&, THintInfo& info) {
        const bool left = info.CursorPos.X < 50;
        info.CursorRect = left ? TRect(0, 0, 50, 30) : TRect(50, 0, 100, 30);
        text = left ? "links" : "rechts";
    };
    Mouse(control, QEvent::MouseMove, 10, 10, Qt::NoButton);
    ASSERT_TRUE(RunUntil([&] { return HintShown(); }));
    EXPECT_EQ(Application->HintWindow()->Caption(), "links");
    Mouse(control, QEvent::MouseMove, 80, 10, Qt::NoButton);
    EXPECT_FALSE(HintShown());
    ASSERT_TRUE(RunUntil([&] { return HintShown(); }));
    EXPECT_EQ(Application->HintWindow()->Caption(), "rechts");
    EXPECT_EQ(control->asked.size(), 2u);
}

// The pointer goes from the control onto a memo, whose editor takes the moves over it: the memo's hint
// shows beside the pointer there, not where the pointer last moved over the control.
TEST_F(Hints, AHintShowsWhereThePointerCameOntoAnEditor) {
    auto* memo = new TPlainMemo(form);
    memo->SetParent(form);
    memo->SetBounds(80, 10, 100, 70);
    memo->SetHint("Notiz");
    memo->SetShowHint(true);
    QTest::mouseMove(WidgetOf(control), QPoint(20, 15));
    ASSERT_TRUE(RunUntil([&] { return HintShown(); }));
    QTest::mouseMove(WidgetOf(memo), QPoint(60, 40));
    ASSERT_TRUE(RunUntil([&] { return HintShown() && Application->HintWindow()->Caption() == "Notiz"; }));
    const TPoint pointer = memo->ClientToScreen(TPoint(60, 40));
    const TRect shown = Application->HintWindow()->BoundsRect();
    EXPECT_NEAR(shown.Left, pointer.X, 2);
    EXPECT_NEAR(shown.Top, pointer.Y + 20, 2);
}

namespace {

class PopupMenus : public WithApplication {};

void SendMouse(QWidget* w, QEvent::Type type, QPoint at) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST_F(PopupMenus, OwnerDrawnMenuIsOneSurfaceWhoseRowsKeepWhatWasDrawnAcrossThem) {
    TPopupMenu popup(nullptr);
    popup.OwnerDraw = true;
    std::string order;
    popup.OnPopup = [&](TObject*) { order += "popup "; };
    auto add = [&](TMenuItem* parent, const char* caption) {
        auto* item = new TMenuItem(&popup);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    };
    TMenuItem* first = add(popup.Items(), "&Kalender");
    TMenuItem* more = add(popup.Items(), "Mehr");
    TMenuItem* inner = add(more, "Innen");
    TMenuItem* last = add(popup.Items(), "Beenden");
    std::vector<TRect> rects;
    int bands = 0;
    for (TMenuItem* item : {first, more, last}) {
        item->OnMeasureItem = [&](TObject*, TCanvas* canvas, int& w, int& h) {
            EXPECT_GT(w, canvas->TextWidth("Beenden") - 1);
            w += 15;
            h = 19;
        };
        // A stripe over the whole menu, drawn by the first row alone; each row fills its own part.
        item->OnAdvancedDrawItem = [&](TObject* sender, TCanvas* canvas, const TRect& r, TOwnerDrawState state) {
            rects.push_back(r);
            if (static_cast<TMenuItem*>(sender) == first && bands++ == 0) {
                canvas->Brush()->SetColor(clBlue);
                canvas->FillRect({0, 0, 10, 3 * 19});
            }
            canvas->Brush()->SetColor(state.Contains(odSelected) ? clRed : clLime);
            canvas->FillRect({10, r.Top, r.Right, r.Bottom});
        };
    }
    inner->OnClick = [&](TObject*) { order += "click"; };
    QImage opened, hovered;
    QTimer::singleShot(50, [&] {
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr);
        opened = menu->grab().toImage();
        order += "open ";
        // Over the row with items of its own: it is drawn again, selected, and its menu opens.
        SendMouse(menu, QEvent::MouseMove, QPoint(30, 1 + 19 + 5));
        hovered = menu->grab().toImage();
        QWidget* sub = QApplication::activePopupWidget();
        ASSERT_NE(sub, menu);
        SendMouse(sub, QEvent::MouseMove, QPoint(20, 6));
        SendMouse(sub, QEvent::MouseButtonPress, QPoint(20, 6));
        SendMouse(sub, QEvent::MouseButtonRelease, QPoint(20, 6));
    });
    popup.Popup(100, 100);
    EXPECT_EQ(order, "popup open click");
    // Rows in the menu's coordinates, one below the other; the stripe was drawn once.
    ASSERT_GE(rects.size(), 4u);
    EXPECT_EQ(rects[0].Top, 0);
    EXPECT_EQ(rects[1].Top, 19);
    EXPECT_EQ(rects[2].Top, 38);
    EXPECT_EQ(rects[1].Width(), rects[0].Width());
    EXPECT_EQ(bands, 1);
    ASSERT_FALSE(opened.isNull());
    const auto at = [](const QImage& img, int x, int y) { return GraphicsQt::FromQColor(img.pixelColor(x, y)); };
    // The stripe runs down beside every row, also after the second row was drawn again.
    for (int y : {2, 25, 50}) {
        EXPECT_EQ(at(opened, 3, y), clBlue) << y;
        EXPECT_EQ(at(hovered, 3, y), clBlue) << y;
    }
    EXPECT_EQ(at(opened, 30, 25), clLime);
    EXPECT_EQ(at(hovered, 30, 25), clRed);
    EXPECT_EQ(at(hovered, 30, 50), clLime);
}

// An item's own bitmap shows beside its caption, without its see-through colour (the bottom-left
// pixel's), in a menu the library draws and in one the window system draws; an item without one
// shows none.
TEST_F(PopupMenus, AnItemsOwnBitmapShowsBesideItsCaption) {
    TBitmap picture;
    picture.SetSize(16, 16);
    picture.Canvas()->Brush()->SetColor(clFuchsia);
    picture.Canvas()->FillRect({0, 0, 16, 16});
    picture.Canvas()->Brush()->SetColor(clRed);
    picture.Canvas()->FillRect({4, 4, 12, 12});
    TPopupMenu popup(nullptr);
    auto add = [&](TMenuItem* parent, const char* caption) {
        auto* item = new TMenuItem(&popup);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    };
    TMenuItem* info = add(popup.Items(), "Info");
    TMenuItem* help = add(info, "Hilfe");
    add(info, "Ohne");
    help->SetBitmap(&picture);
    EXPECT_TRUE(help->HasBitmap());
    EXPECT_FALSE(info->HasBitmap());
    const auto count = [](const QImage& img, const QRect& area, QColor colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) n += img.pixelColor(x, y).rgb() == colour.rgb();
        return n;
    };
    for (bool ownerDraw : {true, false}) {
        popup.OwnerDraw = ownerDraw;
        QImage sub;
        QTimer::singleShot(50, [&] {
            QWidget* menu = QApplication::activePopupWidget();
            ASSERT_NE(menu, nullptr);
            // Over "Info": its items open beside it.
            SendMouse(menu, QEvent::MouseMove, QPoint(20, menu->height() / 2));
            QTimer::singleShot(400, [&, menu] {
                QWidget* opened = QApplication::activePopupWidget();
                if (opened && opened != menu) sub = opened->grab().toImage();
                menu->close();
                if (opened) opened->close();
            });
        });
        popup.Popup(100, 100);
        ASSERT_FALSE(sub.isNull()) << ownerDraw;
        const int rowHeight = sub.height() / 2;
        const QRect first(0, 0, 30, rowHeight - 1), second(0, rowHeight, 30, rowHeight - 1);
        EXPECT_GT(count(sub, first, Qt::red), 30) << ownerDraw;
        EXPECT_EQ(count(sub, second, Qt::red), 0) << ownerDraw;
        EXPECT_EQ(count(sub, sub.rect(), Qt::magenta), 0) << ownerDraw;
        // The captions stand in one column, a little apart from the pictures.
        if (ownerDraw) {
            for (const QRect& row : {first, second}) {
                const QRect beside(0, row.top(), 1 + 2 + 16 + 4, row.height());
                EXPECT_EQ(count(sub, beside, Qt::black), 0);
                EXPECT_GT(count(sub, QRect(beside.right() + 1, row.top(), 40, row.height()), Qt::black), 5);
            }
        }
    }
}

// A checked item of a menu the library draws carries a tick: its short stroke falls to the lowest
// point left of the middle, its long one rises to the top at the right. (A right-pointing triangle,
// read as "more items here", is deepest at its left edge and tips out at half its height.)
TEST_F(PopupMenus, ACheckedItemShowsATick) {
    TPopupMenu popup(nullptr);
    popup.OwnerDraw = true;
    auto add = [&](TMenuItem* parent, const char* caption) {
        auto* item = new TMenuItem(&popup);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    };
    TMenuItem* options = add(popup.Items(), "Optionen");
    add(options, "Rahmen sichtbar")->Checked = true;
    add(options, "Ohne Haken");
    QImage sub;
    QTimer::singleShot(50, [&] {
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr);
        SendMouse(menu, QEvent::MouseMove, QPoint(20, menu->height() / 2));
        QTimer::singleShot(400, [&, menu] {
            QWidget* opened = QApplication::activePopupWidget();
            if (opened && opened != menu) sub = opened->grab().toImage();
            menu->close();
            if (opened) opened->close();
        });
    });
    popup.Popup(100, 100);
    ASSERT_FALSE(sub.isNull());
    const QColor ink = GraphicsQt::ToQColor(clMenuText);
    const int rowHeight = sub.height() / 2;
    // The mark's pixels left of the captions, row by row.
    const auto mark = [&](int top) {
        std::vector<QPoint> points;
        for (int y = top; y < top + rowHeight; ++y)
            for (int x = 0; x < 2 + GetSystemMetrics(SM_CXMENUCHECK); ++x)
                if (sub.pixelColor(x, y).rgb() == ink.rgb()) points.emplace_back(x, y);
        return points;
    };
    EXPECT_TRUE(mark(rowHeight).empty());
    const std::vector<QPoint> tick = mark(0);
    ASSERT_GE(tick.size(), 15u);
    int left = 1000, right = -1, top = 1000, bottom = -1;
    for (const QPoint& p : tick) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    EXPECT_GE(right - left, 5);
    for (const QPoint& p : tick) {
        // The right end reaches up to the top; the lowest pixels stand left of the middle.
        if (p.x() == right) EXPECT_LT(p.y(), top + 3) << p.x() << "," << p.y();
        if (p.y() == bottom) EXPECT_LT(p.x(), (left + right) / 2) << p.x() << "," << p.y();
    }
}

TEST_F(PopupMenus, ContextMenuRequestOpensTheControlsPopupMenu) {
    TForm form(nullptr);
    auto* control = new THinted(&form);
    control->SetParent(&form);
    control->SetBounds(0, 0, 50, 50);
    auto* popup = new TPopupMenu(&form);
    auto* item = new TMenuItem(&form);
    item->SetCaption("Beenden");
    popup->Items()->Add(item);
    form.SetPopupMenu(popup);
    form.Show();
    int popups = 0;
    popup->OnPopup = [&](TObject*) { ++popups; };
    QTimer::singleShot(30, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    });
    // The click lands on the control, which has no menu of its own: the form's opens.
    QWidget* w = WidgetOf(control);
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w, &e);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(popup->PopupComponent(), &form);
    // A menu that goes leaves no dangling reference behind.
    delete popup;
    EXPECT_EQ(form.PopupMenu(), nullptr);
}

TEST_F(PopupMenus, ItemTreeFindsAndFreesItsItems) {
    TPopupMenu popup(nullptr);
    auto* file = new TMenuItem(nullptr);
    file->SetCaption("&Datei");
    auto* quit = new TMenuItem(nullptr);
    quit->SetCaption("Be&enden");
    file->Add(quit);
    popup.Items()->Add(file);
    EXPECT_EQ(popup.Items()->Find("datei"), file);
    EXPECT_EQ(file->Find("Beenden"), quit);
    EXPECT_EQ(quit->MenuIndex(), 0);
    EXPECT_EQ(quit->GetParentMenu(), &popup);
    EXPECT_EQ(Menus::StripHotkey("A&&B &C"), "A&B C");
    int clicks = 0;
    quit->OnClick = [&](TObject*) { ++clicks; };
    quit->Enabled = false;
    quit->Click();
    EXPECT_EQ(clicks, 0);
    popup.Items()->Delete(0);
    EXPECT_EQ(popup.Items()->Count(), 0);
}
