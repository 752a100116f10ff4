#include "AdvImage.h"

#include "PictureContainer.h"
#include "SysUtils.h"

TAdvImage::TAdvImage() = default;
TAdvImage::~TAdvImage() = default;

void TAdvImage::LoadPicture() {
    picture_.reset();
    picture_ = PictureContainer::DecodePicture(data_.DataString());
}

void TAdvImage::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TAdvImage*>(Source);
    if (Source && !src) { TGraphic::Assign(Source); return; }
    AssignBytes(src);
}

void TAdvImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty()) return;
    ACanvas->StretchDraw(Rect, picture_.get());
}
