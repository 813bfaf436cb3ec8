// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <utility>

namespace pelvane::engine {

/// The window that shows the run log. Line ends in the text are "\r\n". Keeping the end of the
/// text in view after each change is the window's own job.
class LogWindow {
 public:
  virtual ~LogWindow() = default;
  virtual void AppendText(const std::string& text) = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
};

/// A log window held in memory, for a front end without windows. An optional echo sees each
/// text as it becomes visible: every appended piece, and the new text of SetText, which is how
/// a deferred log appears at the end of a run. Emptying the window echoes nothing.
/// Used from one thread at a time.
class TextLogWindow : public LogWindow {
 public:
  using Echo = std::function<void(const std::string&)>;

  TextLogWindow() = default;
  explicit TextLogWindow(Echo echo) : echo_(std::move(echo)) {}

  void AppendText(const std::string& text) override {
    text_ += text;
    if (echo_ && !text.empty()) echo_(text);
  }
  void SetText(const std::string& text) override {
    text_ = text;
    if (echo_ && !text.empty()) echo_(text);
  }
  std::string Text() const override { return text_; }

 private:
  Echo echo_;
  std::string text_;
};

}  // namespace pelvane::engine
