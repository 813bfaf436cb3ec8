#pragma once

#include <string>
#include <utility>

#include "settings/Status.h"

namespace pelvane::settings {

/// A file of a name no other process uses, created empty with mode 0600 and deleted when the
/// object goes. Runs that work side by side (two windows, a window and pelvanectl) each get
/// their own, so none reads another's output.
class ScratchFile {
 public:
  /// Creates "folder/name-XXXXXX.ext" for the model path "folder/name.ext" (the six letters
  /// chosen to be unique).
  static Result<ScratchFile> CreateBeside(const std::string& model);

  /// No file: path() is empty.
  static ScratchFile None() { return ScratchFile(std::string()); }

  ScratchFile(ScratchFile&& other) noexcept;
  ScratchFile& operator=(ScratchFile&& other) noexcept;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();

  const std::string& path() const { return path_; }

 private:
  explicit ScratchFile(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

/// A folder of a name no other process uses (mode 0700), removed with everything in it when
/// the object goes. For a file that another program is to create: the file's name inside is
/// fixed, and nobody else can put anything there.
class ScratchFolder {
 public:
  /// Creates "folder/name-XXXXXX" for the model path "folder/name.ext"; File() is then
  /// "folder/name-XXXXXX/name.ext", not yet created.
  static Result<ScratchFolder> CreateBeside(const std::string& model);

  ScratchFolder(ScratchFolder&& other) noexcept;
  ScratchFolder& operator=(ScratchFolder&& other) = delete;
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  const std::string& File() const { return file_; }

 private:
  ScratchFolder(std::string folder, std::string file)
      : folder_(std::move(folder)), file_(std::move(file)) {}
  std::string folder_;
  std::string file_;
};

}  // namespace pelvane::settings
