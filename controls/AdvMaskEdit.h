#pragma once
// The masked edit of the typed edit's family.
#include <functional>

#include "AttachedLabel.h"
#include "Mask.h"
#include "StdCtrls.h"

using TMaskCompleteEvent = std::function<void(TObject* Sender, AnsiString Value, bool& Accept)>;

// A masked edit with focus colour, flat look, label, Return as Tab and a Tab when the mask is complete.
class TAdvMaskEdit : public TMaskEdit {
public:
    explicit TAdvMaskEdit(TComponent* AOwner);
    ~TAdvMaskEdit() override;
    bool AutoFocus = false;
    bool AutoTab = true;
    bool ReturnIsTab = true;
    bool CanUndo = false;
    TAlignment Alignement() const { return alignement_; }
    void SetAlignement(TAlignment Value);
    TColor DisabledColor = clSilver;
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    bool ShowModified = false;
    TColor ModifiedColor = clRed;
    TColor FocusColor = clWindow;
    TColor FocusFontColor = clBlack;
    bool SelectFirstChar = false;
    const AnsiString& LabelCaption() const { return labelCaption_; }
    void SetLabelCaption(const AnsiString& Value);
    TLabelPosition LabelPosition() const { return labelPosition_; }
    void SetLabelPosition(TLabelPosition Value) { labelPosition_ = Value; UpdateLabel(); }
    int LabelMargin() const { return labelMargin_; }
    void SetLabelMargin(int Value) { labelMargin_ = Value; UpdateLabel(); }
    bool LabelTransparent = false;
    TLabel* EditLabel() const { return label_; }
    void SetModified(bool Value);
    void SetColor(TColor Value);
    void SetEnabled(bool Value) override;
    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TMaskCompleteEvent OnMaskComplete;
protected:
    void WndProc(TMessage& Message) override;
    DWORD EditStyle() const override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void DoEnter() override;
    void Paint() override;
    void UpdateLabel();
private:
    TAlignment alignement_ = taLeftJustify;
    bool flat_ = false;
    TColor normalColor_ = clWindow;
    TColor normalFontColor_ = clWindowText;
    TColor colorBeforeFocus_ = clWindow;
    AnsiString focusText_;
    TComponentRef<TLabel> label_{this};
    AnsiString labelCaption_;
    TLabelPosition labelPosition_ = lpLeftTop;
    int labelMargin_ = 4;
};
