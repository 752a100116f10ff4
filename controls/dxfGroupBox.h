#pragma once
// A group box whose caption sits at one of twelve places around an etched frame (turned on the left
// and right sides), optionally with an offset shadow.
#include "Controls.h"

enum TdxfGBAlignment {
    alTopLeft, alTopCenter, alTopRight, alBottomLeft, alBottomCenter, alBottomRight,
    alLeftTop, alLeftCenter, alLeftBottom, alRightTop, alRightCenter, alRightBottom
};
enum TdxfShadowPos { spTopLeft, spTop, spTopRight, spRight, spBottomRight, spBottom, spBottomLeft, spLeft };

class TdxfGroupBox : public TCustomControl {
public:
    explicit TdxfGroupBox(TComponent* AOwner);

    TdxfGBAlignment Alignment() const { return alignment_; }
    void SetAlignment(TdxfGBAlignment Value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int Value);
    TdxfShadowPos ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TdxfShadowPos Value);
    // An etched frame; off: a plain frame in the window-frame colour.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool Value);

    // Where the caption goes (the part of the frame it covers) and where its text starts; exposed
    // for the layout's sake, Paint uses the same.
    struct Layout {
        TRect frame, text;
        TPoint origin;
        int dx = 0, dy = 0;
    };
    Layout CaptionLayout();

protected:
    void Paint() override;
    void WndProc(TMessage& Message) override;

private:
    bool Side() const { return alignment_ >= alLeftTop; }
    void PrepareFont(TCanvas* C) const;

    TdxfGBAlignment alignment_ = alTopLeft;
    TColor shadowColor_ = clGray;
    int shadowSize_ = 0;
    TdxfShadowPos shadowPos_ = spBottomRight;
    bool ctl3D_ = true;
};
