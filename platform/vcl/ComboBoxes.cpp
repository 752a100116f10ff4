// Combo boxes drawn by the library; the dropped list is the library's own list box.
#include "ComboBoxes.h"

#include <algorithm>

#include "Buttons.h"
#include "Forms.h"
#include "TextEncoding.h"

// The dropped list: a click picks the row and closes, without taking the focus from the combo.
class TComboDropList : public TCustomListBox {
public:
    TComboDropList(TCustomComboBox* Combo) : TCustomListBox(Combo), combo_(Combo) {
        SetTabStop(false);
        SetParentColor(false);
    }
protected:
    void LButtonDown(TMessage& Message) override {
        const int row = ItemAtPos({Message.XPos(), Message.YPos()}, true);
        if (row >= 0) combo_->SelectByUser(row);
        combo_->SetDroppedDown(false);
    }
    void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) override {
        if (combo_->Style() == csOwnerDrawFixed || combo_->Style() == csOwnerDrawVariable) {
            combo_->DrawItem(Index, Rect, State);
            return;
        }
        TCustomListBox::DrawItem(Index, Rect, State);
    }
private:
    TCustomComboBox* combo_;
};

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TCustomControl(AOwner), items_(std::make_unique<TStringList>()) {
    ControlStyle = TControlStyle{csSetCaption, csDoubleClicks, csOpaque, csCaptureMouse};
    SetColor(clWindow);
    SetParentColor(false);
    SetTabStop(true);
    items_->OnChange = [this](TObject*) { ItemsChanged(); };
    list_ = new TComboDropList(this);
    list_->Hide();
    SetBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox() {
    items_->OnChange = nullptr;
    if (TCustomListBox* list = list_) {
        list_ = nullptr;
        delete list;
    }
}

// Beside the reference's nulling: a list that goes is no longer dropped down.
void TCustomComboBox::Notification(TComponent* AComponent, TOperation Operation) {
    const bool listGoes = Operation == opRemove && AComponent == list_;
    TCustomControl::Notification(AComponent, Operation);
    if (listGoes) dropped_ = false;
}

TStrings* TCustomComboBox::Items() const { return items_.get(); }
void TCustomComboBox::SetItems(TStrings* Value) { items_->Assign(Value); }
void TCustomComboBox::Clear() {
    items_->Clear();
    SetText("");
}

void TCustomComboBox::ItemsChanged() {
    if (itemIndex_ >= items_->Count()) {
        itemIndex_ = -1;
        if (IsListStyle()) {
            settingText_ = true;
            SetText("");
            settingText_ = false;
        }
    }
    if (list_) list_->Items()->Assign(items_.get());
    if (list_) list_->SetItemIndex(itemIndex_);
    Invalidate();
}

void TCustomComboBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= items_->Count()) Value = -1;
    if (Value == itemIndex_ && (Value < 0 || Text() == items_->Get(Value))) return;
    itemIndex_ = Value;
    if (list_) list_->SetItemIndex(Value);
    settingText_ = true;
    SetText(Value >= 0 ? items_->Get(Value) : AnsiString());
    settingText_ = false;
    Invalidate();
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
    if (style_ == Value) return;
    style_ = Value;
    if (IsListStyle()) {
        settingText_ = true;
        SetText(itemIndex_ >= 0 ? items_->Get(itemIndex_) : AnsiString());
        settingText_ = false;
    }
    Invalidate();
}

void TCustomComboBox::SetDropDownCount(int Value) {
    dropDownCount_ = std::max(1, Value);
    if (dropped_) PlaceList();
}

void TCustomComboBox::SetItemHeight(int Value) {
    if (Value <= 0) return;
    itemHeight_ = Value;
    if (list_) list_->SetItemHeight(Value);
    Invalidate();
}

void TCustomComboBox::Notify(Word Code) { Perform(CN_COMMAND, MAKEWPARAM(0, Code), 0); }

void TCustomComboBox::PlaceList() {
    TCustomForm* form = GetParentForm(this);
    if (!list_ || !form) return;
    const int rows = std::clamp(items_->Count(), 1, dropDownCount_);
    const int width = droppedWidth_ > 0 ? droppedWidth_ : Width();
    const TPoint at = form->ScreenToClient(ClientToScreen({0, Height()}));
    list_->SetParent(form);
    list_->SetItemHeight(itemHeight_);
    list_->SetBounds(at.X, at.Y, width, rows * itemHeight_);
    list_->SetItemIndex(itemIndex_);
    list_->BringToFront();
}

void TCustomComboBox::SetDroppedDown(bool Value) {
    if (dropped_ == Value || !list_) return;
    if (Value && (!Enabled() || !GetParentForm(this))) return;
    dropped_ = Value;
    if (Value) {
        Notify(CBN_DROPDOWN);
        PlaceList();
        list_->Show();
    } else {
        list_->Hide();
        list_->SetParent(nullptr);
        Notify(CBN_CLOSEUP);
    }
    Invalidate();
}

void TCustomComboBox::DropDown() {
    if (OnDropDown) OnDropDown(this);
}
void TCustomComboBox::CloseUp() {
    if (OnCloseUp) OnCloseUp(this);
}
void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}
void TCustomComboBox::Select() {
    if (OnSelect) OnSelect(this);
    else Change();
}

void TCustomComboBox::SelectByUser(int Index) {
    if (Index < 0 || Index >= items_->Count() || Index == itemIndex_) return;
    SetItemIndex(Index);
    Notify(CBN_SELCHANGE);
}

void TCustomComboBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        switch (Message.WParamHi()) {
        case CBN_DROPDOWN: DropDown(); break;
        case CBN_CLOSEUP: CloseUp(); break;
        case CBN_SELCHANGE:
            Click();
            Select();
            break;
        case CBN_EDITCHANGE: Change(); break;
        default: break;
        }
        return;
    case CB_GETCOUNT: Message.Result = items_->Count(); return;
    case CB_GETCURSEL: Message.Result = itemIndex_; return;
    case CB_SETCURSEL:
        SetItemIndex(static_cast<int>(Message.WParam));
        Message.Result = itemIndex_;
        return;
    case CB_SHOWDROPDOWN: SetDroppedDown(Message.WParam != 0); return;
    case CB_GETDROPPEDSTATE: Message.Result = dropped_ ? 1 : 0; return;
    case CB_GETDROPPEDWIDTH: Message.Result = droppedWidth_ > 0 ? droppedWidth_ : Width(); return;
    case CB_SETDROPPEDWIDTH:
        droppedWidth_ = std::max(0, static_cast<int>(Message.WParam));
        if (dropped_) PlaceList();
        Message.Result = droppedWidth_;
        return;
    case CM_TEXTCHANGED:
        // Text set by the program picks the item it names; a list style shows items only.
        if (!settingText_) {
            const int found = items_->IndexOf(Text());
            if (found >= 0 || !IsListStyle()) {
                itemIndex_ = found;
                if (list_) list_->SetItemIndex(found);
            } else {
                settingText_ = true;
                SetText(itemIndex_ >= 0 ? items_->Get(itemIndex_) : AnsiString());
                settingText_ = false;
            }
        }
        Invalidate();
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (CanFocus() && !Focused()) SetFocus();
        if (IsListStyle() || PtInRect(ButtonRect(), TPoint{Message.XPos(), Message.YPos()}))
            SetDroppedDown(!dropped_);
        break;
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

bool TCustomComboBox::DoKeyDown(TMessage& Message) {
    if (TCustomControl::DoKeyDown(Message)) return true;
    const Word key = Message.CharCode();
    const TShiftState shift = KeyShiftState();
    if (key == VK_F4 || ((key == VK_DOWN || key == VK_UP) && shift.Contains(ssAlt))) {
        SetDroppedDown(!dropped_);
        return true;
    }
    if (dropped_ && (key == VK_RETURN || key == VK_ESCAPE)) {
        SetDroppedDown(false);
        return true;
    }
    const int count = items_->Count();
    if (count == 0) return false;
    const int page = dropped_ ? std::max(1, dropDownCount_ - 1) : 1;
    int row = itemIndex_;
    switch (key) {
    case VK_UP: row = row < 0 ? 0 : row - 1; break;
    case VK_DOWN: row = row < 0 ? 0 : row + 1; break;
    case VK_PRIOR: row = row < 0 ? 0 : row - page; break;
    case VK_NEXT: row = row < 0 ? 0 : row + page; break;
    case VK_HOME:
        if (!IsListStyle()) return false;   // the field's own caret keys
        row = 0;
        break;
    case VK_END:
        if (!IsListStyle()) return false;
        row = count - 1;
        break;
    default: return false;
    }
    SelectByUser(std::clamp(row, 0, count - 1));
    return true;
}

namespace {
// The number of whole characters of a UTF-8 text.
int CharCount(const AnsiString& s) {
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}
AnsiString DropLastChar(AnsiString s) {
    while (!s.empty()) {
        const unsigned char c = static_cast<unsigned char>(s.back());
        s.pop_back();
        if ((c & 0xC0) != 0x80) break;
    }
    return s;
}
AnsiString LowerUtf8(const AnsiString& s) {
    AnsiString r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}
} // namespace

bool TCustomComboBox::DoKeyPress(TMessage& Message) {
    if (TCustomControl::DoKeyPress(Message)) return true;
    const unsigned code = static_cast<unsigned>(Message.WParam);
    if (code == 13 || code == 27 || code == 9) return false;
    if (IsListStyle()) {
        // A character picks the next item that starts with it.
        if (code < 32 || items_->Count() == 0) return false;
        const AnsiString typed = LowerUtf8(AnsiString(1, static_cast<char>(code < 128 ? code : '?')));
        const int count = items_->Count();
        for (int i = 1; i <= count; ++i) {
            const int row = (std::max(itemIndex_, -1) + i) % count;
            if (LowerUtf8(items_->Get(row)).rfind(typed, 0) == 0) {
                SelectByUser(row);
                break;
            }
        }
        return false;
    }
    AnsiString text = Text();
    if (code == 8) {
        if (text.empty()) return false;
        text = DropLastChar(text);
    } else if (code >= 32) {
        if (maxLength_ > 0 && CharCount(text) >= maxLength_) return false;
        TextEncoding::AppendUtf8(text, static_cast<char32_t>(code));
    } else {
        return false;
    }
    SetText(text);
    Notify(CBN_EDITCHANGE);
    return false;
}

void TCustomComboBox::DoExit() {
    SetDroppedDown(false);
    TCustomControl::DoExit();
}

void TCustomComboBox::EnabledChanged() {
    if (!Enabled()) SetDroppedDown(false);
    TCustomControl::EnabledChanged();
    Invalidate();
}

TRect TCustomComboBox::ButtonRect() const {
    const int w = GetSystemMetrics(SM_CXVSCROLL);
    return {std::max(2, Width() - 2 - w), 2, Width() - 2, Height() - 2};
}

void TCustomComboBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    TCanvas* c = Canvas();
    if (list_ && !State.Contains(odComboBoxEdit)) c = list_->Canvas();
    const bool selected = State.Contains(odSelected);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(selected ? clHighlight : Color());
    c->FillRect(Rect);
    c->Font()->Assign(Font());
    c->Font()->SetColor(selected ? clHighlightText : (Enabled() ? Font()->Color() : clGrayText));
    c->Brush()->SetStyle(bsClear);
    const AnsiString text = Index >= 0 && Index < items_->Count() ? items_->Get(Index) : AnsiString();
    c->TextOut(Rect.Left + 2, Rect.Top + (Rect.Height() - c->TextHeight("Wg")) / 2, text);
    c->Brush()->SetStyle(bsSolid);
}

void TCustomComboBox::PaintField(const TRect& Rect) {
    TCanvas* c = Canvas();
    TOwnerDrawState state{odComboBoxEdit};
    // A focused list style shows its selection highlighted, as the platform does.
    if (IsListStyle() && Focused() && !dropped_) state << odSelected << odFocused;
    if (!Enabled()) state << odDisabled;
    if ((style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) && OnDrawItem) {
        OnDrawItem(this, itemIndex_, Rect, state);
        return;
    }
    const bool selected = state.Contains(odSelected) && !Text().empty();
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(Rect);
    const int th = c->TextHeight("Wg");
    const int y = Rect.Top + (Rect.Height() - th) / 2;
    if (selected) {
        c->Brush()->SetColor(clHighlight);
        c->FillRect({Rect.Left + 1, Rect.Top + 1, std::min(Rect.Right - 1, Rect.Left + c->TextWidth(Text()) + 4),
                     Rect.Bottom - 1});
    }
    c->Font()->SetColor(selected ? clHighlightText : (Enabled() ? Font()->Color() : clGrayText));
    c->Brush()->SetStyle(bsClear);
    c->TextRect(Rect, Rect.Left + 2, y, Text());
    if (!IsListStyle() && Focused()) {
        // The caret after the text.
        const int x = std::min(Rect.Right - 2, Rect.Left + 2 + c->TextWidth(Text()));
        c->Pen()->SetColor(Font()->Color());
        c->MoveTo(x, y);
        c->LineTo(x, y + th);
    }
    c->Brush()->SetStyle(bsSolid);
}

void TCustomComboBox::PaintStandard() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    Buttons::DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    const TRect button = ButtonRect();
    unsigned state = DFCS_SCROLLCOMBOBOX;
    if (dropped_) state |= DFCS_PUSHED;
    if (!Enabled()) state |= DFCS_INACTIVE;
    Buttons::DrawFrameControl(c, button, DFC_SCROLL, state);
    PaintField({r.Left, r.Top, button.Left, r.Bottom});
}

void TCustomComboBox::Paint() { PaintStandard(); }
