#pragma once
// Speed buttons, and the window system's edge and frame-control drawing on a canvas.
#include <memory>

#include "Controls.h"

// ---- edges and frame controls -------------------------------------------------------------------------
constexpr unsigned BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
                   EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8,
                   BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM, BF_MIDDLE = 0x800, BF_FLAT = 0x4000,
                   BF_ADJUST = 0x2000;
constexpr unsigned DFC_SCROLL = 3;
constexpr unsigned DFCS_SCROLLUP = 0x0, DFCS_SCROLLDOWN = 0x1, DFCS_SCROLLLEFT = 0x2, DFCS_SCROLLRIGHT = 0x3,
                   DFCS_SCROLLCOMBOBOX = 0x5, DFCS_INACTIVE = 0x100, DFCS_PUSHED = 0x200, DFCS_FLAT = 0x4000;

namespace Buttons {
// The classic two-pixel edges: each of the outer and inner bevel as one frame of light and dark lines.
// BF_FLAT draws one frame of shadow instead; BF_MIDDLE fills the inside with the button face.
// BF_ADJUST shrinks Rect by what was drawn.
void DrawEdge(TCanvas* Canvas, TRect& Rect, unsigned Edge, unsigned Flags);
// A scroll arrow (DFC_SCROLL) as the window system draws it: a raised button face with a dark
// triangle, sunken and shifted by a pixel when DFCS_PUSHED, with a flat frame when DFCS_FLAT, grey
// when DFCS_INACTIVE.
void DrawFrameControl(TCanvas* Canvas, const TRect& Rect, unsigned Type, unsigned State);
// A filled triangle pointing in Direction (0 left, 1 right, 2 up, 3 down), centred in Rect.
void DrawArrow(TCanvas* Canvas, const TRect& Rect, int Direction, TColor Color);
// The window system's check mark (DFCS_MENUCHECK): a tick three pixels thick, seven wide, centred in
// Rect; its short stroke falls from the left, its long one rises to the right.
void DrawCheckMark(TCanvas* Canvas, const TRect& Rect, TColor Color);
} // namespace Buttons

// ---- TSpeedButton ---------------------------------------------------------------------------------------
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

// A windowless button that clicks on the release of the left button inside it. Glyph is a strip of
// NumGlyphs images (up, disabled, down, held down) whose bottom-left colour is left out; the caption
// stands beside it in the button's font.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    bool Down() const { return down_; }
    void SetDown(bool Value);
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* Value);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int Value);
    // bsDown while the left button is held inside the button.
    TButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void EnabledChanged() override;
    // The face without the glyph: the edge of the state, or nothing for a flat button at rest.
    void PaintFrame(TRect& Rect);
    // The glyph and the caption.
    void PaintGlyph(const TRect& Rect);

    TButtonState state_ = bsUp;
    bool dragging_ = false;

private:
    bool down_ = false;
    bool flat_ = false;
    bool transparent_ = false;
    bool mouseInControl_ = false;
    int numGlyphs_ = 1;
    std::unique_ptr<TBitmap> glyph_;
};
