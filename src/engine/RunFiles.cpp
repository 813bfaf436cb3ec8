// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RunFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "engine/SplitList.h"
#include "settings/ErrorNumbers.h"

namespace pelvane::engine {

namespace {

// More names would make a message box taller than the screen.
constexpr size_t kMostNamed = 10;

/// Why the file cannot be read, or empty when it can.
std::string WhyUnreadable(const std::string& path) {
  if (path.empty()) return "an empty line in the list";
  // Non-blocking, so that a named pipe does not hold the check.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::generic_category().message(errno);
  struct stat info {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  ::close(fd);
  return regular ? "" : "not a file";
}

void CheckList(const std::string& text, const char* kind, std::vector<std::string>& problems,
               bool& scriptMissing) {
  Result<std::vector<std::string>> paths = SplitList(text);
  if (!paths) {
    problems.push_back(std::string(kind) + " list: more than " + std::to_string(kMaxListItems) +
                       " paths");
    return;
  }
  for (const std::string& path : *paths) {
    const std::string why = WhyUnreadable(path);
    if (why.empty()) continue;
    problems.push_back(std::string(kind) + " file " + path + " (" + why + ")");
    if (kind[0] == 'S') scriptMissing = true;
  }
}

}  // namespace

Status CheckRunFiles(const RunInputs& inputs) {
  std::vector<std::string> problems;
  bool scriptMissing = false;
  if (!inputs.simpleScriptMode && !inputs.scriptText.empty())
    CheckList(inputs.scriptText, "Script", problems, scriptMissing);
  if (inputs.copyFile && !inputs.copyFileText.empty())
    CheckList(inputs.copyFileText, "Copy", problems, scriptMissing);
  if (problems.empty()) return Status::Ok();

  std::string text =
      problems.size() == 1 ? "This file cannot be read" : "These files cannot be read";
  text += ", so the run did not start and no server was contacted:";
  for (size_t i = 0; i < problems.size() && i < kMostNamed; ++i) text += "\r\n" + problems[i];
  if (problems.size() > kMostNamed)
    text += "\r\n... and " + std::to_string(problems.size() - kMostNamed) + " more";
  if (scriptMissing) text += "\r\nScripts are named by their file paths, one per line.";
  return Status::Error(text, error_number::kFileNotFound);
}

}  // namespace pelvane::engine
