// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "settings/Status.h"

namespace pelvane::querytool {

/// The output file, created empty; every line ends in CR LF, the form the program that reads
/// it back expects of a text file.
class OutputFile {
 public:
  static Result<OutputFile> Create(const std::string& path);
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  /// Writes one line; line breaks inside the text become CR LF too.
  void Line(const std::string& text);
  /// Flushes now, so that what is written survives whatever comes next.
  Status Flush();

 private:
  OutputFile(int fd, std::string path);
  void WritePending();

  int fd_ = -1;
  std::string path_;
  std::string pending_;
  int error_ = 0;  // the first failed write's errno
};

}  // namespace pelvane::querytool
