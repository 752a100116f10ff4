#include "PictureButton.h"

#include "WinRegion.h"

void TdxfDither::SetStyle(TdxfDitherStyle Value) {
    style_ = Value;
    if (OnChange) OnChange(this);
}

void TdxfDither::SetColor(TColor Value) {
    color_ = Value;
    if (OnChange) OnChange(this);
}

void TdxfDither::Assign(TPersistent* Source) {
    if (auto* d = dynamic_cast<TdxfDither*>(Source)) {
        style_ = d->style_;
        color_ = d->color_;
        if (OnChange) OnChange(this);
        return;
    }
    TPersistent::Assign(Source);
}

TdxfPictureButton::TdxfPictureButton(TComponent* AOwner)
    : TdxfGroupButton(AOwner), glyph_(std::make_unique<TBitmap>()), normal_(std::make_unique<TBitmap>()),
      downBmp_(std::make_unique<TBitmap>()), hover_(std::make_unique<TBitmap>()), disabled_(std::make_unique<TBitmap>()),
      dither_(std::make_unique<TdxfDither>()) {
    SetBounds(Left(), Top(), 40, 40);
    SetParentColor(true);
    glyph_->SetTransparent(true);
    dither_->OnChange = [this](TObject*) {
        if (regionReady_) PaintToBitmap();
        Invalidate();
    };
}

TdxfPictureButton::~TdxfPictureButton() { SetWindowRgn(this, nullptr, false); }

void TdxfPictureButton::Loaded() {
    TCustomControl::Loaded();
    SetRegion();
    Invalidate();
}

void TdxfPictureButton::SetGlyph(TBitmap* Value) {
    glyph_->Assign(Value);
    glyph_->SetTransparent(true);
    if (!glyph_->Empty()) {
        SetRegion();
        SetBounds(Left(), Top(), glyph_->Width() + 2, glyph_->Height() + 2);
    }
    Invalidate();
}

void TdxfPictureButton::SetVisible(bool Value) {
    ownVisible_ = Value;
    if (regionReady_) SetRegion();
    Invalidate();
}

void TdxfPictureButton::SetStyle(TdxfButtonStyle Value) {
    style_ = Value;
    if (regionReady_) PaintToBitmap();
    Invalidate();
}

void TdxfPictureButton::SetDither(TdxfDither* Value) { dither_->Assign(Value); }

void TdxfPictureButton::Click() {
    if (Enabled()) TCustomControl::Click();
}

bool TdxfPictureButton::Differs(int X, int Y) {
    if (X < 0 || Y < 0 || X >= glyph_->Width() || Y >= glyph_->Height()) return true;
    return glyph_->Canvas()->Pixels(X, Y) != transparentColor_;
}

void TdxfPictureButton::SetRegion() {
    if ((!ownVisible_ && !HasState(csDesigning)) || glyph_->Empty()) {
        SetWindowRgn(this, CreateEllipticRgn(-1, -1, -1, -1), true);
        regionReady_ = true;
        return;
    }
    // The top-left pixel names the background, for the shape as for drawing the picture.
    transparentColor_ = glyph_->Canvas()->Pixels(0, 0);
    glyph_->SetTransparentColor(transparentColor_);
    const int gw = glyph_->Width(), gh = glyph_->Height();
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    auto add = [rgn](const std::vector<TPoint>& poly) {
        HRGN part = CreatePolygonRgn(poly);
        UnionRgn(rgn, part);
        DeleteRgn(part);
    };
    int topRow = -1;
    for (int y = 0; y < gh; ++y) {
        int start = -1;
        for (int x = 0; x <= gw; ++x) {
            // A run reaching the right edge ends there: its pixels belong to the picture too.
            const bool glyph = x < gw && Differs(x, y);
            if (start < 0 && glyph) {
                start = x - 1;
            } else if (start >= 0 && !glyph) {
                if (topRow < 0) topRow = y;
                add({{start, y - 1}, {x + 1, y - 1}, {x + 1, y + 2}, {start, y + 2}});
                start = -1;
            }
        }
    }
    if (topRow >= 0) {
        for (int x = 0; x < gw;) {
            if (!Differs(x, topRow)) { ++x; continue; }
            int xe = x;
            while (xe < gw && Differs(xe, topRow)) ++xe;
            add({{x, topRow - 2}, {xe, topRow - 2}, {xe, topRow}, {x, topRow - 2}});
            x = xe;
        }
    }
    SetWindowRgn(this, rgn, true);
    PaintToBitmap();
    regionReady_ = true;
}

void TdxfPictureButton::CreateShape() {
    points_.clear();
    for (int y = 0; y < glyph_->Height(); ++y)
        for (int x = 0; x < glyph_->Width(); ++x) {
            if (Differs(x, y)) continue;
            TdxfPoint p;
            p.X = static_cast<short>(x);
            p.Y = static_cast<short>(y);
            if (Differs(x + 1, y + 1)) p.Color = 3;
            else if (Differs(x - 1, y - 1)) p.Color = 2;
            points_.push_back(p);
        }
}

void TdxfPictureButton::PaintToBitmap() {
    CreateShape();
    PaintState(normal_.get(), State::Normal);
    PaintState(downBmp_.get(), State::Down);
    if (style_ == dxfFlat) PaintState(hover_.get(), State::Hover);
    PaintState(disabled_.get(), State::Disabled);
    points_.clear();
    points_.shrink_to_fit();
}

void TdxfPictureButton::PaintState(TBitmap* Target, State S) {
    const int gw = glyph_->Width(), gh = glyph_->Height();
    Target->SetSize(gw, gh);
    TCanvas* C = Target->Canvas();
    const TColor B = Color();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(B);
    C->FillRect({0, 0, gw, gh});

    auto checker = [&](TColor c) {
        for (int y = 0; y < gh; ++y)
            for (int x = y % 2; x < gw; x += 2) C->SetPixels(x, y, c);
    };
    if (S == State::Disabled) {
        // As the window system's own disabled buttons look beside it: the picture itself, faded two
        // thirds of the way toward the button face (a black caption becomes the grey of theirs, a
        // dark frame a light one), flat, without the raised rim.
        const TColor face = Graphics::ColorToRGB(clBtnFace);
        const auto fade = [&](TColor p, int shift) {
            return (((p >> shift) & 0xFF) + 2 * ((face >> shift) & 0xFF)) / 3;
        };
        for (int y = 0; y < gh; ++y)
            for (int x = 0; x < gw; ++x) {
                const TColor p = Graphics::ColorToRGB(glyph_->Canvas()->Pixels(x, y));
                if (p == Graphics::ColorToRGB(transparentColor_)) continue;
                C->SetPixels(x, y, TColor(fade(p, 0) | fade(p, 8) << 8 | fade(p, 16) << 16));
            }
        return;
    }
    const TColor dc = dither_->Color();
    if (S == State::Down) {
        if (dc == dxfNoDither) {
            C->Draw(1, 1, glyph_.get());
        } else {
            switch (dither_->Style()) {
            case dxfFill:
                C->Brush()->SetColor(dc);
                C->FillRect({0, 0, gw, gh});
                break;
            case dxfDither:
                checker(dc);
                break;
            case dxfDitherBlend:
                C->Draw(1, 1, glyph_.get());
                checker(dc);
                break;
            }
        }
    } else {
        const int at = style_ == dxfRaised ? -1 : 0;
        C->Draw(at, at, glyph_.get());
    }

    const bool down = S == State::Down;
    for (const TdxfPoint& p : points_) {
        const int x = p.X, y = p.Y;
        auto diagonal = [&](TColor c) {
            C->SetPixels(x, y, c);
            C->SetPixels(x + 1, y + 1, c);
        };
        switch (style_) {
        case dxfFlat:
        case dxfHighlight:
            if (down) {
                if (p.Color == 3) diagonal(clBlack);
                else C->SetPixels(x, y, p.Color == 2 ? clWhite : B);
            } else if (style_ == dxfFlat && S == State::Normal) {
                C->SetPixels(x, y, B);
            } else {
                C->SetPixels(x, y, p.Color == 1 ? B : p.Color == 2 ? clGray : clWhite);
            }
            break;
        case dxfNormal:
            if (down && p.Color == 3) diagonal(clBlack);
            else C->SetPixels(x, y, B);
            break;
        case dxfRaised:
            if (down) {
                C->SetPixels(x + 1, y + 1, B);
            } else if (p.Color == 2) {
                C->SetPixels(x, y, clBlack);
                C->SetPixels(x - 1, y, clBlack);
                C->SetPixels(x, y - 1, clBlack);
                C->SetPixels(x - 1, y - 1, clBlack);
            } else if (p.Color == 1) {
                C->SetPixels(x, y, B);
            }
            break;
        }
    }
}

void TdxfPictureButton::Paint() {
    if (glyph_->Empty()) {
        if (HasState(csDesigning)) {
            Canvas()->Pen()->SetStyle(psDash);
            Canvas()->Brush()->SetStyle(bsClear);
            Canvas()->Rectangle(0, 0, Width(), Height());
        }
        return;
    }
    TBitmap* look = !Enabled() ? disabled_.get()
                    : pressed_ ? downBmp_.get()
                    : (style_ == dxfFlat && mouseInside_) ? hover_.get()
                                                          : normal_.get();
    if (!look->Empty()) Canvas()->Draw(0, 0, look);
}

void TdxfPictureButton::WndProc(TMessage& Message) {
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
        PressEnds(ClientRect().Contains({x, y}) && PtInWindowRgn(this, x, y));
        Invalidate();
        break;
    }
    case CM_MOUSEENTER:
        mouseInside_ = true;
        pressed_ = down_ || mouseDown_;
        Invalidate();
        break;
    case CM_MOUSELEAVE:
        mouseInside_ = false;
        pressed_ = groupIndex_ != 0 ? down_ : false;
        Invalidate();
        break;
    case CM_ENABLEDCHANGED:
    case WM_SIZE:
        Invalidate();
        break;
    default:
        break;
    }
}
