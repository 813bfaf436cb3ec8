// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>
#include <utility>

#include "settings/Status.h"

namespace pelvane::settings {

/// The folder for scratch files: $TMPDIR when it names an absolute folder, else /tmp. Never
/// the settings folder, which may be read-only.
std::string TemporaryFolder();

/// The same, from a given value of TMPDIR (nullptr when it is not set).
std::string TemporaryFolderFrom(const char* tmpdir);

/// A scratch file or folder older than this whose owner holds no lock on it is left over from
/// a process that was killed, and the next one made beside it removes it. The age keeps a
/// sibling that its maker has created but not yet locked.
constexpr std::chrono::seconds kStaleScratchAge{60};

/// A file of a name no other process uses, created empty with mode 0600 and deleted when the
/// object goes. Runs that work side by side (two windows, a window and pelvanectl) each get
/// their own, so none reads another's output. It is locked while it lives, so that one left by
/// a killed process can be told from one in use.
class ScratchFile {
 public:
  /// Creates "folder/name-XXXXXX.ext" for the model path "folder/name.ext" (the six letters
  /// chosen to be unique), after removing stale ones of that pattern.
  static Result<ScratchFile> CreateBeside(const std::string& model);

  /// No file: path() is empty.
  static ScratchFile None() { return ScratchFile(std::string(), -1); }

  ScratchFile(ScratchFile&& other) noexcept;
  ScratchFile& operator=(ScratchFile&& other) noexcept;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();

  const std::string& path() const { return path_; }

 private:
  ScratchFile(std::string path, int lockFd) : path_(std::move(path)), lockFd_(lockFd) {}
  void Release();
  std::string path_;
  int lockFd_;  // holds the lock; -1 for none
};

/// A folder of a name no other process uses (mode 0700), removed with everything in it when
/// the object goes. For a file that another program is to create: the file's name inside is
/// fixed, and nobody else can put anything there. Locked while it lives, as ScratchFile.
class ScratchFolder {
 public:
  /// Creates "folder/name-XXXXXX" for the model path "folder/name.ext", after removing stale
  /// ones of that pattern; File() is then "folder/name-XXXXXX/name.ext", not yet created.
  static Result<ScratchFolder> CreateBeside(const std::string& model);

  ScratchFolder(ScratchFolder&& other) noexcept;
  ScratchFolder& operator=(ScratchFolder&& other) = delete;
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  const std::string& File() const { return file_; }

 private:
  ScratchFolder(std::string folder, std::string file, int lockFd)
      : folder_(std::move(folder)), file_(std::move(file)), lockFd_(lockFd) {}
  std::string folder_;
  std::string file_;
  int lockFd_;
};

}  // namespace pelvane::settings
