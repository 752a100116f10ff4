#pragma once
// What the mouse does over the anchors of a control that shows mini-HTML; the HTML label, the panel
// and the status bar share it.
#include <functional>

#include "Controls.h"

using TAnchorClick = std::function<void(TObject* Sender, const AnsiString& Anchor)>;
using TAnchorHintEvent = std::function<void(TObject* Sender, AnsiString& Anchor)>;

// One text area's hovered anchor as painting shows it: its number (-1 for none) and rectangle.
struct TAnchorHover {
    int Link = -1;
    TRect Rect{-1, -1, -1, -1};
};

// The anchor events and AnchorHint of such a control, and the handling behind them. Entering an
// anchor cancels a showing hint (with AnchorHint), shows the hand cursor and raises OnAnchorEnter;
// leaving all anchors while the hand shows brings a cursor back and raises OnAnchorExit. A click
// opens web and mail anchors in the desktop's handler and hands the others to OnAnchorClick. With
// AnchorHint the hint shows the anchor beside the mouse.
class TAnchorMouse {
public:
    bool AnchorHint() const { return anchorHint_; }
    void SetAnchorHint(bool Value) { anchorHint_ = Value; }

    TAnchorClick OnAnchorClick;
    TAnchorClick OnAnchorEnter;
    TAnchorClick OnAnchorExit;
    TAnchorHintEvent OnAnchorHint;

    // How "://" and "mailto:" anchors are opened; the desktop's handler when unset.
    using TShellOpen = std::function<void(const AnsiString& Target)>;

protected:
    // Where the controls differ.
    struct TRules {
        // The same anchor counts as entered again once the cursor is no longer the hand (the label,
        // the status bar); otherwise once its rectangle changed (the panel).
        bool ReenterOffHand;
        // Leaving brings back the cursor from before the anchor and names the anchor left (the
        // panel); otherwise the default cursor and an empty name (the label, the status bar).
        bool RestoreCursor;
    };
    enum TAnchorMove { amNone, amOver, amEntered, amLeft };

    TAnchorMouse(TControl* Control, TRules Rules) : control_(Control), rules_(Rules) {}
    TAnchorMouse(const TAnchorMouse&) = delete;
    TAnchorMouse& operator=(const TAnchorMouse&) = delete;
    ~TAnchorMouse() = default;

    // The mouse moved to where the control found Anchor ("" for none), number Link, rectangle Rect,
    // in the text area whose hover is Hover. On an anchor Hover follows it; on leaving, the caller
    // clears the hover (it knows what to repaint).
    TAnchorMove AnchorMove(const AnsiString& Anchor, int Link, const TRect& Rect, TAnchorHover& Hover);
    // A press on Anchor ("" for none).
    void AnchorClick(const AnsiString& Anchor, const TShellOpen& Open);
    // Anchor is what lies under the hint's cursor position; call only with AnchorHint.
    void AnchorHintShow(THintInfo& HintInfo, AnsiString Anchor);
    // The cursor that leaving an anchor brings back (the panel takes its cursor when loaded).
    void RememberCursor() { cursorBefore_ = control_->Cursor(); }
    const AnsiString& LastAnchor() const { return lastAnchor_; }

private:
    TControl* control_;
    TRules rules_;
    bool anchorHint_ = false;
    AnsiString lastAnchor_;
    TCursor cursorBefore_ = crDefault;
};
