#pragma once
// A button shaped like its picture: the window takes only the glyph's pixels (and a rim of one pixel),
// and its normal, pressed and hovered looks are painted ahead into bitmaps, with 3-D edges along the
// glyph's outline. Behaves like a speed button with groups.
#include <memory>
#include <vector>

#include "dxfGroupControl.h"

enum TdxfButtonStyle { dxfFlat, dxfHighlight, dxfNormal, dxfRaised };
enum TdxfDitherStyle { dxfFill, dxfDither, dxfDitherBlend };

// The colour that means "no dither colour": the pressed look then only moves the picture.
constexpr TColor dxfNoDither = clNone;

class TdxfDither : public TPersistent {
public:
    TdxfDitherStyle Style() const { return style_; }
    void SetStyle(TdxfDitherStyle Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    void Assign(TPersistent* Source) override;
    TNotifyEvent OnChange;
private:
    TdxfDitherStyle style_ = dxfFill;
    TColor color_ = dxfNoDither;
};

// One background pixel next to the glyph. Kind 1: plain background; 2: the glyph lies to its upper
// left; 3: the glyph lies to its lower right.
struct TdxfPoint {
    short X = 0, Y = 0;
    unsigned char Color = 1;
};

class TdxfPictureButton : public TdxfGroupButton {
public:
    explicit TdxfPictureButton(TComponent* AOwner);
    ~TdxfPictureButton() override;

    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* Value);
    TdxfButtonStyle Style() const { return style_; }
    void SetStyle(TdxfButtonStyle Value);
    TdxfDither* Dither() const { return dither_.get(); }
    void SetDither(TdxfDither* Value);
    // Hidden, the button keeps its place but shows nothing and takes no mouse input.
    bool Visible() const { return ownVisible_; }
    void SetVisible(bool Value) override;

    bool MouseInside() const { return mouseInside_; }
    TColor TransparentColor() const { return transparentColor_; }
    // The cached looks (empty until the shape has been built).
    TBitmap* NormalBitmap() const { return normal_.get(); }
    TBitmap* DownBitmap() const { return downBmp_.get(); }
    TBitmap* HoverBitmap() const { return hover_.get(); }
    // The look while disabled: the picture's ink engraved in the button's shadow and highlight.
    TBitmap* DisabledBitmap() const { return disabled_.get(); }

    void Click() override;
    void Loaded() override;

protected:
    void WndProc(TMessage& Message) override;
    void Paint() override;

private:
    enum class State { Normal, Down, Hover, Disabled };
    void SetRegion();
    void CreateShape();
    void PaintToBitmap();
    void PaintState(TBitmap* Target, State S);
    bool Differs(int X, int Y);

    bool ownVisible_ = true;
    std::unique_ptr<TBitmap> glyph_;
    TColor transparentColor_ = clNone;
    std::vector<TdxfPoint> points_;
    TdxfButtonStyle style_ = dxfHighlight;
    bool mouseInside_ = false;
    std::unique_ptr<TBitmap> normal_, downBmp_, hover_, disabled_;
    std::unique_ptr<TdxfDither> dither_;
    bool regionReady_ = false;
};
