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
#include <vector>

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
  return Status::Error(what + " " + path + ": " + std::strerror(err), number);
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
      return Status::Error(std::strerror(errno));
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

Result<FileStamp> ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string target = WriteTarget(path);
  struct stat old {};
  bool existed = ::stat(target.c_str(), &old) == 0;
  if (existed) {
    if (!S_ISREG(old.st_mode))
      return Status::Error("cannot write " + path + ": not a regular file", kPathFileAccessError);
    // Root may write anything; a file with no write bit at all is still meant to stay as it is.
    if ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
      return Status::Error("cannot write " + path + ": the file is read-only", kPermissionDenied);
  }

  std::string temp = target + kTemporarySuffix;
  UniqueFd fd(::mkstemp(temp.data()));
  if (!fd.valid()) {
    int err = errno;
    if (err == EACCES || err == EPERM || err == EROFS) {
      return Status::Error("cannot write " + path + ": the folder " + FolderOf(target) +
                               " is not writable (" + std::strerror(err) + ")",
                           kPermissionDenied);
    }
    return SystemError("cannot write", path, err);
  }
  auto fail = [&](int err) {
    fd.Reset();
    ::unlink(temp.c_str());
    return SystemError("cannot write", path, err);
  };

  // A new file holds scrambled passwords: only its owner reads it.
  mode_t mode = existed ? (old.st_mode & 07777) : 0600;
  if (::fchmod(fd.get(), mode) != 0) return fail(errno);
  if (existed && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
    // Best effort: only root can give the file back to its owner; an owner can keep the group.
    if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
      [[maybe_unused]] int ignored = ::fchown(fd.get(), static_cast<uid_t>(-1), old.st_gid);
    }
  }
  if (Status s = WriteAll(fd.get(), bytes); !s) {
    fd.Reset();
    ::unlink(temp.c_str());
    return Status::Error("cannot write " + path + ": " + s.message(), kPathFileAccessError);
  }
  if (::fsync(fd.get()) != 0) return fail(errno);
  struct stat written {};
  if (::fstat(fd.get(), &written) != 0) return fail(errno);
  if (::close(fd.Release()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    return SystemError("cannot write", path, err);
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    return SystemError("cannot write", path, err);
  }
  // Make the rename itself durable; a failure here leaves a complete file either way.
  UniqueFd dir(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
  return StampFrom(written);
}

Status AppendToFile(const std::string& path, std::string_view bytes) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!fd.valid()) return SystemError("cannot write", path, errno);
  if (Status s = WriteAll(fd.get(), bytes); !s)
    return Status::Error("cannot write " + path + ": " + s.message(), kPathFileAccessError);
  if (::close(fd.Release()) != 0) return SystemError("cannot write", path, errno);
  return Status::Ok();
}

Status RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT)
    return SystemError("cannot delete", path, errno);
  return Status::Ok();
}

}  // namespace pelvane::settings
