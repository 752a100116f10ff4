#pragma once
// Panels, images and timers.
#include <memory>

#include "Controls.h"

class QTimer;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

namespace ExtCtrls {
// Width nested one-pixel frames inside Rect: top and left in TopColor, bottom and right in
// BottomColor. Rect comes back shrunk by Width on every side.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);
} // namespace ExtCtrls

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* AOwner);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut Value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int Value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int Value);
    // bsSingle draws a one-pixel black frame outside the bevels.
    bool BorderSingle() const { return borderSingle_; }
    void SetBorderSingle(bool Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
protected:
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;
    void TextChanged() override;
private:
    void Changed();
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    bool borderSingle_ = false;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// Shows a picture: at its size from the top-left, centred, or stretched (keeping its proportions
// when Proportional).
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* Value) { picture_->Assign(Value); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool Value);
    bool Center() const { return center_; }
    void SetCenter(bool Value);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    // The control takes the picture's size when the picture changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    // Where the picture is drawn, in client coordinates.
    TRect DestRect() const;
protected:
    void Paint() override;
private:
    void PictureChanged();
    std::unique_ptr<TPicture> picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

// OnTimer every Interval milliseconds while Enabled, on the main thread when its loop runs. Setting
// Enabled or Interval starts the count anew.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned Value);
    TNotifyEvent OnTimer;
protected:
    virtual void Timer();
private:
    void UpdateTimer();
    std::unique_ptr<QTimer> timer_;
    bool enabled_ = true;
    unsigned interval_ = 1000;
};
