// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/RunReport.h"
#include "engine/ports/SqlClient.h"

namespace pelvane::engine {

/// Where the steps tell the status board what happened, as they write the log. Each call names
/// its server by its 1-based list position; servers processed side by side call from their own
/// threads, so implementations are thread-safe.
class RunRecorder {
 public:
  virtual ~RunRecorder() = default;

  /// The server's processing begins.
  virtual void ServerStarted(int position) = 0;
  /// A login check's outcome; the first failure of a server is the one kept.
  virtual void LoginChecked(int position, LoginResult result, const std::string& error) = 0;
  /// The verdict of the script at this 0-based index of the script list.
  virtual void ScriptDone(int position, size_t script, const ScriptCell& cell) = 0;
  /// A step's outcome. A step reported more than once (the copy step, once per file) keeps its
  /// first failure.
  virtual void StepDone(int position, StepKind step, const StepCell& cell) = 0;
  /// The server's steps ended on the run's general error (its text as shown); the server failed.
  /// The first such error of a server is the one kept.
  virtual void ServerFailed(int /*position*/, const std::string& /*error*/) {}
  /// The server's processing is over, after this many seconds.
  virtual void ServerFinished(int position, double seconds) = 0;
  /// The Simple Script query's result table begins, for the merged grid; its rows follow as
  /// they arrive. Kept only by those that show it.
  virtual void QueryColumns(int /*position*/, const std::vector<std::string>& /*names*/) {}
  virtual void QueryRow(int /*position*/, const std::vector<std::string>& /*values*/) {}
};

/// A recorder that keeps nothing, for runs without a status board.
class NullRecorder : public RunRecorder {
 public:
  void ServerStarted(int) override {}
  void LoginChecked(int, LoginResult, const std::string&) override {}
  void ScriptDone(int, size_t, const ScriptCell&) override {}
  void StepDone(int, StepKind, const StepCell&) override {}
  void ServerFinished(int, double) override {}
};

}  // namespace pelvane::engine
