#pragma once
// A flat check box whose box is a glyph of the shared strip (or the caller's own), with groups of
// mutually exclusive boxes.
#include <memory>

#include "dxfGroupControl.h"

// taRightJustify: glyph at the left, caption to its right; taLeftJustify: the other way round.
using TdxfCBAlignment = TAlignment;

class TdxfCheckBox : public TdxfGroupControl {
public:
    explicit TdxfCheckBox(TComponent* AOwner);
    ~TdxfCheckBox() override;

    bool Checked() const { return checked_; }
    void SetChecked(bool Value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    TBitmap* GlyphChecked() const { return glyphChecked_.get(); }
    void SetGlyphChecked(TBitmap* Value);
    TBitmap* GlyphUnChecked() const { return glyphUnChecked_.get(); }
    void SetGlyphUnChecked(TBitmap* Value);
    int Style() const { return style_; }
    void SetStyle(int Value);

    void Click() override;
    void CalcSize();

protected:
    void WndProc(TMessage& Message) override;
    void Paint() override;
    bool GroupDown() const override { return checked_; }
    void GroupRelease() override;
    void DrawImage(TCanvas* Canvas, const TRect& R, int Cell, TBitmap* Own);

private:
    TSize GlyphBox() const;

    bool checked_ = false;
    bool autoSize_ = true;
    TAlignment alignment_ = taRightJustify;
    std::unique_ptr<TBitmap> glyphChecked_, glyphUnChecked_;
    int style_ = 1;
};
