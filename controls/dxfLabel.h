#pragma once
// A label that draws its caption centred, optionally turned (outline fonts only), flat, raised,
// lowered or outlined, with an optional 3-D shadow and an optional bitmap texture; it paints through
// the shared off-screen surface of the flat controls.
#include <memory>

#include "StdCtrls.h"

enum TdxfLabelStyle : unsigned char { dxfNormal, dxfRaised, dxfLowered, dxfOutLine };
enum TdxfEffectStyle : unsigned char { dxfFun, dxfExtrude, dxfCool };
enum TdxfOrientation : unsigned char {
    dxfLeft, dxfRight, dxfTop, dxfBottom, dxfLeftTop, dxfLeftBottom, dxfRightTop, dxfRightBottom
};

class TdxfLabel;

// The shadow of a flat label; every change repaints the label.
class Tdxf3DEffect : public TPersistent {
public:
    explicit Tdxf3DEffect(TdxfLabel* AOwner) : owner_(AOwner) {}
    TdxfEffectStyle Style() const { return style_; }
    void SetStyle(TdxfEffectStyle Value);
    TdxfOrientation Orientation() const { return orientation_; }
    void SetOrientation(TdxfOrientation Value);
    // Distance of the shadow in pixels; 0: no shadow.
    unsigned short Depth() const { return depth_; }
    void SetDepth(unsigned short Value);
    TColor ShadowedColor() const { return shadowedColor_; }
    void SetShadowedColor(TColor Value);
    void Assign(TPersistent* Source) override;
private:
    void Changed();
    TdxfEffectStyle style_ = dxfCool;
    TdxfOrientation orientation_ = dxfRightBottom;
    unsigned short depth_ = 0;
    TColor shadowedColor_ = clGray;
    TdxfLabel* owner_;
};

class TdxfLabel : public TCustomLabel {
public:
    explicit TdxfLabel(TComponent* AOwner);
    ~TdxfLabel() override;

    TdxfLabelStyle Style() const { return style_; }
    void SetStyle(TdxfLabelStyle Value);
    // Counter-clockwise, 0 to 360 degrees.
    int Angle() const { return angle_; }
    void SetAngle(int Value);
    Tdxf3DEffect* Effect3D() const { return effect_.get(); }
    // Takes over the settings; the label keeps its own object.
    void Set3DEffect(Tdxf3DEffect* Value);
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* Value);
    int PenWidth() const { return penWidth_; }
    void SetPenWidth(int Value);

    // The colour Step / Steps of the way from StartColor to EndColor.
    static TColor GetColor(TColor StartColor, TColor EndColor, int Step, int Steps);
    // Where the caption's text starts so that it is centred when turned by Angle.
    TPoint CaptionOrigin();

protected:
    void Paint() override;
    void Resize() override;

private:
    // The caption's ink at (X, Y) on C as a mask: true where the text covers a pixel.
    std::vector<bool> TextMask(TCanvas* C, int X, int Y, int W, int H);

    TdxfLabelStyle style_ = dxfNormal;
    int angle_ = 0;
    std::unique_ptr<Tdxf3DEffect> effect_;
    std::unique_ptr<TBitmap> glyph_;
    int penWidth_ = 1;
};
