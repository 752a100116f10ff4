#include "dxfProgressBar.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "PartialPaint.h"

TdxfProgressBar::TdxfProgressBar(TComponent* AOwner) : TCustomControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
    SetBounds(Left(), Top(), 150, 16);
}

TdxfProgressBar::~TdxfProgressBar() = default;

// ---- setters --------------------------------------------------------------------------------------------
void TdxfProgressBar::SetBarBevelOuter(TdxfBevelOuter Value) {
    if (Value == barBevelOuter_) return;
    barBevelOuter_ = Value;
    Invalidate();
}

void TdxfProgressBar::SetBevelOuter(TdxfBevelOuter Value) {
    if (Value == bevelOuter_) return;
    bevelOuter_ = Value;
    Invalidate();
}

void TdxfProgressBar::SetOrientation(TdxfPBOrientation Value) {
    if (Value == orientation_) return;
    orientation_ = Value;
    Invalidate();
}

void TdxfProgressBar::SetMax(int Value) {
    if (Value == max_ || Value < min_) return;
    max_ = Value;
    Invalidate();
}

void TdxfProgressBar::SetMin(int Value) {
    if (Value == min_ || Value > max_) return;
    min_ = Value;
    Invalidate();
}

void TdxfProgressBar::SetPosition(int Value) {
    if (Value == position_) return;
    const int old = position_;
    position_ = Value;
    InvalidatePosition(old);
    if (showText_) invalidateText();
}

void TdxfProgressBar::SetShowText(bool Value) {
    if (Value == showText_) return;
    showText_ = Value;
    Invalidate();
}

void TdxfProgressBar::SetShowTextStyle(TdxfShowTextStyle Value) {
    if (Value == showTextStyle_) return;
    showTextStyle_ = Value;
    if (showText_) Invalidate();
}

void TdxfProgressBar::SetBeginColor(TColor Value) {
    if (Value == beginColor_) return;
    beginColor_ = Value;
    if (style_ != sPictures) Invalidate();
}

void TdxfProgressBar::SetEndColor(TColor Value) {
    if (Value == endColor_) return;
    endColor_ = Value;
    if (style_ == sExSolid || style_ == sExRectangles) Invalidate();
}

void TdxfProgressBar::SetStyle(TdxfPBStyle Value) {
    if (Value == style_) return;
    style_ = Value;
    Invalidate();
}

void TdxfProgressBar::SetGlyph(TBitmap* Value) {
    glyph_->Assign(Value);
    if (!glyph_->Empty()) {
        if (orientation_ == orVertical) SetWidth(glyph_->Width() + 4);
        else SetHeight(glyph_->Height() + 4);
        glyph_->SetTransparent(transparentGlyph_);
    }
    if (style_ == sPictures) Invalidate();
}

void TdxfProgressBar::SetTransparentGlyph(bool Value) {
    transparentGlyph_ = Value;
    glyph_->SetTransparent(Value);
    Invalidate();
}

void TdxfProgressBar::StepIt() {
    if (step_ != 0) SetPosition(position_ + step_);
}

void TdxfProgressBar::StepBy(int Delta) {
    if (Delta != 0) SetPosition(position_ + Delta);
}

void TdxfProgressBar::Loaded() {
    TCustomControl::Loaded();
    if (!glyph_->Empty()) glyph_->SetTransparent(transparentGlyph_);
    Invalidate();
}

// ---- geometry --------------------------------------------------------------------------------------------
TRect TdxfProgressBar::InnerRect() const {
    TRect r = ClientRect();
    if (bevelOuter_ != bvNone) r = {r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
    return r;
}

TRect TdxfProgressBar::FilledRect(int APosition) const {
    const TRect in = InnerRect();
    const long long range = static_cast<long long>(max_) - min_;
    // The fill counts from Min; an empty range shows an empty bar.
    if (range <= 0 || APosition <= min_) return {in.Left, in.Top, in.Left, in.Top};
    const long long done = static_cast<long long>(APosition) - min_;
    if (orientation_ == orHorizontal) {
        const long long right = in.Left + done * in.Width() / range;
        return {in.Left, in.Top, static_cast<int>(std::min<long long>(right, in.Right)), in.Bottom};
    }
    const long long top = in.Bottom - done * in.Height() / range;
    return {in.Left, static_cast<int>(std::max<long long>(top, in.Top)), in.Right, in.Bottom};
}

int TdxfProgressBar::BlockSize() const {
    const TRect in = InnerRect();
    if (style_ == sPictures)
        return orientation_ == orHorizontal ? glyph_->Width() : glyph_->Height();
    const int across = orientation_ == orHorizontal ? in.Height() : in.Width();
    return static_cast<int>(std::nearbyint(across * 2.0 / 3.0)) + 2;
}

TRect TdxfProgressBar::PositionStrip(int OldPosition) const {
    const TRect a = FilledRect(OldPosition), b = FilledRect(position_);
    const TRect client = ClientRect();
    const bool blocks = style_ == sRectangles || style_ == sExRectangles || style_ == sPictures;
    const int widen = 2 + (blocks ? std::max(0, BlockSize()) : 0);
    if (orientation_ == orHorizontal) {
        const int e1 = a.Right, e2 = b.Right;
        if (e1 == e2) return {};
        return {std::min(e1, e2) - widen, client.Top, std::max(e1, e2) + widen, client.Bottom};
    }
    const int e1 = a.Top, e2 = b.Top;
    if (e1 == e2) return {};
    return {client.Left, std::min(e1, e2) - widen, client.Right, std::max(e1, e2) + widen};
}

AnsiString TdxfProgressBar::BarText() const {
    if (showTextStyle_ == stsPosition) return SysUtils::IntToStr(position_);
    const long long range = static_cast<long long>(max_) - min_;
    const long long percent =
        range <= 0 ? 0 : std::llround(std::nearbyint((static_cast<double>(position_) - min_) * 100.0 / range));
    return SysUtils::IntToStr(percent) + " %";
}

TRect TdxfProgressBar::TextRect() const {
    TBitmap measure;
    TCanvas* c = measure.Canvas();
    c->SetFont(Font());
    const AnsiString widest = showTextStyle_ == stsPercent ? AnsiString("100 %") : SysUtils::IntToStr(max_);
    int tw = c->TextWidth(widest), th = c->TextHeight(widest);
    if (orientation_ == orVertical) std::swap(tw, th);
    const int x = (Width() - tw) / 2, y = (Height() - th) / 2;
    return {x, y, x + tw, y + th};
}

void TdxfProgressBar::InvalidatePosition(int OldPosition) {
    const TRect strip = PositionStrip(OldPosition);
    if (!strip.IsEmpty()) PartialPaint::InvalidateRect(this, strip);
}

void TdxfProgressBar::invalidateText() { PartialPaint::InvalidateRect(this, TextRect()); }

// ---- painting --------------------------------------------------------------------------------------------
TColor TdxfProgressBar::GradientColor(int Offset, int Span) const {
    const TColor b = Graphics::ColorToRGB(beginColor_), e = Graphics::ColorToRGB(endColor_);
    if (Span <= 0) return b;
    auto channel = [&](int cb, int ce) {
        return static_cast<int>(std::nearbyint(cb + (ce - cb) * static_cast<double>(Offset) / Span));
    };
    return RGB(channel(GetRValue(b), GetRValue(e)), channel(GetGValue(b), GetGValue(e)),
               channel(GetBValue(b), GetBValue(e)));
}

void TdxfProgressBar::BarBevel(TCanvas* C, TRect R) {
    if (barBevelOuter_ == bvLowered) ExtCtrls::Frame3D(C, R, clBtnShadow, clBtnHighlight, 1);
    else if (barBevelOuter_ == bvRaised) ExtCtrls::Frame3D(C, R, clBtnHighlight, clBtnShadow, 1);
}

void TdxfProgressBar::DrawBar(TCanvas* C, const TRect& in) {
    const TRect fill = FilledRect(position_);
    if (fill.IsEmpty()) return;
    const bool horizontal = orientation_ == orHorizontal;
    auto block = [&](const TRect& r, TColor color, bool bevel) {
        C->Brush()->SetColor(color);
        C->FillRect(r);
        if (bevel) BarBevel(C, r);
    };
    switch (style_) {
    case sSolid:
        block(fill, beginColor_, true);
        break;
    case sExSolid:
        if (horizontal) {
            for (int x = fill.Left; x < fill.Right; ++x)
                block({x, fill.Top, x + 1, fill.Bottom}, GradientColor(x - in.Left, in.Width()), false);
        } else {
            for (int y = fill.Bottom - 1; y >= fill.Top; --y)
                block({fill.Left, y, fill.Right, y + 1}, GradientColor(in.Bottom - y, in.Height()), false);
        }
        BarBevel(C, fill);
        break;
    case sRectangles:
    case sExRectangles: {
        const int b = BlockSize();
        const bool ex = style_ == sExRectangles;
        if (horizontal) {
            int last = fill.Left;
            for (int x = fill.Left + 1; x <= fill.Right; ++x) {
                if ((x - in.Left) % b != 0) continue;
                block({x - b, fill.Top, x - 2, fill.Bottom},
                      ex ? GradientColor(x - b - in.Left, in.Width()) : beginColor_, true);
                last = x;
            }
            if (position_ >= max_ && last < fill.Right)
                block({last, fill.Top, fill.Right, fill.Bottom},
                      ex ? GradientColor(last - in.Left, in.Width()) : beginColor_, true);
        } else {
            int last = fill.Bottom;
            for (int y = fill.Bottom - 1; y >= fill.Top; --y) {
                if ((in.Bottom - y) % b != 0) continue;
                block({fill.Left, y + 2, fill.Right, y + b},
                      ex ? GradientColor(in.Bottom - (y + b), in.Height()) : beginColor_, true);
                last = y;
            }
            if (position_ >= max_ && last > fill.Top)
                block({fill.Left, fill.Top, fill.Right, last},
                      ex ? GradientColor(in.Bottom - last, in.Height()) : beginColor_, true);
        }
        break;
    }
    case sPictures: {
        if (glyph_->Width() <= 0 || glyph_->Height() <= 0) break;
        const int b = BlockSize();
        C->IntersectClipRect(in);
        if (horizontal) {
            int last = -1;
            for (int x = fill.Left + 1; x <= fill.Right; ++x) {
                if ((x - in.Left) % b != 0) continue;
                C->Draw(x - b, fill.Top, glyph_.get());
                last = x;
            }
            if (position_ == max_ && last >= 0) C->Draw(last, fill.Top, glyph_.get());
        } else {
            int last = -1;
            for (int y = fill.Bottom - 1; y >= fill.Top; --y) {
                if ((in.Bottom - y) % b != 0) continue;
                C->Draw(in.Left, y, glyph_.get());
                last = y;
            }
            if (position_ == max_ && last >= 0) C->Draw(in.Left, last - b, glyph_.get());
        }
        C->ResetClip();
        break;
    }
    }
}

void TdxfProgressBar::Paint() {
    TBitmap bmp;
    bmp.SetSize(Width(), Height());
    TCanvas* C = bmp.Canvas();
    TRect r = ClientRect();
    C->Brush()->SetColor(Color());
    C->FillRect(r);
    if (bevelOuter_ == bvLowered) ExtCtrls::Frame3D(C, r, clBtnShadow, clBtnHighlight, 1);
    else if (bevelOuter_ == bvRaised) ExtCtrls::Frame3D(C, r, clBtnHighlight, clBtnShadow, 1);
    DrawBar(C, InnerRect());

    if (showText_) {
        const AnsiString text = BarText();
        C->SetFont(Font());
        C->Brush()->SetStyle(bsClear);
        const int tw = C->TextWidth(text), th = C->TextHeight(text);
        if (orientation_ == orHorizontal) {
            C->TextOut((Width() - tw) / 2, (Height() - th) / 2, text);
        } else {
            if (!C->Font()->IsTrueType()) C->Font()->SetName("Arial");
            C->Font()->SetOrientation(2700);
            C->TextOut((Width() - th) / 2 + th, (Height() - tw) / 2, text);
        }
    }
    Canvas()->Draw(0, 0, &bmp);
}
