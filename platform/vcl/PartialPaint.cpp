#include "PartialPaint.h"

#include <QWidget>

#include "Controls.h"
#include "GraphicsQt.h"
#include "VclPrivate.h"

namespace PartialPaint {

void InvalidateRect(TControl* Control, const TRect& Rect) {
    if (QWidget* w = Control ? Vcl::Detail::HandleWidget(Control) : nullptr) w->update(GraphicsQt::ToQRect(Rect));
}

} // namespace PartialPaint
