// The to-do list's in-place editors: their keys and their colours.
#include "TodoInplaceEditors.h"

#include "TodoListView.h"

TInplaceEdit::TInplaceEdit(TComponent* AOwner, TTodoListBox* List) : TLineEdit(AOwner), list_(List) {
    SetBorderSingle(false);
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
    TLineEdit::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE) {
        Key = 0;
        SetText(OriginalText);
        list_->EditorOnExit(this);
    } else if (Key == VK_RETURN) {
        Key = 0;
        list_->EditorOnExit(this);
        list_->AdvanceEdit();
    }
}

void TInplaceEdit::KeyPress(AnsiString& Key) {
    if (Key == "\r" || Key == "\x1b") Key.clear();
    TLineEdit::KeyPress(Key);
}

TInplaceMemo::TInplaceMemo(TComponent* AOwner, TTodoListBox* List) : TPlainMemo(AOwner), list_(List) {
    WantTabs = true;
}

void TInplaceMemo::KeyDown(Word& Key, TShiftState Shift) {
    TPlainMemo::KeyDown(Key, Shift);
    if (Key == VK_TAB) {
        Key = 0;
        PostMessage(Handle(), WM_CHAR, 27, 0);
    } else if (Key == VK_ESCAPE) {
        // The character that follows ends the edit; the form's cancel button stays out of it.
        Key = 0;
    }
}

void TInplaceMemo::KeyPress(AnsiString& Key) {
    if (Key == "\t") {
        Key.clear();
    } else if (Key == "\x1b") {
        Key.clear();
        list_->EditorOnExit(this);
        list_->AdvanceEdit();
    }
    TPlainMemo::KeyPress(Key);
}

TTodoDateTimePicker::TTodoDateTimePicker(TComponent* AOwner, TTodoListBox* List)
    : TDateTimePicker(AOwner), list_(List) {
    SetBorderSingle(false);
}

void TTodoDateTimePicker::KeyDown(Word& Key, TShiftState Shift) {
    TDateTimePicker::KeyDown(Key, Shift);
    if (Key == VK_RETURN) {
        Key = 0;
        if (list_->CanFocus()) list_->SetFocus();
        // Without a window to take the focus the edit still ends.
        list_->EditorOnExit(this);
    }
}

TInplaceSpinEdit::TInplaceSpinEdit(TComponent* AOwner, TTodoListBox* List) : TIntSpinEdit(AOwner), list_(List) {
    SetBorderSingle(false);
}

void TInplaceSpinEdit::KeyDown(Word& Key, TShiftState Shift) {
    TIntSpinEdit::KeyDown(Key, Shift);
    if (Key == VK_RETURN) {
        Key = 0;
        list_->EditorOnExit(this);
        list_->AdvanceEdit();
    }
}

void TInplaceSpinEdit::KeyPress(AnsiString& Key) {
    if (Key == "\r") Key.clear();
    TIntSpinEdit::KeyPress(Key);
}

TInplaceListBox::TInplaceListBox(TComponent* AOwner, TTodoListBox* List) : TListBox(AOwner), list_(List) {}

int TInplaceListBox::RowsHeight() const { return Count() > 0 ? ItemRect(Count() - 1).Bottom : ItemHeight(); }

void TInplaceListBox::KeyDown(Word& Key, TShiftState Shift) {
    TListBox::KeyDown(Key, Shift);
    if (Key == VK_RETURN) {
        Key = 0;
        list_->EditorOnExit(this);
        list_->AdvanceEdit();
    } else if (Key == VK_ESCAPE) {
        Key = 0;
        SetItemIndex(GivenIndex);
        list_->EditorOnExit(this);
    } else if (Key == VK_TAB) {
        Key = 0;
        PostMessage(Handle(), WM_CHAR, 13, 0);
    }
}

void TInplaceListBox::KeyPress(AnsiString& Key) {
    if (Key == "\r" && list_->ActiveEditor() == this) {
        Key.clear();
        list_->EditorOnExit(this);
        list_->AdvanceEdit();
    } else if (Key == "\r" || Key == "\x1b") {
        Key.clear();
    }
    TListBox::KeyPress(Key);
}

void TInplaceListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    pressed_ = Button == mbLeft;
    TListBox::MouseDown(Button, Shift, X, Y);
}

void TInplaceListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TListBox::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && pressed_) {
        pressed_ = false;
        list_->ChoiceClicked(ClientToScreen({X, Y}));
        list_->EditorOnExit(this);
    }
}

void TInplaceListBox::Paint() {
    TListBox::Paint();
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(ClientRect());
}

TInplaceODListBox::TInplaceODListBox(TComponent* AOwner, TTodoListBox* List) : TInplaceListBox(AOwner, List) {
    SetStyle(lbOwnerDrawFixed);
}

void TInplaceODListBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
    TCanvas* c = Canvas();
    TRect text = Rect;
    text.Left += 16;
    const bool selected = State.Contains(odSelected);
    c->Brush()->SetColor(selected ? clHighlight : Color());
    c->FillRect(text);
    c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
    c->Brush()->SetStyle(bsClear);
    const AnsiString s = Items()->Get(Index);
    c->TextOut(text.Left + 2, text.Top + (text.Height() - c->TextHeight(s)) / 2, s);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(selected ? clHighlight : clWindow);
    c->FillRect({Rect.Left, Rect.Top, Rect.Left + 16, Rect.Top + 16});
    if (ImageList && 4 - Index >= 0) ImageList->Draw(c, Rect.Left, Rect.Top, 4 - Index);
}

// ---- colours ------------------------------------------------------------------------------------------------
void TBackForeColors::Check(const char* what) const {
    const bool known = dynamic_cast<TInplaceEdit*>(control_) || dynamic_cast<TInplaceMemo*>(control_) ||
                       dynamic_cast<TIntSpinEdit*>(control_) || dynamic_cast<TInplaceListBox*>(control_);
    if (!known) throw SysUtils::Exception(std::string("TEditColors.") + what + ": unknown control class.");
}

TColor TBackForeColors::BackColor() const {
    Check("GetBackColor");
    return control_->Color();
}

void TBackForeColors::SetBackColor(TColor Value) {
    Check("SetBackColor");
    control_->SetColor(Value);
}

TColor TBackForeColors::FontColor() const {
    Check("GetFontColor");
    return control_->Font()->Color();
}

void TBackForeColors::SetFontColor(TColor Value) {
    Check("SetFontColor");
    control_->Font()->SetColor(Value);
}

TColor TDatePickerColors::BackColor() const { return picker_->Color(); }
void TDatePickerColors::SetBackColor(TColor Value) { picker_->SetColor(Value); }
TColor TDatePickerColors::FontColor() const { return picker_->Font()->Color(); }
void TDatePickerColors::SetFontColor(TColor Value) { picker_->Font()->SetColor(Value); }
TMonthCalColors* TDatePickerColors::CalColors() const { return picker_->CalColors(); }
void TDatePickerColors::SetCalColors(TMonthCalColors* Value) { picker_->SetCalColors(Value); }

TEditColors::TEditColors(TTodoListBox* List)
    : string_(std::make_unique<TBackForeColors>(List->TextEditor())),
      memo_(std::make_unique<TBackForeColors>(List->NotesEditor())),
      integer_(std::make_unique<TBackForeColors>(List->NumberEditor())),
      priority_(std::make_unique<TBackForeColors>(List->PriorityEditor())),
      status_(std::make_unique<TBackForeColors>(List->StatusEditor())),
      date_(std::make_unique<TDatePickerColors>(List->DateEditor())) {}

TEditColors::~TEditColors() = default;
