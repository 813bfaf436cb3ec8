// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

namespace pelvane::standin::tds {

/// Owns one socket descriptor and closes it once.
class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket();
  Socket(Socket&& other) noexcept : fd_(other.Release()) {}
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release();

  /// Fills the whole buffer; false on end of stream or error.
  bool ReadExact(char* data, size_t size) const;
  /// Sends everything; false when the peer has gone (never raises SIGPIPE).
  bool WriteAll(const std::string& data) const;
  /// Ends both directions so that a thread blocked in a read wakes up.
  void Shutdown() const;

 private:
  int fd_ = -1;
};

}  // namespace pelvane::standin::tds
