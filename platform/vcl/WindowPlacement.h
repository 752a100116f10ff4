#pragma once
// A form's normal (restored) rectangle and show state, and moving a form with the mouse the way a
// press on its caption does.
#include "Types.h"
#include "WinApi.h"

class TCustomForm;

constexpr UINT SW_SHOWNORMAL_PLACEMENT = 1, SW_SHOWMINIMIZED_PLACEMENT = 2, SW_SHOWMAXIMIZED_PLACEMENT = 3;

struct TWindowPlacement {
    UINT showCmd = SW_SHOWNORMAL_PLACEMENT;
    // The outer rectangle, frame included, the form has when it is neither maximized nor minimized.
    TRect rcNormalPosition;
};

namespace WindowPlacement {
// False when the form has no window.
bool GetFormPlacement(const TCustomForm* Form, TWindowPlacement& Placement);
// Hands the move to the window manager as a press on the caption would; false when it cannot take it
// (then the caller follows the mouse itself).
bool StartSystemMove(TCustomForm* Form);
// A place and size read from a file, brought wholly inside Work: at least MinWidth x MinHeight and at
// most the work area's size (the minimum wins on a smaller screen). Whatever the numbers, even
// the ends of the integer range, nothing overflows and no window is made larger than the screen.
TRect FitIntoWorkArea(long long Left, long long Top, long long Width, long long Height, const TRect& Work,
                      int MinWidth = 0, int MinHeight = 0);
} // namespace WindowPlacement
