// The masked edit with label and focus colour.
#include "AdvMaskEdit.h"

#include "Graphics.h"
#include "TextEncoding.h"

TAdvMaskEdit::TAdvMaskEdit(TComponent* AOwner) : TMaskEdit(AOwner) {
    normalColor_ = Color();
    normalFontColor_ = Font()->Color();
}

void TAdvMaskEdit::SetAlignement(TAlignment Value) {
    alignement_ = Value;
    RecreateWnd();
}

DWORD TAdvMaskEdit::EditStyle() const {
    DWORD style = TMaskEdit::EditStyle();
    if (alignement_ == taRightJustify) style |= ES_RIGHT | ES_MULTILINE;
    else if (alignement_ == taCenter) style |= ES_CENTER | ES_MULTILINE;
    return style;
}

void TAdvMaskEdit::SetFlat(bool Value) {
    if (flat_ == Value) return;
    flat_ = Value;
    if (Value) {
        if (Parent()) TControl::SetColor(Parent()->Color());
        SetBorderStyle(bsNone);
        TRect r{0, 0, Width(), Height() - 1};
        Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    } else {
        TControl::SetColor(clWindow);
        SetBorderStyle(bsSingle);
        Perform(EM_SETRECTNP, 0, 0);
    }
}

void TAdvMaskEdit::SetModified(bool Value) {
    TMaskEdit::SetModified(Value);
    if (ShowModified) Font()->SetColor(Value ? ModifiedColor : normalFontColor_);
}

void TAdvMaskEdit::SetColor(TColor Value) {
    normalColor_ = Value;
    TControl::SetColor(Enabled() ? Value : DisabledColor);
}

void TAdvMaskEdit::SetEnabled(bool Value) {
    TMaskEdit::SetEnabled(Value);
    TControl::SetColor(Value ? normalColor_ : DisabledColor);
    if (TLabel* label = EditLabel()) label->SetEnabled(Value);
}

void TAdvMaskEdit::SetParent(TWinControl* AParent) {
    TMaskEdit::SetParent(AParent);
    label_.EditParentChanged(AParent);
}

void TAdvMaskEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TMaskEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    UpdateLabel();
}

void TAdvMaskEdit::KeyUp(Word& Key, TShiftState Shift) {
    TMaskEdit::KeyUp(Key, Shift);
    if (IsMasked() && MaskComplete() && SelStart() >= static_cast<int>(TextEncoding::CharCount(EditText()))) {
        bool accept = true;
        if (OnMaskComplete) OnMaskComplete(this, EditText(), accept);
        if (accept && AutoTab) PostMessage(Handle(), WM_KEYDOWN, VK_TAB, 0);
    }
}

void TAdvMaskEdit::DoEnter() {
    TMaskEdit::DoEnter();
    if (IsMasked() && SelectFirstChar) Perform(EM_SETSEL, 0, 1);
}

void TAdvMaskEdit::Paint() {
    if (!flat_) return;
    TCanvas* c = Canvas();
    c->Pen()->SetColor(static_cast<TColor>(0x808080));
    c->MoveTo(0, Height() - 1);
    c->LineTo(Width(), Height() - 1);
}

void TAdvMaskEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_KEYDOWN:
        if (Message.CharCode() == VK_RETURN && ReturnIsTab) {
            PostMessage(Handle(), WM_KEYDOWN, VK_TAB, 0);
            return;
        }
        // Escape undoes to the text at focus entry while CanUndo is on, then goes to the parent.
        if (Message.CharCode() == VK_ESCAPE && CanUndo) {
            TControl::SetText(focusText_);
            if (Parent()) PostMessage(Parent()->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
        }
        break;
    case WM_CHAR:
        if (Message.WParam == '\r' && ReturnIsTab) return;
        TMaskEdit::WndProc(Message);
        if (ShowModified && Modified()) Font()->SetColor(ModifiedColor);
        return;
    case WM_SETFOCUS:
        colorBeforeFocus_ = Color();
        TControl::SetColor(FocusColor);
        focusText_ = EditText();
        TMaskEdit::WndProc(Message);
        if (AutoSelect()) SelectAll();
        return;
    case WM_KILLFOCUS:
        TControl::SetColor(colorBeforeFocus_);
        break;
    case CM_MOUSEENTER:
        if (AutoFocus && CanFocus()) SetFocus();
        break;
    default: break;
    }
    TMaskEdit::WndProc(Message);
}
