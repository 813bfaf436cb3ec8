// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ScratchFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <utility>

#include "settings/ErrnoText.h"
#include "settings/ErrorNumbers.h"

namespace pelvane::settings {

namespace {

constexpr char kUniqueLetters[] = "XXXXXX";

/// A model path "folder/name.ext" in its parts; the extension is empty when the name has none.
struct ModelParts {
  std::string folder;  // with its final "/"; empty for the current folder
  std::string stem;    // "name"
  std::string ext;     // ".ext"
};

ModelParts SplitModel(const std::string& model) {
  const size_t slash = model.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = model.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = model.size();
  return {model.substr(0, nameStart), model.substr(nameStart, dot - nameStart), model.substr(dot)};
}

/// Whether a folder entry is "stem-XXXXXX" + tail, the six letters or digits as mkstemp and
/// mkdtemp choose them.
bool IsScratchName(const std::string& entry, const std::string& stem, const std::string& tail) {
  const size_t letters = sizeof kUniqueLetters - 1;
  if (entry.size() != stem.size() + 1 + letters + tail.size() ||
      entry.compare(0, stem.size(), stem) || entry[stem.size()] != '-' ||
      entry.compare(entry.size() - tail.size(), tail.size(), tail))
    return false;
  for (size_t i = stem.size() + 1; i < stem.size() + 1 + letters; ++i) {
    const char c = entry[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

/// Removes the scratch files (or folders) of the model's pattern that a killed process left:
/// our own, old enough, and locked by nobody. A live one is locked by its maker for its whole
/// life, and a lock goes with the process that held it, however it ended.
void RemoveStale(const ModelParts& parts, bool folders) {
  const std::string folder = parts.folder.empty() ? "." : parts.folder;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  const std::time_t now = std::time(nullptr);
  const std::string tail = folders ? "" : parts.ext;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!IsScratchName(entry->d_name, parts.stem, tail)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        st.st_uid != ::geteuid() || (folders ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) ||
        now - st.st_mtime < kStaleScratchAge.count())
      continue;
    const int fd =
        ::openat(::dirfd(dir.get()), entry->d_name,
                 O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (folders ? O_DIRECTORY : 0));
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      std::error_code ignored;
      std::filesystem::remove_all(folder + "/" + entry->d_name, ignored);
    }
    ::close(fd);
  }
}

Status CannotCreate(const std::string& what, const std::string& model, int err) {
  return Status::Error("cannot create a " + what + " beside " + model + ": " + ErrnoText(err),
                       err == EACCES || err == EPERM ? error_number::kPermissionDenied
                                                     : error_number::kPathFileAccessError);
}

/// Takes the lock that tells a live scratch file or folder from a stale one.
void Lock(int fd) {
  // Nobody else can have it yet: the sweep leaves young entries alone.
  [[maybe_unused]] int ignored = ::flock(fd, LOCK_EX | LOCK_NB);
}

}  // namespace

std::string TemporaryFolderFrom(const char* tmpdir) {
  std::string folder = tmpdir != nullptr ? tmpdir : "";
  if (folder.empty() || folder.front() != '/') return "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string TemporaryFolder() {
  return TemporaryFolderFrom(std::getenv("TMPDIR"));
}

Result<ScratchFile> ScratchFile::CreateBeside(const std::string& model) {
  const ModelParts parts = SplitModel(model);
  RemoveStale(parts, false);
  std::string path = parts.folder + parts.stem + "-" + kUniqueLetters + parts.ext;
  // mkostemps creates the file with mode 0600 and fails rather than reuse a name.
  const int fd = ::mkostemps(path.data(), static_cast<int>(parts.ext.size()), O_CLOEXEC);
  if (fd < 0) return CannotCreate("file", model, errno);
  Lock(fd);
  return ScratchFile(std::move(path), fd);
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept
    : path_(std::move(other.path_)), lockFd_(other.lockFd_) {
  other.path_.clear();
  other.lockFd_ = -1;
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
  if (this != &other) {
    Release();
    path_ = std::move(other.path_);
    lockFd_ = other.lockFd_;
    other.path_.clear();
    other.lockFd_ = -1;
  }
  return *this;
}

ScratchFile::~ScratchFile() {
  Release();
}

void ScratchFile::Release() {
  if (!path_.empty()) ::unlink(path_.c_str());
  if (lockFd_ >= 0) ::close(lockFd_);
  path_.clear();
  lockFd_ = -1;
}

Result<ScratchFolder> ScratchFolder::CreateBeside(const std::string& model) {
  const ModelParts parts = SplitModel(model);
  RemoveStale(parts, true);
  std::string folder = parts.folder + parts.stem + "-" + kUniqueLetters;
  if (::mkdtemp(folder.data()) == nullptr) return CannotCreate("folder", model, errno);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) Lock(fd);
  std::string file = folder + "/" + parts.stem + parts.ext;
  return ScratchFolder(std::move(folder), std::move(file), fd);
}

ScratchFolder::ScratchFolder(ScratchFolder&& other) noexcept
    : folder_(std::move(other.folder_)), file_(std::move(other.file_)), lockFd_(other.lockFd_) {
  other.folder_.clear();
  other.lockFd_ = -1;
}

ScratchFolder::~ScratchFolder() {
  if (!folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

}  // namespace pelvane::settings
