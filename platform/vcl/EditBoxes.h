#pragma once
// Small editing controls over the window system's own editors: a one-line text edit, a memo, an
// integer spin edit and a date picker. Keys reach the control as messages first (WM_KEYDOWN, WM_CHAR;
// a handler that swallows a key keeps it from the editor), focus changes as WM_SETFOCUS/CM_ENTER,
// CM_EXIT/WM_KILLFOCUS, and a WM_LBUTTONDOWN/UP sent to the control clicks into the editor there.
#include <memory>

#include "Controls.h"

struct TEditHostPrivate;

class TEditHost : public TWinControl {
public:
    ~TEditHost() override;

    // A one-pixel frame around the editor, or none.
    bool BorderSingle() const { return borderSingle_; }
    void SetBorderSingle(bool Value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value);

    // Caret and selection in characters of the text.
    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    void SelectAll();

    // Tab and Return reach the control as keys (else Tab moves the focus and Return goes to the form).
    bool WantTabs = false;
    bool WantReturns = false;

    TNotifyEvent OnChange;

    TEditHostPrivate* Private() const { return d_.get(); }

protected:
    // Kind: 0 line edit, 1 memo, 2 spin edit, 3 date picker.
    TEditHost(TComponent* AOwner, int Kind);
    void WndProc(TMessage& Message) override;
    bool DoKeyDown(TMessage& Message) override;
    bool DoKeyPress(TMessage& Message) override;
    void FontChanged() override;
    void ColorChanged() override;
    void UpdateWindowBounds() override;
    virtual void Change();
    // The editor's text changed (typing or code).
    virtual void EditorTextChanged() {}
    // The default action of a key the control left alone.
    void DefaultKeyDown(Word Key);
    void DefaultChar(unsigned Char);
    std::unique_ptr<TEditHostPrivate> d_;

private:
    friend struct TEditHostPrivate;
    bool borderSingle_ = true;
    bool readOnly_ = false;
};

// ---- one line of text ----------------------------------------------------------------------------------
class TLineEdit : public TEditHost {
public:
    explicit TLineEdit(TComponent* AOwner);
protected:
    void TextChanged() override;
    void EditorTextChanged() override;
private:
    bool syncing_ = false;
};

// ---- several lines ---------------------------------------------------------------------------------------
class TPlainMemo : public TEditHost {
public:
    explicit TPlainMemo(TComponent* AOwner);
    ~TPlainMemo() override;
    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* Value) { lines_->Assign(Value); }
    // Lines break at any character, not only between words: one long word costs no more to lay out
    // than a text of many.
    void SetWrapAnywhere(bool Value);
protected:
    void TextChanged() override;
    void EditorTextChanged() override;
private:
    void PushLines();
    std::unique_ptr<TStringList> lines_;
    bool syncing_ = false;
};

// ---- a whole number with arrows ----------------------------------------------------------------------------
class TIntSpinEdit : public TEditHost {
public:
    explicit TIntSpinEdit(TComponent* AOwner);
    // The typed text counts once it reads as a number.
    int Value() const;
    void SetValue(int Value);
    // Both 0: no limits.
    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    void SetMinValue(int Value);
    void SetMaxValue(int Value);
    int Increment = 1;
private:
    void ApplyRange();
    int min_ = 0, max_ = 0;
};

// ---- a date -------------------------------------------------------------------------------------------------
// The colours of the picker's month calendar.
class TMonthCalColors : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    TColor BackColor = clWindow;
    TColor TextColor = clWindowText;
    TColor TitleBackColor = clActiveCaption;
    TColor TitleTextColor = clWhite;
    TColor MonthBackColor = clWhite;
    TColor TrailingTextColor = clInactiveCaptionText;
    TNotifyEvent OnChange;
};

enum TDateTimeKind { dtkDate, dtkTime };

// Shows the day (dtkDate) or the time of day (dtkTime) of its value; a change in the editor raises
// OnChange, the program's own changes do not.
class TDateTimePicker : public TEditHost {
public:
    explicit TDateTimePicker(TComponent* AOwner);
    ~TDateTimePicker() override;
    TDateTimeKind Kind() const { return kind_; }
    void SetKind(TDateTimeKind Value);
    // The day (whole days) and the time of day (the fraction of a day) of the value.
    TDateTime Date() const;
    void SetDate(TDateTime Value);
    TDateTime Time() const;
    void SetTime(TDateTime Value);
    TDateTime DateTime() const;
    void SetDateTime(TDateTime Value);
    TMonthCalColors* CalColors() const { return calColors_.get(); }
    void SetCalColors(TMonthCalColors* Value);
protected:
    void EditorTextChanged() override;
private:
    void ApplyCalColors();
    void ShowValue();
    std::unique_ptr<TMonthCalColors> calColors_;
    TDateTimeKind kind_ = dtkDate;
    double day_ = 0.0;
    double time_ = 0.0;
};
