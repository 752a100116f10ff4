#include "PictureContainer.h"

THTMLImage::THTMLImage(TComponent* AOwner)
    : TGraphicControl(AOwner), picture_(std::make_unique<THTMLPicture>()) {
    SetBounds(Left(), Top(), 100, 100);
    picture_->OnChange = [this](TObject*) { Invalidate(); };
    picture_->OnFrameChange = [this](TObject*) { Invalidate(); };
    picture_->OnDownLoadError = [this](TObject*, const AnsiString& err) {
        if (OnDownLoadError) OnDownLoadError(this, err);
    };
    picture_->OnDownLoadComplete = [this](TObject*) {
        if (OnDownLoadComplete) OnDownLoadComplete(this);
    };
    picture_->OnDownLoadCancel = [this](TObject*, bool& Cancel) {
        if (OnDownLoadCancel) OnDownLoadCancel(this, Cancel);
    };
    picture_->OnDownLoadProgress = [this](TObject*, Cardinal Size, Cardinal Total) {
        if (OnDownLoadProgress) OnDownLoadProgress(this, Size, Total);
    };
}

THTMLImage::~THTMLImage() {
    picture_->OnChange = nullptr;
    picture_->OnFrameChange = nullptr;
}

void THTMLImage::SetPicturePosition(TPicturePosition Value) {
    if (position_ == Value) return;
    position_ = Value;
    Invalidate();
}

void THTMLImage::Loaded() {
    // The canvas counts 96 pixels per inch; pictures are measured in pixels already.
    TGraphicControl::Loaded();
}

void THTMLImage::Paint() {
    THTMLPicture* pic = picture_.get();
    if (pic->Empty()) return;
    TCanvas* cv = Canvas();
    const int W = Width(), H = Height();
    const int w = pic->Width(), h = pic->Height();
    if (w <= 0 || h <= 0) return;
    switch (position_) {
    case bpTopLeft:
    case bpTopRight:
    case bpBottomLeft:
    case bpBottomRight:
    case bpCenter: {
        int x = 0, y = 0;
        PictureContainer::PlaceAt(position_, W, H, w, h, x, y);
        cv->Draw(x, y, pic);
        break;
    }
    case bpTiled:
        for (int y = 0; y < H; y += h)
            for (int x = 0; x < W; x += w) cv->Draw(x, y, pic);
        break;
    case bpStretched:
    case bpStretchedWithAspect: {
        const bool old = pic->Stretch();
        pic->SetStretch(true);
        cv->StretchDraw(TRect(0, 0, W, H), pic);
        pic->SetStretch(old);
        break;
    }
    }
}
