#include "ColorButton.h"

#include <algorithm>
#include <cmath>

#include "WinRegion.h"

namespace {

// Step i of n from b towards a, per colour part, truncated.
TColor Blend(TColor a, TColor b, int i, int n) {
    if (n == 0) return b;
    auto part = [&](int pa, int pb) { return pb + (pa - pb) * i / n; };
    return RGB(part(GetRValue(a), GetRValue(b)), part(GetGValue(a), GetGValue(b)), part(GetBValue(a), GetBValue(b)));
}

} // namespace

TdxfColorButton::TdxfColorButton(TComponent* AOwner)
    : TdxfGroupButton(AOwner), caption_(std::make_unique<TStringList>()), normal_(std::make_unique<TBitmap>()),
      downBmp_(std::make_unique<TBitmap>()), glyph_(std::make_unique<TBitmap>()) {
    glyph_->SetTransparent(true);
    SetColor(clWhite);
    SetBounds(Left(), Top(), 100, 40);
    PaintBitmaps();
    UpdateRegion();
}

TdxfColorButton::~TdxfColorButton() { SetWindowRgn(this, nullptr, false); }

void TdxfColorButton::SetCaption(TStrings* Value) {
    caption_->Assign(Value);
    Invalidate();
}

void TdxfColorButton::SetGlyph(TBitmap* Value) {
    glyph_->Assign(Value);
    glyph_->SetTransparent(true);
    Invalidate();
}

void TdxfColorButton::SetLayout(TdxfButtonLayout Value) {
    layout_ = Value;
    Invalidate();
}

void TdxfColorButton::SetVisible(bool Value) {
    ownVisible_ = Value;
    UpdateRegion();
    Invalidate();
}

void TdxfColorButton::ColorChanged() {
    TCustomControl::ColorChanged();
    PaintBitmaps();
    Invalidate();
}

void TdxfColorButton::Click() {
    if (Enabled()) TCustomControl::Click();
}

void TdxfColorButton::SetPressed(bool Value) {
    if (Value == pressed_) return;
    pressed_ = Value;
    Invalidate();
}

void TdxfColorButton::UpdateRegion() {
    if (ownVisible_ || HasState(csDesigning))
        SetWindowRgn(this, CreateEllipticRgn(-1, -1, Width() + 1, Height() + 1), true);
    else
        SetWindowRgn(this, CreateEllipticRgn(0, 0, 0, 0), true);
}

void TdxfColorButton::PaintBitmaps() {
    PaintToBmp(normal_.get(), false);
    PaintToBmp(downBmp_.get(), true);
}

void TdxfColorButton::PaintToBmp(TBitmap* Target, bool Down) {
    const int w = Width(), h = Height();
    Target->SetSize(w, h);
    if (w <= 0 || h <= 0) return;
    TCanvas* C = Target->Canvas();
    const TColor base = Blend(clBlack, Graphics::ColorToRGB(Color()), 2, 5);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(base);
    C->FillRect({0, 0, w, h});
    C->Pen()->SetStyle(psSolid);
    C->Pen()->SetWidth(1);

    // Rings shrinking towards the upper left, lighter on the way: the light falls from there.
    const int r = static_cast<int>(std::sqrt((w / 2.0) * (w / 2.0) + (h / 2.0) * (h / 2.0)));
    const int n = static_cast<int>(r * 1.2);
    for (int i = 0; i <= r && r > 0; ++i) {
        const int left = i * (w / 5) / r, top = i * (h / 5) / r;
        if (Down && left > 3 * (w / 10) && top > 3 * (h / 10)) break;
        const TColor c = Blend(clWhite, base, i, n);
        C->Brush()->SetColor(c);
        C->Pen()->SetColor(c);
        C->Ellipse(left, top, w - i * (w - w / 5) / r, h - i * (h - h / 5) / r);
    }
    if (!Down) return;
    // Pressed, an inner ball lit towards the lower right sits in the hollow.
    const int w2 = w - 2 * (w / 10), h2 = h - 2 * (h / 10);
    const int r2 = static_cast<int>(std::sqrt((w2 / 2.0) * (w2 / 2.0) + (h2 / 2.0) * (h2 / 2.0)));
    const int q2 = static_cast<int>(r2 * 1.2);
    for (int i = 0; i <= r2 && r2 > 0; ++i) {
        const TColor c = Blend(clWhite, base, i, q2);
        C->Brush()->SetColor(c);
        C->Pen()->SetColor(c);
        C->Ellipse(w / 10 + i * (w2 - w2 / 5) / r2, h / 10 + i * (h2 - h2 / 5) / r2, w / 10 + w2 - i * (w2 / 5) / r2,
                   h / 10 + h2 - i * (h2 / 5) / r2);
    }
}

TdxfColorButton::Placement TdxfColorButton::CaptionPlacement() {
    TBitmap measure;
    TCanvas* C = measure.Canvas();
    C->SetFont(Font());
    Placement P;
    P.lineHeight = C->TextHeight("Wg");
    const int textHeight = caption_->Count() * P.lineHeight;
    for (int k = 0; k < caption_->Count(); ++k) P.textWidth = std::max(P.textWidth, C->TextWidth(caption_->Strings(k)));
    const int gw = glyph_->Empty() ? 0 : glyph_->Width(), gh = glyph_->Empty() ? 0 : glyph_->Height();
    const int gap = gw > 0 && P.textWidth > 0 ? 4 : 0;
    const int w = Width(), h = Height(), tw = P.textWidth;
    switch (layout_) {
    case dxfGlyphLeft:
        P.glyph = {(w - gw - gap - tw) / 2, (h - gh) / 2};
        P.text = {P.glyph.X + gw + gap, (h - textHeight) / 2};
        break;
    case dxfGlyphRight:
        P.text = {(w - gw - gap - tw) / 2, (h - textHeight) / 2};
        P.glyph = {P.text.X + tw + gap, (h - gh) / 2};
        break;
    case dxfGlyphTop:
        P.glyph = {(w - gw) / 2, (h - gh - textHeight - gap) / 2};
        P.text = {(w - tw) / 2, P.glyph.Y + gh + gap};
        break;
    case dxfGlyphBottom:
        P.text = {(w - tw) / 2, (h - gh - textHeight - gap) / 2};
        P.glyph = {(w - gw) / 2, P.text.Y + textHeight + gap};
        break;
    }
    return P;
}

void TdxfColorButton::DrawCaption() {
    Placement P = CaptionPlacement();
    if (pressed_) {
        P.glyph = {P.glyph.X + 1, P.glyph.Y + 1};
        P.text = {P.text.X + 1, P.text.Y + 1};
    }
    TCanvas* C = Canvas();
    C->Brush()->SetStyle(bsClear);
    C->SetFont(Font());
    if (!glyph_->Empty()) C->Draw(P.glyph.X, P.glyph.Y, glyph_.get());
    for (int k = 0; k < caption_->Count(); ++k) {
        const AnsiString line = caption_->Strings(k);
        const int lw = C->TextWidth(line);
        const int dx = layout_ == dxfGlyphLeft ? 0 : layout_ == dxfGlyphRight ? P.textWidth - lw : (P.textWidth - lw) / 2;
        const int x = P.text.X + dx, y = P.text.Y + k * P.lineHeight;
        if (Enabled()) {
            C->TextOut(x, y, line);
        } else {
            C->Font()->SetColor(clBtnHighlight);
            C->TextOut(x + 1, y + 1, line);
            C->Font()->SetColor(clBtnShadow);
            C->TextOut(x, y, line);
        }
    }
    C->Brush()->SetStyle(bsSolid);
}

void TdxfColorButton::Paint() {
    Canvas()->Draw(0, 0, pressed_ ? downBmp_.get() : normal_.get());
    DrawCaption();
}

void TdxfColorButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    default:
        break;
    }
    TdxfGroupButton::WndProc(Message);
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        PressStarts();
        break;
    case WM_LBUTTONUP: {
        const int x = Message.XPos(), y = Message.YPos();
        const bool was = pressed_;
        PressEnds(ClientRect().Contains({x, y}) && PtInWindowRgn(this, x, y));
        if (was != pressed_) Invalidate();
        break;
    }
    case CM_MOUSEENTER:
        mouseInside_ = true;
        SetPressed(down_ || mouseDown_);
        break;
    case CM_MOUSELEAVE:
        mouseInside_ = false;
        SetPressed(groupIndex_ != 0 ? down_ : false);
        break;
    case CM_ENABLEDCHANGED:
        Invalidate();
        break;
    case WM_SIZE:
        PaintBitmaps();
        UpdateRegion();
        break;
    default:
        break;
    }
}
