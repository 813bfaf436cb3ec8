// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcFreeTdsConfig.h"

#include <cstdlib>
#include <optional>

#include "freetds/FreeTdsConfig.h"

namespace pelvane::platform {

namespace {

struct ProcessConfig {
  Result<freetds::FreeTdsConfigFile> file = Status::Error("");
};

// The one piece of process-wide state here mirrors the one process-wide variable that names
// it; made once (thread-safe), and its file removed at the process's end.
ProcessConfig& Shared() {
  static ProcessConfig config = [] {
    ProcessConfig made;
    made.file = freetds::FreeTdsConfigFile::Create();
    if (made.file && ::setenv("FREETDSCONF", made.file->path().c_str(), 1) != 0)
      made.file = Status::Error("Cannot name the FreeTDS configuration in FREETDSCONF.");
    return made;
  }();
  return config;
}

}  // namespace

Status PrepareOdbcFreeTdsConfig() {
  return Shared().file.status();
}

Result<std::string> OdbcFreeTdsSection(const freetds::TdsServerName& server,
                                       const engine::SqlEncryption& encryption,
                                       const std::string& listed) {
  ProcessConfig& config = Shared();
  if (!config.file) return config.file.status();
  return config.file.value().Section(server, encryption, listed);
}

}  // namespace pelvane::platform
