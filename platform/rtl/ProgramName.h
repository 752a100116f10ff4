#pragma once
// The program's short name ("program"), which the program gives first thing at start. What the
// platform keeps for the program is called after it: the registry's folders, the session folder and
// the environment switches PROGRAM_REGISTRY and PROGRAM_CLOCK. Until it is given it is the name of
// the program's file.
#include "System.h"

namespace SysUtils {

void SetProgramName(const AnsiString& name);
AnsiString ProgramName();
// The environment variable of one switch: the name in capitals, "_" and what it switches
// ("CLOCK" -> "PROGRAM_CLOCK").
AnsiString ProgramVariable(const AnsiString& what);

} // namespace SysUtils
