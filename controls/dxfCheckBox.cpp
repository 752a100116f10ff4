#include "dxfCheckBox.h"

#include <algorithm>

#include "dxfres.h"

TdxfCheckBox::TdxfCheckBox(TComponent* AOwner)
    : TdxfGroupControl(AOwner, true), glyphChecked_(std::make_unique<TBitmap>()), glyphUnChecked_(std::make_unique<TBitmap>()) {
    SetBounds(Left(), Top(), 100, 17);
    SetTabStop(true);
}

TdxfCheckBox::~TdxfCheckBox() = default;

void TdxfCheckBox::SetChecked(bool Value) {
    if (Value == checked_) return;
    // A checked member of a group stays checked unless the group may be all up.
    if (!Value && groupIndex_ != 0 && checked_ && !(groupIndex_ >= 1 && allowAllUp_)) return;
    checked_ = Value;
    Invalidate();
    if (groupIndex_ > 0 && checked_) NotifyGroup();
}

void TdxfCheckBox::SetAutoSize(bool Value) {
    autoSize_ = Value;
    if (Value) CalcSize();
}

void TdxfCheckBox::SetAlignment(TAlignment Value) {
    alignment_ = Value == taLeftJustify ? taLeftJustify : taRightJustify;
    Invalidate();
}

void TdxfCheckBox::SetGlyphChecked(TBitmap* Value) {
    glyphChecked_->Assign(Value);
    if (autoSize_) CalcSize();
    Invalidate();
}

void TdxfCheckBox::SetGlyphUnChecked(TBitmap* Value) {
    glyphUnChecked_->Assign(Value);
    if (autoSize_) CalcSize();
    Invalidate();
}

void TdxfCheckBox::SetStyle(int Value) {
    style_ = std::clamp(Value, 1, dxfres::StyleCount());
    Invalidate();
}

void TdxfCheckBox::Click() {
    SetChecked(!checked_);
    TCustomControl::Click();
    if (CanFocus()) SetFocus();
}

void TdxfCheckBox::GroupRelease() {
    checked_ = false;
    Invalidate();
}

TSize TdxfCheckBox::GlyphBox() const {
    const int strip = dxfres::CBBmp()->Height();
    const int h1 = glyphChecked_->Empty() ? strip : glyphChecked_->Height();
    const int h2 = glyphUnChecked_->Empty() ? strip : glyphUnChecked_->Height();
    const int w1 = glyphChecked_->Empty() ? strip : glyphChecked_->Width();
    const int w2 = glyphUnChecked_->Empty() ? strip : glyphUnChecked_->Width();
    return {std::max(w1, w2), std::max(h1, h2)};
}

void TdxfCheckBox::CalcSize() {
    const TSize g = GlyphBox();
    TBitmap measure;
    measure.Canvas()->SetFont(Font());
    const int h = std::max(g.cy, measure.Canvas()->TextHeight("Wg") + 2);
    const int w = measure.Canvas()->TextWidth(Caption()) + g.cx + 2 + 2;
    SetBounds(Left(), Top(), w, h);
}

void TdxfCheckBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDBLCLK:
        Click();
        return;
    case WM_KEYUP:
        if (Message.WParam == VK_SPACE) Click();
        break;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    default:
        break;
    }
    TdxfGroupControl::WndProc(Message);
    switch (Message.Msg) {
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        if (autoSize_) CalcSize();
        Invalidate();
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_ENABLEDCHANGED:
        Invalidate();
        break;
    default:
        break;
    }
}

void TdxfCheckBox::DrawImage(TCanvas* Canvas, const TRect& R, int Cell, TBitmap* Own) {
    TBitmap glyph;
    if (Own && !Own->Empty()) {
        glyph.Assign(Own);
    } else {
        TBitmap* strip = dxfres::CBBmp();
        const int cell = strip->Height();
        if (cell <= 0) return;
        glyph.SetSize(cell, cell);
        const int x = cell * ((style_ - 1) * 4 + Cell);
        glyph.Canvas()->CopyRect({0, 0, cell, cell}, strip->Canvas(), {x, 0, x + cell, cell});
    }
    // The glyph's transparent colour shows the brush of the target instead.
    glyph.SetTransparent(true);
    const int gx = R.Left + (R.Width() - glyph.Width()) / 2, gy = R.Top + (R.Height() - glyph.Height()) / 2;
    Canvas->FillRect(R);
    Canvas->Draw(gx, gy, &glyph);
}

void TdxfCheckBox::Paint() {
    TBitmap* draw = dxfres::DrawBmp();
    // The shared surface only ever grows.
    if (draw->Width() < Width() || draw->Height() < Height())
        draw->SetSize(std::max(draw->Width(), Width()), std::max(draw->Height(), Height()));
    TCanvas* C = draw->Canvas();
    const int W = Width(), H = Height();
    C->Brush()->SetColor(Color());
    C->FillRect({0, 0, W, H});

    const TSize g = GlyphBox();
    const int top = (H - g.cy) / 2;
    const TRect box = alignment_ == taRightJustify ? TRect{0, top, g.cx, top + g.cy} : TRect{W - g.cx, top, W, top + g.cy};
    if (checked_) DrawImage(C, box, Enabled() ? 1 : 3, glyphChecked_.get());
    else DrawImage(C, box, Enabled() ? 0 : 2, glyphUnChecked_.get());

    C->SetFont(Font());
    const AnsiString text = Caption();
    const int th = C->TextHeight("Wg"), tw = C->TextWidth(text);
    TRect r = alignment_ == taRightJustify ? TRect{g.cx + 2, (H - th) / 2, g.cx + 2 + tw + 2, (H - th) / 2 + th}
                                           : TRect{0, (H - th) / 2, std::min(tw + 2, W - g.cx - 2), (H - th) / 2 + th};
    r = {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, W), std::min(r.Bottom, H)};
    TRect textRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    C->Brush()->SetStyle(bsClear);
    if (Enabled()) {
        C->DrawText(text, textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    } else {
        TRect engraved{textRect.Left + 1, textRect.Top + 1, textRect.Right + 1, textRect.Bottom + 1};
        C->Font()->SetColor(clWhite);
        C->DrawText(text, engraved, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        C->Font()->SetColor(clGray);
        C->DrawText(text, textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
    C->Brush()->SetStyle(bsSolid);
    if (Focused() && !text.empty()) C->DrawFocusRect(r);
    Canvas()->CopyRect({0, 0, W, H}, C, {0, 0, W, H});
}
