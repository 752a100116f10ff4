#include "ProgramName.h"

#include <cctype>
#include <cerrno>
#include <mutex>

namespace SysUtils {

namespace {
// Given once at start; read by any thread that opens the registry.
std::mutex lock;
AnsiString& Name() {
    static AnsiString name = program_invocation_short_name;
    return name;
}
} // namespace

void SetProgramName(const AnsiString& name) {
    std::lock_guard<std::mutex> guard(lock);
    Name() = name;
}

AnsiString ProgramName() {
    std::lock_guard<std::mutex> guard(lock);
    return Name();
}

AnsiString ProgramVariable(const AnsiString& what) {
    AnsiString variable = ProgramName();
    for (char& c : variable) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return variable + "_" + what;
}

} // namespace SysUtils
