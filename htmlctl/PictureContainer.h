#pragma once
// Pictures for the markup: a picture that keeps its file's bytes and knows the frames of an
// animated GIF, the per-control cache of pictures loaded by URL, and a component of named pictures.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Controls.h"
#include "ExtCtrls.h"
#include "Graphics.h"
#include "WinApi.h"

// Where a control puts its picture.
enum TPicturePosition {
    bpTopLeft, bpTopRight, bpBottomLeft, bpBottomRight, bpCenter, bpTiled, bpStretched, bpStretchedWithAspect
};

using TDownloadErrorEvent = std::function<void(TObject* Sender, const AnsiString& err)>;
using TDownloadCompleteEvent = std::function<void(TObject* Sender)>;
using TDownloadCancelEvent = std::function<void(TObject* Sender, bool& Cancel)>;
using TDownloadProgressEvent = std::function<void(TObject* Sender, Cardinal dwSize, Cardinal dwTotSize)>;

// Raw bytes of a picture file kept as read and shown through their decoded image, which the classes
// built on it make. Without a decoded image there is nothing to show, whatever bytes are kept.
class TPictureBytes : public TGraphic {
public:
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int) override {}
    void SetHeight(int) override {}

    // New bytes, decoded at once; a failure to decode throws and leaves the bytes kept.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromFile(const AnsiString& FileName);
    void ReadData(TStream* Stream) { LoadFromStream(Stream); }
    void WriteData(TStream* Stream) { SaveToStream(Stream); }
    // The program's own resources; a name that is not there is ignored.
    void LoadFromResourceName(HINSTANCE Instance, const AnsiString& ResName);
    void LoadFromResourceID(HINSTANCE Instance, int ResID);

protected:
    // Takes Source's bytes (none without a Source) and decodes them; bytes that fail to decode are
    // kept and show nothing, like after a failed load.
    void AssignBytes(const TPictureBytes* Source);
    // Called when new bytes arrive, before they are decoded.
    virtual void BytesChanged() {}
    // Decodes the bytes into picture_; failures throw as DecodePicture does.
    virtual void LoadPicture() = 0;

    TMemoryStream data_;
    bool dataEmpty_ = true;
    std::unique_ptr<TGraphic> picture_;   // the decoded image, or none
};

// A picture whose file may be an animated GIF; the decoded image is then of the current frame, which
// the class built on it picks out and cuts from the file.
class TFramedPicture : public TPictureBytes {
public:
    bool IsGIFFile() const;
    // Counted once and kept; -1 when the data is no GIF.
    int GetFrameCount();
    // Delay of frame n in hundredths of a second, -1 when there is no such frame.
    int GetFrameTime(int n);
    // The largest frame: the GIF's logical screen, else the picture's size.
    int GetMaxWidth();
    int GetMaxHeight();

    bool Stretch() const { return stretch_; }
    void SetStretch(bool Value) { stretch_ = Value; }
    int Frame() const { return frame_; }
    // Frames outside 1..GetFrameCount are ignored.
    void SetFrame(int n);
    int FrameLeft() const { return frameLeft_; }
    int FrameTop() const { return frameTop_; }
    int FrameWidth() const { return frameWidth_; }
    int FrameHeight() const { return frameHeight_; }
    bool FrameTransparent() const { return frameTransp_; }
    int FrameDisposal() const { return frameDisposal_; }

    TNotifyEvent OnFrameChange;

protected:
    explicit TFramedPicture(int FirstFrame) : frame_(FirstFrame) {}
    void BytesChanged() override { frameCount_ = -1; }
    // Decodes the current frame (the whole file when it is no GIF) and takes its place and size.
    void LoadPicture() override;
    // The frame of a GIF of Count frames to show, 0 for the whole file.
    virtual int ShownFrame(int Count) const = 0;
    // The GIF's bytes that a decoder shows as frame N.
    virtual std::string FrameBytes(const std::string& Bytes, int N) const = 0;

    bool stretch_ = false;
    int frame_;
    int frameCount_ = -1;
    int frameLeft_ = 0, frameTop_ = 0, frameWidth_ = 0, frameHeight_ = 0;
    int screenWidth_ = 0, screenHeight_ = 0;
    bool frameTransp_ = false;
    int frameDisposal_ = 0;
};

// Raw bytes of a picture file shown through the decoded image of its current frame. Loading errors
// are exceptions with the texts "Could not load image. Invalid format" and "Could not load image".
class THTMLPicture : public TFramedPicture {
public:
    THTMLPicture();
    ~THTMLPicture() override;

    void Assign(TPersistent* Source) override;
    TGraphic* NewEmpty() const override { return new THTMLPicture; }

    // "RES://name" and "FILE://path" load at once; anything else is only remembered and stays empty,
    // as pictures are never fetched from the network.
    void LoadFromURL(const AnsiString& url);

    void FrameNext();
    void FramePrev();
    // One animation tick (meant every 100 ms); true when the frame changed.
    bool Step();

    const AnsiString& URL() const { return url_; }
    const AnsiString& ResFileURL() const { return resFileUrl_; }
    bool Asynch() const { return asynch_; }
    void SetAsynch(bool Value) { asynch_ = Value; }
    bool Downloading() const { return downloading_; }
    const TMemoryStream& Data() const { return data_; }

    void DownLoadCancel(bool& Cancel) { if (OnDownLoadCancel) OnDownLoadCancel(this, Cancel); }
    void DownLoadComplete() { if (OnDownLoadComplete) OnDownLoadComplete(this); }
    void DownLoadError(const AnsiString& err) { if (OnDownLoadError) OnDownLoadError(this, err); }
    void DownLoadProgress(Cardinal dwSize, Cardinal dwTotSize) {
        if (OnDownLoadProgress) OnDownLoadProgress(this, dwSize, dwTotSize);
    }

    TDownloadErrorEvent OnDownLoadError;
    TDownloadCompleteEvent OnDownLoadComplete;
    TDownloadCancelEvent OnDownLoadCancel;
    TDownloadProgressEvent OnDownLoadProgress;

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

    // A new picture starts again at its first frame.
    void BytesChanged() override;
    int ShownFrame(int Count) const override;
    std::string FrameBytes(const std::string& Bytes, int N) const override;

private:
    AnsiString url_, resFileUrl_;
    bool asynch_ = true;
    bool downloading_ = false;
    int nextFrameTime_ = -1;
    int tickCount_ = -1;
};

// Pictures that a control loaded by URL; the cache owns them.
class THTMLPictureCache {
public:
    THTMLPictureCache() = default;
    ~THTMLPictureCache() { ClearPictures(); }
    THTMLPictureCache(const THTMLPictureCache&) = delete;
    THTMLPictureCache& operator=(const THTMLPictureCache&) = delete;

    THTMLPicture* AddPicture();
    // The first picture whose resource or file URL is exactly url.
    THTMLPicture* FindPicture(const AnsiString& url) const;
    THTMLPicture* GetPicture(int Index) const { return items_.at(static_cast<std::size_t>(Index)).get(); }
    void SetPicture(int Index, THTMLPicture* Value);
    int Count() const { return static_cast<int>(items_.size()); }
    void ClearPictures() { items_.clear(); }
    // Steps every picture; true when any frame changed.
    bool Animate();
    // Some picture has two or more frames.
    bool HasAnimation() const;
private:
    std::vector<std::unique_ptr<THTMLPicture>> items_;
};

class TPictureItem : public TCollectionItem {
public:
    explicit TPictureItem(TCollection* Collection);
    ~TPictureItem() override;
    void Assign(TPersistent* Source) override;

    THTMLPicture* Picture() const { return picture_.get(); }
    void SetPicture(THTMLPicture* Value) { picture_->Assign(Value); }
    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& Value) { name_ = Value; }
    int Tag = 0;
private:
    std::unique_ptr<THTMLPicture> picture_;
    AnsiString name_;
};

class TPictureContainer;

class TPictureCollection : public TOwnedCollection {
public:
    explicit TPictureCollection(TPictureContainer* AOwner);
    TPictureItem* Add() { return static_cast<TPictureItem*>(TOwnedCollection::Add()); }
    TPictureItem* Items(int Index) const { return static_cast<TPictureItem*>(TOwnedCollection::Items(Index)); }
    // Steps every picture; true when any frame changed.
    bool Animate();
};

// Named pictures that IMG tags refer to by name. Several controls may show the same picture, so the
// container steps its animated pictures itself, every 100 ms; the controls repaint when
// FrameChanges moves on.
class TPictureContainer : public TComponent {
public:
    explicit TPictureContainer(TComponent* AOwner);
    ~TPictureContainer() override;
    TPictureCollection* Items() const { return items_.get(); }
    void SetItems(TPictureCollection* Value) { items_->Assign(Value); }
    // The picture of the first item whose upper-cased name equals Name; none when absent.
    THTMLPicture* FindPicture(const AnsiString& Name) const;
    // One animation step of every picture (what the timer does).
    void Animate();
    // Counts the steps that changed a frame.
    int FrameChanges() const { return frameChanges_; }
    // Some picture has two or more frames.
    bool HasAnimation() const;
    TTimer* AnimationTimer() const { return timer_; }
private:
    std::unique_ptr<TPictureCollection> items_;
    TTimer* timer_;   // owned as a component
    int frameChanges_ = 0;
};

// Shows one THTMLPicture at a corner, centred, tiled or stretched (bpStretchedWithAspect draws as
// bpStretched here).
class THTMLImage : public TGraphicControl {
public:
    explicit THTMLImage(TComponent* AOwner);
    ~THTMLImage() override;
    THTMLPicture* HTMLPicture() const { return picture_.get(); }
    void SetHTMLPicture(THTMLPicture* Value) { picture_->Assign(Value); }
    TPicturePosition PicturePosition() const { return position_; }
    void SetPicturePosition(TPicturePosition Value);

    TDownloadErrorEvent OnDownLoadError;
    TDownloadCompleteEvent OnDownLoadComplete;
    TDownloadCancelEvent OnDownLoadCancel;
    TDownloadProgressEvent OnDownLoadProgress;

protected:
    void Paint() override;
    void Loaded() override;

private:
    std::unique_ptr<THTMLPicture> picture_;
    TPicturePosition position_ = bpTopLeft;
};

namespace PictureContainer {
// Where "RES://name" pictures come from: the program's own resources (Resources::FindResourceData),
// or, while one is set, Lookup.
using TResourceLookup = std::function<bool(const AnsiString& Name, std::string& Bytes)>;
void SetResourceLookup(TResourceLookup Lookup);
bool FindResource(const AnsiString& Name, std::string& Bytes);
// The name a numeric resource is known by: "#" and the number.
AnsiString ResourceIDName(int ResID);
// How long a frame shows, in hundredths of a second: as browsers do, a delay of 0 or 1 (which
// would spin) counts as 10.
constexpr int MinFrameDelay = 10;
inline int FrameDelay(int Delay) { return Delay <= 1 ? MinFrameDelay : Delay; }

// The decoded image of a picture file's bytes. Failures are exceptions with the texts
// "Could not load image. Invalid format" (unreadable) and "Could not load image" (nothing in it).
std::unique_ptr<TGraphic> DecodePicture(const std::string& Bytes);
// The bytes of a picture file named by markup. Markup comes from other programs and other users, so
// only a regular file of at most MaxPictureFileBytes is read; anything else raises EInOutError.
constexpr std::size_t MaxPictureFileBytes = SysUtils::MaxPictureFileBytes;
std::string ReadPictureFile(const AnsiString& FileName);
// Loads the named resource into Picture; a name that is not there leaves it as it is.
void LoadResource(TGraphic& Picture, const AnsiString& ResName);
// Delay of GIF frame n in hundredths of a second and how it shows; -1 (the rest untouched) when there
// is no such frame.
int FrameTime(const std::string& Bytes, int n, bool& Transparent, int& Disposal);
// Top left corner of a w x h picture in a W x H box for the corner and centre positions; a picture
// larger than the box keeps to its top left. Other positions give 0, 0.
void PlaceAt(TPicturePosition Position, int W, int H, int w, int h, int& X, int& Y);
} // namespace PictureContainer
