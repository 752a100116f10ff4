#pragma once
// The page builder: one thread per calendar page.
#include "Classes.h"
#include "Colors.h"
#include "ViewParameters.h"

class BuildTarvolan {
public:
    // "#RRGGBB" of a colour; a system colour is resolved first.
    static AnsiString ColorToHtml(TColor Color);
};
