#include "ComCtrls.h"

#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>

#include <algorithm>

#include "Graphics.h"
#include "VclPrivate.h"

namespace {
QString Q(const AnsiString& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
} // namespace

// The tab bar's presses go to the control as the class library's messages.
struct TTabControlPrivate : QObject {
    TTabControl* host;
    QTabBar* bar = nullptr;
    bool syncing = false;

    explicit TTabControlPrivate(TTabControl* h) : host(h) {}

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != bar) return false;
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() != Qt::LeftButton) return true;
            const QPoint p = bar->mapTo(Vcl::Detail::HandleWidget(host), me->position().toPoint());
            QPointer<QTabBar> alive(bar);
            Vcl::Detail::Guarded(host, [&] {
                host->Perform(WM_LBUTTONDOWN, MK_LBUTTON,
                              static_cast<LPARAM>((p.x() & 0xFFFF) | ((p.y() & 0xFFFF) << 16)));
            });
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(e);
            const QPoint p = bar->mapTo(Vcl::Detail::HandleWidget(host), me->position().toPoint());
            Vcl::Detail::Guarded(host, [&] {
                host->Perform(WM_LBUTTONUP, 0, static_cast<LPARAM>((p.x() & 0xFFFF) | ((p.y() & 0xFFFF) << 16)));
            });
            return true;
        }
        case QEvent::Wheel:
        case QEvent::KeyPress: return true;
        default: return false;
        }
    }
};

// ---- TTabStrings ------------------------------------------------------------------------------------------------
void TTabStrings::Insert(int Index, const AnsiString& S) {
    TStringList::Insert(Index, S);
    if (!owner_) return;
    if (owner_->tabIndex_ < 0 && Count() == 1) owner_->tabIndex_ = 0;
    else if (owner_->tabIndex_ >= Index) ++owner_->tabIndex_;
    owner_->TabsChanged();
}

int TTabStrings::Add(const AnsiString& S) {
    const int i = Count();
    Insert(i, S);
    return i;
}

void TTabStrings::Delete(int Index) {
    TStringList::Delete(Index);
    if (!owner_) return;
    if (owner_->tabIndex_ == Index) owner_->tabIndex_ = -1;
    else if (owner_->tabIndex_ > Index) --owner_->tabIndex_;
    owner_->TabsChanged();
}

void TTabStrings::Clear() {
    TStringList::Clear();
    if (!owner_) return;
    owner_->tabIndex_ = -1;
    owner_->TabsChanged();
}

void TTabStrings::Put(int Index, const AnsiString& S) {
    TStringList::Put(Index, S);
    if (owner_) owner_->TabsChanged();
}

// ---- TTabControl ------------------------------------------------------------------------------------------------
TTabControl::TTabControl(TComponent* AOwner)
    : TCustomControl(AOwner), tabs_(std::make_unique<TTabStrings>(this)), d_(std::make_unique<TTabControlPrivate>(this)) {
    QWidget* window = Vcl::Detail::HandleWidget(this);
    d_->bar = new QTabBar(window);
    d_->bar->setFocusPolicy(Qt::NoFocus);
    d_->bar->setDrawBase(false);
    d_->bar->setExpanding(false);
    d_->bar->setUsesScrollButtons(true);
    d_->bar->installEventFilter(d_.get());
    d_->bar->show();
    // A tab is chosen on the press, which may open a question: the mouse must not stay captured here.
    ControlStyle = ControlStyle - TControlStyle{csCaptureMouse};
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

TTabControl::~TTabControl() {
    if (d_->bar) d_->bar->removeEventFilter(d_.get());
}

TStrings* TTabControl::Tabs() const { return tabs_.get(); }
void TTabControl::SetTabs(TStrings* Value) { tabs_->Assign(Value); }

void TTabControl::SetTabIndex(int Value) {
    if (Value < -1 || Value >= tabs_->Count()) Value = -1;
    if (Value == tabIndex_) return;
    tabIndex_ = Value;
    ShowSelection();
}

void TTabControl::TabsChanged() {
    QTabBar* bar = d_->bar;
    d_->syncing = true;
    while (bar->count() > tabs_->Count()) bar->removeTab(bar->count() - 1);
    for (int i = 0; i < tabs_->Count(); ++i) {
        if (i < bar->count()) bar->setTabText(i, Q(tabs_->Get(i)));
        else bar->addTab(Q(tabs_->Get(i)));
    }
    d_->syncing = false;
    UpdateWindowBounds();
    ShowSelection();
}

void TTabControl::ShowSelection() {
    QTabBar* bar = d_->bar;
    d_->syncing = true;
    // With no tab selected the bar still marks one; the page area shows the control's state.
    if (tabIndex_ >= 0 && tabIndex_ < bar->count()) bar->setCurrentIndex(tabIndex_);
    d_->syncing = false;
    Invalidate();
}

TRect TTabControl::TabRect(int Index) const {
    if (Index < 0 || Index >= d_->bar->count()) return TRect(0, 0, 0, 0);
    const QRect r = d_->bar->tabRect(Index).translated(d_->bar->pos());
    return TRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

int TTabControl::IndexOfTabAt(int X, int Y) const {
    for (int i = 0; i < d_->bar->count(); ++i) {
        const TRect r = TabRect(i);
        if (X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom) return i;
    }
    return -1;
}

TRect TTabControl::DisplayRect() const {
    const int top = std::min(Height(), d_->bar->sizeHint().height());
    return TRect(4, top + 4, std::max(4, Width() - 4), std::max(top + 4, Height() - 4));
}

void TTabControl::UpdateWindowBounds() {
    TCustomControl::UpdateWindowBounds();
    if (d_ && d_->bar) d_->bar->setGeometry(2, 0, std::max(0, Width() - 4), d_->bar->sizeHint().height());
}

bool TTabControl::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TTabControl::Change() {
    if (OnChange) OnChange(this);
}

void TTabControl::WndProc(TMessage& Message) {
    TCustomControl::WndProc(Message);
    if (Message.Msg != WM_LBUTTONDOWN || !Enabled()) return;
    const int index = IndexOfTabAt(Message.XPos(), Message.YPos());
    if (index < 0 || index == tabIndex_) return;
    if (!CanChange()) return;
    // OnChanging may have changed the tabs meanwhile.
    if (index >= tabs_->Count()) return;
    tabIndex_ = index;
    ShowSelection();
    Change();
}

void TTabControl::Paint() {
    TCanvas* c = Canvas();
    const TRect page = DisplayRect();
    c->Brush()->SetColor(Color());
    c->FillRect(TRect(0, 0, Width(), Height()));
    // The page's raised frame below the tabs.
    const int top = page.Top - 3;
    c->Pen()->SetColor(clBtnHighlight);
    c->MoveTo(0, Height() - 1);
    c->LineTo(0, top);
    c->LineTo(Width() - 1, top);
    c->Pen()->SetColor(clBtnShadow);
    c->LineTo(Width() - 1, Height() - 1);
    c->LineTo(0, Height() - 1);
}

// ---- TTabSheet ------------------------------------------------------------------------------------------------
TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner) { SetVisible(false); }

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

void TTabSheet::SetPageControl(TPageControl* Value) {
    if (Value == pageControl_) return;
    if (pageControl_) pageControl_->RemovePage(this);
    pageControl_ = Value;
    if (!Value) return;
    SetParent(Value);
    SetAlign(alClient);
    Value->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    const auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::TextChanged() {
    TCustomControl::TextChanged();
    if (pageControl_) pageControl_->Tabs()->Put(PageIndex(), Caption());
}

// ---- TPageControl ---------------------------------------------------------------------------------------------
TPageControl::TPageControl(TComponent* AOwner) : TTabControl(AOwner) {}

TPageControl::~TPageControl() {
    // The sheets go with their parent after this: they must not find their way back here.
    for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
    pages_.clear();
}

void TPageControl::InsertPage(TTabSheet* Page) {
    pages_.push_back(Page);
    Tabs()->Add(Page->Caption());
    Realign();
    ShowActivePage();
}

void TPageControl::RemovePage(TTabSheet* Page) {
    const int index = Page->PageIndex();
    if (index < 0) return;
    pages_.erase(pages_.begin() + index);
    Tabs()->Delete(index);
    if (TabIndex() < 0 && !pages_.empty()) SetTabIndex(std::min(index, PageCount() - 1));
    ShowActivePage();
}

TTabSheet* TPageControl::ActivePage() const {
    const int i = TabIndex();
    return i >= 0 && i < PageCount() ? Pages(i) : nullptr;
}

void TPageControl::SetActivePage(TTabSheet* Page) {
    if (!Page || Page->pageControl_ != this) return;
    SetActivePageIndex(Page->PageIndex());
}

void TPageControl::SetActivePageIndex(int Index) {
    SetTabIndex(Index);
    ShowActivePage();
}

void TPageControl::ShowActivePage() {
    TTabSheet* active = ActivePage();
    // The new page is shown before the old one goes, so the area never flashes empty.
    if (active) active->SetVisible(true);
    for (TTabSheet* page : pages_)
        if (page != active) page->SetVisible(false);
}

void TPageControl::Change() {
    ShowActivePage();
    TTabControl::Change();
}

void TPageControl::AdjustClientRect(TRect& Rect) { Rect = DisplayRect(); }
