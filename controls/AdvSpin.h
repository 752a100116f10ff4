#pragma once
// Spin edits: an edit for a number, a float, a date, a time or a hexadecimal number with a pair of
// arrow buttons beside it that step the value; the arrow keys, Page Up/Down and the digit under the
// caret step it too. Also the button pair on its own and the speed button that repeats while held.
#include <cstdint>
#include <memory>

#include "AdvEdit.h"
#include "AttachedLabel.h"
#include "Buttons.h"
#include "ExtCtrls.h"
#include "Mask.h"
#include "StdCtrls.h"

enum TSpinDirection { spVertical, spHorizontal };
enum TAdvSpinType { sptNormal, sptFloat, sptDate, sptTime, sptHex };
enum TTimeBtnStateItem { tbFocusRect, tbAllowTimer };
using TTimeBtnState = TEnumSet<TTimeBtnStateItem>;

// Clicks once when pressed long enough, then again and again while it is held.
class TAdvTimerSpeedButton : public TSpeedButton {
public:
    static constexpr unsigned InitRepeatPause = 400;
    static constexpr unsigned RepeatPause = 100;
    explicit TAdvTimerSpeedButton(TComponent* AOwner);
    ~TAdvTimerSpeedButton() override;
    TTimeBtnState TimeBtnState;
    // 0 left, 1 right, 2 up, 3 down: left and right are drawn as scroll arrows, up and down with the glyph.
    int ArrowKind = 2;
    // The repeat timer, made on the first press (nullptr before).
    TTimer* RepeatTimer() const { return repeatTimer_; }
protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
private:
    void TimerExpired(TObject* Sender);
    TTimer* repeatTimer_ = nullptr;
};

// The pair of arrow buttons: up above down, or down left of up.
class TAdvSpinButton : public TWinControl {
public:
    explicit TAdvSpinButton(TComponent* AOwner);
    TSpinDirection Direction() const { return direction_; }
    void SetDirection(TSpinDirection Value);
    // nullptr gives the drawn arrows back.
    TBitmap* UpGlyph() const { return upButton_->Glyph(); }
    void SetUpGlyph(TBitmap* Value);
    TBitmap* DownGlyph() const { return downButton_->Glyph(); }
    void SetDownGlyph(TBitmap* Value);
    int UpNumGlyphs() const { return upButton_->NumGlyphs(); }
    void SetUpNumGlyphs(int Value) { upButton_->SetNumGlyphs(Value); }
    int DownNumGlyphs() const { return downButton_->NumGlyphs(); }
    void SetDownNumGlyphs(int Value) { downButton_->SetNumGlyphs(Value); }
    void SetFlat(bool Value);
    void SetTransparent(bool Value);
    TWinControl* FocusControl = nullptr;
    TAdvTimerSpeedButton* UpButton() const { return upButton_; }
    TAdvTimerSpeedButton* DownButton() const { return downButton_; }
    TAdvTimerSpeedButton* FocusedButton() const { return focusedButton_; }
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TNotifyEvent OnUpClick;
    TNotifyEvent OnDownClick;
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
private:
    TAdvTimerSpeedButton* CreateButton();
    void BtnClick(TObject* Sender);
    void BtnMouseDown(TObject* Sender, TMouseButton Button);
    void SetFocusBtn(TAdvTimerSpeedButton* Btn);
    void AdjustSize(int& W, int& H);
    TSpinDirection direction_ = spVertical;
    TComponentRef<TAdvTimerSpeedButton> upButton_{this};
    TComponentRef<TAdvTimerSpeedButton> downButton_{this};
    TComponentRef<TAdvTimerSpeedButton> focusedButton_{this};
};

class TAdvSpinEdit : public TCustomMaskEdit, public TAttachedLabelProperties<TAdvSpinEdit> {
public:
    explicit TAdvSpinEdit(TComponent* AOwner);
    ~TAdvSpinEdit() override;

    TSpinDirection Direction() const { return direction_; }
    void SetDirection(TSpinDirection Value);
    bool ReturnIsTab = false;
    int Precision() const { return precision_; }
    void SetPrecision(int Value);
    TAdvSpinType SpinType() const { return spinType_; }
    void SetSpinType(TAdvSpinType AValue);

    int Value() const;
    void SetValue(int Value);
    double FloatValue() const;
    void SetFloatValue(double Value);
    TDateTime DateValue() const;
    void SetDateValue(TDateTime Value);
    TDateTime TimeValue() const;
    void SetTimeValue(TDateTime Value);
    int HexValue() const;
    void SetHexValue(int Value);

    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    TColor FlatLineColor() const { return flatLineColor_; }
    void SetFlatLineColor(TColor Value) { flatLineColor_ = Value; Invalidate(); }
    bool SpinFlat() const { return spinFlat_; }
    void SetSpinFlat(bool Value);
    bool SpinTransparent() const { return spinTransparent_; }
    void SetSpinTransparent(bool Value);
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool Value) { editorEnabled_ = Value; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);

    int Increment = 1;
    double IncrementFloat = 0.1;
    int IncrementPage = 10;
    double IncrementFloatPage = 1.0;
    bool IncrementSmart = false;
    int MinValue = 0;
    int MaxValue = 100;
    double MinFloatValue = 0;
    double MaxFloatValue = 100.0;
    TDateTime MinDateValue = 0;
    TDateTime MaxDateValue = 0;

    TFont* LabelFont() const { return label_.Font(); }

    TAdvSpinButton* Button() const { return button_; }
    // The smallest height the edit takes with its font and border.
    int MinHeight() const;

    virtual void UpClick(TObject* Sender);
    virtual void DownClick(TObject* Sender);
    void IncSmart();
    void DecSmart();

    void SetVisible(bool Value) override;
    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Loaded() override;

protected:
    void WndProc(TMessage& Message) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
    void DoEnter() override;
    void DoExit() override;
    void Change() override;
    void Paint() override;
    void FontChanged() override;
    // Refuses a typed character (false), or lets it pass, possibly changed.
    virtual bool IsValidChar(char32_t& Key);
    int CheckValue(int NewValue) const;
    // Value plus Delta, worked out in 64 bits and held to the range (to what an int holds when there
    // is none, or when InRange is false), so a step at the edge stays there instead of wrapping round.
    int StepFrom(std::int64_t Value, std::int64_t Delta, bool InRange = true) const;
    void SetEditRect();
    void UpdateLabel() { label_.Update(); }

private:
    void Step(int Sign);
    void SmartStep(int Sign);
    void PlaceButtons();
    int ButtonWidth() const { return direction_ == spVertical ? 15 : 20; }
    void Nudge();
    bool Loading() const { return HasState(csLoading); }

    TComponentRef<TAdvSpinButton> button_{this};
    TSpinDirection direction_ = spVertical;
    int precision_ = 0;
    TAdvSpinType spinType_ = sptNormal;
    TDateTime dateValue_ = 0;
    TDateTime timeValue_ = 0;
    int hexValue_ = 0;
    bool flat_ = false;
    TColor flatLineColor_ = clBlack;
    bool spinFlat_ = false;
    bool spinTransparent_ = false;
    bool editorEnabled_ = true;
    bool transparent_ = true;
    friend class TAttachedLabelProperties<TAdvSpinEdit>;
    // The spin edit's label does not follow its enabled state.
    TAttachedLabel label_{this, false};
};

// The same with its edit mask open to the caller.
class TAdvMaskSpinEdit : public TAdvSpinEdit {
public:
    explicit TAdvMaskSpinEdit(TComponent* AOwner) : TAdvSpinEdit(AOwner) {}
    using TCustomMaskEdit::EditMask;
    using TCustomMaskEdit::SetEditMask;
};
