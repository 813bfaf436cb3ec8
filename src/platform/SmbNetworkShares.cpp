// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SmbNetworkShares.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "platform/LocalFileWrites.h"
#include "platform/SmbErrorMap.h"
#include "platform/SmbSession.h"

namespace pelvane::platform {

namespace {

namespace code = engine::connect_code;

constexpr int kFileNotFound = 53;
constexpr int kFileAlreadyExists = 58;
constexpr int kPathNotFound = 76;
constexpr size_t kBlockSize = 256 * 1024;

/// A local file descriptor, closed with the object. The open never waits: a named pipe
/// without a writer (or a device) would otherwise hold the copy forever.
class LocalFile {
 public:
  explicit LocalFile(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {}
  ~LocalFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  LocalFile(const LocalFile&) = delete;
  LocalFile& operator=(const LocalFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

Status NotAPlace(const std::string& path) {
  return Status::Error("Not a network folder (\\\\machine\\share\\...): " + path, kPathNotFound);
}

Status NotConnected(const std::string& path) {
  return Status::Error("The network folder is not connected: " + path, kPathNotFound);
}

std::string TemporaryName(const std::string& name) {
  std::random_device random;
  static const char kHex[] = "0123456789abcdef";
  std::string tag;
  for (int i = 0; i < 8; ++i) tag += kHex[random() & 0xF];
  return "." + name + "." + tag + ".part";
}

bool WriteAll(SmbSession& session, SMBCFILE* file, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = session.Write(file, data, size);
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

SmbNetworkShares::SmbNetworkShares(int timeoutMs) : timeoutMs_(timeoutMs) {}

SmbNetworkShares::~SmbNetworkShares() = default;

engine::NetworkShares::Connection SmbNetworkShares::Connect(const std::string& remotePath,
                                                            const std::string& userName,
                                                            const std::string& password) {
  const std::optional<SmbPath> folder = ParseSmbPath(remotePath);
  if (!folder) {
    return {code::kBadNetworkName, "",
            "Not a network folder (\\\\machine\\share\\folder): " + remotePath};
  }
  std::unique_ptr<SmbSession> session = SmbSession::Create(userName, password, timeoutMs_);
  if (!session) {
    return {code::kExtendedError, "",
            ClassifySmbError(errno, SmbStage::kInside).text + " (" + remotePath + ")"};
  }
  // The share first: that is where the logon happens, so a refusal there is the credentials'.
  // One attempt only; the caller does not retry either, so a wrong password costs one failure.
  if (session->ProbeFolder(folder->Share().Url()) != 0) {
    const SmbFailure failure = ClassifySmbError(errno, SmbStage::kLogon);
    return {failure.connectCode, "", failure.text + " (" + remotePath + ")"};
  }
  if (!folder->path.empty() && session->ProbeFolder(folder->Url()) != 0) {
    const SmbFailure failure = ClassifySmbError(errno, SmbStage::kInside);
    return {failure.connectCode, "", failure.text + " (" + remotePath + ")"};
  }
  const std::string localName = folder->Display() + "/";
  std::lock_guard<std::mutex> lock(mutex_);
  connections_.emplace(localName, Connected{*folder, std::move(session)});
  return {code::kConnected, localName, ""};
}

bool SmbNetworkShares::Disconnect(const std::string& localName, bool) {
  // Nothing stays open between requests, so a forced disconnect closes nothing more.
  std::unique_ptr<SmbSession> released;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = connections_.find(localName);
    if (found == connections_.end()) return false;
    released = std::move(found->second.session);
    connections_.erase(found);
  }
  return true;
}

SmbSession* SmbNetworkShares::SessionFor(const SmbPath& path) {
  SmbSession* best = nullptr;
  size_t bestDepth = 0;
  for (auto& [name, connected] : connections_) {
    if (connected.folder.Contains(path) &&
        (best == nullptr || connected.folder.path.size() >= bestDepth)) {
      best = connected.session.get();
      bestDepth = connected.folder.path.size();
    }
  }
  return best;
}

Status SmbNetworkShares::CopyFile(const std::string& source, const std::string& destination,
                                  bool failIfExists) {
  if (!IsSmbPathText(destination)) return CopyLocalFile(source, destination, failIfExists);
  const std::optional<SmbPath> target = ParseSmbPath(destination);
  if (!target || target->path.empty()) return NotAPlace(destination);
  // The source is opened and checked before the lock that every other copy waits on.
  LocalFile input(source);
  struct stat sourceInfo {};
  if (input.fd() < 0 || ::fstat(input.fd(), &sourceInfo) != 0)
    return Status::Error("File not found: " + source, kFileNotFound);
  // Only a regular file has an end to copy up to, as the local copy also requires.
  if (!S_ISREG(sourceInfo.st_mode))
    return Status::Error("File not found (not a regular file): " + source, kFileNotFound);
  std::lock_guard<std::mutex> lock(mutex_);
  SmbSession* session = SessionFor(*target);
  if (session == nullptr) return NotConnected(destination);
  return CopyToShare(*session, input.fd(), source, *target, failIfExists);
}

Status SmbNetworkShares::CopyToShare(SmbSession& session, int input, const std::string& source,
                                     const SmbPath& destination, bool failIfExists) {
  struct stat info {};
  if (failIfExists && session.Stat(destination.Url(), &info) == 0) {
    return Status::Error("File already exists: " + destination.Display(), kFileAlreadyExists);
  }

  const SmbPath part = destination.Parent().Child(TemporaryName(destination.Name()));
  SMBCFILE* opened = session.Open(part.Url(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (opened == nullptr) return SmbFileError(errno, destination.Display());
  SmbFile output(session, opened);

  // Whatever goes wrong from here leaves no partial file behind.
  auto failed = [&](int error, const std::string& what) {
    output.Close();
    session.Unlink(part.Url());
    return SmbFileError(error, what);
  };
  std::vector<char> block(kBlockSize);
  for (;;) {
    const ssize_t got = ::read(input, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return failed(errno, source);
    if (got == 0) break;
    if (!WriteAll(session, output.get(), block.data(), static_cast<size_t>(got))) {
      return failed(errno, destination.Display());
    }
  }
  if (!output.Close()) return failed(errno, destination.Display());

  // A copy that may not overwrite checks once more just before the name is taken.
  if (failIfExists && session.Stat(destination.Url(), &info) == 0) {
    session.Unlink(part.Url());
    return Status::Error("File already exists: " + destination.Display(), kFileAlreadyExists);
  }
  if (session.Rename(part.Url(), destination.Url()) != 0) {
    const int error = errno;
    session.Unlink(part.Url());
    if (error == EEXIST) {
      return Status::Error("File already exists: " + destination.Display(), kFileAlreadyExists);
    }
    return SmbFileError(error, destination.Display());
  }
  return Status::Ok();
}

Status SmbNetworkShares::AppendText(const std::string& path, const std::string& text) {
  if (!IsSmbPathText(path)) return AppendLocalText(path, text);
  const std::optional<SmbPath> target = ParseSmbPath(path);
  if (!target || target->path.empty()) return NotAPlace(path);
  std::lock_guard<std::mutex> lock(mutex_);
  SmbSession* session = SessionFor(*target);
  if (session == nullptr) return NotConnected(path);

  // Read-write: libsmbclient finds the end of the file through the handle, which a write-only
  // handle cannot do.
  SMBCFILE* opened = session->Open(target->Url(), O_RDWR | O_CREAT | O_APPEND, 0644);
  if (opened == nullptr) return SmbFileError(errno, target->Display());
  SmbFile file(*session, opened);
  const std::string line = text + "\r\n";
  if (session->Seek(file.get(), 0, SEEK_END) < 0 ||
      !WriteAll(*session, file.get(), line.data(), line.size()) || !file.Close()) {
    return SmbFileError(errno, target->Display());
  }
  return Status::Ok();
}

}  // namespace pelvane::platform
