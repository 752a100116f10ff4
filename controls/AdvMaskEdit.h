#pragma once
// The masked edit of the typed edit's family.
#include <functional>

#include "AttachedLabel.h"
#include "Mask.h"
#include "StdCtrls.h"

using TMaskCompleteEvent = std::function<void(TObject* Sender, AnsiString Value, bool& Accept)>;

// A masked edit with focus colour, flat look, label, Return as Tab and a Tab when the mask is complete.
class TAdvMaskEdit : public TMaskEdit, public TAttachedLabelProperties<TAdvMaskEdit> {
public:
    explicit TAdvMaskEdit(TComponent* AOwner);
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
    void UpdateLabel() { label_.Update(); }
private:
    TAlignment alignement_ = taLeftJustify;
    bool flat_ = false;
    TColor normalColor_ = clWindow;
    TColor normalFontColor_ = clWindowText;
    TColor colorBeforeFocus_ = clWindow;
    AnsiString focusText_;
    friend class TAttachedLabelProperties<TAdvMaskEdit>;
    // The label keeps the edit's font of its making and its place for the centred positions, and
    // takes the edit's later enabled changes (SetEnabled) but not its visibility; LabelTransparent is
    // only stored.
    TAttachedLabel label_{this, TAttachedLabel::Follows{}};
};
