// The browser engine's own library trips two checks of the address sanitizer that are not ours
// (leaks at exit, a sized delete); they stay on for everything else of the sanitizer.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0:new_delete_type_mismatch=0";
}
