#pragma once
// The editors the to-do list puts over a cell, one kind per column type, and their colours.
#include <functional>

#include "EditBoxes.h"
#include "ImgList.h"
#include "ListBoxes.h"

// An editor ends its edit: the list writes the value back and, when Advance, moves on to the next cell.
using TEditEndEvent = std::function<void(TObject* Editor, bool Advance)>;

// Subject, resource and project cells. Escape restores the item's text, Enter commits and moves on.
class TInplaceEdit : public TLineEdit {
public:
    explicit TInplaceEdit(TComponent* AOwner);
    // The item's text when the edit started; Escape brings it back.
    AnsiString OriginalText;
    TEditEndEvent OnEditEnd;
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
};

// Notes. Escape commits and moves on; Tab does the same.
class TInplaceMemo : public TPlainMemo {
public:
    explicit TInplaceMemo(TComponent* AOwner);
    TEditEndEvent OnEditEnd;
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
};

// Dates. Enter gives the focus back to the list, which commits.
class TTodoDateTimePicker : public TDateTimePicker {
public:
    explicit TTodoDateTimePicker(TComponent* AOwner);
    TEditEndEvent OnEditEnd;
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
};

// Completion (without the progress graphic) and total time. Enter commits and moves on.
class TInplaceSpinEdit : public TIntSpinEdit {
public:
    explicit TInplaceSpinEdit(TComponent* AOwner);
    TEditEndEvent OnEditEnd;
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
};

// Status. Enter commits and moves on, Escape restores the row it was given and commits, Tab is Enter,
// and releasing the mouse after a press inside commits.
class TInplaceListBox : public TListBox {
public:
    explicit TInplaceListBox(TComponent* AOwner);
    int GivenIndex = -1;
    TEditEndEvent OnEditEnd;
    // The entry was chosen by a click at Screen.
    std::function<void(TObject* Editor, const TPoint& Screen)> OnChoiceClick;
    // Whether the list edits with this editor now: Enter typed as a character ends only that edit.
    std::function<bool(TObject* Editor)> IsEditing;
    // Client height of all rows (set when the rows are filled).
    int RowsHeight() const;
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // A thin frame shows where the dropped list ends over the rows beneath.
    void Paint() override;
private:
    bool pressed_ = false;
};

// Priority: the status editor's rows with the priority glyphs.
class TInplaceODListBox : public TInplaceListBox {
public:
    explicit TInplaceODListBox(TComponent* AOwner);
    TCustomImageList* ImageList = nullptr;
protected:
    void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) override;
};

// Back and font colour of one editor. Raises for a control that is no in-place editor.
class TBackForeColors : public TPersistent {
public:
    explicit TBackForeColors(TWinControl* Control) : control_(Control) {}
    TColor BackColor() const;
    void SetBackColor(TColor Value);
    TColor FontColor() const;
    void SetFontColor(TColor Value);
    TWinControl* Control() const { return control_; }
protected:
    TWinControl* control_;
private:
    void Check(const char* what) const;
};

class TDatePickerColors : public TPersistent {
public:
    explicit TDatePickerColors(TTodoDateTimePicker* Picker) : picker_(Picker) {}
    TColor BackColor() const;
    void SetBackColor(TColor Value);
    TColor FontColor() const;
    void SetFontColor(TColor Value);
    TMonthCalColors* CalColors() const;
    void SetCalColors(TMonthCalColors* Value);
private:
    TTodoDateTimePicker* picker_;
};

// The editors' colours; stores nothing itself.
class TEditColors : public TPersistent {
public:
    TEditColors(TInplaceEdit* String, TInplaceMemo* Memo, TInplaceSpinEdit* Integer, TInplaceODListBox* Priority,
                TInplaceListBox* Status, TTodoDateTimePicker* Date);
    ~TEditColors() override;
    TBackForeColors* StringEditor() const { return string_.get(); }
    TBackForeColors* MemoEditor() const { return memo_.get(); }
    TBackForeColors* IntegerEditor() const { return integer_.get(); }
    TBackForeColors* PriorityEditor() const { return priority_.get(); }
    TBackForeColors* StatusEditor() const { return status_.get(); }
    TDatePickerColors* DateEditor() const { return date_.get(); }
private:
    std::unique_ptr<TBackForeColors> string_, memo_, integer_, priority_, status_;
    std::unique_ptr<TDatePickerColors> date_;
};
