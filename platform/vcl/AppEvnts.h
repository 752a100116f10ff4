#pragma once
// Application events as a component: each one placed on a form hears the application's messages,
// exceptions, activation and restoring, alongside every other.
#include <vector>

#include "Forms.h"

class TApplicationEvents : public TComponent {
public:
    explicit TApplicationEvents(TComponent* AOwner);
    ~TApplicationEvents() override;

    // Every message the loop takes: the posted ones, and the mouse moving over any window of the
    // program (WM_MOUSEMOVE to the control under it, or to no handle over a window of no control).
    // Handled = true keeps a posted message from its window.
    TMessageEvent OnMessage;
    // A failure that reached the loop; while any component has this event, nothing is shown.
    TExceptionEvent OnException;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
};

namespace AppEvnts {
// The program as a whole goes out of sight (its visible forms are hidden) or comes back.
void MinimizeApplication();
void RestoreApplication();
bool ApplicationMinimized();
} // namespace AppEvnts
