#pragma once
// Lets a test run as root (as in CI) open devices as an ordinary user does:
// while an AsOrdinaryUser lives, the thread's effective capabilities lack the
// overrides of file permissions and of a terminal's exclusive mode. The
// permitted set keeps them, so they come back when it ends. Run by an
// ordinary user it changes nothing, there being nothing to drop.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quarn::test {

class AsOrdinaryUser {
 public:
  AsOrdinaryUser() {
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    for (const unsigned capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_SYS_ADMIN}) {
      lowered[capability / 32].effective &= ~(1u << (capability % 32));
    }
    lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
  }
  ~AsOrdinaryUser() {
    if (lowered_) ::syscall(SYS_capset, &header_, saved_);
  }
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

  // False when root's overrides could not be dropped, so the test would not
  // see what a user sees.
  bool holds() const { return lowered_ || ::geteuid() != 0; }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool lowered_ = false;
};

}  // namespace quarn::test
