// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/RunController.h"

#include <QElapsedTimer>
#include <algorithm>
#include <utility>

namespace pelvane::shell {

namespace {

constexpr int kFlushIntervalMs = 50;
// How long one flush may hand text to the window, and the size of one slice.
constexpr qint64 kFlushBudgetMs = 15;
constexpr size_t kFlushSliceBytes = 8 * 1024;

}  // namespace

RunController::RunController(ShellContext& context, QObject* parent)
    : QObject(parent),
      context_(context),
      worker_([this] { Q_EMIT workHandedOver(); }),
      runHost_(
          worker_, context.prompter,
          RunWindowActions{
              [this] { FlushLog(); },
              [this](int position) {
                Q_EMIT serversInProgress(position > 0 ? std::vector<int>{position}
                                                      : std::vector<int>{});
              },
              [this](const std::string& caption) { Q_EMIT runButtonCaption(caption); },
              [this] { Q_EMIT addTimeStampCleared(); },
              [this](const std::vector<int>& positions) { Q_EMIT serversInProgress(positions); }}),
      log_(runHost_.batch(), context.state.TempErrorFile, context.state.FixedLogFile) {
  flushTimer_.setInterval(kFlushIntervalMs);
  connect(&flushTimer_, &QTimer::timeout, this, [this] { FlushLog(); });
  connect(this, &RunController::workHandedOver, this, &RunController::Serve, Qt::QueuedConnection);
}

RunController::~RunController() {
  Abandon();
}

engine::RunSession& RunController::Prepare(engine::RunInputs inputs, int startIndex,
                                           engine::ReportRecorder::Listener listener) {
  log_.ClearWindow();
  runHost_.batch().Reset("");
  Q_EMIT logCleared();
  control_.Reset();
  const ShellPorts& p = context_.ports;
  const engine::RunPorts ports{runHost_, p.sql,      p.processes, p.shares,
                               p.clock,  p.services, p.sleeper,   p.keyring};
  engine::RunSetup setup;
  setup.inputs = std::move(inputs);
  setup.startIndex = startIndex;
  setup.state = context_.state;
  setup.queryToolFolder = context_.programFolder;
  setup.control = &control_;
  setup.listener = std::move(listener);
  session_ = std::make_unique<engine::RunSession>(std::move(setup), ports, context_.store, log_);
  return *session_;
}

void RunController::Start() {
  flushTimer_.start();
  engine::RunSession* session = session_.get();
  workerDone_ = false;
  running_ = true;
  worker_.Start([session] { session->Run(); });
}

void RunController::Stop() {
  if (!IsRunning()) return;
  control_.RequestStop();
  Q_EMIT stopping();
}

void RunController::StopNow() {
  if (!IsRunning()) return;
  control_.RequestStopNow();
  Q_EMIT stopping();
}

bool RunController::ConfirmCloseDuringRun(std::function<void()> afterStop) {
  if (!IsRunning()) return true;
  if (afterStop_) return false;  // already stopping to close
  engine::Answer stop = context_.prompter.Ask(
      Prompt{Prompt::Buttons::kYesNo, engine::kProgramTitle,
             "A vesk run is in progress.  Stop it after the server in progress?",
             engine::MessageIcon::kNone});
  if (stop != engine::Answer::kYes) return false;
  afterStop_ = std::move(afterStop);
  // The window is going away: the run's remaining questions take their safe answers.
  runHost_.SetClosing(true);
  control_.RequestStop();
  Q_EMIT stopping();
  return false;
}

void RunController::Abandon() {
  if (!running_) return;
  control_.RequestStop();
  // No end-of-run steps on a window that is going away; its questions are answered unshown.
  worker_.Abandon();
  running_ = false;
  workerDone_ = false;
  flushTimer_.stop();
}

void RunController::Serve() {
  if (!worker_.Serve()) return;
  workerDone_ = true;
  FlushLog();  // finishes the run once the window shows the whole log
}

void RunController::FinishRun() {
  running_ = false;
  workerDone_ = false;
  flushTimer_.stop();
  std::function<void()> then = std::exchange(afterStop_, nullptr);
  if (then) runHost_.SetClosing(false);
  finished_ = std::move(session_);
  Q_EMIT finished(then != nullptr);
  finished_.reset();
  if (then) then();  // last: it may close the window
}

void RunController::FlushLog() {
  LogBatch::Taken taken = runHost_.batch().Take();
  if (taken.replace) {
    Q_EMIT logCleared();
    backlog_ = std::move(taken.text);
  } else {
    backlog_ += taken.text;
  }
  QElapsedTimer spent;
  spent.start();
  size_t done = 0;
  while (done < backlog_.size() && spent.elapsed() < kFlushBudgetMs) {
    // Whole lines where possible, so a slice never splits a "\r\n".
    size_t end = std::min(backlog_.size(), done + kFlushSliceBytes);
    if (end < backlog_.size()) {
      size_t lineEnd = backlog_.rfind('\n', end - 1);
      if (lineEnd != std::string::npos && lineEnd >= done) end = lineEnd + 1;
    }
    Q_EMIT logAppended(backlog_.substr(done, end - done));
    done = end;
  }
  backlog_.erase(0, done);
  if (done > 0) Q_EMIT logShown();
  if (!backlog_.empty()) {
    if (!flushTimer_.isActive()) flushTimer_.start();
    return;
  }
  if (workerDone_) FinishRun();
}

void RunController::AppendLog(const std::string& text) {
  log_.Window().AppendText(text);
  FlushLog();
}

void RunController::ClearLog() {
  log_.ClearWindow();
  FlushLog();
}

}  // namespace pelvane::shell
