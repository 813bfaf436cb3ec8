#include "engine/RunContext.h"

#include "engine/DateTimeFormat.h"

namespace pelvane::engine {

std::string RunContext::Timestamp() const {
  return engine::Timestamp(state.DateTimeFormat);
}

RunRecorder& RunContext::Recorder() const {
  // Keeps nothing, so one shared instance is as good as one per run.
  static NullRecorder nothingKept;
  return recorder != nullptr ? *recorder : nothingKept;
}

void RunContext::Log(const std::string& text, bool endLine) {
  if (serverLog != nullptr) {
    serverLog->Message(text, endLine);
    return;
  }
  if (Status s = log.LogMessage(text, endLine); !s) ShowGeneralError(s);
}

void RunContext::ShowGeneralError(const Status& error) {
  anyFailure = true;  // the run went on, but something in it did not work
  ports.host.ShowMessage(
      std::to_string(error.number()) + ", " + error.message() + " occured in Pelvane.",
      kProgramTitle, MessageIcon::kNone);
}

}  // namespace pelvane::engine
