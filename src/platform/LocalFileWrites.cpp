// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalFileWrites.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "settings/ErrorNumbers.h"

namespace pelvane::platform {

namespace fs = std::filesystem;

namespace {

// The classic file error numbers, so that the steps tell the failures apart as they always did.
using error_number::kFileAlreadyExists;
using error_number::kFileNotFound;
using error_number::kPathFileAccessError;
using error_number::kPathNotFound;

Status CheckWritable(const std::string& path) {
  if (path.empty() || path[0] != '/')
    return Status::Error("Path not found: " + path, kPathNotFound);
  return Status::Ok();
}

Status RefusedWrite(const std::string& path, const std::string& reason) {
  const fs::path parent = fs::path(path).parent_path();
  std::error_code ignored;
  if (!fs::is_directory(parent, ignored)) {
    return Status::Error("Path not found: " + parent.string(), kPathNotFound);
  }
  return Status::Error("Path/File access error: " + path + " (" + reason + ")",
                       kPathFileAccessError);
}

}  // namespace

Status CopyLocalFile(const std::string& source, const std::string& destination, bool failIfExists) {
  if (Status writable = CheckWritable(destination); !writable) return writable;
  std::error_code error;
  if (!fs::is_regular_file(source, error)) {
    return Status::Error("File not found: " + source, kFileNotFound);
  }
  const fs::copy_options options =
      failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
  if (fs::copy_file(source, destination, options, error)) return Status::Ok();
  if (error == std::errc::file_exists) {
    return Status::Error("File already exists: " + destination, kFileAlreadyExists);
  }
  return RefusedWrite(destination, error.message());
}

Status AppendLocalText(const std::string& path, const std::string& text) {
  if (Status writable = CheckWritable(path); !writable) return writable;
  std::ofstream file(path, std::ios::binary | std::ios::app);
  if (!file) return RefusedWrite(path, "cannot be opened for appending");
  file << text << "\r\n";
  file.close();
  if (!file) return RefusedWrite(path, "cannot be written");
  return Status::Ok();
}

}  // namespace pelvane::platform
