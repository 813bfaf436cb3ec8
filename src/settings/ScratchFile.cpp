#include "settings/ScratchFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "settings/ErrorNumbers.h"

namespace pelvane::settings {

Result<ScratchFile> ScratchFile::CreateBeside(const std::string& model) {
  const size_t slash = model.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = model.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = model.size();
  const std::string suffix = model.substr(dot);
  std::string path = model.substr(0, dot) + "-XXXXXX" + suffix;
  // mkstemps creates the file with mode 0600 and fails rather than reuse a name.
  int fd = ::mkstemps(path.data(), static_cast<int>(suffix.size()));
  if (fd < 0) {
    int err = errno;
    return Status::Error("cannot create a file beside " + model + ": " + std::strerror(err),
                         err == EACCES || err == EPERM ? error_number::kPermissionDenied
                                                       : error_number::kPathFileAccessError);
  }
  ::close(fd);
  return ScratchFile(std::move(path));
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
  if (this != &other) {
    if (!path_.empty()) ::unlink(path_.c_str());
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

ScratchFile::~ScratchFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

Result<ScratchFolder> ScratchFolder::CreateBeside(const std::string& model) {
  const size_t slash = model.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = model.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = model.size();
  std::string folder = model.substr(0, dot) + "-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) {
    int err = errno;
    return Status::Error("cannot create a folder beside " + model + ": " + std::strerror(err),
                         err == EACCES || err == EPERM ? error_number::kPermissionDenied
                                                       : error_number::kPathFileAccessError);
  }
  std::string file = folder + "/" + model.substr(nameStart);
  return ScratchFolder(std::move(folder), std::move(file));
}

ScratchFolder::ScratchFolder(ScratchFolder&& other) noexcept
    : folder_(std::move(other.folder_)), file_(std::move(other.file_)) {
  other.folder_.clear();
}

ScratchFolder::~ScratchFolder() {
  if (folder_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace pelvane::settings
