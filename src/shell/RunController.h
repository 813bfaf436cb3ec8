// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/MessageLog.h"
#include "engine/ReportRecorder.h"
#include "engine/RunControl.h"
#include "engine/RunSession.h"
#include "shell/GuiRunHost.h"
#include "uikit/RunWorker.h"
#include "uikit/ShellContext.h"

namespace pelvane::shell {

/// The Vesk SQL dialog's run beside the window: the run works on a thread of its own (a
/// RunWorker, always joined), its log reaches the window in batches, and Stop, Stop Now and a
/// close asked for during the run reach it from here. The window connects to the signals; every
/// signal but workHandedOver is sent on the window thread.
class RunController : public QObject {
  Q_OBJECT

 public:
  explicit RunController(ShellContext& context, QObject* parent = nullptr);
  /// A run still working is abandoned (see Abandon).
  ~RunController() override;

  bool IsRunning() const { return running_; }

  /// A run of these inputs from the 1-based startIndex, its report rows told to listener: the
  /// log is emptied and the session made, so that its report can be shown before Start.
  engine::RunSession& Prepare(engine::RunInputs inputs, int startIndex,
                              engine::ReportRecorder::Listener listener);
  /// Starts the prepared run on its thread; finished follows once the window shows its whole
  /// log.
  void Start();
  /// The run stops after the server in progress; StopNow also ends the script in progress.
  void Stop();
  void StopNow();

  /// Whether the window may close now. During a run it asks whether to stop; on Yes the run's
  /// remaining questions take their safe answers, it stops after the server in progress, and
  /// afterStop runs once it has ended (after finished).
  bool ConfirmCloseDuringRun(std::function<void()> afterStop);
  /// The window is going away under a run: the run's questions take their safe answers (unshown)
  /// and it stops after the server in progress; this waits for it. No finished follows.
  void Abandon();

  /// The run's log, kept between runs (a run that ended early keeps its collected lines).
  engine::MessageLog& log() { return log_; }
  /// Adds text (with its own "\r\n") to the log window, or empties it, outside a run's lines.
  void AppendLog(const std::string& text);
  void ClearLog();
  /// The run that has just finished, while finished is being sent; otherwise null.
  const engine::RunSession* FinishedSession() const { return finished_.get(); }

 Q_SIGNALS:
  void logCleared();
  /// A slice of the log text ("\r\n" line ends) for the end of the log window.
  void logAppended(const std::string& text);
  /// After the slices of one batch: the window scrolls to the end.
  void logShown();
  /// The Process Servers entries at these 1-based positions are in progress (empty: none).
  void serversInProgress(const std::vector<int>& positions);
  /// The caption the run button takes when the run ends.
  void runButtonCaption(const std::string& caption);
  /// The run cleared "Add TimeStamp Automatically?" (the keyword question's No).
  void addTimeStampCleared();
  /// A stop was asked for: the run button reads "Stopping..." until the server in progress is
  /// done.
  void stopping();
  /// The run has ended and the window shows its whole log; FinishedSession is its session.
  /// closing: it stopped for a close, whose afterStop follows.
  void finished(bool closing);
  /// From the run's thread: it has handed something to the window thread (connected queued to
  /// Serve; it carries nothing itself).
  void workHandedOver();

 private:
  /// Moves the log text the run has written to the window, a bounded slice per signal, so that
  /// no call holds the window thread long; what is left waits for the next tick.
  void FlushLog();
  /// Runs what the run handed over; once it has ended, finishes it.
  void Serve();
  void FinishRun();

  ShellContext& context_;
  RunWorker worker_;
  GuiRunHost runHost_;
  engine::MessageLog log_;
  engine::RunControl control_;
  std::unique_ptr<engine::RunSession> session_;   // the worker's while it runs
  std::unique_ptr<engine::RunSession> finished_;  // while finished is being sent
  bool running_ = false;
  QTimer flushTimer_;
  std::string backlog_;  // log text taken from the run, not yet in the window
  bool workerDone_ = false;
  std::function<void()> afterStop_;
};

}  // namespace pelvane::shell
