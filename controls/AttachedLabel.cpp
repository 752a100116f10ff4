#include "AttachedLabel.h"

TPoint AdvEdit::LabelPlace(TLabelPosition Position, const TRect& E, int LW, int LH, int TW, int M) {
    const int L = E.Left, T = E.Top, W = E.Width(), H = E.Height();
    switch (Position) {
    case lpLeftTop: return {L - TW - M, T};
    case lpLeftCenter: return {L - TW - M, T + (H - LH) / 2};
    case lpLeftBottom: return {L - TW - M, T + H - LH};
    case lpTopLeft: return {L, T - LH - M};
    case lpBottomLeft: return {L, T + H + M};
    case lpLeftTopLeft: return {L - M, T};
    case lpLeftCenterLeft: return {L - M, T + (H - LH) / 2};
    case lpLeftBottomLeft: return {L - M, T + H - LH};
    case lpTopCenter: return {L + (W - LW) / 2, T - LH - M};
    case lpBottomCenter: return {L + (W - LW) / 2, T + H + M};
    }
    return {L, T};
}

TAttachedLabel::TAttachedLabel(TWinControl* Edit, Follows What)
    : edit_(Edit), follows_(What), label_(Edit), font_(std::make_unique<TFont>()) {
    font_->OnChange = [this](TObject*) { Update(); };
}

TAttachedLabel::~TAttachedLabel() {
    font_->OnChange = nullptr;
    if (TLabel* label = label_) {
        label_ = nullptr;
        delete label;
    }
}

void TAttachedLabel::SetCaption(const AnsiString& Value) {
    caption_ = Value;
    if (!label_) {
        label_ = new TLabel(edit_);
        label_->FocusControl = edit_;
        font_->Assign(edit_->Font());
        if (!follows_.Look) label_->Font()->Assign(font_.get());
        label_->SetParent(edit_->Parent());
        if (follows_.Visible) label_->SetVisible(edit_->Visible());
        if (follows_.Enabled) label_->SetEnabled(edit_->Enabled());
    }
    label_->SetCaption(Value);
    Update();
}

void TAttachedLabel::Update() {
    if (!label_) return;
    if (follows_.Look) {
        label_->SetTransparent(transparent_);
        label_->Font()->Assign(font_.get());
    }
    if (!follows_.Centred && (position_ == lpTopCenter || position_ == lpBottomCenter)) return;
    TCanvas c;
    c.SetFont(label_->Font());
    const int tw = c.TextWidth(label_->Caption());
    const TPoint p = AdvEdit::LabelPlace(position_, edit_->BoundsRect(), label_->Width(), label_->Height(), tw, margin_);
    label_->SetBounds(p.X, p.Y, label_->Width(), label_->Height());
}

void TAttachedLabel::EditParentChanged(TWinControl* AParent) {
    if (!label_) return;
    label_->SetParent(AParent);
    Update();
}

void TAttachedLabel::EditVisibleChanged(bool Value) {
    if (label_ && follows_.Visible) label_->SetVisible(Value);
}

void TAttachedLabel::EditEnabledChanged(bool Value) {
    if (label_ && follows_.Enabled) label_->SetEnabled(Value);
}
