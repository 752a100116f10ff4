#pragma once
// The typed edit: EditType decides which characters a key may add, how pasted text is taken and how
// the value is shown; a fixed Prefix and Suffix stand around the value. With focus, error, modified
// and disabled colours, an attached label, a flat look, URL mode, text drag and drop and persistence.
#include <memory>

#include "AdvEdDD.h"
#include "AttachedLabel.h"
#include "Persistence.h"
#include "RangeList.h"
#include "StdCtrls.h"

enum TAdvEditType { etString, etNumeric, etFloat, etUppercase, etMixedCase, etLowerCase, etPassword, etMoney, etRange, etHex };
enum TEditAlign { eaLeft, eaRight, eaDefault, eaCenter };

using TValueValidateEvent = std::function<void(TObject* Sender, AnsiString Value, bool& IsValid)>;
using TClipboardEvent = std::function<void(TObject* Sender, AnsiString Value, bool& Allow)>;

class TAdvEdit;

// The drop target OleDropTarget registers: dropped text goes in at the character under the mouse.
class TEditDropTarget : public TAEDropTarget {
public:
    explicit TEditDropTarget(TAdvEdit* Edit) : edit_(Edit) {}
    bool DropText(TPoint Pt, const AnsiString& Text) override;
    void DragMouseMove(TPoint Pt, bool& Allow) override;
    void DragLeft() override;
private:
    TAdvEdit* edit_;
};

class TAdvEdit : public TCustomEdit, public TAttachedLabelProperties<TAdvEdit> {
public:
    explicit TAdvEdit(TComponent* AOwner);
    ~TAdvEdit() override;

    // The value: the window text without prefix and suffix; written through the type's formatting.
    AnsiString Text() const;
    void SetText(const AnsiString& Value);
    AnsiString WindowText() const { return TControl::Text(); }

    TAdvEditType EditType() const { return editType_; }
    void SetEditType(TAdvEditType Value);
    short Precision() const { return precision_; }
    void SetPrecision(short Value);
    bool Signed = false;
    const AnsiString& Prefix() const { return prefix_; }
    void SetPrefix(const AnsiString& Value);
    const AnsiString& Suffix() const { return suffix_; }
    void SetSuffix(const AnsiString& Value);
    short LengthLimit = 0;
    bool TabOnFullLength = false;
    bool AutoThousandSeparator() const { return autoThousandSeparator_; }
    void SetAutoThousandSeparator(bool Value);
    bool ExcelStyleDecimalSeparator = false;
    bool ReturnIsTab = false;
    TEditAlign EditAlign() const { return editAlign_; }
    void SetEditAlign(TEditAlign Value);
    bool CanUndo() const { return canUndo_; }
    void SetCanUndo(bool Value);

    double FloatValue() const;
    void SetFloatValue(double Value);
    int IntValue() const;
    void SetIntValue(int Value);
    void SelectAll();
    void SelectBeforeDecimal();
    void SelectAfterDecimal();
    bool RangeStrToList(TRangeList* List) const { return List->StrToList(Text()); }
    void ListToRangeStr(TRangeList* List);
    int CharFromPos(TPoint P) const { return CharFromPoint(P); }
    TPoint PosFromChar(int Index) const;
    int TextSize() const;
    bool Modified() const { return ownModified_; }
    void SetModified(bool Value);
    bool Error() const { return error_; }
    void SetError(bool Value);

    // Colours and surroundings.
    TEditAlign FocusAlign = eaDefault;
    TColor FocusColor() const { return focusColor_; }
    void SetFocusColor(TColor Value) { focusColor_ = Value; ApplyColors(); }
    TColor FocusFontColor() const { return focusFontColor_; }
    void SetFocusFontColor(TColor Value) { focusFontColor_ = Value; ApplyColors(); }
    bool FocusBorder = false;
    bool FocusLabel = false;
    int FocusWidthInc = 0;
    bool AutoFocus = false;
    TColor ErrorColor = clRed;
    TColor ErrorFontColor = clWhite;
    bool ShowError() const { return showError_; }
    void SetShowError(bool Value) { showError_ = Value; ApplyColors(); }
    TColor ModifiedColor = clHighlight;
    bool ShowModified() const { return showModified_; }
    void SetShowModified(bool Value) { showModified_ = Value; ApplyColors(); }
    TColor DisabledColor() const { return disabledColor_; }
    void SetDisabledColor(TColor Value) { disabledColor_ = Value; ApplyColors(); }
    bool ShowURL() const { return showURL_; }
    void SetShowURL(bool Value);
    TColor URLColor = clBlue;
    const AnsiString& EmptyText() const { return emptyText_; }
    void SetEmptyText(const AnsiString& Value) { emptyText_ = Value; Invalidate(); }
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    TColor FlatLineColor = clBlack;
    bool FlatParentColor = true;
    bool SoftBorder = false;
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    bool HintShowLargeText = false;
    TFont* LabelFont() const { return label_.Font(); }
    bool OleDropSource = false;
    bool OleDropTarget() const { return oleDropTarget_; }
    void SetOleDropTarget(bool Value);
    TPersistence* Persistence() const { return persistence_.get(); }
    void LoadPersist();
    void SavePersist();
    // True when the value reads as a web or mail address.
    bool TestURL() const;

    // The normal colour (shown when no other state applies).
    void SetColor(TColor Value);
    TColor NormalColor() const { return normalColor_; }
    void SetEnabled(bool Value) override;
    void SetVisible(bool Value) override;
    void SetParent(TWinControl* AParent) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Loaded() override;

    TValueValidateEvent OnValueValidate;
    TClipboardEvent OnClipboardCopy;
    TClipboardEvent OnClipboardCut;
    TClipboardEvent OnClipboardPaste;

    // The thousands-separator spacing rule for a separator typed into Value at character index Caret.
    static bool SeparatorFits(const AnsiString& Value, int Caret);
    // "Anna-lena o'neil mcdonald ii" -> "Anna-Lena O'Neil McDonald II".
    static AnsiString MixedCase(const AnsiString& Text);
    enum TTextKind { tkPlain, tkInteger, tkFloat, tkHex };
    static TTextKind Classify(const AnsiString& Text);

protected:
    friend class TEditDropTarget;
    void WndProc(TMessage& Message) override;
    DWORD EditStyle() const override;
    void Change() override;
    void Paint() override;
    void DoEnter() override;
    LRESULT HintShow(THintInfo& HintInfo) override;

    double EStrToFloat(const AnsiString& S) const;
    int DecimalPos() const;
    static int FixedLength(const AnsiString& S);
    void AutoSeparators();
    void ApplyColors();
    void UpdateLabel() { label_.Update(); }
    void SetURLLook(bool Value);
    // The user changed the window text through the setter: modified, selection, change announced.
    void UserWindowText(const AnsiString& Window, int SelStart, int SelLength = 0);
    void DrawCaretByCursor(TPoint ClientPoint);

private:
    void WMChar(TMessage& Message);
    bool WMKeyDown(TMessage& Message);
    void WMPaste();
    void FocusEntered();
    void FocusLeft();
    void ToggleSign();
    void OpenURL();
    void MouseMessage(TMessage& Message);
    int ValueLength() const;

    TAdvEditType editType_ = etString;
    short precision_ = 0;
    AnsiString prefix_, suffix_;
    bool autoThousandSeparator_ = true;
    TEditAlign editAlign_ = eaLeft;
    TEditAlign alignBeforeFocus_ = eaLeft;
    bool focusAligned_ = false;
    bool canUndo_ = true;
    AnsiString focusText_;
    bool ownModified_ = false;
    bool error_ = false;
    bool showError_ = false;
    bool showModified_ = false;
    bool focused_ = false;
    bool hot_ = false;
    bool urlLook_ = false;
    bool showURL_ = false;
    bool flat_ = false;
    TBorderStyle borderBeforeFlat_ = bsSingle;
    bool transparent_ = false;
    AnsiString emptyText_;
    TColor focusColor_ = clWindow;
    TColor focusFontColor_ = clWindowText;
    TColor disabledColor_ = clSilver;
    TColor normalColor_ = clWindow;
    TColor normalFontColor_ = clWindowText;
    bool applyingColors_ = false;
    friend class TAttachedLabelProperties<TAdvEdit>;
    TAttachedLabel label_{this, true};
    std::unique_ptr<TPersistence> persistence_;
    bool oleDropTarget_ = false;
    bool dropRegistered_ = false;
    TEditDropTarget* dropTarget_ = nullptr;
    bool dragPending_ = false;
    bool draggingFromSelf_ = false;
    TPoint dragStart_;
    TPoint dropCaret_{-1, -1};
    int dropCaretIndex_ = -1;
};

namespace AdvEdit {
// Numbers in the platform's settings: Decimals after the decimal separator, thousands separators
// when Grouped, rounded half away from zero.
AnsiString FormatFixed(double Value, int Decimals, bool Grouped);
// 15 significant digits, trailing zeros dropped, exponent form for very small or large values.
AnsiString FormatGeneral(double Value);
} // namespace AdvEdit
