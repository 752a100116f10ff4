// The component's events are fanned out from the application's own: the first component takes them
// over and the last one hands them back. Mouse moves reach OnMessage through an event filter on the
// whole program, because the platform delivers them to widgets (the browser's too) and not through
// a queue.
#include "AppEvnts.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>

#include "VclPrivate.h"

namespace {

struct Saved {
    TMessageEvent onMessage;
    TExceptionEvent onException;
    TNotifyEvent onActivate;
    TNotifyEvent onDeactivate;
};

std::vector<TApplicationEvents*>& Instances() {
    static std::vector<TApplicationEvents*> instances;
    return instances;
}
Saved& Previous() {
    static Saved saved;
    return saved;
}

bool minimized = false;
std::vector<QPointer<QWidget>>& HiddenForms() {
    static std::vector<QPointer<QWidget>> forms;
    return forms;
}

// A copy: a handler may free a component while the others are being called.
std::vector<TApplicationEvents*> Snapshot() { return Instances(); }
bool Alive(TApplicationEvents* e) {
    auto& v = Instances();
    return std::find(v.begin(), v.end(), e) != v.end();
}

void DispatchMessage(TMsg& msg, bool& handled) {
    if (Previous().onMessage) Previous().onMessage(msg, handled);
    for (TApplicationEvents* e : Snapshot()) {
        if (handled) break;
        if (Alive(e) && e->OnMessage) e->OnMessage(msg, handled);
    }
}

class MouseMoveFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseMove || Instances().empty()) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget) return false;
        auto* me = static_cast<QMouseEvent*>(event);
        // The windowed control under the mouse: the widget's own or the nearest one around it.
        HWND hwnd = nullptr;
        QPoint local = me->position().toPoint();
        for (QWidget* w = widget; w; w = w->parentWidget()) {
            if (auto* c = dynamic_cast<TWinControl*>(Vcl::Detail::ControlOfWidget(w))) {
                hwnd = c->Handle();
                if (w != widget) local = widget->mapTo(w, local);
                break;
            }
        }
        WPARAM keys = 0;
        if (me->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
        if (me->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
        if (me->buttons() & Qt::MiddleButton) keys |= MK_MBUTTON;
        if (me->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
        if (me->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
        TMsg msg{hwnd, WM_MOUSEMOVE, keys, MAKELPARAM(local.x(), local.y())};
        bool handled = false;
        Vcl::Detail::Guarded(Application, [&] {
            for (TApplicationEvents* e : Snapshot()) {
                if (handled) break;
                if (Alive(e) && e->OnMessage) e->OnMessage(msg, handled);
            }
        });
        return handled;
    }
};

MouseMoveFilter* filter = nullptr;

void TakeOver() {
    Saved& s = Previous();
    s.onMessage = Application->OnMessage;
    s.onException = Application->OnException;
    s.onActivate = Application->OnActivate;
    s.onDeactivate = Application->OnDeactivate;
    Application->OnMessage = [](TMsg& msg, bool& handled) { DispatchMessage(msg, handled); };
    Application->OnException = [](TObject* sender, SysUtils::Exception* e) {
        bool any = false;
        for (TApplicationEvents* c : Snapshot()) {
            if (Alive(c) && c->OnException) {
                any = true;
                c->OnException(sender, e);
            }
        }
        if (any) return;
        if (Previous().onException) Previous().onException(sender, e);
        else Application->ShowException(e);
    };
    Application->OnActivate = [](TObject* sender) {
        if (Previous().onActivate) Previous().onActivate(sender);
        for (TApplicationEvents* c : Snapshot())
            if (Alive(c) && c->OnActivate) c->OnActivate(sender);
    };
    Application->OnDeactivate = [](TObject* sender) {
        if (Previous().onDeactivate) Previous().onDeactivate(sender);
        for (TApplicationEvents* c : Snapshot())
            if (Alive(c) && c->OnDeactivate) c->OnDeactivate(sender);
    };
    if (Vcl::Detail::EnsureQtApp() && !filter) {
        filter = new MouseMoveFilter;
        QCoreApplication::instance()->installEventFilter(filter);
    }
}

void HandBack() {
    Saved& s = Previous();
    Application->OnMessage = s.onMessage;
    Application->OnException = s.onException;
    Application->OnActivate = s.onActivate;
    Application->OnDeactivate = s.onDeactivate;
    s = Saved{};
    if (filter) {
        if (auto* app = QCoreApplication::instance()) app->removeEventFilter(filter);
        delete filter;
        filter = nullptr;
    }
}

} // namespace

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
    if (Instances().empty()) TakeOver();
    Instances().push_back(this);
}

TApplicationEvents::~TApplicationEvents() {
    auto& v = Instances();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    if (v.empty()) HandBack();
}

void AppEvnts::MinimizeApplication() {
    if (minimized) return;
    minimized = true;
    auto& hidden = HiddenForms();
    hidden.clear();
    for (int i = 0; i < Screen->FormCount(); ++i) {
        QWidget* w = Vcl::Detail::HandleWidget(Screen->Forms(i));
        if (w && w->isVisible()) {
            hidden.emplace_back(w);
            w->hide();
        }
    }
    for (TApplicationEvents* e : Snapshot())
        if (Alive(e) && e->OnMinimize) e->OnMinimize(Application);
}

void AppEvnts::RestoreApplication() {
    if (!minimized) return;
    minimized = false;
    for (auto& w : HiddenForms())
        if (w) w->show();
    HiddenForms().clear();
    for (TApplicationEvents* e : Snapshot())
        if (Alive(e) && e->OnRestore) e->OnRestore(Application);
}

bool AppEvnts::ApplicationMinimized() { return minimized; }
