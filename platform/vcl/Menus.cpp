// Popup menus over QMenu. Owner-drawn items are widgets of our own inside the menu, so their size and
// look come from OnMeasureItem and OnDrawItem/OnAdvancedDrawItem.
#include "Menus.h"

#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidgetAction>

#include "GraphicsQt.h"
#include "VclPrivate.h"

namespace {

bool IsOwnerDrawn(const TMenuItem* item, const TMenu* menu) {
    return (menu && menu->OwnerDraw) || item->OnDrawItem || item->OnAdvancedDrawItem || item->OnMeasureItem;
}

QString QtCaption(const AnsiString& caption) { return QString::fromStdString(caption); }

// An owner-drawn row: measured and painted by the item's events.
class OwnerDrawnItem : public QWidget {
public:
    OwnerDrawnItem(TMenuItem* item, QAction* action, QWidget* parent)
        : QWidget(parent), item_(item), action_(action) {
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
        TCanvas canvas;
        int w = 0, h = 0;
        Menus::DefaultItemSize(item, &canvas, w, h);
        if (item->OnMeasureItem) {
            Vcl::Detail::Guarded(item, [&] { item->OnMeasureItem(item, &canvas, w, h); });
        }
        size_ = QSize(std::max(0, w), std::max(0, h));
        setFixedSize(size_);
    }
    QSize sizeHint() const override { return size_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        TCanvas canvas;
        GraphicsQt::CanvasPaintScope scope(&canvas, &painter);
        const TRect r{0, 0, width(), height()};
        const bool selected = underMouse() && item_->Enabled && !item_->IsLine();
        TOwnerDrawState state;
        if (selected) state << odSelected;
        if (!item_->Enabled) state << odDisabled << odGrayed;
        if (item_->Checked) state << odChecked;
        if (item_->Default) state << odDefault;
        Vcl::Detail::Guarded(item_, [&] {
            if (item_->OnAdvancedDrawItem) item_->OnAdvancedDrawItem(item_, &canvas, r, state);
            else if (item_->OnDrawItem) item_->OnDrawItem(item_, &canvas, r, selected);
            else DrawPlain(&canvas, r, selected);
        });
    }
    void enterEvent(QEnterEvent*) override { update(); }
    void leaveEvent(QEvent*) override { update(); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !item_->Enabled || item_->IsLine()) return;
        action_->trigger();
        // A widget row does not close its menu by itself.
        for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
            if (auto* menu = qobject_cast<QMenu*>(w)) menu->close();
        }
    }

private:
    void DrawPlain(TCanvas* c, const TRect& r, bool selected) {
        c->Brush()->SetColor(selected ? clHighlight : clMenu);
        c->FillRect(r);
        if (item_->IsLine()) {
            const int y = r.Top + r.Height() / 2;
            c->Pen()->SetColor(clBtnShadow);
            c->MoveTo(r.Left + 1, y - 1);
            c->LineTo(r.Right - 1, y - 1);
            c->Pen()->SetColor(clBtnHighlight);
            c->MoveTo(r.Left + 1, y);
            c->LineTo(r.Right - 1, y);
            return;
        }
        c->Font()->SetColor(!item_->Enabled ? clGrayText : selected ? clHighlightText : clMenuText);
        c->Brush()->SetStyle(bsClear);
        TRect text = r;
        text.Left += 2 * GetSystemMetrics(SM_CXMENUCHECK) / 2 + 6;
        c->DrawText(item_->Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }

    TMenuItem* item_;
    QAction* action_;
    QSize size_;
};

void Build(QMenu* menu, TMenuItem* parent, TMenu* owner, TMenuItem*& chosen) {
    QActionGroup* group = nullptr;
    int groupIndex = -1;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible) continue;
        if (item->Count() > 0) {
            QMenu* sub = menu->addMenu(QtCaption(item->Caption()));
            sub->setEnabled(item->Enabled);
            Build(sub, item, owner, chosen);
            continue;
        }
        QAction* action = nullptr;
        if (IsOwnerDrawn(item, owner)) {
            auto* wa = new QWidgetAction(menu);
            wa->setDefaultWidget(new OwnerDrawnItem(item, wa, nullptr));
            action = wa;
            menu->addAction(action);
        } else if (item->IsLine()) {
            menu->addSeparator();
            continue;
        } else {
            action = menu->addAction(QtCaption(item->Caption()));
        }
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
        if (owner && owner->Images() && item->ImageIndex >= 0 && item->ImageIndex < owner->Images()->Count()) {
            TBitmap bmp;
            if (owner->Images()->GetBitmap(item->ImageIndex, &bmp))
                action->setIcon(QIcon(QPixmap::fromImage(GraphicsQt::ToImage(&bmp))));
        }
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

void TMenu::SetImages(TCustomImageList* Value) {
    images_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == images_) images_ = nullptr;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TPopupMenu::Popup(int X, int Y) {
    if (!Vcl::Detail::EnsureQtApp()) return;
    if (OnPopup) OnPopup(this);
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
