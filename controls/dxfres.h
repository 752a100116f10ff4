#pragma once
// Bitmaps the flat controls share: the off-screen surface they paint through, the font-kind glyphs and the check-box glyph
// strip (14 styles of four square cells: unchecked, checked, unchecked disabled, checked disabled).
#include "Graphics.h"
#include "ImgList.h"

namespace dxfres {
// Made on first use, kept until the program ends; it grows to the largest control painted through it.
TBitmap* DrawBmp();
// The program's bitmap "CHECKBOX"; empty when the program lacks it.
TBitmap* CBBmp();
// Two masked glyphs of the program's bitmaps: 0 a TrueType font ("TTFONT"), 1 a device font
// ("DEVICEFONT"); made on first use.
TImageList* ImageList();
// The number of glyph styles in the strip (at least 1, also for an empty strip).
int StyleCount();
} // namespace dxfres
