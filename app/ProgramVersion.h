#pragma once
// The version data of the program's own file, as the build states them.
#include "VersionInfo.h"

TFileVersionInfo ProgramVersionInfo();
// Makes the data readable for the program's file, as a version label reads them.
void RegisterProgramVersion();
