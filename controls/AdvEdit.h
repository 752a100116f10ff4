#pragma once
// The typed edit: EditType decides which characters a key may add, how pasted text is taken and how
// the value is shown; a fixed Prefix and Suffix stand around the value. With focus, error, modified
// and disabled colours, an attached label, a flat look, URL mode, text drag and drop and persistence.
// Also the masked edit with label, the input query box and the range list behind etRange edits.
#include <memory>
#include <unordered_set>
#include <vector>

#include "AdvEdDD.h"
#include "Mask.h"
#include "StdCtrls.h"

enum TAdvEditType { etString, etNumeric, etFloat, etUppercase, etMixedCase, etLowerCase, etPassword, etMoney, etRange, etHex };
enum TEditAlign { eaLeft, eaRight, eaDefault, eaCenter };
enum TLabelPosition {
    lpLeftTop, lpLeftCenter, lpLeftBottom, lpTopLeft, lpBottomLeft, lpLeftTopLeft, lpLeftCenterLeft,
    lpLeftBottomLeft, lpTopCenter, lpBottomCenter
};
enum TPersistenceLocation { plInifile, plRegistry };

using TValueValidateEvent = std::function<void(TObject* Sender, AnsiString Value, bool& IsValid)>;
using TClipboardEvent = std::function<void(TObject* Sender, AnsiString Value, bool& Allow)>;
using TMaskCompleteEvent = std::function<void(TObject* Sender, AnsiString Value, bool& Accept)>;

class TPersistence : public TPersistent {
public:
    bool Enable = false;
    // The INI file's name, or the registry key path under HKEY_CURRENT_USER.
    AnsiString Key;
    AnsiString Section;
    TPersistenceLocation Location = plInifile;
    void Assign(TPersistent* Source) override;
};

// Integers, each once, with the range text "1-3,7,9-10".
class TRangeList : public TObject {
public:
    // The most numbers a range text may stand for: "0-2000000000" would take minutes and gigabytes.
    static constexpr int MaxCount = 100000;

    int Count() const { return static_cast<int>(items_.size()); }
    int Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
    void SetItems(int Index, int Value);
    void Add(int Value);
    // Start .. Start + Count - 1, ending at the largest int.
    void AddMultiple(int Start, int Count);
    void Delete(int Index);
    void Clear();
    bool InList(int Value) const { return members_.count(Value) != 0; }
    void Sort();
    // Each number to the debugger output.
    void Show() const;
    // Parts split at "," or ";": a number or "a-b" (negative numbers allowed). False when a part did
    // not parse or would take the list past MaxCount numbers; the others still enter. Takes time in
    // proportion to the numbers entered.
    bool StrToList(const AnsiString& Text);
    // Why the last StrToList refused a part, in German for the user; empty when nothing was refused
    // for its size.
    const AnsiString& ErrorText() const { return errorText_; }
    // Sorted, runs as "a-b", joined by ","; "" for an empty list.
    AnsiString ListToStr();
private:
    std::vector<int> items_;
    std::unordered_set<int> members_;
    AnsiString errorText_;
};

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

class TAdvEdit : public TCustomEdit {
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
    const AnsiString& LabelCaption() const { return labelCaption_; }
    void SetLabelCaption(const AnsiString& Value);
    TLabelPosition LabelPosition() const { return labelPosition_; }
    void SetLabelPosition(TLabelPosition Value) { labelPosition_ = Value; UpdateLabel(); }
    int LabelMargin() const { return labelMargin_; }
    void SetLabelMargin(int Value) { labelMargin_ = Value; UpdateLabel(); }
    bool LabelTransparent() const { return labelTransparent_; }
    void SetLabelTransparent(bool Value) { labelTransparent_ = Value; UpdateLabel(); }
    TFont* LabelFont() const { return labelFont_.get(); }
    TLabel* EditLabel() const { return label_; }
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
    void Notification(TComponent* AComponent, TOperation Operation) override;

    double EStrToFloat(const AnsiString& S) const;
    int DecimalPos() const;
    static int FixedLength(const AnsiString& S);
    void AutoSeparators();
    void ApplyColors();
    void UpdateLabel();
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
    TLabel* label_ = nullptr;
    AnsiString labelCaption_;
    TLabelPosition labelPosition_ = lpLeftTop;
    int labelMargin_ = 4;
    bool labelTransparent_ = false;
    std::unique_ptr<TFont> labelFont_;
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
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void UpdateLabel();
private:
    TAlignment alignement_ = taLeftJustify;
    bool flat_ = false;
    TColor normalColor_ = clWindow;
    TColor normalFontColor_ = clWindowText;
    TColor colorBeforeFocus_ = clWindow;
    AnsiString focusText_;
    TLabel* label_ = nullptr;
    AnsiString labelCaption_;
    TLabelPosition labelPosition_ = lpLeftTop;
    int labelMargin_ = 4;
};

struct TQueryParams {
    short Precision = 0;
    bool Flat = false;
    short LengthLimit = 0;
    AnsiString Prefix;
    AnsiString Suffix;
};

// A modal one-line input box; true on OK, with Value the edit's value.
bool AdvInputQuery(TAdvEditType EditType, const TQueryParams* Params, const AnsiString& Caption,
                   const AnsiString& Prompt, AnsiString& Value);

namespace AdvEdit {
// Numbers in the platform's settings: Decimals after the decimal separator, thousands separators
// when Grouped, rounded half away from zero.
AnsiString FormatFixed(double Value, int Decimals, bool Grouped);
// 15 significant digits, trailing zeros dropped, exponent form for very small or large values.
AnsiString FormatGeneral(double Value);
// The label positions of the edits: the label's top-left for an edit's bounds.
TPoint LabelPlace(TLabelPosition Position, const TRect& Edit, int LabelWidth, int LabelHeight, int TextWidth, int Margin);
} // namespace AdvEdit
