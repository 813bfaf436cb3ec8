// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pelvane::engine {

/// One piece of a server's log: a message for the run log (LogMessage's text and endLine), or
/// text that goes straight into the log window.
struct LogPiece {
  enum class Kind { kMessage, kWindowText };
  Kind kind = Kind::kMessage;
  std::string text;
  bool endLine = true;
};

/// The log of one server. A server processed beside others keeps its pieces until its turn in
/// the log; a server processed alone passes each piece on at once.
class ServerLog {
 public:
  using Forward = std::function<void(const LogPiece&)>;

  /// Keeps every piece.
  ServerLog() = default;
  /// Passes every piece on at once and keeps none.
  explicit ServerLog(Forward forward) : forward_(std::move(forward)) {}

  void Message(const std::string& text, bool endLine) {
    Add({LogPiece::Kind::kMessage, text, endLine});
  }
  void WindowText(const std::string& text) { Add({LogPiece::Kind::kWindowText, text, false}); }

  void Add(LogPiece piece) {
    if (forward_)
      forward_(piece);
    else
      pieces_.push_back(std::move(piece));
  }
  const std::vector<LogPiece>& Pieces() const { return pieces_; }

 private:
  Forward forward_;
  std::vector<LogPiece> pieces_;
};

}  // namespace pelvane::engine
