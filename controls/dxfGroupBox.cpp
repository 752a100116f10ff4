#include "dxfGroupBox.h"

TdxfGroupBox::TdxfGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle << csAcceptsControls;
    SetBounds(Left(), Top(), 185, 105);
}

void TdxfGroupBox::SetAlignment(TdxfGBAlignment Value) {
    if (Value == alignment_) return;
    alignment_ = Value;
    Invalidate();
}

void TdxfGroupBox::SetShadowColor(TColor Value) {
    if (Value == shadowColor_) return;
    shadowColor_ = Value;
    Invalidate();
}

void TdxfGroupBox::SetShadowSize(int Value) {
    if (Value == shadowSize_) return;
    shadowSize_ = Value;
    Invalidate();
}

void TdxfGroupBox::SetShadowPos(TdxfShadowPos Value) {
    if (Value == shadowPos_) return;
    shadowPos_ = Value;
    Invalidate();
}

void TdxfGroupBox::SetCtl3D(bool Value) {
    if (Value == ctl3D_) return;
    ctl3D_ = Value;
    Invalidate();
}

void TdxfGroupBox::WndProc(TMessage& Message) {
    TCustomControl::WndProc(Message);
    if (Message.Msg == CM_TEXTCHANGED || Message.Msg == CM_FONTCHANGED || Message.Msg == CM_ENABLEDCHANGED)
        Invalidate();
}

void TdxfGroupBox::PrepareFont(TCanvas* C) const {
    C->SetFont(Font());
    // Only outline fonts turn; the sides fall back to one.
    if (Side() && !C->Font()->IsTrueType()) C->Font()->SetName("Arial");
}

TdxfGroupBox::Layout TdxfGroupBox::CaptionLayout() {
    TBitmap measure;
    TCanvas* C = measure.Canvas();
    PrepareFont(C);
    const AnsiString text = Caption();
    int h = Side() ? C->TextHeight("Wg") : C->TextHeight("0");
    int w = C->TextWidth(text);

    Layout L;
    if (shadowSize_ > 0) {
        switch (shadowPos_) {
        case spTopLeft: case spTopRight: case spBottomRight: case spBottomLeft:
            L.dx = L.dy = shadowSize_;
            break;
        case spRight: case spLeft:
            L.dx = shadowSize_;
            break;
        case spTop: case spBottom:
            L.dy = shadowSize_;
            break;
        }
    }
    w += L.dx;
    h += L.dy;

    const int W = Width(), H = Height(), half = h / 2 - 1;
    switch (alignment_) {
    case alTopLeft: case alTopCenter: case alTopRight: L.frame = {0, half, W, H}; break;
    case alBottomLeft: case alBottomCenter: case alBottomRight: L.frame = {0, 0, W, H - half}; break;
    case alLeftTop: case alLeftCenter: case alLeftBottom: L.frame = {half, 0, W, H}; break;
    default: L.frame = {0, 0, W - half, H}; break;
    }

    const int cx = (W - w) / 2, cy = (H - w) / 2;
    switch (alignment_) {
    case alTopLeft: L.text = {8, 0, w + 8, h}; L.origin = {8, 0}; break;
    case alTopCenter: L.text = {cx, 0, cx + w, h}; L.origin = {cx, 0}; break;
    case alTopRight: L.text = {W - w - 8, 0, W - 8, h}; L.origin = {W - w - 8, 0}; break;
    case alBottomLeft: L.text = {8, H - h, w + 8, H}; L.origin = {8, H - h}; break;
    case alBottomCenter: L.text = {cx, H - h, cx + w, H}; L.origin = {cx, H - h}; break;
    case alBottomRight: L.text = {W - w - 8, H - h, W - 8, H}; L.origin = {W - w - 8, H - h}; break;
    case alLeftTop: L.text = {0, 8, h, w + 8}; L.origin = {0, w + 8}; break;
    case alLeftCenter: L.text = {0, cy, h, cy + w}; L.origin = {0, cy + w}; break;
    case alLeftBottom: L.text = {0, H - w - 8, h, H - 8}; L.origin = {0, H - 8}; break;
    case alRightTop: L.text = {W - h, 8, W, w + 8}; L.origin = {W, 8}; break;
    case alRightCenter: L.text = {W - h, cy, W, cy + w}; L.origin = {W, cy}; break;
    case alRightBottom: L.text = {W - h, H - w - 8, W, H - 8}; L.origin = {W, H - w - 8}; break;
    }
    return L;
}

void TdxfGroupBox::Paint() {
    TCanvas* C = Canvas();
    const Layout L = CaptionLayout();
    PrepareFont(C);

    C->Brush()->SetStyle(bsSolid);
    if (ctl3D_) {
        C->Brush()->SetColor(clBtnHighlight);
        C->FrameRect({L.frame.Left + 1, L.frame.Top + 1, L.frame.Right, L.frame.Bottom});
        C->Brush()->SetColor(clBtnShadow);
        C->FrameRect({L.frame.Left, L.frame.Top, L.frame.Right - 1, L.frame.Bottom - 1});
    } else {
        C->Brush()->SetColor(clWindowFrame);
        C->FrameRect(L.frame);
    }

    const AnsiString text = Caption();
    if (text.empty()) return;
    if (alignment_ >= alLeftTop) C->Font()->SetOrientation(alignment_ <= alLeftBottom ? 900 : 2700);
    C->Brush()->SetColor(Color());
    const TPoint O = L.origin;
    if (shadowSize_ < 1) {
        C->TextRect(L.text, O.X, O.Y, text);
        return;
    }
    TPoint S = O, T = O;
    switch (shadowPos_) {
    case spTopLeft: T = {O.X + L.dx, O.Y + L.dy}; break;
    case spTop: T = {O.X, O.Y + L.dy}; break;
    case spTopRight: S = {O.X + L.dx, O.Y}; T = {O.X, O.Y + L.dy}; break;
    case spRight: S = {O.X + L.dx, O.Y}; break;
    case spBottomRight: case spBottom: S = {O.X + L.dx, O.Y + L.dy}; break;
    case spBottomLeft: S = {O.X, O.Y + L.dy}; T = {O.X + L.dx, O.Y}; break;
    case spLeft: T = {O.X + L.dx, O.Y}; break;
    }
    const TColor fontColor = C->Font()->Color();
    C->Font()->SetColor(shadowColor_);
    C->TextRect(L.text, S.X, S.Y, text);
    C->Font()->SetColor(fontColor);
    C->Brush()->SetStyle(bsClear);
    C->TextRect(L.text, T.X, T.Y, text);
    C->Brush()->SetStyle(bsSolid);
}
