// The class library's drag of one control onto another. It lives inside the program and follows the
// mouse that Qt grabs for the pressed widget: the control under the pointer is asked with CM_DRAG
// (enter, move, leave) whether it accepts, the cursor shows the answer, and the release drops.
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPoint>

#include <cstdlib>

#include "Controls.h"
#include "Forms.h"
#include "VclPrivate.h"

// Lets the drag reach the steps a control keeps to itself and its kind.
struct ControlDragAccess {
    static void DragOver(TControl* c, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
        c->DragOver(Source, X, Y, State, Accept);
    }
    static void DragDrop(TControl* c, TObject* Source, int X, int Y) { c->DragDrop(Source, X, Y); }
    static void DoEndDrag(TControl* c, TObject* Target, int X, int Y) { c->DoEndDrag(Target, X, Y); }
};

namespace {

struct DragState {
    TControl* source = nullptr;
    TDragObject* object = nullptr;
    bool ownObject = false;
    bool started = false;       // the mouse has moved far enough
    int threshold = 0;
    QPoint start;
    TControl* target = nullptr;
    bool accepted = false;
    TPoint targetPos;           // the pointer in the target's client coordinates
    bool cursorSet = false;
};

DragState& State() {
    static DragState state;
    return state;
}

QPoint& MousePos() {
    static QPoint pos;
    return pos;
}

// The Source the events see: the control itself for its own drag.
TObject* SourceOf(TDragObject* object) {
    if (auto* c = dynamic_cast<TDragControlObject*>(object)) return c->Control();
    return object;
}

LRESULT Send(TControl* target, TDragMessage msg, const TPoint& pos, TDragObject* object) {
    TDragRec rec;
    rec.Pos = pos;
    rec.Source = object;
    rec.Target = target;
    return target->Perform(CM_DRAG, static_cast<WPARAM>(msg), reinterpret_cast<LPARAM>(&rec));
}

void ShowCursor(TCursor cursor) {
    auto& s = State();
    const QCursor c(Vcl::Detail::CursorShape(cursor));
    if (s.cursorSet) {
        QApplication::changeOverrideCursor(c);
    } else {
        QApplication::setOverrideCursor(c);
        s.cursorSet = true;
    }
}

// The enabled control under a screen point, or none.
TControl* FindDragTarget(const QPoint& global) {
    TControl* c = FindControlAtPos({global.x(), global.y()});
    return c && c->Enabled() ? c : nullptr;
}

void DragTo(const QPoint& global) {
    auto& s = State();
    TControl* target = FindDragTarget(global);
    const auto clientPos = [&](TControl* c) { return c->ScreenToClient({global.x(), global.y()}); };
    if (target != s.target) {
        if (TControl* old = s.target) {
            s.target = nullptr;
            Send(old, dmDragLeave, clientPos(old), s.object);
        }
        s.target = target;
        if (target) Send(target, dmDragEnter, clientPos(target), s.object);
    }
    s.accepted = false;
    if (s.target) {
        s.targetPos = clientPos(s.target);
        s.accepted = Send(s.target, dmDragMove, s.targetPos, s.object) != 0;
    }
    if (State().source) ShowCursor(s.accepted ? s.source->DragCursor() : crNoDrop);
}

void DragDone(bool drop) {
    DragState s = State();
    if (!s.source) return;
    State() = DragState();
    if (s.cursorSet) QApplication::restoreOverrideCursor();
    // The drag is over before anyone hears of it, so the handlers may start the next one.
    TControl* target = s.target;
    bool accepted = false;
    if (target) {
        // The target says a last time whether it takes the drop.
        const bool takes = Send(target, dmDragLeave, s.targetPos, s.object) != 0;
        accepted = drop && s.accepted && takes;
        if (accepted) Send(target, dmDragDrop, s.targetPos, s.object);
    }
    ScopeExit free([&s] {
        if (s.ownObject) delete s.object;
    });
    ControlDragAccess::DoEndDrag(s.source, accepted ? target : nullptr, accepted ? s.targetPos.X : 0,
                                 accepted ? s.targetPos.Y : 0);
}

} // namespace

namespace Vcl::Detail {

void NoteMousePos(const QPoint& global) { MousePos() = global; }

bool DragActive() { return State().source != nullptr; }

bool DragMouse(QEvent::Type type, Qt::MouseButton button, const QPoint& global) {
    auto& s = State();
    if (!s.source) return false;
    switch (type) {
    case QEvent::MouseMove:
        if (!s.started && std::abs(global.x() - s.start.x()) < s.threshold &&
            std::abs(global.y() - s.start.y()) < s.threshold)
            return true;
        s.started = true;
        DragTo(global);
        return true;
    case QEvent::MouseButtonRelease:
        if (button != Qt::LeftButton) return true;
        if (s.started) DragTo(global);
        DragDone(true);
        return true;
    default:
        return true;
    }
}

bool DragKey(int qtKey) {
    if (!DragActive() || qtKey != Qt::Key_Escape) return false;
    DragDone(false);
    return true;
}

void DragMessage(TControl* control, TMessage& message) {
    auto* rec = reinterpret_cast<TDragRec*>(message.LParam);
    switch (static_cast<TDragMessage>(message.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
        if (!rec) return;
        bool accept = true;
        const auto state = message.WParam == dmDragEnter ? dsDragEnter
                           : message.WParam == dmDragLeave ? dsDragLeave : dsDragMove;
        ControlDragAccess::DragOver(control, SourceOf(rec->Source), rec->Pos.X, rec->Pos.Y, state, accept);
        message.Result = accept ? 1 : 0;
        break;
    }
    case dmDragDrop:
        if (rec) ControlDragAccess::DragDrop(control, SourceOf(rec->Source), rec->Pos.X, rec->Pos.Y);
        break;
    default:
        break;
    }
}

void ForgetDrag(const TControl* control) {
    auto& s = State();
    if (s.source == control) {
        if (s.cursorSet) QApplication::restoreOverrideCursor();
        if (s.ownObject) delete s.object;
        s = DragState();
    } else if (s.target == control) {
        s.target = nullptr;
        s.accepted = false;
    }
}

} // namespace Vcl::Detail

// ---- the control's side -----------------------------------------------------------------------------------
void TControl::BeginDrag(bool Immediate, int Threshold) {
    auto& s = State();
    if (s.source) return;
    TDragObject* object = nullptr;
    DoStartDrag(object);
    s = DragState();
    s.source = this;
    s.ownObject = object == nullptr;
    s.object = object ? object : new TDragControlObject(this);
    s.threshold = Threshold >= 0 ? Threshold : QApplication::startDragDistance();
    s.start = MousePos();
    if (Immediate) {
        s.started = true;
        DragTo(MousePos());
    }
}

void TControl::EndDrag(bool Drop) {
    if (State().source == this) DragDone(Drop);
}

bool TControl::Dragging() const { return State().source == this; }

bool TControl::BeginAutoDrag() {
    if (dragMode_ != dmAutomatic || dragKind_ != dkDrag || Dragging()) return false;
    BeginDrag(true);
    return true;
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
    if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    Accept = false;
    if (!OnDragOver) return;
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
    if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}
