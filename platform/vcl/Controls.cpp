// The controls: TControl and TWinControl with their messages, alignment, focus and painting. Their
// windows and the translation of Qt's events into messages are the Qt side's (HandleWidget.cpp).
#include "Controls.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

#include "Forms.h"         // a control asks its form: focus, key preview, default and cancel buttons
#include "GraphicsQt.h"
#include "HandleWidget.h"  // the control's window, which hands Qt's events to the control's WndProc
#include "Menus.h"         // a right click shows the control's PopupMenu
#include "TextEncoding.h"
#include "VclPrivate.h"

using Vcl::Detail::THandleWidget;

namespace {

THandleWidget* W(void* handle) { return static_cast<THandleWidget*>(handle); }

} // namespace

void* ControlAccess::Widget(const TControl* c) { return c->handleWidget_; }

// ---- TControl ------------------------------------------------------------------------------------------
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {
    Vcl::Detail::EnsureQtApp();
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    WindowProc = [this](TMessage& m) { WndProc(m); };
    auto* widget = new THandleWidget(this, nullptr);
    widget->hide();
    handleWidget_ = widget;
    font_->OnChange = [this](TObject*) {
        if (!fontFromParent_) parentFont_ = false;
        Perform(CM_FONTCHANGED);
    };
}

TControl::~TControl() {
    Vcl::Detail::ForgetMouseControl(this);
    Vcl::Detail::ControlDestroyed(this);
    Vcl::Detail::ForgetSizeMove(this);
    Vcl::Detail::ForgetDrag(this);
    W(handleWidget_)->Detach();
    if (parent_) {
        if (TCustomForm* form = GetParentForm(this); form && form->ActiveControl() == this)
            form->SetActiveControl(nullptr);
        parent_->RemoveControl(this);
    }
    font_->OnChange = nullptr;
    delete W(handleWidget_);
    handleWidget_ = nullptr;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    const bool moved = ALeft != left_ || ATop != top_;
    const bool sized = AWidth != width_ || AHeight != height_;
    if (!moved && !sized) return;
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    UpdateWindowBounds();
    if (sized) Perform(WM_SIZE, SIZE_RESTORED, MAKELPARAM(ClientWidth(), ClientHeight()));
    if (moved) Perform(WM_MOVE, 0, MAKELPARAM(left_, top_));
    RequestAlign();
}

void TControl::UpdateWindowBounds() {
    W(handleWidget_)->setGeometry(left_, top_, width_, height_);
}

TRect TControl::ClientRect() const { return {0, 0, width_, height_}; }

void TControl::SetClientWidth(int Value) { SetWidth(Value + (width_ - ClientWidth())); }
void TControl::SetClientHeight(int Value) { SetHeight(Value + (height_ - ClientHeight())); }

TPoint TControl::ClientOrigin() const {
    if (!parent_) {
        const QPoint p = W(handleWidget_)->mapToGlobal(QPoint(0, 0));
        return {p.x(), p.y()};
    }
    const TPoint o = parent_->ClientOrigin();
    return {o.X + left_, o.Y + top_};
}

TPoint TControl::ClientToScreen(const TPoint& Point) const {
    const TPoint o = ClientOrigin();
    return {Point.X + o.X, Point.Y + o.Y};
}

TPoint TControl::ScreenToClient(const TPoint& Point) const {
    const TPoint o = ClientOrigin();
    return {Point.X - o.X, Point.Y - o.Y};
}

void TControl::SetAlign(TAlign Value) {
    if (align_ == Value) return;
    align_ = Value;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (parent_ && align_ != alNone && align_ != alCustom) parent_->Realign();
}

void TControl::SetVisible(bool Value) {
    if (visible_ == Value) return;
    visible_ = Value;
    UpdateWindowVisibility();
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
    if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::UpdateWindowVisibility() {
    if (parent_) W(handleWidget_)->setVisible(visible_);
}

void TControl::Show() { SetVisible(true); }
void TControl::Hide() { SetVisible(false); }

bool TControl::Showing() const {
    if (!visible_) return false;
    if (parent_) return parent_->Showing();
    return W(handleWidget_)->isVisible();
}

void TControl::SetEnabled(bool Value) {
    if (enabled_ == Value) return;
    enabled_ = Value;
    W(handleWidget_)->setEnabled(Value);
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor Value) {
    if (color_ == Value && !parentColor_) return;
    color_ = Value;
    parentColor_ = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
    if (parentColor_ == Value) return;
    parentColor_ = Value;
    if (Value && parent_) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::ParentColorChanged() {
    if (!parentColor_ || !parent_) return;
    if (color_ != parent_->Color()) {
        color_ = parent_->Color();
        Perform(CM_COLORCHANGED);
    }
}

void TControl::SetParentFont(bool Value) {
    if (parentFont_ == Value) return;
    parentFont_ = Value;
    if (Value && parent_) Perform(CM_PARENTFONTCHANGED);
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    fontFromParent_ = true;
    try {
        font_->Assign(parent_->Font());
    } catch (...) {
        fontFromParent_ = false;
        throw;
    }
    fontFromParent_ = false;
}

void TControl::SetText(const AnsiString& Value) {
    if (text_ == Value) return;
    text_ = Value;
    Perform(CM_TEXTCHANGED);
}

bool TControl::ShowHint() const {
    if (parentShowHint_ && parent_) return parent_->ShowHint();
    return showHint_;
}

void TControl::SetShowHint(bool Value) {
    showHint_ = Value;
    parentShowHint_ = false;
}

void TControl::SetCursor(TCursor Value) {
    cursor_ = Value;
    if (Value == crDefault) W(handleWidget_)->unsetCursor();
    else W(handleWidget_)->setCursor(Vcl::Detail::CursorShape(Value));
}

void TControl::SetPopupMenu(TPopupMenu* Value) { popupMenu_ = Value; }

void TControl::SetParent(TWinControl* AParent) {
    if (parent_ == AParent) return;
    if (AParent == this) throw EComponentError("Ein Steuerelement kann nicht sein eigener Vorfahr sein");
    if (parent_) parent_->RemoveControl(this);
    parent_ = AParent;
    auto* widget = W(handleWidget_);
    widget->setParent(AParent ? W(AParent->handleWidget_) : nullptr);
    if (!AParent) widget->hide();
    if (AParent) {
        AParent->InsertControl(this);
        UpdateWindowBounds();
        UpdateWindowVisibility();
        Perform(CM_PARENTCOLORCHANGED);
        Perform(CM_PARENTFONTCHANGED);
        if (align_ != alNone) AParent->Realign();
    }
}

void TControl::Invalidate() { W(handleWidget_)->update(); }

void TControl::Repaint() {
    if (Showing()) W(handleWidget_)->repaint();
}

void TControl::Update() { Repaint(); }

void TControl::BringToFront() {
    // Without a window manager a window has no stacking order to change.
    if (parent_ || QGuiApplication::platformName() != QLatin1String("offscreen")) W(handleWidget_)->raise();
    if (parent_) {
        // The class library keeps the child list in painting order.
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.push_back(this);
    }
}

void TControl::SendToBack() {
    if (parent_ || QGuiApplication::platformName() != QLatin1String("offscreen")) W(handleWidget_)->lower();
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.insert(list.begin(), this);
    }
}

bool TControl::MouseCapture() const { return QWidget::mouseGrabber() == W(handleWidget_); }

void TControl::SetMouseCapture(bool Value) {
    auto* widget = W(handleWidget_);
    // Qt already keeps the mouse with the pressed window; the explicit grab is for captures that
    // outlive a press, which the offscreen platform cannot do.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    if (Value && widget->isVisible()) widget->grabMouse();
    else if (!Value && QWidget::mouseGrabber() == widget) widget->releaseMouse();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    if (WindowProc) WindowProc(m);
    else WndProc(m);
    return m.Result;
}

TShiftState TControl::MouseShiftState(WPARAM keys) {
    TShiftState s;
    if (keys & MK_SHIFT) s << ssShift;
    if (keys & MK_CONTROL) s << ssCtrl;
    if (keys & MK_LBUTTON) s << ssLeft;
    if (keys & MK_RBUTTON) s << ssRight;
    if (keys & MK_MBUTTON) s << ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s << ssAlt;
    return s;
}

TShiftState TControl::KeyShiftState() {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s << ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s << ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s << ssAlt;
    return s;
}

void TControl::HandleMouseButton(TMessage& Message, TMouseButton Button, bool Down, bool Double) {
    const int x = Message.XPos(), y = Message.YPos();
    TShiftState shift = MouseShiftState(Message.WParam);
    if (Down) {
        if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
        if (Double) {
            if (Button == mbLeft && ControlStyle.Contains(csClickEvents)) DblClick();
            shift << ssDouble;
        } else if (Button == mbLeft && ControlStyle.Contains(csClickEvents)) {
            ControlState << csClicked;
        }
        MouseDown(Button, shift, x, y);
        return;
    }
    if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
    if (Button == mbLeft && ControlState.Contains(csClicked)) {
        ControlState >> csClicked;
        if (ClientRect().Contains({x, y})) Click();
    }
    MouseUp(Button, shift, x, y);
}

void TControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
        if (!BeginAutoDrag()) HandleMouseButton(Message, mbLeft, true, false);
        break;
    case WM_LBUTTONDBLCLK:
        if (!BeginAutoDrag()) HandleMouseButton(Message, mbLeft, true, true);
        break;
    case WM_LBUTTONUP: HandleMouseButton(Message, mbLeft, false, false); break;
    case WM_RBUTTONDOWN: HandleMouseButton(Message, mbRight, true, false); break;
    case WM_RBUTTONDBLCLK: HandleMouseButton(Message, mbRight, true, true); break;
    case WM_RBUTTONUP: HandleMouseButton(Message, mbRight, false, false); break;
    case WM_MBUTTONDOWN: HandleMouseButton(Message, mbMiddle, true, false); break;
    case WM_MBUTTONDBLCLK: HandleMouseButton(Message, mbMiddle, true, true); break;
    case WM_MBUTTONUP: HandleMouseButton(Message, mbMiddle, false, false); break;
    case WM_MOUSEMOVE:
        MouseMove(MouseShiftState(Message.WParam), Message.XPos(), Message.YPos());
        break;
    case WM_MOUSEWHEEL: {
        const int delta = static_cast<std::int16_t>(HIWORD(Message.WParam));
        const TPoint pos{Message.XPos(), Message.YPos()};
        if (DoMouseWheel(MouseShiftState(LOWORD(Message.WParam)), delta, pos)) Message.Result = 1;
        else if (parent_) Message.Result = parent_->Perform(Message.Msg, Message.WParam, Message.LParam);
        break;
    }
    case WM_CONTEXTMENU:
        if (popupMenu_ && popupMenu_->AutoPopup) {
            int x = Message.XPos(), y = Message.YPos();
            if (x == -1 && y == -1) {
                const TPoint p = ClientToScreen({0, 0});
                x = p.X;
                y = p.Y;
            }
            popupMenu_->SetPopupComponent(this);
            popupMenu_->Popup(x, y);
            Message.Result = 1;
        } else if (parent_) {
            Message.Result = parent_->Perform(Message.Msg, Message.WParam, Message.LParam);
        }
        break;
    case CM_MOUSEENTER: MouseEnter(); break;
    case CM_MOUSELEAVE: MouseLeave(); break;
    case CM_TEXTCHANGED: TextChanged(); break;
    case CM_FONTCHANGED: FontChanged(); break;
    case CM_COLORCHANGED: ColorChanged(); break;
    case CM_ENABLEDCHANGED: EnabledChanged(); break;
    case CM_VISIBLECHANGED: VisibleChanged(); break;
    case CM_PARENTCOLORCHANGED: ParentColorChanged(); break;
    case CM_PARENTFONTCHANGED: ParentFontChanged(); break;
    case CM_HINTSHOW:
        Message.Result = Message.LParam ? HintShow(*reinterpret_cast<THintInfo*>(Message.LParam)) : 0;
        break;
    case CM_DRAG: Vcl::Detail::DragMessage(this, Message); break;
    case CM_ACTIONEXECUTE: Message.Result = ExecuteAction(reinterpret_cast<TObject*>(Message.LParam)) ? 1 : 0; break;
    case WM_ERASEBKGND: EraseBackground(Message); break;
    case WM_PAINT: PaintMessage(Message); break;
    case WM_SIZE: Resize(); break;
    default: DefaultHandler(Message); break;
    }
}

void TControl::DefaultHandler(TMessage&) {}

bool TControl::ExecuteAction(TObject*) { return false; }

void TControl::Click() {
    if (OnClick) OnClick(this);
}
void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}
bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}
void TControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}
void TControl::Resize() {
    if (OnResize) OnResize(this);
}
void TControl::TextChanged() { Invalidate(); }
void TControl::FontChanged() {
    W(handleWidget_)->setFont(GraphicsQt::ToQFont(*font_));
    Invalidate();
}
void TControl::ColorChanged() { Invalidate(); }
void TControl::EnabledChanged() { Invalidate(); }
void TControl::VisibleChanged() {}

LRESULT TControl::HintShow(THintInfo&) { return 0; }

void TControl::PaintMessage(TMessage& Message) {
    // Without a painter the platform paints the window now, which comes back with one.
    if (!Message.WParam) Repaint();
}

void TControl::EraseBackground(TMessage&) {}

void ControlAccess::WindowGeometryChanged(TControl* c) {
    // A top-level window the window manager moved or sized: the form reads its new bounds.
    if (auto* form = dynamic_cast<TCustomForm*>(c)) form->WindowGeometryChanged();
}

// ---- TWinControl ---------------------------------------------------------------------------------------------
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
    handle_ = Vcl::Detail::RegisterWindow([this](TMessage& m) {
        if (WindowProc) WindowProc(m);
        else WndProc(m);
    });
}

TWinControl::~TWinControl() {
    Vcl::Detail::UnregisterWindow(handle_);
    handle_ = nullptr;
    // While the children go, Qt moves the focus and the mouse among windows that are about to go
    // too: none of that may reach a control any more.
    std::function<void(TWinControl*)> detach = [&](TWinControl* parent) {
        W(parent->handleWidget_)->Detach();
        for (TControl* c : parent->controls_) {
            if (auto* w = dynamic_cast<TWinControl*>(c)) detach(w);
            else W(c->handleWidget_)->Detach();
        }
    };
    detach(this);
    // Children go with their parent, last first.
    while (!controls_.empty()) delete controls_.back();
}

void TWinControl::InsertControl(TControl* AControl) {
    controls_.push_back(AControl);
}

void TWinControl::RemoveControl(TControl* AControl) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), AControl), controls_.end());
    if (AControl->align_ != alNone && !HasState(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(const TControl* Control) const {
    for (; Control; Control = Control->Parent()) {
        if (Control == this) return true;
    }
    return false;
}

void TWinControl::Broadcast(TMessage& Message) {
    const std::vector<TControl*> list = controls_;
    for (TControl* c : list) {
        TMessage m = Message;
        if (c->WindowProc) c->WindowProc(m);
        else c->WndProc(m);
        if (m.Result != 0) {
            Message.Result = m.Result;
            return;
        }
    }
}

void TWinControl::SetTabStop(bool Value) {
    tabStop_ = Value;
    auto* widget = W(handleWidget_);
    // Qt hands a window's policy on to the editor that takes its focus (its focus proxy): only the Tab
    // part changes, so a click still focuses that editor.
    const QWidget* taker = widget;
    while (taker->focusProxy()) taker = taker->focusProxy();
    const Qt::FocusPolicy policy = taker->focusPolicy();
    widget->setFocusPolicy(Qt::FocusPolicy(Value ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    int order = 0;
    for (TControl* c : Parent()->controls_) {
        if (c == this) return order;
        if (dynamic_cast<TWinControl*>(c)) ++order;
    }
    return -1;
}

void TWinControl::SetTabOrder(int Value) {
    TWinControl* parent = Parent();
    if (!parent) return;
    std::vector<TWinControl*> wins;
    for (TControl* c : parent->controls_) {
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w != this) wins.push_back(w);
    }
    Value = std::clamp(Value, 0, static_cast<int>(wins.size()));
    wins.insert(wins.begin() + Value, this);
    for (std::size_t i = 1; i < wins.size(); ++i)
        QWidget::setTabOrder(W(wins[i - 1]->handleWidget_), W(wins[i]->handleWidget_));
    // Keep the child list in the same order for TabOrder's answer; graphic controls keep their places.
    std::vector<TControl*> reordered;
    std::size_t next = 0;
    for (TControl* c : parent->controls_) {
        if (dynamic_cast<TWinControl*>(c)) reordered.push_back(wins[next++]);
        else reordered.push_back(c);
    }
    parent->controls_ = reordered;
}

void TWinControl::SetFocus() {
    if (TCustomForm* form = GetParentForm(this)) {
        if (form != this) form->SetActiveControl(this);
    }
    W(handleWidget_)->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const { return W(handleWidget_)->hasFocus(); }

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) return false;
    }
    const TCustomForm* form = GetParentForm(this);
    return form && form->Visible();
}

void TWinControl::Realign() {
    if (alignDisabled_ > 0) {
        alignPending_ = true;
        return;
    }
    if (aligning_) return;
    aligning_ = true;
    try {
        TRect r = ClientRect();
        AlignControls(nullptr, r);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0 && alignPending_) {
        alignPending_ = false;
        Realign();
    }
}

void TWinControl::AdjustClientRect(TRect&) {}

void TWinControl::AlignControls(TControl*, TRect& Rect) {
    AdjustClientRect(Rect);
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        for (TControl* c : controls_) {
            if (c->Align() == align && c->Visible()) list.push_back(c);
        }
        // Within one side, controls keep the order of their current positions.
        std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
            switch (align) {
            case alTop: return a->Top() < b->Top();
            case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
            case alLeft: return a->Left() < b->Left();
            case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
            default: return false;
            }
        });
        for (TControl* c : list) {
            const int w = c->Width(), h = c->Height();
            switch (align) {
            case alTop:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), h);
                Rect.Top += h;
                break;
            case alBottom:
                c->SetBounds(Rect.Left, Rect.Bottom - h, Rect.Width(), h);
                Rect.Bottom -= h;
                break;
            case alLeft:
                c->SetBounds(Rect.Left, Rect.Top, w, Rect.Height());
                Rect.Left += w;
                break;
            case alRight:
                c->SetBounds(Rect.Right - w, Rect.Top, w, Rect.Height());
                Rect.Right -= w;
                break;
            case alClient:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
                break;
            default: break;
            }
        }
    }
}

void TWinControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (DoKeyDown(Message)) return;
        if (Message.CharCode() == VK_RETURN || Message.CharCode() == VK_ESCAPE) {
            // Return and Escape the control leaves alone go to the form's default and cancel buttons.
            if (TCustomForm* form = GetParentForm(this); form && form != this)
                form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam);
        }
        return;
    case WM_CHAR:
        DoKeyPress(Message);
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        DoKeyUp(Message);
        return;
    case WM_SETFOCUS:
        // The form remembers which of its controls has the focus.
        if (TCustomForm* form = GetParentForm(this); form && form != this) form->activeControl_ = this;
        TControl::WndProc(Message);
        return;
    case CM_ENTER: DoEnter(); return;
    case CM_EXIT: DoExit(); return;
    case WM_SIZE:
        Realign();
        TControl::WndProc(Message);
        return;
    case CM_ACTIONEXECUTE:
        // The first control of the window that carries the action out ends the search.
        TControl::WndProc(Message);
        for (std::size_t i = 0; !Message.Result && i < controls_.size(); ++i)
            Message.Result = controls_[i]->Perform(Message.Msg, Message.WParam, Message.LParam);
        return;
    default: TControl::WndProc(Message); return;
    }
}

bool TWinControl::DoKeyDown(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyDown(Message)) return true;
    Word key = Message.CharCode();
    KeyDown(key, KeyShiftState());
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyPress(Message)) return true;
    if (Message.WParam == 0) return true;
    AnsiString key;
    TextEncoding::AppendUtf8(key, static_cast<char32_t>(Message.WParam));
    KeyPress(key);
    std::size_t first = 0;
    Message.WParam = key.empty() ? 0 : TextEncoding::NextCodePoint(key, first);
    return Message.WParam == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyUp(Message)) return true;
    Word key = Message.CharCode();
    KeyUp(key, KeyShiftState());
    Message.WParam = key;
    return key == 0;
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}
void TWinControl::KeyPress(AnsiString& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}
void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}
void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::EraseBackground(TMessage& Message) {
    auto* painter = reinterpret_cast<QPainter*>(Message.WParam);
    if (!painter || ControlStyle.Contains(csOpaque) || Color() == clNone) return;
    painter->fillRect(W(handleWidget_)->rect(), GraphicsQt::ToQColor(Color()));
    Message.Result = 1;
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    TMessage m{CM_PARENTFONTCHANGED, 0, 0, 0};
    Broadcast(m);
}

void TWinControl::ColorChanged() {
    TControl::ColorChanged();
    TMessage m{CM_PARENTCOLORCHANGED, 0, 0, 0};
    Broadcast(m);
}

// ---- TCustomControl / TGraphicControl --------------------------------------------------------------------------
TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), canvas_(std::make_unique<TCanvas>()) {}
TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintMessage(TMessage& Message) {
    auto* painter = reinterpret_cast<QPainter*>(Message.WParam);
    if (!painter) {
        TWinControl::PaintMessage(Message);
        return;
    }
    GraphicsQt::CanvasPaintScope scope(canvas_.get(), painter);
    Paint();
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), canvas_(std::make_unique<TCanvas>()) {}
TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintMessage(TMessage& Message) {
    auto* painter = reinterpret_cast<QPainter*>(Message.WParam);
    if (!painter) {
        TControl::PaintMessage(Message);
        return;
    }
    GraphicsQt::CanvasPaintScope scope(canvas_.get(), painter);
    Paint();
}

// ---- free functions -----------------------------------------------------------------------------------------------
TCustomForm* GetParentForm(const TControl* Control) {
    const TControl* c = Control;
    while (c && c->Parent()) c = c->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

TControl* FindControlAtPos(const TPoint& ScreenPos) {
    QWidget* w = QApplication::widgetAt(ScreenPos.X, ScreenPos.Y);
    return Vcl::Detail::ControlOfWidget(w);
}

