// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "engine/ports/LogWindow.h"
#include "settings/ScratchFile.h"
#include "settings/Status.h"

namespace pelvane::engine {

/// The line that separates parts of the log: 82 hyphens.
std::string LogSeparator();

/// The whole content of a file as 8-bit text; a missing file is error 53 "File not found".
Result<std::string> ReadWholeFile(const std::string& path);

/// The file a LogFile setting names: the fixed log file when it is empty or "C:\Pelvane.log"
/// (from a settings file written on Windows), an absolute path as it stands, a relative name in
/// the fixed log file's folder.
std::string NamedLogFile(const std::string& logFile, const std::string& fixedLogFile);

/// The run log. Live mode (RefreshLogWindow 1) writes each message into the window at once;
/// any other value collects finished lines in the temporary error file, to be shown by
/// LoadDeferredLog when the run ends.
///
/// One object lives as long as the program: an unfinished line and the lines of a run that
/// ended early are kept and open the log of the next run that completes.
///
/// The log keeps its own copy of what it has put into the window, so saving the log never reads
/// the window (which may live on another thread). Everything that writes into the window goes
/// through Window(): the run from its thread, and the desktop program's window thread beside a
/// working run (a remote time that could not be read), so the copy is locked.
class MessageLog {
 public:
  /// Deferred lines are collected in a file of this object's own named after tempErrorFile
  /// ("tmpErrMsgs.log" gives "tmpErrMsgs-XXXXXX.log"), so that two runs side by side never
  /// share one; it is made at the first deferred line and goes with LoadDeferredLog or with
  /// the object. fixedLogFile is the log file used when no other is
  /// named, and its folder is where relative log file names are looked up.
  MessageLog(LogWindow& window, std::string tempErrorFile, std::string fixedLogFile);
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  /// The log window as the run writes into it directly; its text is the log's own copy.
  LogWindow& Window() { return window_; }
  /// Empties the window, as the dialog does before each run.
  void ClearWindow() { window_.SetText(""); }

  void SetRefreshLogWindow(int16_t value) { refreshLogWindow_ = value; }
  int16_t RefreshLogWindow() const { return refreshLogWindow_; }
  /// The started but unfinished line of deferred mode.
  const std::string& PendingLogText() const { return pendingLogText_; }
  /// The file that holds the collected lines now; empty while there is none.
  const std::string& TempErrorFile() const { return scratch_.path(); }
  const std::string& FixedLogFile() const { return fixedLogFile_; }

  /// Adds text to the log; endLine ends the current line after it. A deferred line that cannot
  /// be written stays pending, so the next finished line carries it.
  Status LogMessage(const std::string& text, bool endLine);

  /// In deferred mode, replaces the window's text with the collected lines and deletes the
  /// temporary error file. Without that file: error 53, and the window keeps its text.
  Status LoadDeferredLog();

  /// After a deferred run that ended early: the lines it collected (and a started line) go into
  /// the window after what it shows, as a live run would have shown them, for a front end that
  /// has no next run to show them with. Nothing collected: nothing happens.
  Status ShowCollectedLines();

  /// Appends the lines collected and not yet shown (and a started line) to the log file, as
  /// SaveLogToFile chooses it, for when no run will show them any more (the window closes). They
  /// are kept when the file cannot be written.
  Status SaveCollectedLines(const std::string& logFile);

  /// Appends the log's text (as the window shows it) and a line end to the log file: logFile when
  /// it names one (a relative name lies in the fixed log file's folder), the fixed log file when it
  /// is empty. A logFile that is the fixed log file itself, or "C:\Pelvane.log" from a settings
  /// file written on Windows, writes nothing.
  Status SaveLogToFile(const std::string& logFile);

 private:
  /// The collected lines and the started line; empty when there are none.
  Result<std::string> CollectedLines() const;
  /// Forgets the collected lines and the started line; the temporary error file goes.
  void DropCollectedLines();
  /// The file SaveLogToFile writes to; empty when it writes nothing.
  std::string LogFileTarget(const std::string& logFile) const;

  /// Passes every change on to the real window and keeps the text; any thread. The real window
  /// sees the changes in the order of the copy.
  class MirroredWindow : public LogWindow {
   public:
    explicit MirroredWindow(LogWindow& target) : target_(target) {}
    void AppendText(const std::string& text) override;
    void SetText(const std::string& text) override;
    std::string Text() const override;

   private:
    LogWindow& target_;
    mutable std::mutex mutex_;
    std::string text_;
  };

  MirroredWindow window_;
  std::string tempErrorFile_;
  std::string fixedLogFile_;
  int16_t refreshLogWindow_ = 1;
  std::string pendingLogText_;
  settings::ScratchFile scratch_;
};

}  // namespace pelvane::engine
