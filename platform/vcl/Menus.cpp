// Popup menus over QMenu. Owner-drawn items are widgets of our own inside the menu, so their size and
// look come from OnMeasureItem and OnDrawItem/OnAdvancedDrawItem.
#include "Menus.h"

#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "Buttons.h"
#include "GraphicsQt.h"
#include "VclPrivate.h"

namespace {

bool HasOwnerDrawnItems(const TMenuItem* parent) {
    for (int i = 0; i < parent->Count(); ++i) {
        const TMenuItem* item = parent->Items(i);
        if (item->OnDrawItem || item->OnAdvancedDrawItem || item->OnMeasureItem || HasOwnerDrawnItems(item)) return true;
    }
    return false;
}

QString QtCaption(const AnsiString& caption) { return QString::fromStdString(caption); }

// The picture a row shows beside its caption: the menu's image, else the item's own bitmap.
QImage ItemPicture(TMenuItem* item, TMenu* owner) {
    TCustomImageList* images = owner ? owner->Images() : nullptr;
    if (images && item->ImageIndex >= 0 && item->ImageIndex < images->Count()) {
        TBitmap bmp;
        if (images->GetBitmap(item->ImageIndex, &bmp)) return GraphicsQt::ToImage(&bmp);
    }
    if (!item->HasBitmap()) return QImage();
    TBitmap shown;
    shown.Assign(item->Bitmap());
    shown.SetTransparent(true);
    return GraphicsQt::ToImage(&shown);
}

// An owner-drawn menu is one window of our own, as the window system's menus are: every row is
// measured by OnMeasureItem and drawn by OnDrawItem/OnAdvancedDrawItem (or plainly) on one surface
// that keeps its pixels for as long as the menu is open. A row's rectangle is given in the menu's
// coordinates, so a handler can draw across rows (a band beside the whole menu) once per opening,
// and a row that changes is drawn again alone. Rows with items of their own open a menu of the same
// kind beside them.
class OwnerDrawnMenu;

// What all levels of one opened menu share.
struct MenuSession {
    TMenu* owner = nullptr;
    TMenuItem* chosen = nullptr;
    bool done = false;
    // Where the pointer was when the menu opened, and whether a release may choose a row: only after
    // a press in the menu, or a drag from there with the button held. The release of the button
    // whose press opened the menu (a right click on the tray icon or the page) chooses nothing.
    QPoint openedAt;
    bool releaseChooses = false;
    // Open levels, the top-level menu first.
    std::vector<QPointer<OwnerDrawnMenu>> levels;
    void CloseAll();
    void CloseAbove(const OwnerDrawnMenu* level);
};

constexpr int MenuBorder = 1;

class OwnerDrawnMenu : public QWidget {
public:
    OwnerDrawnMenu(TMenuItem* parent, MenuSession* session)
        : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), parent_(parent), session_(session) {
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setObjectName("OwnerDrawnMenu");
        // Rows drawn plainly keep their captions in one column right of the widest picture.
        const int check = GetSystemMetrics(SM_CXMENUCHECK);
        TCustomImageList* images = session->owner ? session->owner->Images() : nullptr;
        column_ = check;
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* item = parent->Items(i);
            if (images && item->ImageIndex >= 0 && item->ImageIndex < images->Count())
                column_ = std::max(column_, images->Width());
            else if (item->HasBitmap())
                column_ = std::max(column_, item->Bitmap()->Width());
        }
        int top = 0, width = 0;
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* item = parent->Items(i);
            if (!item->Visible) continue;
            TCanvas canvas;
            int w = 0, h = 0;
            Menus::DefaultItemSize(item, &canvas, w, h);
            if (!item->IsLine()) w += column_ - check;
            if (item->OnMeasureItem) Vcl::Detail::Guarded(item, [&] { item->OnMeasureItem(item, &canvas, w, h); });
            w = std::max(0, w);
            h = std::max(0, h);
            rows_.push_back({item, QRect(0, top, w, h)});
            top += h;
            width = std::max(width, w);
        }
        // Every row is as wide as the widest.
        for (Row& r : rows_) r.rect.setWidth(width);
        surface_ = QImage(std::max(1, width), std::max(1, top), QImage::Format_RGB32);
        surface_.fill(GraphicsQt::ToQColor(clMenu));
        setFixedSize(surface_.width() + 2 * MenuBorder, surface_.height() + 2 * MenuBorder);
    }

    TMenuItem* ParentItem() const { return parent_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // A row's rectangle in the window's coordinates.
    QRect RowRect(int i) const { return rows_.at(static_cast<std::size_t>(i)).rect.translated(MenuBorder, MenuBorder); }
    int Selected() const { return selected_; }
    const QImage& Surface() const { return surface_; }

    // Opens the menu with its top-left corner at the screen point, kept on the screen; a menu that
    // would leave the screen on the right opens at the left of AltRight instead.
    void Open(QPoint at, int altRight = -1) {
        QScreen* screen = QGuiApplication::screenAt(at);
        if (!screen) screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            if (at.x() + width() > area.x() + area.width())
                at.setX(altRight >= 0 ? altRight - width() : area.x() + area.width() - width());
            if (at.y() + height() > area.y() + area.height()) at.setY(area.y() + area.height() - height());
            at.setX(std::max(at.x(), area.x()));
            at.setY(std::max(at.y(), area.y()));
        }
        move(at);
        // The whole menu is drawn once, top to bottom, as it opens.
        for (int i = 0; i < RowCount(); ++i) DrawRow(i);
        show();
    }

    void Select(int row) {
        if (row == selected_) return;
        const int old = selected_;
        selected_ = row;
        if (old >= 0) DrawRow(old);
        if (row >= 0) DrawRow(row);
        update();
    }

    // The row at a point of this window, or -1.
    int RowAt(QPoint p) const {
        for (int i = 0; i < RowCount(); ++i)
            if (RowRect(i).contains(p)) return i;
        return -1;
    }

    // The pointer is over row (or over nothing of this menu with -1).
    void HoverRow(int row) {
        if (!Usable(row)) row = -1;
        if (row == selected_ && (row < 0 || Child() || !HasItems(row))) return;
        Select(row);
        session_->CloseAbove(this);
        if (row >= 0 && HasItems(row) && Item(row)->Enabled) OpenChild(row);
    }

    // A release on a row: chooses it, or opens its items.
    void ActivateRow(int row) {
        if (row < 0 || !Usable(row)) return;
        if (HasItems(row)) {
            if (!Child()) OpenChild(row);
            return;
        }
        session_->chosen = Item(row);
        session_->CloseAll();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(GraphicsQt::ToQColor(clBtnShadow));
        p.drawRect(0, 0, width() - 1, height() - 1);
        p.drawImage(MenuBorder, MenuBorder, surface_);
    }

    void mouseMoveEvent(QMouseEvent* e) override {
        if (e->buttons() != Qt::NoButton &&
            (e->globalPosition().toPoint() - session_->openedAt).manhattanLength() >= QApplication::startDragDistance())
            session_->releaseChooses = true;
        OwnerDrawnMenu* target = LevelAt(e->globalPosition().toPoint());
        if (!target) return;
        const QPoint local = target->mapFromGlobal(e->globalPosition().toPoint());
        const int row = target->RowAt(local);
        // Leaving a menu for empty space keeps what is open.
        if (row < 0 && target != this) return;
        target->HoverRow(row);
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (!LevelAt(e->globalPosition().toPoint())) session_->CloseAll();
        else session_->releaseChooses = true;
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
        if (!session_->releaseChooses) return;
        OwnerDrawnMenu* target = LevelAt(e->globalPosition().toPoint());
        if (!target) return;
        target->ActivateRow(target->RowAt(target->mapFromGlobal(e->globalPosition().toPoint())));
    }

    void keyPressEvent(QKeyEvent* e) override {
        switch (e->key()) {
        case Qt::Key_Down: Step(1); break;
        case Qt::Key_Up: Step(-1); break;
        case Qt::Key_Right:
            if (selected_ >= 0 && HasItems(selected_) && Usable(selected_)) {
                OpenChild(selected_);
                if (OwnerDrawnMenu* c = Child()) c->Step(1);
            }
            break;
        case Qt::Key_Left:
        case Qt::Key_Escape:
            if (session_->levels.size() > 1 || e->key() == Qt::Key_Escape) CloseSelf();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: ActivateRow(selected_); break;
        default: break;
        }
    }

    void closeEvent(QCloseEvent* e) override {
        // Closing the first level (also by a click elsewhere) ends the whole menu.
        if (!session_->levels.empty() && session_->levels.front() == this) {
            session_->done = true;
            for (std::size_t i = session_->levels.size(); i-- > 1;)
                if (session_->levels[i]) session_->levels[i]->close();
        }
        e->accept();
    }

private:
    struct Row {
        TMenuItem* item;
        QRect rect;   // in the menu's coordinates
    };

    TMenuItem* Item(int row) const { return rows_.at(static_cast<std::size_t>(row)).item; }
    bool HasItems(int row) const { return Item(row)->Count() > 0; }
    bool Usable(int row) const { return row >= 0 && Item(row)->Enabled && !Item(row)->IsLine(); }

    OwnerDrawnMenu* Child() const {
        auto& levels = session_->levels;
        for (std::size_t i = 0; i + 1 < levels.size(); ++i)
            if (levels[i] == this) return levels[i + 1];
        return nullptr;
    }

    // The open level under a screen point, the most recent first.
    OwnerDrawnMenu* LevelAt(QPoint global) const {
        auto& levels = session_->levels;
        for (std::size_t i = levels.size(); i-- > 0;)
            if (levels[i] && levels[i]->isVisible() && levels[i]->frameGeometry().contains(global)) return levels[i];
        return nullptr;
    }

    void OpenChild(int row) {
        if (Child()) return;
        auto* child = new OwnerDrawnMenu(Item(row), session_);
        if (child->RowCount() == 0) {
            delete child;
            return;
        }
        session_->levels.push_back(child);
        const QRect r = RowRect(row);
        child->Open(mapToGlobal(QPoint(width() - MenuBorder, r.top() - MenuBorder)), mapToGlobal(QPoint(0, 0)).x());
    }

    void CloseSelf() {
        if (!session_->levels.empty() && session_->levels.front() == this) {
            session_->CloseAll();
            return;
        }
        session_->CloseAbove(ParentLevel());
    }

    OwnerDrawnMenu* ParentLevel() const {
        auto& levels = session_->levels;
        for (std::size_t i = 1; i < levels.size(); ++i)
            if (levels[i] == this) return levels[i - 1];
        return nullptr;
    }

    void Step(int delta) {
        const int n = RowCount();
        if (n == 0) return;
        int row = selected_;
        for (int tries = 0; tries < n; ++tries) {
            row = row < 0 ? (delta > 0 ? 0 : n - 1) : (row + delta + n) % n;
            if (Usable(row)) {
                Select(row);
                session_->CloseAbove(this);
                return;
            }
        }
    }

    void DrawRow(int row) {
        TMenuItem* item = Item(row);
        const QRect q = rows_.at(static_cast<std::size_t>(row)).rect;
        const TRect r{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()};
        const bool selected = row == selected_ && item->Enabled && !item->IsLine();
        TOwnerDrawState state;
        if (selected) state << odSelected;
        if (!item->Enabled) state << odDisabled << odGrayed;
        if (item->Checked) state << odChecked;
        if (item->Default) state << odDefault;
        QPainter painter(&surface_);
        {
            TCanvas canvas;
            GraphicsQt::CanvasPaintScope scope(&canvas, &painter);
            Vcl::Detail::Guarded(item, [&] {
                if (item->OnAdvancedDrawItem) item->OnAdvancedDrawItem(item, &canvas, r, state);
                else if (item->OnDrawItem) item->OnDrawItem(item, &canvas, r, selected);
                else DrawPlain(&canvas, item, r, selected);
            });
        }
        // The window system marks a row with items of its own, however the row was drawn.
        if (item->Count() > 0) {
            const QColor arrow = GraphicsQt::ToQColor(selected ? clHighlightText : item->Enabled ? clMenuText : clGrayText);
            const int cx = q.right() - 7, cy = q.center().y();
            painter.setPen(Qt::NoPen);
            painter.setBrush(arrow);
            const QPoint tri[3] = {QPoint(cx - 2, cy - 4), QPoint(cx + 2, cy), QPoint(cx - 2, cy + 4)};
            painter.drawPolygon(tri, 3);
        }
    }

    void DrawPlain(TCanvas* c, TMenuItem* item, const TRect& r, bool selected) {
        c->Brush()->SetColor(selected ? clHighlight : clMenu);
        c->FillRect(r);
        if (item->IsLine()) {
            const int y = r.Top + r.Height() / 2;
            c->Pen()->SetColor(clBtnShadow);
            c->MoveTo(r.Left + 1, y - 1);
            c->LineTo(r.Right - 1, y - 1);
            c->Pen()->SetColor(clBtnHighlight);
            c->MoveTo(r.Left + 1, y);
            c->LineTo(r.Right - 1, y);
            return;
        }
        const int check = GetSystemMetrics(SM_CXMENUCHECK);
        TCustomImageList* images = session_->owner ? session_->owner->Images() : nullptr;
        if (images && item->ImageIndex >= 0 && item->ImageIndex < images->Count()) {
            images->Draw(c, r.Left + 2, r.Top + (r.Height() - images->Height()) / 2, item->ImageIndex, item->Enabled);
        } else if (item->HasBitmap()) {
            TBitmap shown;
            shown.Assign(item->Bitmap());
            shown.SetTransparent(true);
            c->Draw(r.Left + 2, r.Top + (r.Height() - shown.Height()) / 2, &shown);
        } else if (item->Checked)
            Buttons::DrawCheckMark(c, {r.Left + 2, r.Top, r.Left + 2 + check, r.Bottom},
                                   selected ? clHighlightText : clMenuText);
        c->Font()->SetColor(!item->Enabled ? clGrayText : selected ? clHighlightText : clMenuText);
        c->Brush()->SetStyle(bsClear);
        TRect text = r;
        text.Left += column_ + 6;
        c->DrawText(item->Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }

    TMenuItem* parent_;
    MenuSession* session_;
    std::vector<Row> rows_;
    QImage surface_;
    int selected_ = -1;
    int column_ = 0;   // the width of the pictures' column
};

void MenuSession::CloseAbove(const OwnerDrawnMenu* level) {
    while (!levels.empty() && levels.back() != level) {
        QPointer<OwnerDrawnMenu> top = levels.back();
        levels.pop_back();
        if (top) top->close();
    }
}

void MenuSession::CloseAll() {
    done = true;
    while (!levels.empty()) {
        QPointer<OwnerDrawnMenu> top = levels.back();
        levels.pop_back();
        if (top) top->close();
    }
}

void Build(QMenu* menu, TMenuItem* parent, TMenu* owner, TMenuItem*& chosen) {
    QActionGroup* group = nullptr;
    int groupIndex = -1;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible) continue;
        if (item->Count() > 0) {
            QMenu* sub = menu->addMenu(QtCaption(item->Caption()));
            sub->setEnabled(item->Enabled);
            if (const QImage picture = ItemPicture(item, owner); !picture.isNull())
                sub->setIcon(QIcon(QPixmap::fromImage(picture)));
            Build(sub, item, owner, chosen);
            continue;
        }
        if (item->IsLine()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QtCaption(item->Caption()));
        action->setEnabled(item->Enabled);
        if (item->Checked || item->RadioItem) {
            action->setCheckable(true);
            action->setChecked(item->Checked);
        }
        if (item->RadioItem) {
            if (!group || groupIndex != item->GroupIndex) {
                group = new QActionGroup(menu);
                groupIndex = item->GroupIndex;
            }
            group->addAction(action);
        }
        if (item->Default) {
            QFont f = action->font();
            f.setBold(true);
            action->setFont(f);
            menu->setDefaultAction(action);
        }
        if (const QImage picture = ItemPicture(item, owner); !picture.isNull())
            action->setIcon(QIcon(QPixmap::fromImage(picture)));
        QObject::connect(action, &QAction::triggered, [item, &chosen] { chosen = item; });
    }
}

} // namespace

// ---- TMenuItem ----------------------------------------------------------------------------------------------------
TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    while (!items_.empty()) delete items_.back();
    if (parent_) parent_->Remove(this);
}

TBitmap* TMenuItem::Bitmap() {
    if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
    return bitmap_.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) {
    if (!Value) {
        bitmap_.reset();
        return;
    }
    Bitmap()->Assign(Value);
}

int TMenuItem::MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item || Item == this) return;
    if (Item->parent_) Item->parent_->Remove(Item);
    Index = std::clamp(Index, 0, Count());
    items_.insert(items_.begin() + Index, Item);
    Item->parent_ = this;
}

void TMenuItem::Delete(int Index) {
    TMenuItem* item = Items(Index);
    Remove(item);
    delete item;
}

void TMenuItem::Remove(TMenuItem* Item) {
    auto it = std::find(items_.begin(), items_.end(), Item);
    if (it == items_.end()) return;
    items_.erase(it);
    Item->parent_ = nullptr;
}

void TMenuItem::Clear() {
    while (!items_.empty()) Delete(Count() - 1);
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const AnsiString& ACaption) const {
    const AnsiString wanted = Menus::StripHotkey(ACaption);
    for (TMenuItem* item : items_) {
        if (SysUtils::AnsiSameText(Menus::StripHotkey(item->Caption()), wanted)) return item;
    }
    return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* item = this;
    while (item->parent_) item = item->parent_;
    return item->menu_;
}

void TMenuItem::Click() {
    if (!Enabled) return;
    if (OnClick) OnClick(this);
}

// ---- TMenu / TPopupMenu --------------------------------------------------------------------------------------------
TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) { items_->menu_ = this; }

TMenu::~TMenu() { delete items_; }

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TPopupMenu::Popup(int X, int Y) {
    if (!Vcl::Detail::EnsureQtApp()) return;
    if (OnPopup) OnPopup(this);
    if (OwnerDraw || HasOwnerDrawnItems(Items())) {
        MenuSession session;
        session.owner = this;
        session.openedAt = QCursor::pos();
        auto* menu = new OwnerDrawnMenu(Items(), &session);
        if (menu->RowCount() == 0) {
            delete menu;
            return;
        }
        session.levels.push_back(menu);
        QPoint at(X, Y);
        if (Alignment == paRight) at.rx() -= menu->width();
        else if (Alignment == paCenter) at.rx() -= menu->width() / 2;
        QPointer<OwnerDrawnMenu> guard(menu);
        menu->Open(at);
        QEventLoop loop;
        while (!session.done && guard && guard->isVisible()) loop.processEvents(QEventLoop::WaitForMoreEvents);
        session.CloseAll();
        if (OnClose) OnClose(this);
        if (session.chosen) session.chosen->Click();
        return;
    }
    QMenu menu;
    TMenuItem* chosen = nullptr;
    Build(&menu, Items(), this, chosen);
    if (menu.actions().isEmpty()) return;
    QPoint at(X, Y);
    const int width = menu.sizeHint().width();
    if (Alignment == paRight) at.rx() -= width;
    else if (Alignment == paCenter) at.rx() -= width / 2;
    menu.exec(at);
    if (OnClose) OnClose(this);
    if (chosen) chosen->Click();
}

// ---- helpers -------------------------------------------------------------------------------------------------------
AnsiString Menus::StripHotkey(const AnsiString& Text) {
    AnsiString out;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '&') {
            if (i + 1 < Text.size() && Text[i + 1] == '&') out += '&';
            ++i;
            if (i < Text.size() && Text[i] != '&') out += Text[i];
            continue;
        }
        out += Text[i];
    }
    return out;
}

void Menus::DefaultItemSize(TMenuItem* Item, TCanvas* Canvas, int& Width, int& Height) {
    if (Item->IsLine()) {
        Width = 0;
        Height = 9;
        return;
    }
    const int check = GetSystemMetrics(SM_CXMENUCHECK);
    Width = Canvas->TextWidth(StripHotkey(Item->Caption())) + 2 * check + 6;
    Height = std::max(19, Canvas->TextHeight("Wg") + 4);
}
