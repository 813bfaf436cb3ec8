// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "support/Loopback.h"

namespace pelvane::testing {

/// A TDS relay on a free loopback port in front of a real server. By default it passes the
/// pre-login and the login both ways, then swallows the client's SQL batches and RPCs without
/// an answer, and keeps the connection open: a server that accepts the login and then never
/// answers. The trickle modes pass everything, but the server's answers before (or from) the
/// first batch go to the client one byte every 100 ms: a server that keeps every read of the
/// client's short and the whole exchange endless.
class TdsStallProxy {
 public:
  enum class Mode { kStallBatches, kTrickleLogin, kTrickleBatches };

  explicit TdsStallProxy(int upstreamPort, Mode mode = Mode::kStallBatches)
      : mode_(mode),
        relay_(
            upstreamPort,
            [this](const Link& link, const char* data, size_t size) {
              FromClient(link, data, size);
            },
            [this](const Link& link, const char* data, size_t size) {
              if (Trickles(StateOf(link)))
                StateOf(link).trickling.append(data, size);
              else
                SendAll(link.client, data, size);
            },
            [this](const Link& link) { Trickle(link); }) {}

  int port() const { return relay_.port(); }
  /// "127.0.0.1,PORT", as ODBC and the run write a server.
  std::string server() const { return "127.0.0.1," + std::to_string(port()); }
  /// How many batches it has swallowed so far.
  int stalledBatches() const { return stalled_.load(); }
  /// How many connections it has relayed so far.
  int connections() const { return relay_.connections(); }

 private:
  using Link = LoopbackRelay::Link;
  struct State {
    std::string pending;  // client bytes not yet a whole packet
    bool stalled = false;
    bool batchSeen = false;
    std::string trickling;  // server bytes still to go to the client, one at a time
    std::chrono::steady_clock::time_point nextByte{};
  };

  State& StateOf(const Link& link) {
    if (states_.size() <= link.id) states_.resize(link.id + 1);
    return states_[link.id];
  }

  /// Client to server, a whole packet at a time: once a batch (0x01) or an RPC (0x03) comes,
  /// nothing more is passed on.
  void FromClient(const Link& link, const char* data, size_t size) {
    State& state = StateOf(link);
    state.pending.append(data, size);
    while (!state.stalled && state.pending.size() >= 8) {
      const unsigned char type = static_cast<unsigned char>(state.pending[0]);
      const size_t length = (static_cast<unsigned char>(state.pending[2]) << 8) |
                            static_cast<unsigned char>(state.pending[3]);
      if (length < 8 || state.pending.size() < length) return;
      if (type == 0x01 || type == 0x03) state.batchSeen = true;
      if ((type == 0x01 || type == 0x03) && mode_ == Mode::kStallBatches) {
        state.stalled = true;
        ++stalled_;
        return;
      }
      SendAll(link.server, state.pending.data(), length);
      state.pending.erase(0, length);
    }
    if (state.stalled) state.pending.clear();
  }

  bool Trickles(const State& state) const {
    return !state.trickling.empty() || (mode_ == Mode::kTrickleLogin && !state.batchSeen) ||
           (mode_ == Mode::kTrickleBatches && state.batchSeen);
  }

  void Trickle(const Link& link) {
    State& state = StateOf(link);
    const auto now = std::chrono::steady_clock::now();
    if (state.trickling.empty() || now < state.nextByte) return;
    SendAll(link.client, state.trickling.data(), 1);
    state.trickling.erase(0, 1);
    state.nextByte = now + std::chrono::milliseconds(100);
  }

  Mode mode_;
  std::atomic<int> stalled_{0};
  std::vector<State> states_;  // by link, touched by the relay's thread only
  LoopbackRelay relay_;        // last, so that its thread ends before the members above go
};

}  // namespace pelvane::testing
