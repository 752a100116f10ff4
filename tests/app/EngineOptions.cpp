// The copies of the program the tests start get the test program's sanitizer options, and the
// browser engine its settings for a test run as root without a GPU; said before any application
// object exists.
#include <cstdlib>

namespace {
[[maybe_unused]] const bool childOptions = [] {
    setenv("ASAN_OPTIONS", "detect_leaks=0:new_delete_type_mismatch=0", 0);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-background-networking", 0);
    return true;
}();
} // namespace
