// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace pelvane::testing {

/// Moves the calling thread (and everything it starts afterwards) into a network namespace of
/// its own with loopback up, so that a fixed port (UDP 1434) is free and seen by nothing else.
/// False, with the reason, where namespaces are impossible (not root, no CAP_SYS_ADMIN).
inline bool EnterPrivateNetwork(std::string& why) {
  if (::unshare(CLONE_NEWNET) != 0) {
    why = std::string("cannot make a private network namespace: ") + std::strerror(errno);
    return false;
  }
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq request{};
  std::snprintf(request.ifr_name, IFNAMSIZ, "lo");
  bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP | IFF_RUNNING);
  up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  if (fd >= 0) ::close(fd);
  if (!up) why = "cannot bring up lo in the private network namespace";
  return up;
}

}  // namespace pelvane::testing
