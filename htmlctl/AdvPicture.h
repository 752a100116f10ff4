#pragma once
// A picture with the frames of an animated GIF, and the control that shows and animates it.
#include <memory>

#include "Classes.h"
#include "Controls.h"
#include "ExtCtrls.h"
#include "Graphics.h"
#include "PictureContainer.h"
#include "WinApi.h"

// Raw bytes of a picture file shown through the decoded image of its current frame; for a GIF the
// decoded image is the frame alone, drawn at the frame's own offset. Loading errors are exceptions
// with the texts "Could not load image. Invalid format" and "Could not load image".
// Width and Height are the current frame's (the whole picture's when it is no GIF).
class TIPicture : public TFramedPicture {
public:
    TIPicture();
    ~TIPicture() override;

    void Assign(TPersistent* Source) override;
    TGraphic* NewEmpty() const override { return new TIPicture; }
    // "RES://name" and "FILE://path"; any other address is ignored.
    void LoadFromURL(const AnsiString& url);

    int PixelsPerInchX = 96;
    int PixelsPerInchY = 96;

protected:
    // The frame stretched into Rect moved by the frame's offset.
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;
    // Before any frame is chosen the first one shows.
    int ShownFrame(int Count) const override;
    std::string FrameBytes(const std::string& Bytes, int N) const override;
};

// A hidden window whose timer calls OnTimer every 10 ms.
class THelperWnd : public TWinControl {
public:
    explicit THelperWnd(TComponent* AOwner);
    ~THelperWnd() override;
    TTimer* Timer() const { return timer_; }
    TNotifyEvent OnTimer;
private:
    TTimer* timer_;   // owned as a component
};

enum TStretchMode { smNever, smShrink };

// Shows a TIPicture at a corner, centred, tiled or stretched; with Animate on, a GIF's frames follow
// their delays, one timer tick being a hundredth of a second.
class TAdvPicture : public TGraphicControl {
public:
    explicit TAdvPicture(TComponent* AOwner);
    ~TAdvPicture() override;

    bool Animate() const { return animate_; }
    void SetAnimate(bool Value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    TIPicture* Picture() const { return picture_.get(); }
    void SetPicture(TIPicture* Value) { picture_->Assign(Value); }
    TPicturePosition PicturePosition() const { return position_; }
    void SetPicturePosition(TPicturePosition Value);
    TStretchMode StretchMode() const { return stretchMode_; }
    void SetStretchMode(TStretchMode Value);
    // A GIF of two or more frames is shown.
    bool Animated() const { return animated_; }
    THelperWnd* HelperWnd() const { return helper_; }

    // One tick of the animation, a hundredth of a second.
    void Timer();

    TNotifyEvent OnFrameChange;

protected:
    void Paint() override;
    void Loaded() override;

private:
    void PictureChanged();
    void FrameChanged();
    void ApplyAutoSize();
    int FrameDelay(int n);

    std::unique_ptr<TIPicture> picture_;
    bool animate_ = false;
    bool autoSize_ = false;
    bool animated_ = false;
    TPicturePosition position_ = bpTopLeft;
    TStretchMode stretchMode_ = smNever;
    int ticks_ = 0;
    int nextFrameTime_ = 0;
    TComponentRef<THelperWnd> helper_{this};
};
