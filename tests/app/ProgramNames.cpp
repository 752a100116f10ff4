// The program's names, given to the platform before the application object exists, as the program
// itself does first thing at start.
#include "Tarvolin.h"

namespace {
const bool named = (NameTheProgram(), true);
} // namespace
