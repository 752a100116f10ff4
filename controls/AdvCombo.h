#pragma once
// A combo box with a flat look: a thin frame and a flat button that turn three-dimensional while the
// mouse is over the control or it has the focus.
#include "ComboBoxes.h"

class TAdvCustomCombo : public TCustomComboBox {
public:
    explicit TAdvCustomCombo(TComponent* AOwner);

    bool AutoFocus() const { return autoFocus_; }
    void SetAutoFocus(bool Value);
    // Width of the button area; values outside 14 to 32 are ignored.
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int Value);
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    bool Etched() const { return etched_; }
    void SetEtched(bool Value);
    bool FocusBorder() const { return focusBorder_; }
    void SetFocusBorder(bool Value);
    // Width of the dropped list; 0 leaves it as wide as the control.
    int DropWidth() const { return dropWidth_; }
    void SetDropWidth(int Value);
    // The 3-D look of the standard frame; off while Flat.
    bool Ctl3D() const { return ctl3D_; }

    bool MouseInControl() const { return mouseInControl_; }
    // The area of the drop-down button in client coordinates.
    TRect ButtonRect() const override;

protected:
    void Paint() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void DoEnter() override;
    void DoExit() override;
    void EnabledChanged() override;
    void DropDown() override;
    void CloseUp() override;
    // The frame and the button over what the field painted.
    void DrawBorders();

private:
    // Hot: the mouse is over the control or it has the focus.
    bool Hot() const;
    void Changed();
    bool autoFocus_ = false;
    int buttonWidth_;
    bool flat_ = true;
    bool etched_ = false;
    bool focusBorder_ = false;
    int dropWidth_ = 0;
    bool ctl3D_ = false;
    bool mouseInControl_ = false;
    // Kept while a flat control is disabled.
    TColor savedColor_ = clWindow;
    bool savedParentColor_ = false;
    bool colorSaved_ = false;
};

class TAdvComboBox : public TAdvCustomCombo {
public:
    explicit TAdvComboBox(TComponent* AOwner) : TAdvCustomCombo(AOwner) {}
};
