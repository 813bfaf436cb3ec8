// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "engine/ports/SqlClient.h"
#include "freetds/TdsServerName.h"
#include "settings/ScratchFile.h"
#include "settings/Status.h"

namespace pelvane::freetds {

/// The lines of a freetds.conf section for the server and its encryption settings: host, port
/// (or instance), TDS 7.4, "encryption", "ca file" and "check certificate hostname". FreeTDS
/// checks a certificate only when "ca file" is set. Refuses values that would break a line.
Result<std::string> FreeTdsSection(const std::string& name, const TdsServerName& server,
                                   const engine::SqlEncryption& encryption);

/// A private FreeTDS configuration file (mode 0600 in a folder of its own, mode 0700), removed
/// with its folder when the object goes. Both connection paths name a section of it: ODBC with
/// SERVERNAME=, db-lib as the server of dbopen; FREETDSCONF names the file. Sections are added
/// as servers are met and the file is replaced whole, so a reader sees one complete version.
/// Safe to use from several threads.
class FreeTdsConfigFile {
 public:
  static Result<FreeTdsConfigFile> Create();

  const std::string& path() const { return state_->folder.File(); }

  /// The section for the server and its settings, written to the file when it is new. It is
  /// named `listed` (the server as the user wrote it, which FreeTDS puts in its messages) when
  /// that name is plain and not taken by other settings, else "pelvaneN".
  Result<std::string> Section(const TdsServerName& server, const engine::SqlEncryption& encryption,
                              const std::string& listed = "");

 private:
  struct State {
    explicit State(settings::ScratchFolder f) : folder(std::move(f)) {}
    settings::ScratchFolder folder;
    std::mutex mutex;
    std::map<std::string, std::string> names;  // a section's lines without its name -> name
    std::map<std::string, bool> taken;         // names in use, in lower case
    std::string text;
  };
  explicit FreeTdsConfigFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
  std::unique_ptr<State> state_;
};

/// A FreeTDS configuration of one server's section, written once and held in memory for the
/// process's life; FREETDSCONF names it by the path of its descriptor under /proc/self/fd.
/// Nothing on disk to write, sweep or remove, and nothing left behind however the process
/// ends. The section is named as FreeTdsConfigFile names the first one.
class MemoryConfigFile {
 public:
  static Result<MemoryConfigFile> Create(const TdsServerName& server,
                                         const engine::SqlEncryption& encryption,
                                         const std::string& listed);
  MemoryConfigFile(MemoryConfigFile&& other) noexcept;
  MemoryConfigFile& operator=(MemoryConfigFile&&) = delete;
  MemoryConfigFile(const MemoryConfigFile&) = delete;
  MemoryConfigFile& operator=(const MemoryConfigFile&) = delete;
  ~MemoryConfigFile();

  const std::string& path() const { return path_; }
  const std::string& section() const { return section_; }

 private:
  MemoryConfigFile(int fd, std::string path, std::string section)
      : fd_(fd), path_(std::move(path)), section_(std::move(section)) {}
  int fd_ = -1;
  std::string path_;
  std::string section_;
};

}  // namespace pelvane::freetds
