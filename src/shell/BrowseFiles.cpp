// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/BrowseFiles.h"

#include <vector>

#include "shell/PathParts.h"

namespace pelvane::shell {

std::string BrowseFiles(Prompter& prompter, const std::string& title,
                        const std::string& currentValue) {
  std::string firstLine = currentValue.substr(0, currentValue.find_first_of("\r\n"));
  FilePick pick;
  pick.title = title;
  pick.startFolder = firstLine.empty() ? std::string() : ParsePath(firstLine, PathPart::kDirectory);
  pick.multiple = true;
  pick.maxFiles = kMaxBrowseFiles;
  std::vector<std::string> chosen = prompter.PickFiles(pick);
  if (chosen.empty()) return currentValue;
  if (chosen.size() > static_cast<size_t>(kMaxBrowseFiles)) chosen.resize(kMaxBrowseFiles);
  std::string result;
  for (const std::string& file : chosen) result += (result.empty() ? "" : "\r\n") + file;
  return result;
}

}  // namespace pelvane::shell
