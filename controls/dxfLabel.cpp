#include "dxfLabel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Dialogs.h"
#include "WinApi.h"
#include "dxfres.h"

void Tdxf3DEffect::Changed() {
    if (owner_) owner_->Invalidate();
}

void Tdxf3DEffect::SetStyle(TdxfEffectStyle Value) {
    if (Value == style_) return;
    style_ = Value;
    Changed();
}

void Tdxf3DEffect::SetOrientation(TdxfOrientation Value) {
    if (Value == orientation_) return;
    orientation_ = Value;
    Changed();
}

void Tdxf3DEffect::SetDepth(unsigned short Value) {
    if (Value == depth_) return;
    depth_ = Value;
    Changed();
}

void Tdxf3DEffect::SetShadowedColor(TColor Value) {
    if (Value == shadowedColor_) return;
    shadowedColor_ = Value;
    Changed();
}

void Tdxf3DEffect::Assign(TPersistent* Source) {
    if (auto* e = dynamic_cast<Tdxf3DEffect*>(Source)) {
        style_ = e->style_;
        orientation_ = e->orientation_;
        depth_ = e->depth_;
        shadowedColor_ = e->shadowedColor_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

TdxfLabel::TdxfLabel(TComponent* AOwner)
    : TCustomLabel(AOwner), effect_(std::make_unique<Tdxf3DEffect>(this)), glyph_(std::make_unique<TBitmap>()) {
    SetParentFont(false);
    SetAutoSize(false);
}

TdxfLabel::~TdxfLabel() = default;

void TdxfLabel::SetStyle(TdxfLabelStyle Value) {
    style_ = Value;
    Invalidate();
}

void TdxfLabel::SetAngle(int Value) {
    if (Value != 0) {
        TBitmap measure;
        measure.Canvas()->SetFont(Font());
        if (!(measure.Canvas()->TextMetrics().tmPitchAndFamily & TMPF_TRUETYPE)) {
            MessageBeep(16);
            Dialogs::ShowMessage("The Angle property is applicable for the TrueType fonts only");
            return;
        }
    }
    if (Value != angle_ && Value >= 0 && Value <= 360) {
        angle_ = Value;
        Invalidate();
    }
}

void TdxfLabel::Set3DEffect(Tdxf3DEffect* Value) {
    if (Value && Value != effect_.get()) effect_->Assign(Value);
}

void TdxfLabel::SetGlyph(TBitmap* Value) {
    glyph_->Assign(Value);
    Invalidate();
}

void TdxfLabel::SetPenWidth(int Value) {
    if (Value == penWidth_) return;
    penWidth_ = Value;
    if (style_ == dxfOutLine) Invalidate();
}

void TdxfLabel::Resize() {
    TCustomLabel::Resize();
    Invalidate();
}

TColor TdxfLabel::GetColor(TColor StartColor, TColor EndColor, int Step, int Steps) {
    auto part = [&](int s, int e) {
        if (Steps == 0) return s;
        return static_cast<int>(s + static_cast<double>((e - s) * Step) / Steps);
    };
    return RGB(part(GetRValue(StartColor), GetRValue(EndColor)), part(GetGValue(StartColor), GetGValue(EndColor)),
               part(GetBValue(StartColor), GetBValue(EndColor)));
}

TPoint TdxfLabel::CaptionOrigin() {
    TBitmap measure;
    measure.Canvas()->SetFont(Font());
    const int W = measure.Canvas()->TextWidth(Caption()), H = measure.Canvas()->TextHeight(Caption());
    const double a = angle_ * M_PI / 180.0;
    // Rounded to the nearest, a half to the even neighbour.
    auto R = [](double v) { return static_cast<int>(std::nearbyint(v)); };
    const int cx = Width() / 2, cy = Height() / 2;
    return {cx - R(std::cos(a) * W / 2) - R(std::sin(a) * H / 2), cy + R(std::sin(a) * W / 2) - R(std::cos(a) * H / 2)};
}

std::vector<bool> TdxfLabel::TextMask(TCanvas* C, int X, int Y, int W, int H) {
    TBitmap ink;
    ink.SetSize(W, H);
    TCanvas* M = ink.Canvas();
    M->Brush()->SetColor(clWhite);
    M->FillRect({0, 0, W, H});
    M->SetFont(C->Font());
    M->Font()->SetColor(clBlack);
    M->Brush()->SetStyle(bsClear);
    M->TextOut(X, Y, Caption());
    std::vector<bool> mask(static_cast<std::size_t>(W) * static_cast<std::size_t>(H));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            mask[static_cast<std::size_t>(y) * W + x] = GetGValue(M->Pixels(x, y)) < 128;
    return mask;
}

void TdxfLabel::Paint() {
    TBitmap* draw = dxfres::DrawBmp();
    // The shared surface only ever grows.
    if (draw->Width() < Width()) draw->SetWidth(Width());
    if (draw->Height() < Height()) draw->SetHeight(Height());
    TCanvas* C = draw->Canvas();
    C->SetFont(Font());
    const bool trueType = C->TextMetrics().tmPitchAndFamily & TMPF_TRUETYPE;
    const bool useGlyph = trueType && !glyph_->Empty();
    const TColor back = Color() < 0 ? TColor(0xC0C0C0) : Color();
    const AnsiString text = Caption();
    const TPoint o = CaptionOrigin();
    const int x = o.X, y = o.Y;
    C->Font()->SetOrientation(((angle_ % 360 + 360) % 360) * 10);

    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    C->FillRect({0, 0, draw->Width(), draw->Height()});
    C->Brush()->SetStyle(bsClear);

    const int d = effect_->Depth();
    if (d > 0) {
        int dx = 0, dy = 0;
        switch (effect_->Orientation()) {
        case dxfLeft: dx = -d; break;
        case dxfRight: dx = d; break;
        case dxfTop: dy = -d; break;
        case dxfBottom: dy = d; break;
        case dxfLeftTop: dx = -d; dy = -d; break;
        case dxfLeftBottom: dx = -d; dy = d; break;
        case dxfRightTop: dx = d; dy = -d; break;
        case dxfRightBottom: dx = d; dy = d; break;
        }
        C->Font()->SetColor(effect_->ShadowedColor());
        if (effect_->Style() == dxfCool) {
            C->TextOut(x + dx, y + dy, text);
        } else {
            const int n = std::max(std::abs(dx), std::abs(dy));
            // From the far end towards the caption.
            for (int k = n; k >= 1; --k) {
                const int kx = dx > 0 ? k : dx < 0 ? -k : 0, ky = dy > 0 ? k : dy < 0 ? -k : 0;
                if (effect_->Style() == dxfFun)
                    C->Font()->SetColor(GetColor(effect_->ShadowedColor(), back, k - 1, n));
                C->TextOut(x + kx, y + ky, text);
            }
        }
    }

    const TColor fontColor = Font()->Color();
    C->Font()->SetColor(fontColor);
    switch (style_) {
    case dxfNormal:
        if (!useGlyph) C->TextOut(x, y, text);
        break;
    case dxfRaised:
        C->Font()->SetColor(clBtnHighlight);
        C->TextOut(x, y, text);
        if (Font()->Size() >= 12) {
            C->Font()->SetColor(clBtnShadow);
            C->TextOut(x + 2, y + 2, text);
        }
        C->Font()->SetColor(fontColor);
        if (!useGlyph) C->TextOut(x + 1, y + 1, text);
        break;
    case dxfLowered:
        C->Font()->SetColor(clBtnHighlight);
        C->TextOut(x + 2, y + 2, text);
        // The lowered look takes its parent's colour from now on.
        if (!ParentColor()) SetParentColor(true);
        C->Font()->SetColor(Color() < 0 ? clBtnShadow : GetColor(Color(), clBlack, 1, 3));
        if (!useGlyph) C->TextOut(x + 1, y + 1, text);
        break;
    case dxfOutLine:
        if (!trueType) {
            C->TextOut(x, y, text);
            break;
        }
        {
            // Only the letters' outline, drawn with a pen of PenWidth centred on it.
            const int W = Width(), H = Height();
            const auto mask = TextMask(C, x, y, W, H);
            auto in = [&](int px, int py) {
                return px >= 0 && py >= 0 && px < W && py < H && mask[static_cast<std::size_t>(py) * W + px];
            };
            C->Brush()->SetStyle(bsSolid);
            C->Brush()->SetColor(fontColor);
            const int before = (penWidth_ - 1) / 2, after = penWidth_ - before;
            for (int py = 0; py < H; ++py)
                for (int px = 0; px < W; ++px)
                    if (in(px, py) && !(in(px - 1, py) && in(px + 1, py) && in(px, py - 1) && in(px, py + 1)))
                        C->FillRect({px - before, py - before, px + after, py + after});
            C->Brush()->SetStyle(bsClear);
        }
        break;
    }

    if (useGlyph && glyph_->Width() > 0 && glyph_->Height() > 0) {
        // The texture shows only through the letters.
        const int W = Width(), H = Height();
        const int tx = style_ == dxfNormal ? x : x + 1, ty = style_ == dxfNormal ? y : y + 1;
        const auto mask = TextMask(C, tx, ty, W, H);
        TBitmap tiles;
        tiles.SetSize(W, H);
        for (int gx = 0; gx < W; gx += glyph_->Width())
            for (int gy = 0; gy < H; gy += glyph_->Height()) tiles.Canvas()->Draw(gx, gy, glyph_.get());
        for (int py = 0; py < H; ++py)
            for (int px = 0; px < W; ++px)
                if (mask[static_cast<std::size_t>(py) * W + px]) C->SetPixels(px, py, tiles.Canvas()->Pixels(px, py));
    }
    C->Font()->SetOrientation(0);

    const TRect client{0, 0, Width(), Height()};
    if (Transparent()) {
        Canvas()->Brush()->SetStyle(bsClear);
        Canvas()->BrushCopy(client, draw, client, Color());
        Canvas()->Brush()->SetStyle(bsSolid);
    } else {
        Canvas()->CopyRect(client, C, client);
    }
}
