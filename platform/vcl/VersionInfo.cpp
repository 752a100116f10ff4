#include "VersionInfo.h"

#include <filesystem>
#include <mutex>

namespace {

std::mutex mutex;
std::map<std::string, TFileVersionInfo>& Table() {
    static std::map<std::string, TFileVersionInfo> table;
    return table;
}

std::string Key(const AnsiString& fileName) {
    std::error_code ec;
    const std::filesystem::path p(SysUtils::ResolvePath(fileName));
    auto canonical = std::filesystem::weakly_canonical(p, ec);
    return ec ? p.lexically_normal().string() : canonical.string();
}

} // namespace

namespace VersionInfo {

void RegisterFileVersion(const AnsiString& FileName, const TFileVersionInfo& Info) {
    std::lock_guard lock(mutex);
    Table()[Key(FileName)] = Info;
}

void UnregisterFileVersion(const AnsiString& FileName) {
    std::lock_guard lock(mutex);
    Table().erase(Key(FileName));
}

bool GetFileVersion(const AnsiString& FileName, TFileVersionInfo& Info) {
    std::lock_guard lock(mutex);
    const auto it = Table().find(Key(FileName));
    if (it == Table().end()) return false;
    Info = it->second;
    return true;
}

} // namespace VersionInfo
