#pragma once
// Window regions: the part of a window that shows and takes the mouse. A window without a region
// is its whole rectangle.
#include <memory>
#include <vector>

#include "Types.h"

class TWinControl;
struct TRegionData;
using HRGN = TRegionData*;

// A rectangle (X1, Y1)-(X2, Y2) with corners of an ellipse W x H.
HRGN CreateRoundRectRgn(int X1, int Y1, int X2, int Y2, int W, int H);
HRGN CreateRectRgn(int X1, int Y1, int X2, int Y2);
// The ellipse inside (X1, Y1)-(X2, Y2).
HRGN CreateEllipticRgn(int X1, int Y1, int X2, int Y2);
// A polygon filled by the winding rule; as filled polygons, it leaves its right and bottom edges out.
HRGN CreatePolygonRgn(const std::vector<TPoint>& Points);
// Dest becomes the union of Dest and Src (Src stays the caller's).
void UnionRgn(HRGN Dest, HRGN Src);
bool RgnEmpty(HRGN Rgn);
void DeleteRgn(HRGN Rgn);
bool PtInRegion(HRGN Rgn, int X, int Y);
// The window takes the region over (a nullptr region gives it its whole rectangle back); the
// region then belongs to the window and must not be deleted by the caller.
int SetWindowRgn(TWinControl* Control, HRGN Rgn, bool Redraw);
// Whether a client point of the window lies in its region (true everywhere without one).
bool PtInWindowRgn(const TWinControl* Control, int X, int Y);
