// Panels, images and timers.
#include "ExtCtrls.h"

#include <QTimer>

#include <algorithm>

#include "VclPrivate.h"

// ---- Frame3D ---------------------------------------------------------------------------------------------------
void ExtCtrls::Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetStyle(psSolid);
    // The corner points are inclusive: lines leave out their end point, so each run goes one further.
    --Rect.Bottom;
    --Rect.Right;
    for (; Width > 0; --Width) {
        Canvas->Pen()->SetColor(TopColor);
        Canvas->Polyline({{Rect.Left, Rect.Bottom}, {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}});
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->Polyline({{Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left - 1, Rect.Bottom}});
        InflateRect(Rect, -1, -1);
    }
    ++Rect.Bottom;
    ++Rect.Right;
}

// ---- TCustomPanel -------------------------------------------------------------------------------------------------
TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = ControlStyle + TControlStyle{csAcceptsControls, csOpaque};
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

void TCustomPanel::Changed() {
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) { bevelInner_ = Value; Changed(); }
void TCustomPanel::SetBevelOuter(TBevelCut Value) { bevelOuter_ = Value; Changed(); }
void TCustomPanel::SetBevelWidth(int Value) { bevelWidth_ = std::max(1, Value); Changed(); }
void TCustomPanel::SetBorderWidth(int Value) { borderWidth_ = std::max(0, Value); Changed(); }
void TCustomPanel::SetBorderSingle(bool Value) { borderSingle_ = Value; Changed(); }
void TCustomPanel::SetAlignment(TAlignment Value) { alignment_ = Value; Invalidate(); }

void TCustomPanel::TextChanged() { Invalidate(); }

void TCustomPanel::AdjustClientRect(TRect& Rect) {
    int inset = borderWidth_ + (borderSingle_ ? 1 : 0);
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    InflateRect(Rect, -inset, -inset);
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (borderSingle_) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(clWindowFrame);
        c->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    const auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        TColor top = clBtnHighlight, bottom = clBtnShadow;
        if (cut == bvLowered) std::swap(top, bottom);
        if (cut == bvSpace) top = bottom = Color();
        ExtCtrls::Frame3D(c, r, top, bottom, bevelWidth_);
    };
    bevel(bevelOuter_);
    ExtCtrls::Frame3D(c, r, Color(), Color(), borderWidth_);
    bevel(bevelInner_);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    if (!Caption().empty()) {
        c->SetFont(Font());
        c->Brush()->SetStyle(bsClear);
        unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
        if (alignment_ == taCenter) flags |= DT_CENTER;
        else if (alignment_ == taRightJustify) flags |= DT_RIGHT;
        c->DrawText(Caption(), r, flags);
    }
}

// ---- TImage --------------------------------------------------------------------------------------------------------
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
    SetBounds(0, 0, 105, 105);
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::SetStretch(bool Value) { stretch_ = Value; Invalidate(); }
void TImage::SetCenter(bool Value) { center_ = Value; Invalidate(); }
void TImage::SetProportional(bool Value) { proportional_ = Value; Invalidate(); }

void TImage::SetTransparent(bool Value) {
    transparent_ = Value;
    if (TGraphic* g = picture_->Graphic()) g->SetTransparent(Value);
    Invalidate();
}

void TImage::SetAutoSize(bool Value) {
    autoSize_ = Value;
    if (Value) PictureChanged();
}

void TImage::PictureChanged() {
    if (TGraphic* g = picture_->Graphic(); g && transparent_) g->SetTransparent(true);
    if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
    Invalidate();
}

TRect TImage::DestRect() const {
    int w = picture_->Width(), h = picture_->Height();
    const int cw = ClientWidth(), ch = ClientHeight();
    if (stretch_ || (proportional_ && (w > cw || h > ch))) {
        if (proportional_ && w > 0 && h > 0) {
            // Scaled to fit, keeping the picture's proportions.
            if (static_cast<long long>(cw) * h > static_cast<long long>(ch) * w) {
                w = static_cast<int>(static_cast<long long>(ch) * w / h);
                h = ch;
            } else {
                h = static_cast<int>(static_cast<long long>(cw) * h / w);
                w = cw;
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r{0, 0, w, h};
    if (center_) OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* g = picture_->Graphic();
    if (!g || g->Empty()) return;
    Canvas()->StretchDraw(DestRect(), g);
}

// ---- TTimer ----------------------------------------------------------------------------------------------------------
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    Vcl::Detail::EnsureQtApp();
    timer_ = std::make_unique<QTimer>();
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Vcl::Detail::Guarded(this, [this] { Timer(); }); });
    UpdateTimer();
}

TTimer::~TTimer() {
    // The timer may be freed by its own OnTimer: Qt lets go of the QTimer once its signal is done.
    timer_->stop();
    QObject::disconnect(timer_.get(), nullptr, nullptr, nullptr);
    timer_.release()->deleteLater();
}

void TTimer::SetEnabled(bool Value) {
    if (enabled_ == Value) return;
    enabled_ = Value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
    if (interval_ == Value) return;
    interval_ = Value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    timer_->stop();
    if (enabled_ && interval_ > 0) timer_->start(static_cast<int>(std::min(interval_, 0x7FFFFFFFu)));
}

void TTimer::Timer() {
    if (enabled_ && OnTimer) OnTimer(this);
}
