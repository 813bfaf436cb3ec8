// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fstream>
#include <string>

#include "settings/Status.h"

namespace pelvane::querytool {

/// The output file, created empty; every line ends in CR LF, the form the program that reads
/// it back expects of a text file.
class OutputFile {
 public:
  static Result<OutputFile> Create(const std::string& path);

  /// Writes one line; line breaks inside the text become CR LF too.
  void Line(const std::string& text);
  /// Flushes now, so that what is written survives whatever comes next.
  Status Flush();

 private:
  OutputFile(std::ofstream stream, std::string path);

  std::ofstream stream_;
  std::string path_;
};

}  // namespace pelvane::querytool
