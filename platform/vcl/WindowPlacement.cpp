#include "WindowPlacement.h"

#include <algorithm>
#include <utility>

#include <QWidget>
#include <QWindow>

#include "Forms.h"
#include "VclPrivate.h"

namespace WindowPlacement {

bool GetFormPlacement(const TCustomForm* Form, TWindowPlacement& Placement) {
    const QWidget* w = Form ? Vcl::Detail::HandleWidget(Form) : nullptr;
    if (!w) return false;
    const TRect f = Form->FrameExtents();
    if (w->isMaximized() || w->isMinimized()) {
        // Qt keeps the client rectangle the window returns to; the frame goes around it.
        const QRect n = w->normalGeometry();
        if (n.isValid()) {
            Placement.rcNormalPosition = {n.x() - f.Left, n.y() - f.Top, n.x() + n.width() + f.Right,
                                          n.y() + n.height() + f.Bottom};
        } else {
            Placement.rcNormalPosition = Form->BoundsRect();
        }
        Placement.showCmd = w->isMaximized() ? SW_SHOWMAXIMIZED_PLACEMENT : SW_SHOWMINIMIZED_PLACEMENT;
    } else {
        Placement.rcNormalPosition = Form->BoundsRect();
        Placement.showCmd = SW_SHOWNORMAL_PLACEMENT;
    }
    return true;
}

bool StartSystemMove(TCustomForm* Form) {
    QWidget* w = Form ? Vcl::Detail::HandleWidget(Form) : nullptr;
    if (!w || !w->windowHandle() || !w->isVisible()) return false;
    return w->windowHandle()->startSystemMove();
}

TRect FitIntoWorkArea(long long Left, long long Top, long long Width, long long Height, const TRect& Work,
                      int MinWidth, int MinHeight) {
    const auto fit = [](long long from, long long size, long long start, long long end, long long least) {
        const long long room = std::max(0LL, end - start);
        size = std::max(std::min(size, room), std::max(0LL, least));
        from = std::max(start, std::min(from, end - size));
        return std::pair<int, int>(int(from), int(size));
    };
    const auto [x, w] = fit(Left, Width, Work.Left, Work.Right, MinWidth);
    const auto [y, h] = fit(Top, Height, Work.Top, Work.Bottom, MinHeight);
    return {x, y, x + w, y + h};
}

} // namespace WindowPlacement
