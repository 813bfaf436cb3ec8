// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunEndLog.h"

#include <csignal>

namespace pelvane::cli {

Status FinishRunLog(engine::MessageLog& log, engine::RunOutcome::Kind kind, int interruptSignal,
                    const std::string& logFile) {
  const bool endedEarly = kind == engine::RunOutcome::Kind::kEndedEarly;
  Status status = Status::Ok();
  if (endedEarly) status = log.ShowCollectedLines();
  if (interruptSignal == 0) return status;
  log.Window().AppendText("*** The run was interrupted by " +
                          std::string(interruptSignal == SIGINT ? "SIGINT" : "SIGTERM") +
                          ". ***\r\n");
  // A run that completed or stopped has saved its log already.
  if (endedEarly && status) status = log.SaveLogToFile(logFile);
  return status;
}

}  // namespace pelvane::cli
