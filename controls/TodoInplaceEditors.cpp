// The to-do list's in-place editors: their keys and their colours.
#include "TodoInplaceEditors.h"

namespace {

void EndEdit(const TEditEndEvent& Event, TObject* Editor, bool Advance) {
    if (Event) Event(Editor, Advance);
}

} // namespace

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TLineEdit(AOwner) {
    SetBorderSingle(false);
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
    TLineEdit::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE) {
        Key = 0;
        SetText(OriginalText);
        EndEdit(OnEditEnd, this, false);
    } else if (Key == VK_RETURN) {
        Key = 0;
        EndEdit(OnEditEnd, this, true);
    }
}

void TInplaceEdit::KeyPress(AnsiString& Key) {
    if (Key == "\r" || Key == "\x1b") Key.clear();
    TLineEdit::KeyPress(Key);
}

TInplaceMemo::TInplaceMemo(TComponent* AOwner) : TPlainMemo(AOwner) {
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
        EndEdit(OnEditEnd, this, true);
    }
    TPlainMemo::KeyPress(Key);
}

TTodoDateTimePicker::TTodoDateTimePicker(TComponent* AOwner)
    : TDateTimePicker(AOwner) {
    SetBorderSingle(false);
}

void TTodoDateTimePicker::KeyDown(Word& Key, TShiftState Shift) {
    TDateTimePicker::KeyDown(Key, Shift);
    if (Key == VK_RETURN) {
        Key = 0;
        // The list takes the focus back when it can; without a window to take it the edit still ends.
        EndEdit(OnEditEnd, this, false);
    }
}

TInplaceSpinEdit::TInplaceSpinEdit(TComponent* AOwner) : TIntSpinEdit(AOwner) {
    SetBorderSingle(false);
}

void TInplaceSpinEdit::KeyDown(Word& Key, TShiftState Shift) {
    TIntSpinEdit::KeyDown(Key, Shift);
    if (Key == VK_RETURN) {
        Key = 0;
        EndEdit(OnEditEnd, this, true);
    }
}

void TInplaceSpinEdit::KeyPress(AnsiString& Key) {
    if (Key == "\r") Key.clear();
    TIntSpinEdit::KeyPress(Key);
}

TInplaceListBox::TInplaceListBox(TComponent* AOwner) : TListBox(AOwner) {}

int TInplaceListBox::RowsHeight() const { return Count() > 0 ? ItemRect(Count() - 1).Bottom : ItemHeight(); }

void TInplaceListBox::KeyDown(Word& Key, TShiftState Shift) {
    TListBox::KeyDown(Key, Shift);
    if (Key == VK_RETURN) {
        Key = 0;
        EndEdit(OnEditEnd, this, true);
    } else if (Key == VK_ESCAPE) {
        Key = 0;
        SetItemIndex(GivenIndex);
        EndEdit(OnEditEnd, this, false);
    } else if (Key == VK_TAB) {
        Key = 0;
        PostMessage(Handle(), WM_CHAR, 13, 0);
    }
}

void TInplaceListBox::KeyPress(AnsiString& Key) {
    if (Key == "\r" && IsEditing && IsEditing(this)) {
        Key.clear();
        EndEdit(OnEditEnd, this, true);
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
        if (OnChoiceClick) OnChoiceClick(this, ClientToScreen({X, Y}));
        EndEdit(OnEditEnd, this, false);
    }
}

void TInplaceListBox::Paint() {
    TListBox::Paint();
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(ClientRect());
}

TInplaceODListBox::TInplaceODListBox(TComponent* AOwner) : TInplaceListBox(AOwner) {
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

TEditColors::TEditColors(TInplaceEdit* String, TInplaceMemo* Memo, TInplaceSpinEdit* Integer,
                         TInplaceODListBox* Priority, TInplaceListBox* Status, TTodoDateTimePicker* Date)
    : string_(std::make_unique<TBackForeColors>(String)), memo_(std::make_unique<TBackForeColors>(Memo)),
      integer_(std::make_unique<TBackForeColors>(Integer)), priority_(std::make_unique<TBackForeColors>(Priority)),
      status_(std::make_unique<TBackForeColors>(Status)), date_(std::make_unique<TDatePickerColors>(Date)) {}

TEditColors::~TEditColors() = default;
