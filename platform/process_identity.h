#pragma once

#include <cstdint>
#include <string>

namespace tessimor {

// Who a process is on its host, so that a pid the system has since given to another process is
// not taken for it: the start time tells them apart, the boot a start time belongs to too.
struct ProcessIdentity {
  std::string host;
  std::string boot;  // the kernel's id of the boot the process started in
  std::int64_t pid = 0;
  std::uint64_t start_ticks = 0;  // clock ticks after boot, as /proc/<pid>/stat gives it
};

ProcessIdentity ThisProcess();
// True only when `who` is known to have ended: a process of this host that runs no more (a
// zombie has ended), or one from an earlier boot. One of another host cannot be looked at, so
// it is never known to have ended.
bool HasEnded(const ProcessIdentity& who);

}  // namespace tessimor
