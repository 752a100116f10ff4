#pragma once
// A progress bar of the flat control set: five fill styles, a colour gradient, bevels, an optional
// percent or position text, and repainting of only what a new position changes.
#include <memory>

#include "Controls.h"
#include "ExtCtrls.h"

using TdxfBevelOuter = TBevelCut;   // bvNone, bvLowered, bvRaised
enum TdxfPBOrientation { orVertical, orHorizontal };
enum TdxfShowTextStyle { stsPercent, stsPosition };
enum TdxfPBStyle { sSolid, sRectangles, sExSolid, sExRectangles, sPictures };

class TdxfProgressBar : public TCustomControl {
public:
    explicit TdxfProgressBar(TComponent* AOwner);
    ~TdxfProgressBar() override;

    TdxfBevelOuter BarBevelOuter() const { return barBevelOuter_; }
    void SetBarBevelOuter(TdxfBevelOuter Value);
    TdxfBevelOuter BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TdxfBevelOuter Value);
    TdxfPBOrientation Orientation() const { return orientation_; }
    void SetOrientation(TdxfPBOrientation Value);
    int Max() const { return max_; }
    void SetMax(int Value);
    int Min() const { return min_; }
    void SetMin(int Value);
    int Position() const { return position_; }
    void SetPosition(int Value);
    bool ShowText() const { return showText_; }
    void SetShowText(bool Value);
    TdxfShowTextStyle ShowTextStyle() const { return showTextStyle_; }
    void SetShowTextStyle(TdxfShowTextStyle Value);
    TColor BeginColor() const { return beginColor_; }
    void SetBeginColor(TColor Value);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor Value);
    TdxfPBStyle Style() const { return style_; }
    void SetStyle(TdxfPBStyle Value);
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* Value);
    int Step() const { return step_; }
    void SetStep(int Value) { step_ = Value; }
    bool TransparentGlyph() const { return transparentGlyph_; }
    void SetTransparentGlyph(bool Value);

    void StepIt();
    void StepBy(int Delta);
    void Loaded() override;

    // The text shown with ShowText ("70 %" or "70").
    AnsiString BarText() const;
    // The filled part of the bar for a position, inside the bevel (empty when nothing is filled).
    TRect FilledRect(int APosition) const;
    // What a move from OldPosition to Position repaints.
    TRect PositionStrip(int OldPosition) const;
    // What the text may cover at most.
    TRect TextRect() const;

protected:
    void Paint() override;
    void InvalidatePosition(int OldPosition);
    void invalidateText();

private:
    TRect InnerRect() const;
    int BlockSize() const;
    TColor GradientColor(int Offset, int Span) const;
    void DrawBar(TCanvas* C, const TRect& Inner);
    void BarBevel(TCanvas* C, TRect R);

    TdxfBevelOuter barBevelOuter_ = bvNone;
    TdxfBevelOuter bevelOuter_ = bvLowered;
    TdxfPBOrientation orientation_ = orHorizontal;
    int max_ = 100, min_ = 0, position_ = 0;
    bool showText_ = false;
    TdxfShowTextStyle showTextStyle_ = stsPercent;
    TColor beginColor_ = clNavy;
    TColor endColor_ = clWhite;
    TdxfPBStyle style_ = sRectangles;
    std::unique_ptr<TBitmap> glyph_;
    int step_ = 10;
    bool transparentGlyph_ = true;
};
