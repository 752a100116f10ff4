#pragma once
// Inside the visual library only: the widget that is a control's window on screen, where Qt's events
// become the class library's messages (as a widget set's wrapper stands apart from the component).
// Reached by a path past the include directories, it still refuses what lies above the platform.
#ifndef ZB_PLATFORM_PRIVATE
#error "the Qt side of the visual library is for the platform and its tests only"
#endif

#include <QWidget>

#include "Messages.h"

class QKeyEvent;
class TControl;

// Lets the Qt side reach what the control keeps private.
struct ControlAccess {
    static void* Widget(const TControl* c);
    static void WindowGeometryChanged(TControl* c);
};

namespace Vcl::Detail {

// The widget of a control: turns Qt's events into the class library's messages for the control.
class THandleWidget : public QWidget {
public:
    THandleWidget(TControl* control, QWidget* parent, Qt::WindowFlags flags = {});
    ~THandleWidget() override;
    TControl* Control() const { return control_; }
    // The control is going: events after this point are not translated.
    void Detach() { control_ = nullptr; }
    // A key event as the control's key messages (WM_KEYDOWN/WM_SYSKEYDOWN, WM_CHAR, WM_KEYUP): the one
    // translation of keys, also for an editor inside the control. A plain Tab is left to move the focus
    // (false) unless TabsToControl.
    bool TranslateKey(QKeyEvent* e, bool TabsToControl = false);
protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
private:
    bool TranslateMouse(QEvent* e);
    // The cursor for what the hit test answered, unless the control chose one (WM_SETCURSOR).
    void SetHitCursor(LRESULT hit);
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    TControl* control_;
    bool hitCursor_ = false;   // a sizing cursor shows in place of the control's
};

// The control under the mouse is going: it gets no leave message, and the hints forget it.
void ForgetMouseControl(const TControl* control);

} // namespace Vcl::Detail
