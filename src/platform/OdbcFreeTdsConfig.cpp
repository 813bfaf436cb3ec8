// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcFreeTdsConfig.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "freetds/FreeTdsConfig.h"

namespace pelvane::platform {

namespace {

struct ProcessConfig {
  Result<freetds::FreeTdsConfigFile> file = Status::Error("");
};

void RemoveFolder();

// The one piece of process-wide state here mirrors the one process-wide variable that names
// it; made once (thread-safe). It is never destroyed: a login abandoned at its deadline may
// still be reading it while the process ends. Its folder is removed at exit instead.
ProcessConfig& Shared() {
  static ProcessConfig* const config = [] {
    auto made = std::make_unique<ProcessConfig>();
    made->file = freetds::FreeTdsConfigFile::Create();
    if (made->file && ::setenv("FREETDSCONF", made->file->path().c_str(), 1) != 0)
      made->file = Status::Error("Cannot name the FreeTDS configuration in FREETDSCONF.");
    if (made->file) std::atexit([] { RemoveFolder(); });
    return made.release();
  }();
  return *config;
}

void RemoveFolder() {
  const ProcessConfig& config = Shared();
  if (!config.file) return;
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(config.file.value().path()).parent_path(),
                              ignored);
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
