#include "AdvCombo.h"

#include <algorithm>

#include "Buttons.h"
#include "Forms.h"

TAdvCustomCombo::TAdvCustomCombo(TComponent* AOwner)
    : TCustomComboBox(AOwner), buttonWidth_(GetSystemMetrics(SM_CXVSCROLL) + 2) {}

void TAdvCustomCombo::Changed() { Invalidate(); }

void TAdvCustomCombo::SetAutoFocus(bool Value) {
    autoFocus_ = Value;
    Changed();
}

void TAdvCustomCombo::SetButtonWidth(int Value) {
    if (Value < 14 || Value > 32) return;
    buttonWidth_ = Value;
    Changed();
}

void TAdvCustomCombo::SetFlat(bool Value) {
    flat_ = Value;
    // The flat look replaces the sunken 3-D frame.
    ctl3D_ = !Value;
    Changed();
}

void TAdvCustomCombo::SetEtched(bool Value) {
    etched_ = Value;
    Changed();
}

void TAdvCustomCombo::SetFocusBorder(bool Value) {
    focusBorder_ = Value;
    Changed();
}

void TAdvCustomCombo::SetDropWidth(int Value) {
    dropWidth_ = Value < 0 ? 0 : Value;
    if (dropWidth_ > 0) Perform(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(dropWidth_));
    Changed();
}

TRect TAdvCustomCombo::ButtonRect() const {
    if (!flat_) return TCustomComboBox::ButtonRect();
    const TRect c = ClientRect();
    return {std::max(c.Left + 2, c.Right - buttonWidth_ + 2), c.Top + 2, c.Right - 2, c.Bottom - 2};
}

bool TAdvCustomCombo::Hot() const { return mouseInControl_ || Focused(); }

void TAdvCustomCombo::DrawBorders() {
    if (!flat_) return;
    TCanvas* c = Canvas();
    const TColor inner = Color();
    const bool frame3D = focusBorder_ && Hot();
    const TColor outer = frame3D ? clBtnFace : (Parent() ? Parent()->Color() : clBtnFace);
    TRect r = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    if (frame3D) {
        Buttons::DrawEdge(c, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    } else {
        c->Brush()->SetColor(outer);
        c->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    c->Brush()->SetColor(outer);
    c->FrameRect(r);
    InflateRect(r, -1, -1);
    c->Brush()->SetColor(inner);
    c->FrameRect(r);

    if (Style() == csSimple) return;
    TRect b = ButtonRect();
    if (Hot()) {
        if (DroppedDown()) Buttons::DrawEdge(c, b, BDR_SUNKENOUTER, BF_RECT | BF_FLAT);
        else Buttons::DrawEdge(c, b, etched_ ? EDGE_ETCHED : EDGE_RAISED, BF_RECT);
    } else {
        // At rest the button melts into the face around the arrow.
        c->Brush()->SetColor(clBtnFace);
        c->FrameRect({b.Left, b.Top + 1, b.Right - 1, b.Bottom - 1});
        c->FrameRect(b);
    }
}

void TAdvCustomCombo::Paint() {
    if (!flat_) {
        TCustomComboBox::Paint();
        return;
    }
    TCanvas* c = Canvas();
    const TRect client = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(client);
    const TRect button = ButtonRect();
    if (Style() != csSimple) {
        TRect arrow = button;
        InflateRect(arrow, -1, -1);
        unsigned state = DFCS_SCROLLCOMBOBOX | DFCS_FLAT;
        if (!Enabled()) state |= DFCS_INACTIVE;
        Buttons::DrawFrameControl(c, arrow, DFC_SCROLL, state);
    }
    // The field paints inside the frame, never over the button.
    const int right = Style() == csSimple ? client.Right - 3 : button.Left;
    PaintField({client.Left + 3, client.Top + 3, right, client.Bottom - 3});
    DrawBorders();
}

void TAdvCustomCombo::MouseEnter() {
    if (Enabled()) {
        mouseInControl_ = true;
        Invalidate();
        if (autoFocus_ && CanFocus() && !Focused()) SetFocus();
    }
    TCustomComboBox::MouseEnter();
}

void TAdvCustomCombo::MouseLeave() {
    mouseInControl_ = false;
    Invalidate();
    TCustomComboBox::MouseLeave();
}

void TAdvCustomCombo::DoEnter() {
    Invalidate();
    TCustomComboBox::DoEnter();
}

void TAdvCustomCombo::DoExit() {
    Invalidate();
    TCustomComboBox::DoExit();
}

void TAdvCustomCombo::EnabledChanged() {
    if (flat_) {
        if (!Enabled() && !colorSaved_) {
            savedColor_ = Color();
            savedParentColor_ = ParentColor();
            colorSaved_ = true;
            SetParentColor(true);
            mouseInControl_ = false;
        } else if (Enabled() && colorSaved_) {
            colorSaved_ = false;
            if (savedParentColor_) SetParentColor(true);
            else SetColor(savedColor_);
        }
    }
    TCustomComboBox::EnabledChanged();
}

// The button shows pressed while the list is down.
void TAdvCustomCombo::DropDown() {
    Invalidate();
    TCustomComboBox::DropDown();
}

void TAdvCustomCombo::CloseUp() {
    Invalidate();
    TCustomComboBox::CloseUp();
}
