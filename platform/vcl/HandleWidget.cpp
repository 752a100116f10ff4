// The Qt side of the controls: each control's window is a THandleWidget, and Qt's events become the
// class library's messages here and nowhere else; everything after that is the control's WndProc.
#include "HandleWidget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QWheelEvent>

#include "Controls.h"
#include "VclPrivate.h"

namespace {

TControl* mouseControl = nullptr;
Qt::KeyboardModifiers inputModifiers;
Qt::MouseButtons inputButtons;

Qt::CursorShape QtCursor(TCursor cursor) {
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag: return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

// The character of a key press as the platform delivers it with WM_CHAR: Ctrl+letter and Ctrl+[ \ ]
// are control codes, otherwise the typed text.
std::u32string TypedCharacters(const QKeyEvent* e) {
    const auto mods = e->modifiers();
    const int key = e->key();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::u32string(1, char32_t(key - Qt::Key_A + 1));
        if (key == Qt::Key_BracketLeft) return U"\x1b";
        if (key == Qt::Key_Backslash) return U"\x1c";
        if (key == Qt::Key_BracketRight) return U"\x1d";
        return {};
    }
    if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier)) return {};
    switch (key) {
    case Qt::Key_Backspace: return U"\b";
    case Qt::Key_Return:
    case Qt::Key_Enter: return U"\r";
    case Qt::Key_Escape: return U"\x1b";
    case Qt::Key_Tab: return U"\t";
    default: break;
    }
    std::u32string out;
    for (char32_t c : e->text().toUcs4()) {
        if (c >= 0x20 && c != 0x7F) out += c;
    }
    return out;
}

// Qt's key to the platform's virtual key (0 when there is none).
Word VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<Word>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<Word>(keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : '0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<Word>(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Meta: return VK_LWIN;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : 0xBB;
    case Qt::Key_Plus: return keypad ? VK_ADD : 0xBB;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : 0xBD;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : 0xBF;
    case Qt::Key_Comma: return keypad ? VK_DECIMAL : 0xBC;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : 0xBE;
    case Qt::Key_Semicolon: return 0xBA;
    case Qt::Key_Equal: return 0xBB;
    case Qt::Key_QuoteLeft: return 0xC0;
    case Qt::Key_BracketLeft: return 0xDB;
    case Qt::Key_Backslash: return 0xDC;
    case Qt::Key_BracketRight: return 0xDD;
    case Qt::Key_Apostrophe: return 0xDE;
    // The German layout's own keys.
    case Qt::Key_Udiaeresis: return 0xBA;
    case Qt::Key_Odiaeresis: return 0xC0;
    case Qt::Key_Adiaeresis: return 0xDE;
    case Qt::Key_ssharp: return 0xDB;
    case Qt::Key_NumberSign: return 0xBF;
    case Qt::Key_Less:
    case Qt::Key_Greater: return 0xE2;
    default: return 0;
    }
}

void SetMouseControl(TControl* control) {
    if (control == mouseControl) return;
    TControl* old = mouseControl;
    mouseControl = control;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (control && control == mouseControl) control->Perform(CM_MOUSEENTER);
    Vcl::Detail::MouseControlChanged(mouseControl);
}

} // namespace

namespace Vcl::Detail {

QWidget* HandleWidget(const TControl* control) {
    return control ? static_cast<QWidget*>(ControlAccess::Widget(control)) : nullptr;
}

Qt::CursorShape CursorShape(TCursor cursor) { return QtCursor(cursor); }

TControl* ControlOfWidget(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        if (auto* h = dynamic_cast<const THandleWidget*>(widget)) {
            if (h->Control()) return h->Control();
        }
    }
    return nullptr;
}

void SetInputState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    inputModifiers = modifiers;
    inputButtons = buttons;
}
Qt::KeyboardModifiers CurrentModifiers() { return inputModifiers; }
Qt::MouseButtons CurrentButtons() { return inputButtons; }

THandleWidget::THandleWidget(TControl* control, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), control_(control) {
    setAttribute(Qt::WA_Hover, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

THandleWidget::~THandleWidget() = default;

LRESULT THandleWidget::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    TControl* control = control_;
    if (!control) return 0;
    Guarded(control, [&] { result = control->Perform(msg, wParam, lParam); });
    return result;
}

bool THandleWidget::TranslateMouse(QEvent* e) {
    if (e->type() == QEvent::Wheel) {
        auto* we = static_cast<QWheelEvent*>(e);
        SetInputState(we->modifiers(), we->buttons());
        const QPoint global = we->globalPosition().toPoint();
        WPARAM keys = 0;
        if (we->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
        if (we->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
        if (we->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
        if (we->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
        const int delta = we->angleDelta().y();
        Send(WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(keys), delta), MAKELPARAM(global.x(), global.y()));
        return true;
    }
    auto* me = static_cast<QMouseEvent*>(e);
    Qt::MouseButtons buttons = me->buttons();
    SetInputState(me->modifiers(), buttons);
    const QPoint global = me->globalPosition().toPoint();
    QPointer<THandleWidget> self(this);
    NoteMousePos(global);
    // While a control is dragged the mouse belongs to the drag.
    if (DragActive() && DragMouse(e->type(), me->button(), global)) return true;
    // While the control is moved or sized the mouse belongs to that, not to the control.
    if (SizeMoveActive(control_)) {
        if (e->type() == QEvent::MouseMove) SizeMoveTo(control_, global);
        else if (e->type() == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton) EndSizeMove(control_, global);
        return true;
    }
    // The control's hit test decides whether a press or a move is its client's or its frame's.
    LRESULT hit = HTCLIENT;
    const bool hover = e->type() == QEvent::MouseMove && buttons == Qt::NoButton;
    const bool press = e->type() == QEvent::MouseButtonPress && me->button() == Qt::LeftButton;
    if (control_ && (hover || press)) {
        hit = Send(WM_NCHITTEST, 0, MAKELPARAM(global.x(), global.y()));
        if (!self) return true;
        if (hover) {
            SetHitCursor(hit);
            if (!self) return true;
        } else if (IsSizeMoveHit(hit)) {
            Vcl::Detail::MouseButtonActivity();
            BeginSizeMove(control_, hit, global);
            return true;
        }
    }
    WPARAM keys = 0;
    if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (me->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (me->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
    const QPoint p = me->position().toPoint();
    const LPARAM pos = MAKELPARAM(p.x(), p.y());
    UINT msg = 0;
    const auto button = me->button();
    switch (e->type()) {
    case QEvent::MouseMove:
        if (control_ && control_ != mouseControl && rect().contains(p) && !QWidget::mouseGrabber())
            SetMouseControl(control_);
        if (control_) Vcl::Detail::MouseMovedOver(control_, p.x(), p.y());
        // A move over the caption or the border is no move over the client.
        if (!IsSizeMoveHit(hit)) msg = WM_MOUSEMOVE;
        break;
    case QEvent::MouseButtonPress:
        msg = button == Qt::LeftButton ? WM_LBUTTONDOWN : button == Qt::RightButton ? WM_RBUTTONDOWN
            : button == Qt::MiddleButton ? WM_MBUTTONDOWN : 0;
        break;
    case QEvent::MouseButtonDblClick:
        msg = button == Qt::LeftButton ? WM_LBUTTONDBLCLK : button == Qt::RightButton ? WM_RBUTTONDBLCLK
            : button == Qt::MiddleButton ? WM_MBUTTONDBLCLK : 0;
        break;
    case QEvent::MouseButtonRelease:
        msg = button == Qt::LeftButton ? WM_LBUTTONUP : button == Qt::RightButton ? WM_RBUTTONUP
            : button == Qt::MiddleButton ? WM_MBUTTONUP : 0;
        break;
    default: break;
    }
    if (msg) {
        if (e->type() != QEvent::MouseMove) Vcl::Detail::MouseButtonActivity();
        Send(msg, keys, pos);
    }
    return true;
}

void THandleWidget::SetHitCursor(LRESULT hit) {
    const HWND wnd = dynamic_cast<TWinControl*>(control_) ? static_cast<TWinControl*>(control_)->Handle() : nullptr;
    if (Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(static_cast<int>(hit), WM_MOUSEMOVE)) || !control_)
        return;
    if (IsSizeMoveHit(hit) && hit != HTCAPTION) {
        const bool nwse = hit == HTTOPLEFT || hit == HTBOTTOMRIGHT, nesw = hit == HTTOPRIGHT || hit == HTBOTTOMLEFT;
        setCursor(nwse ? Qt::SizeFDiagCursor : nesw ? Qt::SizeBDiagCursor
                  : (hit == HTLEFT || hit == HTRIGHT) ? Qt::SizeHorCursor : Qt::SizeVerCursor);
        hitCursor_ = true;
    } else if (hitCursor_) {
        hitCursor_ = false;
        if (control_->Cursor() == crDefault) unsetCursor();
        else setCursor(QtCursor(control_->Cursor()));
    }
}

bool THandleWidget::TranslateKey(QKeyEvent* ke, bool TabsToControl) {
    const auto mods = ke->modifiers();
    SetInputState(mods, QApplication::mouseButtons());
    // Tab moves the focus through the form; the control sees no key unless it takes tabs.
    if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && !(mods & (Qt::ControlModifier | Qt::AltModifier)) &&
        !TabsToControl)
        return false;
    if (ke->type() == QEvent::KeyPress && DragKey(ke->key())) return true;
    const Word vk = VirtualKeyFromQt(ke->key(), mods);
    const bool alt = (mods & Qt::AltModifier) && !(mods & Qt::ControlModifier);
    // Key data: repeat count, scan code (the keypad's decimal key has bit 6 of it), previous state.
    std::uint32_t data = 1;
    if ((mods & Qt::KeypadModifier) && vk == VK_DECIMAL) data |= 0x53u << 16;
    if (ke->type() == QEvent::KeyPress) {
        if (ke->isAutoRepeat()) data |= 1u << 30;
        QPointer<THandleWidget> self(this);
        if (vk) Send(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, static_cast<LPARAM>(data));
        // The character follows even when a key-down handler swallowed the key, as on the platform.
        for (char32_t c : TypedCharacters(ke)) {
            if (!self) break;
            Send(WM_CHAR, c, static_cast<LPARAM>(data));
        }
    } else {
        if (ke->isAutoRepeat()) return true;
        data |= (1u << 30) | (1u << 31);
        if (vk) Send(alt ? WM_SYSKEYUP : WM_KEYUP, vk, static_cast<LPARAM>(data));
    }
    return true;
}

bool THandleWidget::event(QEvent* e) {
    if (!control_) return QWidget::event(e);
    QPointer<THandleWidget> self(this);
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        if (!isEnabled()) return true;
        return TranslateMouse(e);
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (TranslateKey(static_cast<QKeyEvent*>(e))) return true;
        break;
    case QEvent::ShortcutOverride:
        // Keys reach the control first; menus' shortcuts come later.
        e->accept();
        return true;
    case QEvent::Enter: {
        // Where the pointer came in is where a hint for the control shows, also when an editor inside
        // the control takes the moves that follow.
        if (const auto* enter = dynamic_cast<const QEnterEvent*>(e)) {
            const QPoint at = enter->position().toPoint();
            Vcl::Detail::MouseMovedOver(control_, at.x(), at.y());
        }
        if (self) SetMouseControl(control_);
        return true;
    }
    case QEvent::Leave:
        if (mouseControl == control_) SetMouseControl(nullptr);
        return true;
    case QEvent::FocusIn: {
        // OnEnter/OnExit follow the focus between the controls of a form: a window that is activated
        // again gives the focus back to the control that had it, which enters no second time.
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        QWidget* window = this->window();
        const bool again = reason == Qt::ActiveWindowFocusReason &&
                           window->property("vclEntered").value<void*>() == static_cast<void*>(control_);
        Send(WM_SETFOCUS);
        if (self && !again && reason != Qt::PopupFocusReason) {
            window->setProperty("vclEntered", QVariant::fromValue(static_cast<void*>(control_)));
            Send(CM_ENTER);
        }
        if (self) update();
        return true;
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            QWidget* window = this->window();
            if (window->property("vclEntered").value<void*>() == static_cast<void*>(control_))
                window->setProperty("vclEntered", QVariant());
            Send(CM_EXIT);
        }
        if (self) Send(WM_KILLFOCUS);
        if (self) update();
        return true;
    }
    case QEvent::ContextMenu: {
        auto* ce = static_cast<QContextMenuEvent*>(e);
        const LRESULT handled = Send(WM_CONTEXTMENU, 0, MAKELPARAM(ce->globalPos().x(), ce->globalPos().y()));
        if (!handled) ce->ignore();
        return true;
    }
    case QEvent::Close:
        // The window manager's close box asks the form; the form hides or frees itself.
        e->ignore();
        Send(WM_CLOSE);
        return true;
    case QEvent::WindowActivate:
        Send(WM_ACTIVATE, WA_ACTIVE);
        return true;
    case QEvent::WindowDeactivate:
        Send(WM_ACTIVATE, WA_INACTIVE);
        return true;
    case QEvent::Resize:
    case QEvent::Move:
        // Our own geometry changes send WM_SIZE/WM_MOVE themselves. The window manager's are news,
        // and so is a size a shown window was given past its form (by Qt, or where no window manager
        // runs): the form takes it, and its aligned controls follow.
        if (isWindow() && (e->spontaneous() || (e->type() == QEvent::Resize && isVisible() && control_ &&
                                                static_cast<QResizeEvent*>(e)->size() !=
                                                    QSize(control_->ClientWidth(), control_->ClientHeight())))) {
            TControl* control = control_;
            Guarded(control, [&] { ControlAccess::WindowGeometryChanged(control); });
        }
        break;
    case QEvent::ThemeChange:
        // The desktop's fonts may have changed.
        Send(CM_SYSFONTCHANGED);
        break;
    case QEvent::ToolTip:
        // Hints are the application's (THintInfo, CM_HINTSHOW), not Qt's tool tips.
        return true;
    default:
        break;
    }
    return QWidget::event(e);
}

void THandleWidget::paintEvent(QPaintEvent*) {
    if (!control_) return;
    QPainter painter(this);
    const WPARAM dc = reinterpret_cast<WPARAM>(&painter);
    QPointer<THandleWidget> self(this);
    Send(WM_ERASEBKGND, dc);
    if (self) Send(WM_PAINT, dc);
}

void ForgetMouseControl(const TControl* control) {
    if (mouseControl != control) return;
    mouseControl = nullptr;
    MouseControlChanged(nullptr);
}

} // namespace Vcl::Detail

TControl* MouseControl() { return mouseControl; }
