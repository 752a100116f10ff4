#pragma once
// Drawing the to-do list's header, rows and frame have in common.
#include "Graphics.h"

namespace TodoListDraw {

constexpr TColor GridGrey = 0x808080;

inline void Line(TCanvas* c, int x1, int y1, int x2, int y2) {
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
}

inline unsigned AlignFlags(TAlignment a) {
    switch (a) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
    }
}

} // namespace TodoListDraw
