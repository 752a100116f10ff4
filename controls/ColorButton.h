#pragma once
// A round button: an elliptic window, a shaded ball made from its colour, a caption of several lines
// and a glyph beside it. Behaves like a speed button with groups.
#include <memory>

#include "dxfGroupControl.h"

enum TdxfButtonLayout { dxfGlyphLeft, dxfGlyphRight, dxfGlyphTop, dxfGlyphBottom };

class TdxfColorButton : public TdxfGroupButton {
public:
    explicit TdxfColorButton(TComponent* AOwner);
    ~TdxfColorButton() override;

    TStringList* Caption() const { return caption_.get(); }
    void SetCaption(TStrings* Value);
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* Value);
    TdxfButtonLayout Layout() const { return layout_; }
    void SetLayout(TdxfButtonLayout Value);
    // Hidden, the button keeps its place but shows nothing and takes no mouse input.
    bool Visible() const { return ownVisible_; }
    void SetVisible(bool Value) override;

    TBitmap* NormalBitmap() const { return normal_.get(); }
    TBitmap* DownBitmap() const { return downBmp_.get(); }

    // Where the glyph and the first caption line go (as painted while not pressed).
    struct Placement {
        TPoint glyph, text;
        int textWidth = 0, lineHeight = 0;
    };
    Placement CaptionPlacement();

    void Click() override;

protected:
    void WndProc(TMessage& Message) override;
    void Paint() override;
    void ColorChanged() override;

private:
    void PaintToBmp(TBitmap* Target, bool Down);
    void PaintBitmaps();
    void UpdateRegion();
    void DrawCaption();
    void SetPressed(bool Value);

    bool mouseInside_ = false;
    std::unique_ptr<TStringList> caption_;
    std::unique_ptr<TBitmap> normal_, downBmp_;
    bool ownVisible_ = true;
    std::unique_ptr<TBitmap> glyph_;
    TdxfButtonLayout layout_ = dxfGlyphLeft;
};
