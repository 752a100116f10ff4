// Labels draw their caption with the canvas; buttons are drawn by the desktop's style.
#include "StdCtrls.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include "Forms.h"
#include "GraphicsQt.h"
#include "VclPrivate.h"

// ---- TCustomLabel -------------------------------------------------------------------------------------------
TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = ControlStyle + TControlStyle{csOpaque, csReplicatable};
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment Value) {
    if (alignment_ == Value) return;
    alignment_ = Value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
    if (layout_ == Value) return;
    layout_ = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
    if (autoSize_ == Value) return;
    autoSize_ = Value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value) {
    if (wordWrap_ == Value) return;
    wordWrap_ = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
    if (transparent_ == Value) return;
    transparent_ = Value;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
    if (showAccelChar_ == Value) return;
    showAccelChar_ = Value;
    AdjustBounds();
    Invalidate();
}

unsigned TCustomLabel::TextFlags() const {
    unsigned flags = DT_EXPANDTABS;
    if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    else if (alignment_ == taCenter) flags |= DT_CENTER;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    return flags;
}

void TCustomLabel::DoDrawText(TRect& Rect, unsigned Flags) {
    AnsiString text = Caption();
    // An empty line still has the height of one, so an empty auto-sized label does not vanish.
    if ((Flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text = " ";
    TCanvas* c = Canvas();
    c->SetFont(Font());
    if (!Enabled() && !(Flags & DT_CALCRECT)) {
        // Disabled text: the raised highlight one pixel down-right, the shadow over it.
        TRect shifted = Rect;
        OffsetRect(shifted, 1, 1);
        c->Font()->SetColor(clBtnHighlight);
        c->DrawText(text, shifted, Flags);
        c->Font()->SetColor(clBtnShadow);
        c->DrawText(text, Rect, Flags);
        return;
    }
    c->DrawText(text, Rect, Flags);
}

void TCustomLabel::Paint() {
    TCanvas* c = Canvas();
    const TRect client = ClientRect();
    if (!transparent_) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        c->FillRect(client);
    }
    c->Brush()->SetStyle(bsClear);
    TRect r = client;
    const unsigned flags = TextFlags();
    if (layout_ != tlTop) {
        TRect calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        const int offset = layout_ == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
        OffsetRect(r, 0, offset);
    }
    DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || Align() == alClient) return;
    TRect r = ClientRect();
    if (!wordWrap_) r.Right = r.Left + 0x7FFF;
    DoDrawText(r, TextFlags() | DT_CALCRECT);
    int x = Left();
    if (alignment_ == taRightJustify) x += Width() - r.Width();
    else if (alignment_ == taCenter) x += (Width() - r.Width()) / 2;
    const bool vertical = Align() == alLeft || Align() == alRight;
    const bool horizontal = Align() == alTop || Align() == alBottom;
    SetBounds(horizontal ? Left() : x, Top(), horizontal ? Width() : r.Width(), vertical ? Height() : r.Height());
}

void TCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

// ---- TButton ---------------------------------------------------------------------------------------------------
TButton::TButton(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 75, 25);
    SetTabStop(true);
    SetColor(clBtnFace);
    Vcl::Detail::HandleWidget(this)->setFocusPolicy(Qt::StrongFocus);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
    TCustomControl::Click();
}

void TButton::Paint() {
    QPainter* painter = Canvas()->Private()->Painter();
    QWidget* w = Vcl::Detail::HandleWidget(this);
    if (!painter || !w) return;
    QStyleOptionButton opt;
    opt.initFrom(w);
    opt.rect = w->rect();
    opt.text = QString::fromStdString(Caption());
    opt.state = QStyle::State_None;
    if (Enabled()) opt.state |= QStyle::State_Enabled;
    opt.state |= pressed_ ? QStyle::State_Sunken : QStyle::State_Raised;
    if (hot_) opt.state |= QStyle::State_MouseOver;
    if (Focused()) opt.state |= QStyle::State_HasFocus;
    if (Default) opt.features |= QStyleOptionButton::DefaultButton;
    opt.palette.setColor(QPalette::Button, GraphicsQt::ToQColor(Color()));
    // The font's colour is the enabled caption's; a disabled button shows its caption greyed.
    for (auto group : {QPalette::Active, QPalette::Inactive})
        opt.palette.setColor(group, QPalette::ButtonText, GraphicsQt::ToQColor(Font()->Color()));
    opt.palette.setColor(QPalette::Disabled, QPalette::ButtonText, GraphicsQt::ToQColor(clGrayText));
    opt.palette.setCurrentColorGroup(Enabled() ? QPalette::Active : QPalette::Disabled);
    opt.fontMetrics = QFontMetrics(GraphicsQt::ToQFont(*Font()));
    painter->save();
    painter->setFont(GraphicsQt::ToQFont(*Font()));
    w->style()->drawControl(QStyle::CE_PushButton, &opt, painter, w);
    painter->restore();
}

void TButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        if (CanFocus()) SetFocus();
        pressed_ = true;
        Invalidate();
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && pressed_) {
        pressed_ = false;
        Invalidate();
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TButton::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_SPACE) {
        spacePressed_ = true;
        pressed_ = true;
        Invalidate();
    }
}

void TButton::KeyUp(Word& Key, TShiftState Shift) {
    TCustomControl::KeyUp(Key, Shift);
    if (Key == VK_SPACE && spacePressed_) {
        spacePressed_ = false;
        pressed_ = false;
        Invalidate();
        Click();
    }
}

void TButton::MouseEnter() {
    hot_ = true;
    Invalidate();
    TCustomControl::MouseEnter();
}

void TButton::MouseLeave() {
    hot_ = false;
    Invalidate();
    TCustomControl::MouseLeave();
}
