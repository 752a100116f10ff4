#include "dxfGroupControl.h"

void TdxfGroupControl::NotifyGroup() {
    if (!Parent()) return;
    TMessage m;
    m.Msg = CM_BUTTONPRESSED;
    m.WParam = static_cast<WPARAM>(groupIndex_);
    m.LParam = reinterpret_cast<LPARAM>(this);
    Parent()->Broadcast(m);
}

void TdxfGroupControl::WndProc(TMessage& Message) {
    if (Message.Msg != CM_BUTTONPRESSED) {
        TCustomControl::WndProc(Message);
        return;
    }
    auto* sender = reinterpret_cast<TControl*>(Message.LParam);
    if (static_cast<int>(Message.WParam) == groupIndex_ && sender != this && GroupDown()) GroupRelease();
}

void TdxfGroupButton::SetDown(bool Value) {
    if (groupIndex_ == 0) Value = false;
    if (Value == down_) return;
    pressed_ = down_ = Value;
    Invalidate();
    if (Value) NotifyGroup();
}

void TdxfGroupButton::PressStarts() {
    if (!Enabled() || down_) return;
    pressed_ = mouseDown_ = true;
    Invalidate();
}

void TdxfGroupButton::PressEnds(bool Inside) {
    if (groupIndex_ == 0 || !Inside) {
        Release(false);
    } else if (Enabled() && !down_) {
        down_ = pressed_ = mouseDown_ = true;
        NotifyGroup();
    } else if (Enabled() && down_ && allowAllUp_) {
        Release(false);
    }
}

void TdxfGroupButton::Release(bool Repaint) {
    down_ = pressed_ = mouseDown_ = false;
    if (Repaint) Invalidate();
}
