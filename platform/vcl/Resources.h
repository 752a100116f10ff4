#pragma once
// The program's own resources: pictures and data compiled into the program (Qt's resource system)
// and found by name, as a module's resources are found by FindResource.
#include <string>

#include "SysUtils.h"

class TBitmap;

namespace Resources {
// The bytes of the resource Name (a file ":/res/Name.*" registered by a part of the program; the name
// is matched without case and extension). False when the program has no such resource.
bool FindResourceData(const AnsiString& Name, std::string& Bytes);
// Loads the bitmap resource Name into Bitmap. False, with the bitmap left as it was, when the program
// has no such resource or it holds no picture: each caller decides what a missing picture means.
bool LoadBitmap(TBitmap* Bitmap, const AnsiString& Name);
} // namespace Resources
