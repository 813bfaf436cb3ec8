// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProgramLocation.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/ProgramState.h"

namespace pelvane::platform {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string ProgramFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error).string();
  return exe.parent_path().string();
}

std::string DefaultSettingsFile() {
  std::string folder = ProgramFolder();
  bool writable = ::access(folder.c_str(), W_OK) == 0;
  std::string file = engine::ChooseSettingsFile(folder, writable, Environment("XDG_CONFIG_HOME"),
                                                Environment("HOME"));
  std::error_code ignored;  // a folder that cannot be made shows up at the first write
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
  return file;
}

}  // namespace pelvane::platform
