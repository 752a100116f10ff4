#include "LockKeys.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "WinApi.h"

namespace {
std::function<bool(int)>& Source() {
    static std::function<bool(int)> source;
    return source;
}

// Any keyboard's indicator of that name lit: /sys/class/leds/<device>::numlock/brightness.
bool IndicatorLit(const std::string& suffix) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/leds", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        std::ifstream in(entry.path() / "brightness");
        int value = 0;
        if (in >> value && value > 0) return true;
    }
    return false;
}
} // namespace

bool LockKeys::KeyToggled(int VirtualKey) {
    if (Source()) return Source()(VirtualKey);
    switch (VirtualKey) {
    case VK_NUMLOCK: return IndicatorLit("::numlock");
    case VK_CAPITAL: return IndicatorLit("::capslock");
    case VK_SCROLL: return IndicatorLit("::scrolllock");
    default: return false;
    }
}

void LockKeys::SetSource(std::function<bool(int)> Source_) { Source() = std::move(Source_); }
