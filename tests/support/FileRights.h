#pragma once
// Read-only folders and files mean nothing to root. While a ScopedUserFileRights lives, the calling
// thread lacks the capabilities that pass over file permissions, so a test run as root meets them
// as a user does; for anyone else it changes nothing.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

class ScopedUserFileRights {
public:
    ScopedUserFileRights() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        restore_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~ScopedUserFileRights() {
        if (restore_) ::syscall(SYS_capset, &header_, saved_);
    }
    ScopedUserFileRights(const ScopedUserFileRights&) = delete;
    ScopedUserFileRights& operator=(const ScopedUserFileRights&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool restore_ = false;
};

} // namespace testsupport
