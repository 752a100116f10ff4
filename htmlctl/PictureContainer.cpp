#include "PictureContainer.h"

#include <algorithm>

#include "GIFFrames.h"
#include "Resources.h"
#include "SysUtils.h"

namespace PictureContainer {
namespace {
TResourceLookup& Lookup() {
    static TResourceLookup lookup;
    return lookup;
}
} // namespace

void SetResourceLookup(TResourceLookup L) { Lookup() = std::move(L); }

bool FindResource(const AnsiString& Name, std::string& Bytes) {
    if (Lookup()) return Lookup()(Name, Bytes);
    return Resources::FindResourceData(Name, Bytes);
}
AnsiString ResourceIDName(int ResID) { return "#" + std::to_string(ResID); }

std::unique_ptr<TGraphic> DecodePicture(const std::string& Bytes) {
    auto decoded = std::make_unique<TGraphic>();
    TStringStream stream(Bytes);
    try {
        decoded->LoadFromStream(&stream);
    } catch (const SysUtils::Exception&) {
        throw SysUtils::Exception("Could not load image. Invalid format");
    }
    if (decoded->Empty()) throw SysUtils::Exception("Could not load image");
    return decoded;
}

std::string ReadPictureFile(const AnsiString& FileName) {
    return SysUtils::ReadRegularFile(FileName, MaxPictureFileBytes);
}

void LoadResource(TGraphic& Picture, const AnsiString& ResName) {
    std::string bytes;
    if (!FindResource(ResName, bytes)) return;
    TStringStream s(bytes);
    Picture.LoadFromStream(&s);
}

int FrameTime(const std::string& Bytes, int n, bool& Transparent, int& Disposal) {
    const auto frames = GIFFrames::Scan(Bytes);
    if (n < 1 || n > static_cast<int>(frames.size())) return -1;
    const GIFFrames::TFrameInfo& f = frames[static_cast<std::size_t>(n - 1)];
    Transparent = f.Transparent;
    Disposal = f.Disposal;
    return f.Delay;
}

void PlaceAt(TPicturePosition Position, int W, int H, int w, int h, int& X, int& Y) {
    const int freeX = std::max(0, W - w), freeY = std::max(0, H - h);
    X = Y = 0;
    switch (Position) {
    case bpTopRight: X = freeX; break;
    case bpBottomLeft: Y = freeY; break;
    case bpBottomRight: X = freeX; Y = freeY; break;
    case bpCenter: X = freeX / 2; Y = freeY / 2; break;
    default: break;
    }
}
} // namespace PictureContainer

// ---- TPictureBytes -------------------------------------------------------------------------------------

bool TPictureBytes::Empty() const { return dataEmpty_ || !picture_ || picture_->Empty(); }
int TPictureBytes::Width() const { return picture_ ? picture_->Width() : 0; }
int TPictureBytes::Height() const { return picture_ ? picture_->Height() : 0; }

void TPictureBytes::LoadFromStream(TStream* Stream) {
    data_.Clear();
    data_.LoadFromStream(Stream);
    dataEmpty_ = false;
    BytesChanged();
    LoadPicture();
    Changed();
}

void TPictureBytes::AssignBytes(const TPictureBytes* Source) {
    picture_.reset();
    data_.Clear();
    dataEmpty_ = !Source || Source->dataEmpty_;
    if (!dataEmpty_) {
        TStringStream copy(Source->data_.DataString());
        data_.LoadFromStream(&copy);
        try {
            LoadPicture();
        } catch (const SysUtils::Exception&) {
            // Kept as bytes, shown as nothing.
        }
    }
    Changed();
}

void TPictureBytes::SaveToStream(TStream* Stream) { data_.SaveToStream(Stream); }

void TPictureBytes::LoadFromFile(const AnsiString& FileName) {
    TStringStream s(PictureContainer::ReadPictureFile(FileName));
    LoadFromStream(&s);
}

void TPictureBytes::LoadFromResourceName(HINSTANCE, const AnsiString& ResName) {
    PictureContainer::LoadResource(*this, ResName);
}

void TPictureBytes::LoadFromResourceID(HINSTANCE Instance, int ResID) {
    LoadFromResourceName(Instance, PictureContainer::ResourceIDName(ResID));
}

// ---- TFramedPicture ------------------------------------------------------------------------------------

void TFramedPicture::LoadPicture() {
    picture_.reset();
    frameLeft_ = frameTop_ = frameWidth_ = frameHeight_ = 0;
    screenWidth_ = screenHeight_ = 0;
    const std::string& bytes = data_.DataString();
    std::string shown = bytes;
    if (GIFFrames::IsGIF(bytes)) {
        screenWidth_ = GIFFrames::ScreenWidth(bytes);
        screenHeight_ = GIFFrames::ScreenHeight(bytes);
        const auto frames = GIFFrames::Scan(bytes);
        const int n = frames.empty() ? 0 : ShownFrame(static_cast<int>(frames.size()));
        if (n > 0) {
            shown = FrameBytes(bytes, n);
            const GIFFrames::TFrameInfo& f = frames[static_cast<std::size_t>(n - 1)];
            frameLeft_ = f.Left;
            frameTop_ = f.Top;
            frameWidth_ = f.Width;
            frameHeight_ = f.Height;
        }
    }
    picture_ = PictureContainer::DecodePicture(shown);
}

bool TFramedPicture::IsGIFFile() const { return GIFFrames::IsGIF(data_.DataString()); }

int TFramedPicture::GetFrameCount() {
    if (!IsGIFFile()) return -1;
    if (frameCount_ == -1) frameCount_ = static_cast<int>(GIFFrames::Scan(data_.DataString()).size());
    return frameCount_;
}

int TFramedPicture::GetFrameTime(int n) {
    return PictureContainer::FrameTime(data_.DataString(), n, frameTransp_, frameDisposal_);
}

int TFramedPicture::GetMaxWidth() { return screenWidth_ > 0 ? screenWidth_ : Width(); }
int TFramedPicture::GetMaxHeight() { return screenHeight_ > 0 ? screenHeight_ : Height(); }

void TFramedPicture::SetFrame(int n) {
    const int count = GetFrameCount();
    if (count > 0 ? (n < 1 || n > count) : n != 1) return;
    frame_ = n;
    if (dataEmpty_) return;
    try {
        LoadPicture();
    } catch (const SysUtils::Exception&) {
        picture_.reset();
    }
    if (OnFrameChange) OnFrameChange(this);
}

// ---- THTMLPicture ------------------------------------------------------------------------------------

THTMLPicture::THTMLPicture() : TFramedPicture(1) {}
THTMLPicture::~THTMLPicture() = default;

void THTMLPicture::BytesChanged() {
    TFramedPicture::BytesChanged();
    frame_ = 1;
    nextFrameTime_ = -1;
    tickCount_ = -1;
}

int THTMLPicture::ShownFrame(int Count) const { return frame_ >= 1 && frame_ <= Count ? frame_ : 0; }

// A decoder shows the first frame it meets: leave out the ones before the current frame.
std::string THTMLPicture::FrameBytes(const std::string& Bytes, int N) const { return GIFFrames::CutToFrame(Bytes, N); }

void THTMLPicture::Assign(TPersistent* Source) {
    picture_.reset();
    BytesChanged();
    auto* src = dynamic_cast<THTMLPicture*>(Source);
    if (Source && !src) { TGraphic::Assign(Source); return; }
    if (src) stretch_ = src->stretch_;
    AssignBytes(src);
}

void THTMLPicture::LoadFromURL(const AnsiString& url) {
    const AnsiString upper = SysUtils::UpperCase(url);
    if (upper.rfind("RES://", 0) == 0) {
        url_ = upper;
        resFileUrl_ = upper;
        LoadFromResourceName(nullptr, url.substr(6));
        return;
    }
    if (upper.rfind("FILE://", 0) == 0) {
        url_ = upper;
        resFileUrl_ = upper;
        // The name keeps the case it was written in; the file functions find it in any case.
        LoadFromFile(url.substr(7));
        return;
    }
    if (asynch_) {
        if (downloading_) return;
        url_ = upper;
        downloading_ = true;   // nothing is ever fetched, so the picture stays empty
        return;
    }
    url_ = upper;
    resFileUrl_ = upper;
}

void THTMLPicture::FrameNext() {
    const int count = GetFrameCount();
    if (count < 1) return;
    SetFrame(frame_ >= count ? 1 : frame_ + 1);
}

void THTMLPicture::FramePrev() {
    const int count = GetFrameCount();
    if (count < 1) return;
    SetFrame(frame_ <= 1 ? count : frame_ - 1);
}

bool THTMLPicture::Step() {
    if (Empty() || GetFrameCount() < 2) return false;
    bool changed = false;
    if (nextFrameTime_ == -1) GetFrameTime(frame_);
    if (tickCount_ * 10 >= nextFrameTime_) {
        FrameNext();
        nextFrameTime_ += PictureContainer::FrameDelay(GetFrameTime(frame_));
        changed = true;
    }
    ++tickCount_;
    return changed;
}

void THTMLPicture::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty()) return;
    if (stretch_) {
        ACanvas->StretchDraw(Rect, picture_.get());
        return;
    }
    // The decoded image spans the logical screen with the frame at its own offset.
    ACanvas->Draw(Rect.Left, Rect.Top, picture_.get());
}

// ---- cache, items, container --------------------------------------------------------------------------

THTMLPicture* THTMLPictureCache::AddPicture() {
    items_.push_back(std::make_unique<THTMLPicture>());
    return items_.back().get();
}

THTMLPicture* THTMLPictureCache::FindPicture(const AnsiString& url) const {
    for (const auto& p : items_)
        if (p->ResFileURL() == url) return p.get();
    return nullptr;
}

void THTMLPictureCache::SetPicture(int Index, THTMLPicture* Value) {
    items_.at(static_cast<std::size_t>(Index))->Assign(Value);
}

bool THTMLPictureCache::HasAnimation() const {
    for (const auto& p : items_)
        if (!p->Empty() && p->GetFrameCount() > 1) return true;
    return false;
}

bool THTMLPictureCache::Animate() {
    bool changed = false;
    for (const auto& p : items_) changed = p->Step() || changed;
    return changed;
}

TPictureItem::TPictureItem(TCollection* Collection)
    : TCollectionItem(Collection), picture_(std::make_unique<THTMLPicture>()) {}
TPictureItem::~TPictureItem() = default;

void TPictureItem::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TPictureItem*>(Source);
    if (!src) { TCollectionItem::Assign(Source); return; }
    name_ = src->name_;
    Tag = src->Tag;
    picture_->Assign(src->picture_.get());
}

TPictureCollection::TPictureCollection(TPictureContainer* AOwner)
    : TOwnedCollection(AOwner, [](TCollection* c) { return new TPictureItem(c); }) {}

bool TPictureCollection::Animate() {
    bool changed = false;
    for (int i = 0; i < Count(); ++i) changed = Items(i)->Picture()->Step() || changed;
    return changed;
}

TPictureContainer::TPictureContainer(TComponent* AOwner)
    : TComponent(AOwner), items_(std::make_unique<TPictureCollection>(this)), timer_(new TTimer(this)) {
    timer_->SetInterval(100);
    timer_->OnTimer = [this](TObject*) { Animate(); };
}

TPictureContainer::~TPictureContainer() = default;

void TPictureContainer::Animate() {
    if (items_->Animate()) ++frameChanges_;
}

bool TPictureContainer::HasAnimation() const {
    for (int i = 0; i < items_->Count(); ++i) {
        THTMLPicture* p = items_->Items(i)->Picture();
        if (!p->Empty() && p->GetFrameCount() > 1) return true;
    }
    return false;
}

THTMLPicture* TPictureContainer::FindPicture(const AnsiString& Name) const {
    for (int i = 0; i < items_->Count(); ++i)
        if (SysUtils::UpperCase(items_->Items(i)->Name()) == Name) return items_->Items(i)->Picture();
    return nullptr;
}
