#pragma once
// Sets the process locale for one test and restores the one before.
#include <clocale>
#include <string>

namespace testsupport {

class ProcessLocale {
public:
    explicit ProcessLocale(const char* name) : before_(std::setlocale(LC_ALL, nullptr)) {
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ProcessLocale() { std::setlocale(LC_ALL, before_.c_str()); }
    ProcessLocale(const ProcessLocale&) = delete;
    ProcessLocale& operator=(const ProcessLocale&) = delete;
    bool ok() const { return ok_; }

private:
    std::string before_;
    bool ok_ = false;
};

} // namespace testsupport
