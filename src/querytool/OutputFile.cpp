// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "settings/ErrnoText.h"

namespace pelvane::querytool {

namespace {

// Lines are gathered up to the size a file stream buffers before they are written.
constexpr size_t kWriteSize = 8 * 1024;

}  // namespace

Result<OutputFile> OutputFile::Create(const std::string& path) {
  // A new output file is private: it may show data and server messages. A file that is new or
  // already empty is not truncated: on ext4 a truncation makes the close write the data out at
  // once, and the removal of the file then waits for the disk.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    return Status::Error("Cannot create the output file " + path + ": " +
                         settings::ErrnoText(errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && ::ftruncate(fd, 0) != 0) {
    const int error = errno;
    ::close(fd);
    return Status::Error("Cannot create the output file " + path + ": " +
                         settings::ErrnoText(error));
  }
  return OutputFile(fd, path);
}

OutputFile::OutputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(other.fd_),
      path_(std::move(other.path_)),
      pending_(std::move(other.pending_)),
      error_(other.error_) {
  other.fd_ = -1;
}

OutputFile::~OutputFile() {
  if (fd_ < 0) return;
  WritePending();
  ::close(fd_);
}

void OutputFile::Line(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n')
      pending_ += "\r\n";
    else
      pending_ += text[i];
  }
  pending_ += "\r\n";
  if (pending_.size() >= kWriteSize) WritePending();
}

void OutputFile::WritePending() {
  size_t done = 0;
  while (done < pending_.size() && error_ == 0) {
    const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<size_t>(n);
  }
  pending_.clear();
}

Status OutputFile::Flush() {
  WritePending();
  if (error_ != 0) return Status::Error("Cannot write the output file " + path_);
  return Status::Ok();
}

}  // namespace pelvane::querytool
