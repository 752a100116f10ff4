#pragma once
// Labels and push buttons.
#include "Controls.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* AOwner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout Value);
    // The label takes the size of its text whenever text or font change.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value);
    // A transparent label leaves its background to the parent.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    // "&x" underlines x and "&&" is "&" unless this is off.
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool Value);
    TWinControl* FocusControl = nullptr;

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    // The text's rectangle for DrawText with the label's flags (DT_CALCRECT when measuring).
    virtual void DoDrawText(TRect& Rect, unsigned Flags);
    void AdjustBounds();
    unsigned TextFlags() const;

private:
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

class TButton : public TCustomControl {
public:
    explicit TButton(TComponent* AOwner);
    // Sets the form's ModalResult to the button's, then OnClick.
    void Click() override;
    // Return presses the default button, Escape the cancel button of the form.
    bool Default = false;
    bool Cancel = false;
    TModalResult ModalResult = mrNone;
    bool Down() const { return pressed_; }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    bool pressed_ = false;
    bool spacePressed_ = false;
    bool hot_ = false;
};

#include "StdEdit.h"
