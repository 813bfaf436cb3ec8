#pragma once

#include <atomic>
#include <mutex>

namespace pelvane::engine {

/// The end of a run whose servers are processed side by side. Once one server ends the run (end
/// and display, a cancelled question, a missing query tool), the others start no further script
/// or step. A question whose answer may end the run is asked while Deciding() is held, so that a
/// server coming to the same question after the end neither asks nor logs it again.
class SharedRunEnd {
 public:
  SharedRunEnd() = default;
  SharedRunEnd(const SharedRunEnd&) = delete;
  SharedRunEnd& operator=(const SharedRunEnd&) = delete;

  void End() { ended_ = true; }
  bool Ended() const { return ended_; }
  std::unique_lock<std::mutex> Deciding() { return std::unique_lock<std::mutex>(deciding_); }

 private:
  std::atomic<bool> ended_{false};
  std::mutex deciding_;
};

}  // namespace pelvane::engine
