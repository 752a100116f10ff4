#include "BuildCalendar.h"

AnsiString BuildTarvolan::ColorToHtml(TColor Color) {
    // Masked to 24 bits: a value such as clNone would otherwise give eight digits and shift the pairs.
    const AnsiString s = SysUtils::IntToHex(Graphics::ColorToRGB(Color) & 0xFFFFFF, 6);
    return "#" + s.substr(4, 2) + s.substr(2, 2) + s.substr(0, 2);
}
