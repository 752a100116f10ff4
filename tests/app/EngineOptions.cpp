// The browser engine's and the font library's own blocks trip two checks of the address sanitizer
// that are not ours (leaks at exit, a sized delete); they stay on for everything else.
#include <cstdlib>

extern "C" const char* __asan_default_options() { return "detect_leaks=0:new_delete_type_mismatch=0"; }

namespace {
// The same for the copies of the program the tests start, and the engine's settings for a test
// that runs as root without a GPU; said before any application object exists.
[[maybe_unused]] const bool childOptions = [] {
    setenv("ASAN_OPTIONS", "detect_leaks=0:new_delete_type_mismatch=0", 0);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-background-networking", 0);
    return true;
}();
} // namespace
