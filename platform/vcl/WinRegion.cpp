#include "WinRegion.h"

#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <map>

#include "Controls.h"
#include "VclPrivate.h"

struct TRegionData {
    QRegion region;
};

namespace {
// The regions windows own, by control.
std::map<const TWinControl*, std::unique_ptr<TRegionData>>& Owned() {
    static std::map<const TWinControl*, std::unique_ptr<TRegionData>> owned;
    return owned;
}
} // namespace

HRGN CreateRoundRectRgn(int X1, int Y1, int X2, int Y2, int W, int H) {
    // The window system leaves the right and bottom edges out of the region, as filled polygons do.
    QPainterPath path;
    path.addRoundedRect(QRectF(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1), W / 2.0, H / 2.0);
    return new TRegionData{QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill)};
}

HRGN CreateRectRgn(int X1, int Y1, int X2, int Y2) {
    return new TRegionData{QRegion(X1, Y1, X2 - X1, Y2 - Y1)};
}

HRGN CreateEllipticRgn(int X1, int Y1, int X2, int Y2) {
    return new TRegionData{QRegion(X1, Y1, X2 - X1, Y2 - Y1, QRegion::Ellipse)};
}

HRGN CreatePolygonRgn(const std::vector<TPoint>& Points) {
    QPolygon polygon;
    for (const TPoint& p : Points) polygon << QPoint(p.X, p.Y);
    return new TRegionData{QRegion(polygon, Qt::WindingFill)};
}

void UnionRgn(HRGN Dest, HRGN Src) {
    if (Dest && Src) Dest->region = Dest->region.united(Src->region);
}

bool RgnEmpty(HRGN Rgn) { return !Rgn || Rgn->region.isEmpty(); }

void DeleteRgn(HRGN Rgn) { delete Rgn; }

bool PtInRegion(HRGN Rgn, int X, int Y) { return Rgn && Rgn->region.contains(QPoint(X, Y)); }

int SetWindowRgn(TWinControl* Control, HRGN Rgn, bool Redraw) {
    if (!Control) return 0;
    QWidget* w = Vcl::Detail::HandleWidget(Control);
    auto& owned = Owned();
    if (!Rgn) {
        owned.erase(Control);
        if (w) w->clearMask();
    } else {
        owned[Control].reset(Rgn);
        // An empty region hides the window: Qt reads an empty mask as no mask at all.
        if (w) w->setMask(Rgn->region.isEmpty() ? QRegion(-2, -2, 1, 1) : Rgn->region);
    }
    if (Redraw && w) w->update();
    return 1;
}

bool PtInWindowRgn(const TWinControl* Control, int X, int Y) {
    auto& owned = Owned();
    const auto it = owned.find(Control);
    return it == owned.end() || it->second->region.contains(QPoint(X, Y));
}
