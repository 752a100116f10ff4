#include "AdvPicture.h"

#include <algorithm>

#include "GIFFrames.h"
#include "SysUtils.h"

// ---- TIPicture -----------------------------------------------------------------------------------------

// Before any frame is chosen none is current.
TIPicture::TIPicture() : TFramedPicture(0) {}
TIPicture::~TIPicture() = default;

int TIPicture::ShownFrame(int Count) const { return std::clamp(frame_, 1, Count); }

std::string TIPicture::FrameBytes(const std::string& Bytes, int N) const { return GIFFrames::FrameOnly(Bytes, N); }

void TIPicture::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TIPicture*>(Source);
    if (Source && !src) { TGraphic::Assign(Source); return; }
    frameCount_ = -1;
    frame_ = 1;
    if (src) stretch_ = src->stretch_;
    AssignBytes(src);
}

void TIPicture::LoadFromURL(const AnsiString& url) {
    const AnsiString upper = SysUtils::UpperCase(url);
    if (upper.rfind("RES://", 0) == 0) LoadFromResourceName(nullptr, url.substr(6));
    else if (upper.rfind("FILE://", 0) == 0) LoadFromFile(url.substr(7));   // the name in its own case
}

void TIPicture::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty()) return;
    TRect r = Rect;
    OffsetRect(r, frameLeft_, frameTop_);
    ACanvas->StretchDraw(r, picture_.get());
}

// ---- THelperWnd ------------------------------------------------------------------------------------------

THelperWnd::THelperWnd(TComponent* AOwner) : TWinControl(AOwner), timer_(new TTimer(this)) {
    SetVisible(false);
    timer_->SetInterval(10);
    timer_->OnTimer = [this](TObject*) {
        if (OnTimer) OnTimer(this);
    };
}

THelperWnd::~THelperWnd() = default;

// ---- TAdvPicture -----------------------------------------------------------------------------------------

TAdvPicture::TAdvPicture(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TIPicture>()) {
    SetBounds(Left(), Top(), 100, 100);
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
    picture_->OnFrameChange = [this](TObject*) { FrameChanged(); };
}

TAdvPicture::~TAdvPicture() {
    delete helper_.Get();   // clears helper_ on its removal
    picture_->OnChange = nullptr;
    picture_->OnFrameChange = nullptr;
}

void TAdvPicture::Loaded() {
    TGraphicControl::Loaded();
    // Offscreen and on the desktop alike the canvas counts 96 pixels per inch.
    picture_->PixelsPerInchX = 96;
    picture_->PixelsPerInchY = 96;
    animated_ = !picture_->Empty() && picture_->IsGIFFile() && picture_->GetFrameCount() > 1;
}

int TAdvPicture::FrameDelay(int n) {
    return PictureContainer::FrameDelay(picture_->GetFrameTime(n));
}

void TAdvPicture::SetAnimate(bool Value) {
    if (animate_ == Value) return;
    animate_ = Value;
    if (HasState(csDesigning)) return;
    delete helper_.Get();
    if (!animate_) return;
    // Owned by the control, a child of its parent: whichever goes first takes it along.
    helper_ = new THelperWnd(this);
    helper_->SetParent(Parent());
    ticks_ = 0;
    // The frame on show keeps its own delay before the next one comes.
    nextFrameTime_ = picture_->IsGIFFile() ? FrameDelay(std::max(1, picture_->Frame())) : 0;
    helper_->OnTimer = [this](TObject*) { Timer(); };
}

void TAdvPicture::Timer() {
    if (!animated_ || picture_->Empty()) return;
    // Ticks can come late; a frame whose time has passed is shown at the next tick.
    if (ticks_ >= nextFrameTime_) {
        const int count = picture_->GetFrameCount();
        const int next = picture_->Frame() >= count ? 1 : picture_->Frame() + 1;
        picture_->SetFrame(next);
        nextFrameTime_ += FrameDelay(next);
    }
    ++ticks_;
}

void TAdvPicture::FrameChanged() {
    switch (picture_->FrameDisposal()) {
    case 0:
    case 3: Repaint(); break;
    default: Invalidate(); break;   // 1, and 2 for the frame's area: the control is repainted whole
    }
    if (OnFrameChange) OnFrameChange(this);
}

void TAdvPicture::ApplyAutoSize() {
    if (autoSize_ && !picture_->Empty()) SetBounds(Left(), Top(), picture_->GetMaxWidth(), picture_->GetMaxHeight());
}

void TAdvPicture::SetAutoSize(bool Value) {
    autoSize_ = Value;
    ApplyAutoSize();
}

void TAdvPicture::SetPicturePosition(TPicturePosition Value) {
    if (position_ == Value) return;
    position_ = Value;
    Invalidate();
}

void TAdvPicture::SetStretchMode(TStretchMode Value) {
    if (stretchMode_ == Value) return;
    stretchMode_ = Value;
    Invalidate();
}

void TAdvPicture::PictureChanged() {
    ApplyAutoSize();
    if (!picture_->Empty()) {
        animated_ = picture_->IsGIFFile() && picture_->GetFrameCount() >= 2;
        picture_->SetFrame(1);
        ticks_ = 0;
        nextFrameTime_ = animated_ ? FrameDelay(1) : 0;
    } else {
        animated_ = false;
    }
    Invalidate();
}

namespace {
// The box of a w x h picture fitted into W x H with its proportions.
void Fit(int w, int h, int W, int H, int& fw, int& fh) {
    const double rw = static_cast<double>(w) / W, rh = static_cast<double>(h) / H;
    if (rw <= rh) {
        fw = static_cast<int>(w / rh);
        fh = H;
    } else {
        fw = W;
        fh = static_cast<int>(h / rw);
    }
}
} // namespace

void TAdvPicture::Paint() {
    TIPicture* pic = picture_.get();
    if (pic->Empty()) return;
    TCanvas* cv = Canvas();
    const int W = Width(), H = Height();
    const int w = pic->GetMaxWidth(), h = pic->GetMaxHeight();
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0) return;
    // Draws the whole picture (all of its logical screen) into the box; the frame keeps its place
    // and its share of the box.
    auto drawIn = [&](int x, int y, int bw, int bh) {
        if (bw == w && bh == h) {
            cv->Draw(x, y, pic);
            return;
        }
        const int fx = x + pic->FrameLeft() * bw / w, fy = y + pic->FrameTop() * bh / h;
        const int fw = pic->FrameWidth() > 0 ? pic->FrameWidth() * bw / w : bw;
        const int fh = pic->FrameHeight() > 0 ? pic->FrameHeight() * bh / h : bh;
        // Drawing moves the frame by its own offset.
        cv->StretchDraw(TRect(fx - pic->FrameLeft(), fy - pic->FrameTop(), fx - pic->FrameLeft() + fw,
                              fy - pic->FrameTop() + fh),
                        pic);
    };
    int bw = w, bh = h;
    switch (position_) {
    case bpTiled:
        for (int y = 0; y < H; y += h)
            for (int x = 0; x < W; x += w) drawIn(x, y, w, h);
        return;
    case bpStretched:
        drawIn(0, 0, W, H);
        return;
    case bpStretchedWithAspect:
        Fit(w, h, W, H, bw, bh);
        drawIn(0, 0, bw, bh);
        return;
    default:
        break;
    }
    if (stretchMode_ == smShrink && (w > W || h > H)) Fit(w, h, W, H, bw, bh);
    int x = 0, y = 0;
    PictureContainer::PlaceAt(position_, W, H, bw, bh, x, y);
    drawIn(x, y, bw, bh);
}
