// List boxes drawn by the library itself; only the scroll bar is Qt's.
#include "ListBoxes.h"

#include <QScrollBar>

#include <algorithm>

#include "VclPrivate.h"

namespace {
QScrollBar* Bar(void* p) { return static_cast<QScrollBar*>(p); }
}

TCustomListBox::TCustomListBox(TComponent* AOwner) : TCustomControl(AOwner), items_(std::make_unique<TStringList>()) {
    // Clicks are selection changes here, not button releases.
    ControlStyle = TControlStyle{csSetCaption, csDoubleClicks, csOpaque, csCaptureMouse};
    SetColor(clWindow);
    SetTabStop(true);
    items_->OnChange = [this](TObject*) { ItemsChanged(); };
    auto* bar = new QScrollBar(Qt::Vertical, Vcl::Detail::HandleWidget(this));
    bar->setFocusPolicy(Qt::NoFocus);
    bar->hide();
    QObject::connect(bar, &QScrollBar::valueChanged, [this](int value) {
        if (scrolling_) return;
        SetTopIndex(value);
    });
    scrollBar_ = bar;
    SetBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() {
    items_->OnChange = nullptr;
    // The bar belongs to the window, which the control frees.
    scrollBar_ = nullptr;
}

TStrings* TCustomListBox::Items() const { return items_.get(); }
void TCustomListBox::SetItems(TStrings* Value) { items_->Assign(Value); }
int TCustomListBox::Count() const { return items_->Count(); }
void TCustomListBox::Clear() { items_->Clear(); }

void TCustomListBox::ItemsChanged() {
    if (itemIndex_ >= Count()) itemIndex_ = -1;
    UpdateScrollBar();
    Invalidate();
}

int TCustomListBox::VisibleRows() const {
    return std::max(1, ClientRect().Height() / std::max(1, itemHeight_));
}

bool TCustomListBox::ScrollBarVisible() const { return Count() * itemHeight_ > Height(); }

TRect TCustomListBox::ClientRect() const {
    TRect r = TCustomControl::ClientRect();
    if (ScrollBarVisible()) r.Right = std::max(r.Left, r.Right - GetSystemMetrics(SM_CXVSCROLL));
    return r;
}

void TCustomListBox::UpdateWindowBounds() {
    TCustomControl::UpdateWindowBounds();
    UpdateScrollBar();
}

void TCustomListBox::UpdateScrollBar() {
    QScrollBar* bar = Bar(scrollBar_);
    if (!bar) return;
    const int maxTop = std::max(0, Count() - VisibleRows());
    if (topIndex_ > maxTop) topIndex_ = maxTop;
    scrolling_ = true;
    const bool show = ScrollBarVisible();
    const int w = GetSystemMetrics(SM_CXVSCROLL);
    bar->setGeometry(Width() - w, 0, w, Height());
    bar->setRange(0, maxTop);
    bar->setPageStep(VisibleRows());
    bar->setValue(topIndex_);
    bar->setVisible(show);
    scrolling_ = false;
}

void TCustomListBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= Count()) Value = -1;
    if (Value == itemIndex_) return;
    itemIndex_ = Value;
    if (Value >= 0) {
        if (Value < topIndex_) SetTopIndex(Value);
        else if (Value >= topIndex_ + VisibleRows()) SetTopIndex(Value - VisibleRows() + 1);
    }
    Invalidate();
}

void TCustomListBox::SetTopIndex(int Value) {
    Value = std::clamp(Value, 0, std::max(0, Count() - VisibleRows()));
    if (Value == topIndex_) return;
    const int old = topIndex_;
    topIndex_ = Value;
    UpdateScrollBar();
    Invalidate();
    Perform(WM_VSCROLL, Value > old ? SB_LINEDOWN : SB_LINEUP);
}

void TCustomListBox::SetItemHeight(int Value) {
    if (Value <= 0 || Value == itemHeight_) return;
    itemHeight_ = Value;
    UpdateScrollBar();
    Invalidate();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
    style_ = Value;
    Invalidate();
}

TRect TCustomListBox::ItemRect(int Index) const {
    const TRect c = ClientRect();
    const int top = (Index - topIndex_) * itemHeight_;
    return {c.Left, top, c.Right, top + itemHeight_};
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) const {
    const TRect c = ClientRect();
    if (Pos.Y < 0 || Pos.X < c.Left || Pos.X >= c.Right) return Existing ? -1 : Count();
    const int row = topIndex_ + Pos.Y / itemHeight_;
    if (row >= Count()) return Existing ? -1 : Count();
    return row;
}

void TCustomListBox::Paint() {
    TCanvas* c = Canvas();
    const TRect client = ClientRect();
    const int rows = VisibleRows() + 1;
    int bottom = client.Top;
    for (int i = topIndex_; i < Count() && i < topIndex_ + rows; ++i) {
        const TRect r = ItemRect(i);
        TOwnerDrawState state;
        if (i == itemIndex_) state << odSelected;
        if (i == itemIndex_ && Focused()) state << odFocused;
        if (!Enabled()) state << odDisabled;
        c->Font()->Assign(Font());
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        DrawItem(i, r, state);
        bottom = r.Bottom;
    }
    // The rows leave the rest of the window to the list.
    if (bottom < client.Bottom) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        c->FillRect({client.Left, bottom, client.Right, client.Bottom});
    }
}

void TCustomListBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
    if (style_ != lbStandard && OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    TCanvas* c = Canvas();
    const bool selected = State.Contains(odSelected);
    c->Brush()->SetColor(selected ? clHighlight : Color());
    c->FillRect(Rect);
    c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
    c->Brush()->SetStyle(bsClear);
    const AnsiString text = Items()->Get(Index);
    c->TextOut(Rect.Left + 2, Rect.Top + (Rect.Height() - c->TextHeight(text)) / 2, text);
    c->Brush()->SetStyle(bsSolid);
}

void TCustomListBox::SelectionChanged() { Click(); }

void TCustomListBox::SelectByUser(int Row) {
    if (Row < 0 || Row >= Count()) return;
    const bool changed = Row != itemIndex_;
    SetItemIndex(Row);
    if (changed) SelectionChanged();
}

void TCustomListBox::LButtonDown(TMessage& Message) {
    if (CanFocus() && !Focused()) SetFocus();
    const int row = ItemAtPos({Message.XPos(), Message.YPos()}, true);
    if (row >= 0) SelectByUser(row);
    TCustomControl::WndProc(Message);
    if (DragMode() == dmAutomatic && DragKind() == dkDrag && !Dragging()) BeginDrag(false);
}

void TCustomListBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
        LButtonDown(Message);
        return;
    case WM_LBUTTONDBLCLK:
        LButtonDown(Message);
        DblClick();
        return;
    case WM_SIZE:
        UpdateScrollBar();
        break;
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

bool TCustomListBox::DoKeyDown(TMessage& Message) {
    if (TCustomControl::DoKeyDown(Message)) return true;
    DefaultKeyDown(Message.CharCode());
    return false;
}

void TCustomListBox::DefaultKeyDown(Word Key) {
    if (Count() == 0) return;
    const int page = std::max(1, VisibleRows() - 1);
    int row = itemIndex_;
    switch (Key) {
    case VK_UP: row = row < 0 ? 0 : row - 1; break;
    case VK_DOWN: row = row < 0 ? 0 : row + 1; break;
    case VK_PRIOR: row = row < 0 ? 0 : row - page; break;
    case VK_NEXT: row = row < 0 ? 0 : row + page; break;
    case VK_HOME: row = 0; break;
    case VK_END: row = Count() - 1; break;
    default: return;
    }
    SelectByUser(std::clamp(row, 0, Count() - 1));
}

bool TCustomListBox::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    SetTopIndex(topIndex_ - WheelDelta / 120 * 3);
    return true;
}
