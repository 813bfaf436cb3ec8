// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SplitList.h"

namespace pelvane::engine {

Result<std::vector<std::string>> SplitList(const std::string& text) {
  std::string joined;
  joined.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      joined += '|';
      ++i;
    } else {
      joined += text[i];
    }
  }
  std::vector<std::string> items;
  size_t start = 0;
  for (size_t bar; (bar = joined.find('|', start)) != std::string::npos; start = bar + 1) {
    items.push_back(joined.substr(start, bar - start));
    if (items.size() >= kMaxListItems) {
      return Status::Error("The list holds more than " + std::to_string(kMaxListItems) + " items.",
                           9);  // "Subscript out of range", as the fixed table of 100 overflows
    }
  }
  items.push_back(joined.substr(start));
  return items;
}

Status CheckListPath(const std::string& path) {
  if (path.find_first_of("|\r\n") == std::string::npos) return Status::Ok();
  return Status::Error(path +
                           ": a path cannot hold \"|\" or a line break, which separate the "
                           "paths of a list",
                       kInvalidArgument);
}

}  // namespace pelvane::engine
