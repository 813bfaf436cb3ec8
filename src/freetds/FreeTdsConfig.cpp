// SPDX-License-Identifier: GPL-3.0-or-later
#include "freetds/FreeTdsConfig.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "settings/ScratchFile.h"

namespace pelvane::freetds {

namespace {

bool BreaksLine(const std::string& value) {
  return value.find_first_of("\r\n") != std::string::npos;
}

// FreeTDS matches section names without regard to case.
std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

/// Whether the server's name as listed can name its section itself.
bool PlainName(const std::string& lower) {
  return !lower.empty() && lower.size() <= 128 &&
         lower.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789._-,:") == std::string::npos;
}

/// Writes all of the text to the descriptor.
bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

/// Writes the whole text under a new name and puts it in the file's place: FreeTDS reads the
/// file at every connection, perhaps while another thread adds a section.
Status ReplaceFile(const std::string& path, const std::string& text) {
  const std::string next = path + ".next";
  const int fd = ::open(next.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0)
    return Status::Error("Cannot write the FreeTDS configuration " + next + ": " +
                         std::strerror(errno));
  if (!WriteAll(fd, text)) {
    const int error = errno;
    ::close(fd);
    ::unlink(next.c_str());
    return Status::Error("Cannot write the FreeTDS configuration " + next + ": " +
                         std::strerror(error));
  }
  ::close(fd);
  // Exchanged rather than renamed over where the file exists: on ext4 a rename over a file
  // writes the new one out at once, and the removal of the old one then waits for the disk.
  if (::renameat2(AT_FDCWD, next.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
    ::unlink(next.c_str());
    return Status::Ok();
  }
  if (std::rename(next.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(next.c_str());
    return Status::Error("Cannot write the FreeTDS configuration " + path + ": " +
                         std::strerror(error));
  }
  return Status::Ok();
}

}  // namespace

Result<std::string> FreeTdsSection(const std::string& name, const TdsServerName& server,
                                   const engine::SqlEncryption& encryption) {
  for (const std::string* value : {&server.host, &server.instance, &encryption.serverCertificate})
    if (BreaksLine(*value)) return Status::Error("A line break in \"" + *value + "\"");
  std::string text = "[" + name + "]\n\thost = " + server.host + "\n";
  if (!server.instance.empty())
    text += "\tinstance = " + server.instance + "\n";
  else
    text += "\tport = " + std::to_string(server.port) + "\n";
  // Without a fixed version FreeTDS retries a timed-out login as TDS 5.0, past its time-out.
  text += "\ttds version = 7.4\n";
  const bool optional = encryption.mode == engine::EncryptMode::kOptional;
  if (encryption.mode == engine::EncryptMode::kStrict)
    text += "\tencryption = strict\n";
  else if (encryption.mode == engine::EncryptMode::kMandatory && encryption.modeWritten)
    text += "\tencryption = require\n";
  else
    text += "\tencryption = request\n";
  if (!optional && !encryption.trustServerCertificate) {
    text += "\tca file = " +
            (encryption.serverCertificate.empty() ? std::string("system")
                                                  : encryption.serverCertificate) +
            "\n";
    // That other name is checked by us beforehand; FreeTDS checks the chain only.
    text += std::string("\tcheck certificate hostname = ") +
            (encryption.hostNameInCertificate.empty() ? "yes" : "no") + "\n";
  }
  return text;
}

Result<FreeTdsConfigFile> FreeTdsConfigFile::Create() {
  Result<settings::ScratchFolder> folder =
      settings::ScratchFolder::CreateBeside(settings::TemporaryFolder() + "/pelvane-freetds.conf");
  if (!folder) return folder.status();
  auto state = std::make_unique<State>(std::move(folder).value());
  if (Status written = ReplaceFile(state->folder.File(), ""); !written) return written;
  return FreeTdsConfigFile(std::move(state));
}

Result<std::string> FreeTdsConfigFile::Section(const TdsServerName& server,
                                               const engine::SqlEncryption& encryption,
                                               const std::string& listed) {
  Result<std::string> body = FreeTdsSection("", server, encryption);
  if (!body) return body.status();
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto known = state_->names.find(*body + listed);
  if (known != state_->names.end()) return known->second;
  const std::string lower = Lower(listed);
  const std::string name = PlainName(lower) && state_->taken.count(lower) == 0
                               ? listed
                               : "pelvane" + std::to_string(state_->names.size() + 1);
  Result<std::string> lines = FreeTdsSection(name, server, encryption);
  if (!lines) return lines.status();
  const std::string text = state_->text + *lines;
  if (Status written = ReplaceFile(state_->folder.File(), text); !written) return written;
  state_->text = text;
  state_->names.emplace(*body + listed, name);
  state_->taken[Lower(name)] = true;
  return name;
}

Result<MemoryConfigFile> MemoryConfigFile::Create(const TdsServerName& server,
                                                  const engine::SqlEncryption& encryption,
                                                  const std::string& listed) {
  const std::string name = PlainName(Lower(listed)) ? listed : "pelvane1";
  Result<std::string> text = FreeTdsSection(name, server, encryption);
  if (!text) return text.status();
  const int fd = ::memfd_create("pelvane-freetds.conf", MFD_CLOEXEC);
  if (fd < 0)
    return Status::Error(std::string("Cannot make the FreeTDS configuration: ") +
                         std::strerror(errno));
  MemoryConfigFile config(fd, "/proc/self/fd/" + std::to_string(fd), name);
  if (!WriteAll(fd, *text))
    return Status::Error(std::string("Cannot write the FreeTDS configuration: ") +
                         std::strerror(errno));
  // FreeTDS opens the file by its name: without /proc there is none.
  if (::access(config.path().c_str(), R_OK) != 0)
    return Status::Error("Cannot open the FreeTDS configuration " + config.path() + ": " +
                         std::strerror(errno));
  return config;
}

MemoryConfigFile::MemoryConfigFile(MemoryConfigFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), section_(std::move(other.section_)) {
  other.fd_ = -1;
}

MemoryConfigFile::~MemoryConfigFile() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace pelvane::freetds
