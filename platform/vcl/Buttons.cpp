#include "Buttons.h"

#include <algorithm>

// ---- edges -------------------------------------------------------------------------------------------------
namespace {
// One frame: top and left in TopLeft, bottom and right in BottomRight, then the rectangle shrinks.
void EdgeFrame(TCanvas* c, TRect& r, TColor topLeft, TColor bottomRight, unsigned flags) {
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(psSolid);
    const int R = r.Right - 1, B = r.Bottom - 1;
    c->Pen()->SetColor(topLeft);
    if (flags & BF_TOP) { c->MoveTo(r.Left, r.Top); c->LineTo(R, r.Top); }
    if (flags & BF_LEFT) { c->MoveTo(r.Left, r.Top); c->LineTo(r.Left, B); }
    c->Pen()->SetColor(bottomRight);
    if (flags & BF_BOTTOM) { c->MoveTo(r.Left, B); c->LineTo(R + 1, B); }
    if (flags & BF_RIGHT) { c->MoveTo(R, r.Top); c->LineTo(R, B + 1); }
    if (flags & BF_LEFT) ++r.Left;
    if (flags & BF_TOP) ++r.Top;
    if (flags & BF_RIGHT) --r.Right;
    if (flags & BF_BOTTOM) --r.Bottom;
}
} // namespace

void Buttons::DrawEdge(TCanvas* Canvas, TRect& Rect, unsigned Edge, unsigned Flags) {
    TRect r = Rect;
    if (Flags & BF_FLAT) {
        EdgeFrame(Canvas, r, clBtnShadow, clBtnShadow, Flags);
    } else {
        if (Edge & BDR_RAISEDOUTER) EdgeFrame(Canvas, r, clBtnFace, cl3DDkShadow, Flags);
        else if (Edge & BDR_SUNKENOUTER) EdgeFrame(Canvas, r, clBtnShadow, clBtnHighlight, Flags);
        if (Edge & BDR_RAISEDINNER) EdgeFrame(Canvas, r, clBtnHighlight, clBtnShadow, Flags);
        else if (Edge & BDR_SUNKENINNER) EdgeFrame(Canvas, r, cl3DDkShadow, clBtnFace, Flags);
    }
    if (Flags & BF_MIDDLE) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(clBtnFace);
        Canvas->FillRect(r);
    }
    if (Flags & BF_ADJUST) Rect = r;
}

void Buttons::DrawArrow(TCanvas* Canvas, const TRect& Rect, int Direction, TColor Color) {
    const int w = Rect.Width(), h = Rect.Height();
    // The classic arrow: as wide as a third of the smaller side allows, at least 2 pixels deep.
    const int depth = std::max(2, (std::min(w, h) + 1) / 3);
    const int cx = Rect.Left + w / 2, cy = Rect.Top + h / 2;
    Canvas->Pen()->SetColor(Color);
    for (int i = 0; i < depth; ++i) {
        // Row i of the triangle counts from the tip: 2i+1 pixels long.
        switch (Direction) {
        case 0: { const int x = cx - depth / 2 + i; Canvas->MoveTo(x, cy - i); Canvas->LineTo(x, cy + i + 1); break; }
        case 1: { const int x = cx + depth / 2 - i; Canvas->MoveTo(x, cy - i); Canvas->LineTo(x, cy + i + 1); break; }
        case 2: { const int y = cy - depth / 2 + i; Canvas->MoveTo(cx - i, y); Canvas->LineTo(cx + i + 1, y); break; }
        default: { const int y = cy + depth / 2 - i; Canvas->MoveTo(cx - i, y); Canvas->LineTo(cx + i + 1, y); break; }
        }
    }
}

void Buttons::DrawCheckMark(TCanvas* Canvas, const TRect& Rect, TColor Color) {
    const int left = Rect.Left + (Rect.Width() - 7) / 2, top = Rect.Top + (Rect.Height() - 7) / 2;
    Canvas->Pen()->SetColor(Color);
    // Column i of the tick, three pixels high: down by one for the first three, then up by one.
    for (int i = 0; i < 7; ++i) {
        const int y = top + (i < 3 ? 2 + i : 6 - i);
        Canvas->MoveTo(left + i, y);
        Canvas->LineTo(left + i, y + 3);
    }
}

void Buttons::DrawFrameControl(TCanvas* Canvas, const TRect& Rect, unsigned Type, unsigned State) {
    if (Type != DFC_SCROLL) return;
    TRect r = Rect;
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->FillRect(r);
    if (State & DFCS_FLAT) DrawEdge(Canvas, r, EDGE_RAISED, BF_RECT | BF_FLAT | BF_ADJUST);
    else if (State & DFCS_PUSHED) DrawEdge(Canvas, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    else DrawEdge(Canvas, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    if (State & DFCS_PUSHED) OffsetRect(r, 1, 1);
    int dir = 3;
    switch (State & 0xFF) {
    case DFCS_SCROLLUP: dir = 2; break;
    case DFCS_SCROLLLEFT: dir = 0; break;
    case DFCS_SCROLLRIGHT: dir = 1; break;
    default: dir = 3; break;
    }
    DrawArrow(Canvas, r, dir, (State & DFCS_INACTIVE) ? clGrayText : clBtnText);
}

// ---- TSpeedButton -------------------------------------------------------------------------------------------
TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
    // Clicks come from the release inside the button, not from the generic click handling.
    ControlStyle = {csCaptureMouse, csDoubleClicks};
    SetBounds(0, 0, 23, 22);
    glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetDown(bool Value) {
    if (down_ == Value) return;
    down_ = Value;
    state_ = Value ? bsExclusive : bsUp;
    Invalidate();
}

void TSpeedButton::SetFlat(bool Value) {
    if (flat_ == Value) return;
    flat_ = Value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
    if (transparent_ == Value) return;
    transparent_ = Value;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value) {
    if (Value) glyph_->Assign(Value);
    else glyph_ = std::make_unique<TBitmap>();
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int Value) {
    numGlyphs_ = std::clamp(Value, 1, 4);
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled()) return;
    if (!down_) {
        state_ = bsDown;
        Invalidate();
    }
    dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!dragging_) return;
    // The button looks pressed only while the held mouse is over it.
    const TButtonState s = ClientRect().Contains({X, Y}) ? (down_ ? bsExclusive : bsDown) : (down_ ? bsExclusive : bsUp);
    if (s != state_) {
        state_ = s;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!dragging_ || Button != mbLeft) return;
    dragging_ = false;
    const bool inside = ClientRect().Contains({X, Y});
    state_ = down_ ? bsExclusive : bsUp;
    Invalidate();
    if (inside) Click();
}

void TSpeedButton::MouseEnter() {
    TGraphicControl::MouseEnter();
    mouseInControl_ = true;
    if (flat_) Invalidate();
}

void TSpeedButton::MouseLeave() {
    TGraphicControl::MouseLeave();
    mouseInControl_ = false;
    if (flat_) Invalidate();
}

void TSpeedButton::EnabledChanged() {
    TGraphicControl::EnabledChanged();
    state_ = Enabled() ? (down_ ? bsExclusive : bsUp) : bsDisabled;
    Invalidate();
}

void TSpeedButton::PaintFrame(TRect& Rect) {
    TCanvas* c = Canvas();
    const bool pressed = state_ == bsDown || state_ == bsExclusive;
    if (!transparent_ || !flat_) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(clBtnFace);
        c->FillRect(Rect);
    }
    if (flat_) {
        // A flat button shows its edge only while it is pressed or under the mouse.
        if (pressed) Buttons::DrawEdge(c, Rect, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        else if (mouseInControl_ && Enabled()) Buttons::DrawEdge(c, Rect, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
        else InflateRect(Rect, -1, -1);
    } else if (pressed) {
        Buttons::DrawEdge(c, Rect, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    } else {
        Buttons::DrawEdge(c, Rect, EDGE_RAISED, BF_RECT | BF_ADJUST);
    }
}

void TSpeedButton::PaintGlyph(const TRect& Rect) {
    // Glyph and caption side by side, 4 pixels apart, centred together; pressed, both move by a pixel.
    TCanvas* c = Canvas();
    const bool pressed = state_ == bsDown || state_ == bsExclusive;
    const int shift = pressed ? 1 : 0;
    const int cellW = glyph_->Empty() ? 0 : glyph_->Width() / numGlyphs_;
    const AnsiString caption = Caption();
    c->Font()->Assign(Font());
    const int textW = caption.empty() ? 0 : c->TextWidth(caption);
    const int spacing = cellW > 0 && textW > 0 ? 4 : 0;
    int x = Rect.Left + (Rect.Width() - (cellW + spacing + textW)) / 2 + shift;
    if (cellW > 0) {
        const int h = glyph_->Height();
        int index = 0;
        if (state_ == bsDisabled && numGlyphs_ > 1) index = 1;
        else if (pressed && numGlyphs_ > 2) index = state_ == bsExclusive && numGlyphs_ > 3 ? 3 : 2;
        const int y = Rect.Top + (Rect.Height() - h) / 2 + shift;
        c->BrushCopy({x, y, x + cellW, y + h}, glyph_.get(), {index * cellW, 0, (index + 1) * cellW, h},
                     glyph_->TransparentColor());
        x += cellW + spacing;
    }
    if (textW == 0) return;
    TRect text{x, Rect.Top + shift, x + textW, Rect.Bottom + shift};
    c->Brush()->SetStyle(bsClear);
    const unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (!Enabled()) {
        // Engraved, as the window system shows a disabled caption.
        TRect light = text;
        OffsetRect(light, 1, 1);
        c->Font()->SetColor(clBtnHighlight);
        c->DrawText(caption, light, flags);
        c->Font()->SetColor(clBtnShadow);
    }
    c->DrawText(caption, text, flags);
}

void TSpeedButton::Paint() {
    TRect r = ClientRect();
    PaintFrame(r);
    PaintGlyph(r);
}
