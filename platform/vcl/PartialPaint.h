#pragma once
// Asking for a repaint of part of a control only.
#include "Types.h"

class TControl;

namespace PartialPaint {
// Marks Rect (client coordinates) for repainting; the background is not erased first.
void InvalidateRect(TControl* Control, const TRect& Rect);
} // namespace PartialPaint
