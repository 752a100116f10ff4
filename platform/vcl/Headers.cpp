// The sectioned header, painted and sized by the library.
#include "Headers.h"

#include <algorithm>

#include "ExtCtrls.h"

namespace {
constexpr int DefaultSectionWidth = 50;
}

THeader::THeader(TComponent* AOwner) : TCustomControl(AOwner), sections_(std::make_unique<TStringList>()) {
    ControlStyle = ControlStyle + TControlStyle{csOpaque};
    SetColor(clBtnFace);
    sections_->OnChange = [this](TObject*) { SectionsChanged(); };
    SetBounds(0, 0, 250, 25);
}

THeader::~THeader() { sections_->OnChange = nullptr; }

TStrings* THeader::Sections() const { return sections_.get(); }
void THeader::SetSections(TStrings* Value) { sections_->Assign(Value); }

void THeader::SectionsChanged() {
    widths_.resize(static_cast<std::size_t>(sections_->Count()), DefaultSectionWidth);
    if (sizingSection_ >= sections_->Count()) sizingSection_ = -1;
    Invalidate();
}

int THeader::SectionWidth(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(widths_.size())) return 0;
    return widths_[static_cast<std::size_t>(Index)];
}

void THeader::SetSectionWidth(int Index, int Value) {
    if (Index < 0 || Index >= static_cast<int>(widths_.size())) return;
    widths_[static_cast<std::size_t>(Index)] = std::max(0, Value);
    Invalidate();
}

void THeader::SetBorderSingle(bool Value) {
    borderSingle_ = Value;
    Invalidate();
}

int THeader::DividerAt(int X) const {
    int right = 0;
    for (int i = 0; i < static_cast<int>(widths_.size()); ++i) {
        right += widths_[static_cast<std::size_t>(i)];
        if (X >= right - DividerGrab && X <= right + DividerGrab) return i;
    }
    return -1;
}

void THeader::Paint() {
    TCanvas* c = Canvas();
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    const TRect client = ClientRect();
    c->FillRect(client);
    int x = 0;
    for (int i = 0; i < sections_->Count(); ++i) {
        TRect r{x, 0, i == sections_->Count() - 1 ? client.Right : x + SectionWidth(i), client.Bottom};
        x += SectionWidth(i);
        TRect text = r;
        ExtCtrls::Frame3D(c, text, clBtnHighlight, clBtnShadow, 1);
        InflateRect(text, -2, 0);
        c->Brush()->SetStyle(bsClear);
        c->DrawText(sections_->Get(i), text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        c->Brush()->SetStyle(bsSolid);
    }
    if (borderSingle_) {
        c->Brush()->SetColor(clWindowFrame);
        c->FrameRect(client);
    }
}

void THeader::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && AllowResize) {
        sizingSection_ = DividerAt(X);
        if (sizingSection_ >= 0) sizingStart_ = X - SectionWidth(sizingSection_);
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void THeader::MouseMove(TShiftState Shift, int X, int Y) {
    if (sizingSection_ >= 0) {
        const int w = std::max(MinSectionWidth, X - sizingStart_);
        SetSectionWidth(sizingSection_, w);
        Sizing(sizingSection_, w);
    } else if (AllowResize) {
        SetCursor(DividerAt(X) >= 0 ? crHSplit : crDefault);
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void THeader::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && sizingSection_ >= 0) {
        const int section = sizingSection_;
        sizingSection_ = -1;
        const int w = std::max(MinSectionWidth, X - sizingStart_);
        SetSectionWidth(section, w);
        Sized(section, w);
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void THeader::Sizing(int ASection, int AWidth) {
    if (OnSizing) OnSizing(this, ASection, AWidth);
}

void THeader::Sized(int ASection, int AWidth) {
    if (OnSized) OnSized(this, ASection, AWidth);
}
