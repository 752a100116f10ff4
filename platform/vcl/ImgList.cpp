#include "ImgList.h"

#include <algorithm>

#include "GraphicsQt.h"

TChangeLink::~TChangeLink() {
    if (Sender) Sender->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : links_) link->Sender = nullptr;
}

void TCustomImageList::Changed() {
    if (OnChange) OnChange(this);
    const std::vector<TChangeLink*> links = links_;   // a handler may unregister itself
    for (TChangeLink* link : links)
        if (link->OnChange) link->OnChange(this);
}

void TCustomImageList::SetWidth(int Value) {
    if (Value <= 0 || Value == width_) return;
    width_ = Value;
    images_.clear();
    Changed();
}

void TCustomImageList::SetHeight(int Value) {
    if (Value <= 0 || Value == height_) return;
    height_ = Value;
    images_.clear();
    Changed();
}

// Cuts Source (with alpha) into images of the list's size, left to right. A source narrower than one
// image still gives one image, padded with see-through pixels, rather than silently nothing.
int TCustomImageList::AddImages(TGraphicImage* Source) {
    const QImage& src = Source->image;
    if (src.isNull()) return -1;
    const int first = Count();
    const int n = std::max(1, src.width() / width_);
    for (int i = 0; i < n; ++i) {
        auto img = std::make_unique<TGraphicImage>();
        img->image = QImage(width_, height_, QImage::Format_ARGB32_Premultiplied);
        img->image.fill(Qt::transparent);
        QPainter p(&img->image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), src, QRect(i * width_, 0, width_, height_));
        p.end();
        images_.push_back(std::move(img));
    }
    Changed();
    return first;
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty()) return -1;
    Image->ReleasePainter();
    TGraphicImage masked;
    masked.image = Image->Image()->image.convertToFormat(QImage::Format_ARGB32);
    if (Mask && !Mask->Empty()) {
        Mask->ReleasePainter();
        const QImage& m = Mask->Image()->image;
        for (int y = 0; y < masked.image.height() && y < m.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(masked.image.scanLine(y));
            for (int x = 0; x < masked.image.width() && x < m.width(); ++x)
                if (qGray(m.pixel(x, y)) >= 128) line[x] = 0;   // white in the mask: left out
        }
    }
    return AddImages(&masked);
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image || Image->Empty()) return -1;
    Image->ReleasePainter();
    TGraphicImage masked;
    masked.image = Image->Image()->image.convertToFormat(QImage::Format_ARGB32);
    const TColor c = Graphics::ColorToRGB(MaskColor);
    const QRgb key = qRgb(GetRValue(c), GetGValue(c), GetBValue(c)) & 0xFFFFFF;
    for (int y = 0; y < masked.image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.image.scanLine(y));
        for (int x = 0; x < masked.image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return AddImages(&masked);
}

void TCustomImageList::Delete(int Index) {
    if (Index < 0 || Index >= Count()) return;
    images_.erase(images_.begin() + Index);
    Changed();
}

void TCustomImageList::Clear() {
    if (images_.empty()) return;
    images_.clear();
    Changed();
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
    if (!Canvas || Index < 0 || Index >= Count()) return;
    QPainter* p = Canvas->Private()->Painter();
    if (!p) return;
    QImage img = images_[static_cast<std::size_t>(Index)]->image;
    if (!Enabled) {
        // Disabled images are drawn in grey, keeping their outline.
        img = img.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int g = 128 + qGray(line[x]) / 2;
                line[x] = qRgba(g, g, g, qAlpha(line[x]));
            }
        }
    }
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(X, Y, img);
    p->restore();
}

bool TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
    if (!Image || Index < 0 || Index >= Count()) return false;
    Image->SetSize(width_, height_);
    Image->Canvas()->Brush()->SetColor(clWhite);
    Image->Canvas()->FillRect(TRect(0, 0, width_, height_));
    Draw(Image->Canvas(), 0, 0, Index);
    return true;
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
    if (!Value || std::find(links_.begin(), links_.end(), Value) != links_.end()) return;
    if (Value->Sender && Value->Sender != this) Value->Sender->UnRegisterChanges(Value);
    Value->Sender = this;
    links_.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
    auto it = std::find(links_.begin(), links_.end(), Value);
    if (it == links_.end()) return;
    links_.erase(it);
    Value->Sender = nullptr;
}
