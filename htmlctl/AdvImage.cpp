#include "AdvImage.h"

#include "PictureContainer.h"
#include "SysUtils.h"

TAdvImage::TAdvImage() = default;
TAdvImage::~TAdvImage() = default;

bool TAdvImage::Empty() const { return dataEmpty_ || !picture_ || picture_->Empty(); }
int TAdvImage::Width() const { return picture_ ? picture_->Width() : 0; }
int TAdvImage::Height() const { return picture_ ? picture_->Height() : 0; }

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

void TAdvImage::SaveToStream(TStream* Stream) { data_.SaveToStream(Stream); }

void TAdvImage::LoadFromFile(const AnsiString& FileName) {
    TMemoryStream m;
    m.LoadFromFile(FileName);
    LoadFromStream(&m);
}

void TAdvImage::LoadFromResourceName(HINSTANCE, const AnsiString& ResName) {
    PictureContainer::LoadResource(*this, ResName);
}

void TAdvImage::LoadFromResourceID(HINSTANCE Instance, int ResID) {
    LoadFromResourceName(Instance, PictureContainer::ResourceIDName(ResID));
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
