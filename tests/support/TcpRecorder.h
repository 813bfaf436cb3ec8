// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <string>

#include "support/Loopback.h"

namespace pelvane::testing {

/// A relay on a free loopback port in front of a server that passes every byte both ways
/// unchanged and keeps a copy: what anyone on the wire would see.
class TcpRecorder {
 public:
  explicit TcpRecorder(int upstreamPort)
      : relay_(
            upstreamPort,
            [this](const LoopbackRelay::Link& link, const char* data, size_t size) {
              Record(link.server, data, size);
            },
            [this](const LoopbackRelay::Link& link, const char* data, size_t size) {
              Record(link.client, data, size);
            }) {}

  int port() const { return relay_.port(); }
  /// Everything relayed so far, both directions one after the other as it came.
  std::string seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void Record(int to, const char* data, size_t size) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.append(data, size);
    }
    SendAll(to, data, size);
  }

  mutable std::mutex mutex_;
  std::string seen_;
  LoopbackRelay relay_;  // last, so that its thread ends before the members above go
};

}  // namespace pelvane::testing
