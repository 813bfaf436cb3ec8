// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/FileIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "settings/ErrnoText.h"
#include "settings/ErrorNumbers.h"

namespace pelvane::settings {

namespace {

using error_number::kFileNotFound;
using error_number::kPathFileAccessError;
using error_number::kPermissionDenied;

/// Owns one file descriptor.
class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

Status SystemError(const std::string& what, const std::string& path, int err) {
  int number = err == ENOENT                   ? kFileNotFound
               : err == EACCES || err == EPERM ? kPermissionDenied
                                               : kPathFileAccessError;
  return Status::Error(what + " " + path + ": " + ErrnoText(err), number);
}

FileStamp StampFrom(const struct stat& st) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = static_cast<unsigned long long>(st.st_size);
  stamp.mtimeSec = st.st_mtim.tv_sec;
  stamp.mtimeNsec = st.st_mtim.tv_nsec;
  return stamp;
}

Status WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::Error(ErrnoText(errno));
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::Ok();
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

constexpr char kTemporarySuffix[] = ".XXXXXX";

/// Whether a folder entry is one of our temporary siblings of `base`: base, ".", six letters
/// or digits, as mkstemp makes them.
bool IsTemporaryOf(const std::string& entry, const std::string& base) {
  const size_t suffix = sizeof kTemporarySuffix - 1;
  if (entry.size() != base.size() + suffix || entry.compare(0, base.size(), base) != 0 ||
      entry[base.size()] != '.')
    return false;
  for (size_t i = base.size() + 1; i < entry.size(); ++i) {
    char c = entry[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

}  // namespace

std::string WriteTarget(const std::string& path) {
  // Only a link of our own (or root's) is followed: one that another user planted in a shared
  // folder must not lead our write to a file of their choosing. Such a link is replaced.
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && link.st_uid != ::geteuid() &&
      link.st_uid != 0)
    return path;
  std::vector<char> resolved(PATH_MAX + 1);
  if (::realpath(path.c_str(), resolved.data()) != nullptr) return std::string(resolved.data());
  // A link to a file that does not exist yet: the file is created where the link points.
  ssize_t n = ::readlink(path.c_str(), resolved.data(), resolved.size() - 1);
  if (n <= 0) return path;
  std::string target(resolved.data(), static_cast<size_t>(n));
  if (target.front() == '/') return target;
  return FolderOf(path) + "/" + target;
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string target = WriteTarget(path);
  const std::string folder = FolderOf(target);
  const std::string base = target.substr(target.rfind('/') + 1);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!IsTemporaryOf(entry->d_name, base)) continue;
    const std::string stale = folder + "/" + entry->d_name;
    struct stat st {};
    // Only plain files of our own: never a link, a folder or another user's file.
    if (::lstat(stale.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
      ::unlink(stale.c_str());
  }
}

std::string SiblingFile(const std::string& path, const std::string& name) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

bool FileStamp::operator==(const FileStamp& o) const {
  return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
         mtimeSec == o.mtimeSec && mtimeNsec == o.mtimeNsec;
}

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FileStamp{};
  return StampFrom(st);
}

Result<FileContent> ReadFileBytes(const std::string& path) {
  // O_NONBLOCK: opening a named pipe must not wait for a writer; it is refused below.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) {
    if (errno == ENOENT) return Status::Error("File not found: " + path, kFileNotFound);
    return SystemError("cannot read", path, errno);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return SystemError("cannot read", path, errno);
  if (!S_ISREG(st.st_mode))
    return Status::Error("cannot read " + path + ": not a regular file", kPathFileAccessError);
  FileContent content;
  content.stamp = StampFrom(st);
  content.bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemError("cannot read", path, errno);
    }
    content.bytes.append(buffer, static_cast<size_t>(n));
  }
  return content;
}

namespace {

/// A fresh temporary sibling of `name` in the folder, named as mkstemp names them (name, ".",
/// six letters or digits), so that RemoveStaleTemporaries knows it. Never follows a link.
int CreateTemporaryIn(int folder, const std::string& name, std::string& temp) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = name + ".";
    for (size_t i = 0; i + 1 < sizeof kTemporarySuffix - 1; ++i)
      temp += kLetters[random() % (sizeof kLetters - 1)];
    const int fd =
        ::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

/// Replaces `name` in the folder `folderPath` through a temporary sibling and renameat. The
/// name itself is never followed: a symbolic link there is replaced, not its target. With
/// keepOwner an existing file's owner and group are given back to the new file (as far as we
/// may); otherwise only a file of our own passes its mode on. `shown` names the file in errors.
Result<FileStamp> ReplaceInFolder(const std::string& shown, const std::string& folderPath,
                                  const std::string& name, std::string_view bytes, bool keepOwner) {
  if (name.empty() || name == "." || name == "..")
    return Status::Error("cannot write " + shown + ": not a file name", kPathFileAccessError);
  int opened = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder we may write in but not list still takes the file; only its fsync is lost.
  if (opened < 0 && errno == EACCES)
    opened = ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  UniqueFd folder(opened);
  if (!folder.valid()) return SystemError("cannot write", shown, errno);

  struct stat old {};
  bool existed = ::fstatat(folder.get(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
  if (existed && S_ISLNK(old.st_mode)) existed = false;  // the link goes, its target stays
  if (existed) {
    if (!S_ISREG(old.st_mode))
      return Status::Error("cannot write " + shown + ": not a regular file", kPathFileAccessError);
    // Root may write anything; a file with no write bit at all is still meant to stay as it is.
    if ((old.st_mode & 0222) == 0 || ::faccessat(folder.get(), name.c_str(), W_OK, 0) != 0)
      return Status::Error("cannot write " + shown + ": the file is read-only", kPermissionDenied);
  }

  std::string temp;
  UniqueFd fd(CreateTemporaryIn(folder.get(), name, temp));
  if (!fd.valid()) {
    int err = errno;
    if (err == EACCES || err == EPERM || err == EROFS) {
      return Status::Error("cannot write " + shown + ": the folder " + folderPath +
                               " is not writable (" + ErrnoText(err) + ")",
                           kPermissionDenied);
    }
    return SystemError("cannot write", shown, err);
  }
  auto fail = [&](int err) {
    fd.Reset();
    ::unlinkat(folder.get(), temp.c_str(), 0);
    return SystemError("cannot write", shown, err);
  };

  const bool ours = existed && old.st_uid == ::geteuid();
  // A new file may hold scrambled passwords or server data: only its owner reads it.
  mode_t mode = existed && (keepOwner || ours) ? (old.st_mode & 07777) : 0600;
  if (::fchmod(fd.get(), mode) != 0) return fail(errno);
  if (existed && keepOwner && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
    // Best effort: only root can give the file back to its owner; an owner can keep the group.
    if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
      [[maybe_unused]] int ignored = ::fchown(fd.get(), static_cast<uid_t>(-1), old.st_gid);
    }
  }
  if (Status s = WriteAll(fd.get(), bytes); !s) {
    fd.Reset();
    ::unlinkat(folder.get(), temp.c_str(), 0);
    return Status::Error("cannot write " + shown + ": " + s.message(), kPathFileAccessError);
  }
  if (::fsync(fd.get()) != 0) return fail(errno);
  struct stat written {};
  if (::fstat(fd.get(), &written) != 0) return fail(errno);
  if (::close(fd.Release()) != 0) {
    int err = errno;
    ::unlinkat(folder.get(), temp.c_str(), 0);
    return SystemError("cannot write", shown, err);
  }
  if (::renameat(folder.get(), temp.c_str(), folder.get(), name.c_str()) != 0) {
    int err = errno;
    ::unlinkat(folder.get(), temp.c_str(), 0);
    return SystemError("cannot write", shown, err);
  }
  // Make the rename itself durable; a failure here leaves a complete file either way.
  ::fsync(folder.get());
  return StampFrom(written);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Result<FileStamp> ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string target = WriteTarget(path);
  return ReplaceInFolder(path, FolderOf(target), NameOf(target), bytes, true);
}

Result<FileStamp> ReplaceFileAtName(const std::string& path, std::string_view bytes) {
  return ReplaceInFolder(path, FolderOf(path), NameOf(path), bytes, false);
}

Status AppendToFile(const std::string& path, std::string_view bytes) {
  // A new log holds server data and error texts: only its owner reads it.
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
  if (!fd.valid()) return SystemError("cannot write", path, errno);
  if (Status s = WriteAll(fd.get(), bytes); !s)
    return Status::Error("cannot write " + path + ": " + s.message(), kPathFileAccessError);
  if (::close(fd.Release()) != 0) return SystemError("cannot write", path, errno);
  return Status::Ok();
}

}  // namespace pelvane::settings
