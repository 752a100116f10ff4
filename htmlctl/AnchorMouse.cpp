#include "AnchorMouse.h"

#include "Forms.h"
#include "HTMLMarkup.h"
#include "ShellApi.h"

TAnchorMouse::TAnchorMove TAnchorMouse::AnchorMove(const AnsiString& Anchor, int Link, const TRect& Rect,
                                                   TAnchorHover& Hover) {
    if (Anchor.empty()) {
        if (control_->Cursor() != crHandPoint) return amNone;
        control_->SetCursor(rules_.RestoreCursor ? cursorBefore_ : crDefault);
        if (OnAnchorExit) OnAnchorExit(control_, rules_.RestoreCursor ? lastAnchor_ : AnsiString());
        lastAnchor_.clear();
        return amLeft;
    }
    const bool again = rules_.ReenterOffHand ? control_->Cursor() != crHandPoint : Rect != Hover.Rect;
    const bool entered = again || Anchor != lastAnchor_ || Link != Hover.Link;
    if (entered) {
        if (anchorHint_ && Application) Application->CancelHint();
        if (rules_.RestoreCursor && control_->Cursor() != crHandPoint) cursorBefore_ = control_->Cursor();
        control_->SetCursor(crHandPoint);
        if (OnAnchorEnter) OnAnchorEnter(control_, Anchor);
    }
    lastAnchor_ = Anchor;
    Hover.Link = Link;
    Hover.Rect = Rect;
    return entered ? amEntered : amOver;
}

void TAnchorMouse::AnchorClick(const AnsiString& Anchor, const TShellOpen& Open) {
    if (Anchor.empty()) return;
    if (IsShellAnchor(Anchor)) {
        if (!MayOpenInShell(Anchor)) return;
        if (Open) Open(Anchor);
        else ShellExecute(nullptr, "open", Anchor.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    if (OnAnchorClick) OnAnchorClick(control_, Anchor);
}

void TAnchorMouse::AnchorHintShow(THintInfo& HintInfo, AnsiString Anchor) {
    if (Anchor.empty()) return;
    if (OnAnchorHint) OnAnchorHint(control_, Anchor);
    HintInfo.HintStr = Anchor;
    const TPoint sp = control_->ClientToScreen(HintInfo.CursorPos);
    HintInfo.HintPos = TPoint(sp.X + 10, sp.Y - 10);
}
