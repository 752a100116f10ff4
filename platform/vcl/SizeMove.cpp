// Moving and sizing a control by the mouse, as the window system does for a window whose hit test
// answers caption or border: WM_ENTERSIZEMOVE, WM_MOVING or WM_SIZING with the proposed rectangle in
// screen coordinates (the control may change it), WM_EXITSIZEMOVE at the end.
#include <QPoint>

#include <algorithm>

#include "Controls.h"
#include "Forms.h"
#include "VclPrivate.h"
#include "WinApi.h"
#include "WindowPlacement.h"

namespace {

struct SizeMoveState {
    TControl* control = nullptr;
    LRESULT hit = HTNOWHERE;
    QPoint start;      // where the press was, on the screen
    TRect startRect;   // the control's bounds then, on the screen
};

SizeMoveState& State() {
    static SizeMoveState state;
    return state;
}

TRect ScreenBounds(const TControl* c) {
    TRect r = c->BoundsRect();
    if (TWinControl* p = c->Parent()) {
        const TPoint o = p->ClientOrigin();
        OffsetRect(r, o.X, o.Y);
    }
    return r;
}

WPARAM SizingEdge(LRESULT hit) {
    switch (hit) {
    case HTLEFT: return WMSZ_LEFT;
    case HTRIGHT: return WMSZ_RIGHT;
    case HTTOP: return WMSZ_TOP;
    case HTTOPLEFT: return WMSZ_TOPLEFT;
    case HTTOPRIGHT: return WMSZ_TOPRIGHT;
    case HTBOTTOM: return WMSZ_BOTTOM;
    case HTBOTTOMLEFT: return WMSZ_BOTTOMLEFT;
    default: return WMSZ_BOTTOMRIGHT;
    }
}

} // namespace

namespace Vcl::Detail {

bool IsSizeMoveHit(LRESULT hit) { return hit == HTCAPTION || (hit >= HTLEFT && hit <= HTBOTTOMRIGHT); }

bool SizeMoveActive(const TControl* control) { return control && State().control == control; }

void BeginSizeMove(TControl* control, LRESULT hit, const QPoint& global) {
    // A form moved by its caption goes to the window manager where it can take it.
    if (hit == HTCAPTION && !control->Parent())
        if (auto* form = dynamic_cast<TCustomForm*>(control); form && WindowPlacement::StartSystemMove(form)) return;
    auto& s = State();
    s.control = control;
    s.hit = hit;
    s.start = global;
    s.startRect = ScreenBounds(control);
    control->Perform(WM_ENTERSIZEMOVE);
}

void SizeMoveTo(TControl* control, const QPoint& global) {
    auto& s = State();
    if (s.control != control) return;
    QPoint p = global;
    // As the window system keeps the pointer inside the parent while a child moves, the grabbed
    // point never leaves the parent's client area and the control stays within reach.
    if (TWinControl* parent = control->Parent()) {
        const TPoint o = parent->ClientOrigin();
        const TRect c = parent->ClientRect();
        p.setX(std::clamp(p.x(), o.X + c.Left, o.X + c.Right - 1));
        p.setY(std::clamp(p.y(), o.Y + c.Top, o.Y + c.Bottom - 1));
    }
    const int dx = p.x() - s.start.x(), dy = p.y() - s.start.y();
    TRect r = s.startRect;
    if (s.hit == HTCAPTION) {
        OffsetRect(r, dx, dy);
        control->Perform(WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    } else {
        // A control never gets smaller than its sizing corner, so it can always be grabbed again.
        const int minW = GetSystemMetrics(SM_CXHSCROLL), minH = GetSystemMetrics(SM_CYHSCROLL);
        const LRESULT h = s.hit;
        if (h == HTLEFT || h == HTTOPLEFT || h == HTBOTTOMLEFT) r.Left = std::min(r.Left + dx, r.Right - minW);
        if (h == HTRIGHT || h == HTTOPRIGHT || h == HTBOTTOMRIGHT) r.Right = std::max(r.Right + dx, r.Left + minW);
        if (h == HTTOP || h == HTTOPLEFT || h == HTTOPRIGHT) r.Top = std::min(r.Top + dy, r.Bottom - minH);
        if (h == HTBOTTOM || h == HTBOTTOMLEFT || h == HTBOTTOMRIGHT) r.Bottom = std::max(r.Bottom + dy, r.Top + minH);
        control->Perform(WM_SIZING, SizingEdge(h), reinterpret_cast<LPARAM>(&r));
    }
    if (State().control != control) return;
    if (TWinControl* parent = control->Parent()) {
        const TPoint o = parent->ClientOrigin();
        OffsetRect(r, -o.X, -o.Y);
    }
    control->SetBoundsRect(r);
}

void EndSizeMove(TControl* control, const QPoint& global) {
    if (State().control != control) return;
    SizeMoveTo(control, global);
    State() = SizeMoveState();
    control->Perform(WM_EXITSIZEMOVE);
}

void ForgetSizeMove(const TControl* control) {
    if (State().control == control) State() = SizeMoveState();
}

} // namespace Vcl::Detail
