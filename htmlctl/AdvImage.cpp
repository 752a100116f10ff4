#include "AdvImage.h"

#include "PictureContainer.h"
#include "SysUtils.h"

TAdvImage::TAdvImage() = default;
TAdvImage::~TAdvImage() = default;

void TAdvImage::LoadPicture() {
    picture_.reset();
    picture_ = PictureContainer::DecodePicture(data_.DataString());
}

void TAdvImage::LoadFromStream(TStream* Stream) {
    data_.Clear();
    data_.LoadFromStream(Stream);
    dataEmpty_ = false;
    LoadPicture();
    Changed();
}

void TAdvImage::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TAdvImage*>(Source);
    if (Source && !src) { TGraphic::Assign(Source); return; }
    picture_.reset();
    data_.Clear();
    dataEmpty_ = !src || src->dataEmpty_;
    if (!dataEmpty_) {
        TStringStream copy(src->data_.DataString());
        data_.LoadFromStream(&copy);
        try {
            LoadPicture();
        } catch (const SysUtils::Exception&) {
            // Kept as bytes, shown as nothing, like after a failed load.
        }
    }
    Changed();
}

void TAdvImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty()) return;
    ACanvas->StretchDraw(Rect, picture_.get());
}
