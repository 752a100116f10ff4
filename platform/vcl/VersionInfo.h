#pragma once
// Version data of program files. Executables on Linux carry no version resource: the program states
// its own version (compiled in) for its file at start-up, and any other file has none.
#include <map>

#include "SysUtils.h"
#include "WinApi.h"

struct TFileVersionInfo {
    // The first translation: language and code page.
    Word Language = 0x0407;
    Word CodePage = 0x04E4;
    // The items of the string table ("FileVersion", "ProductName" ...).
    std::map<AnsiString, AnsiString> Strings;
    // Debug, pre-release, patched, private, info-inferred, special build (0x01 ... 0x20).
    DWORD FileFlags = 0;
};

namespace VersionInfo {
// States the version data of a file (found again under any spelling that names the same file).
void RegisterFileVersion(const AnsiString& FileName, const TFileVersionInfo& Info);
void UnregisterFileVersion(const AnsiString& FileName);
// False when the file has no version data.
bool GetFileVersion(const AnsiString& FileName, TFileVersionInfo& Info);
} // namespace VersionInfo
