#include "ProgramVersion.h"

TFileVersionInfo ProgramVersionInfo() {
    TFileVersionInfo info;
    info.Strings = {
        {"CompanyName", TARVOLIN_COMPANY},
        {"FileDescription", TARVOLIN_DESCRIPTION},
        {"FileVersion", TARVOLIN_VERSION},
        {"InternalName", "tarvolin"},
        {"LegalCopyright", AnsiString("© ") + TARVOLIN_COMPANY},
        {"OriginalFilename", "tarvolin"},
        {"ProductName", "Zorbelin"},
        {"ProductVersion", TARVOLIN_VERSION},
    };
    return info;
}

void RegisterProgramVersion() { VersionInfo::RegisterFileVersion(SysUtils::ParamStr(0), ProgramVersionInfo()); }
