// Defaults every test program starts with, whether ctest, ./test or a person runs it.
#include <clocale>
#include <cstdlib>

#include "ProgramName.h"

// Qt's and fontconfig's own libraries keep memory until exit and the browser engine trips a sized
// delete check; neither is ours. Weak, so a test program may state its own options.
extern "C" __attribute__((weak)) const char* __asan_default_options() {
    return "detect_leaks=0:new_delete_type_mismatch=0";
}

namespace {
// The process locale comes from the environment, as the program's own (Qt sets it at start): under
// the users' de_DE.UTF-8 every number the tests read or write meets a decimal comma in LC_NUMERIC.
const bool locale = [] { return std::setlocale(LC_ALL, "") != nullptr; }();
// No test needs a display: widgets paint offscreen unless a person asks for another platform.
const bool offscreen = [] { return setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0; }();
// Pixel tests see the project's fonts only, never the machine's, and so do the programs they start.
const bool fonts = [] { return setenv("FONTCONFIG_FILE", ZB_TEST_FONTCONFIG, 1) == 0; }();
// The program's name, as the program gives it at start: the registry folder comes from
// ZORBELIN_REGISTRY and the clock from ZORBELIN_CLOCK, as in the programs the tests start.
const bool named = [] { SysUtils::SetProgramName("zorbelin"); return true; }();
}
