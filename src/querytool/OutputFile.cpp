// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "settings/ErrnoText.h"

namespace pelvane::querytool {

Result<OutputFile> OutputFile::Create(const std::string& path) {
  // A new output file is private: it may show data and server messages.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  if (!stream)
    return Status::Error("Cannot create the output file " + path + ": " +
                         settings::ErrnoText(errno));
  return OutputFile(std::move(stream), path);
}

OutputFile::OutputFile(std::ofstream stream, std::string path)
    : stream_(std::move(stream)), path_(std::move(path)) {}

void OutputFile::Line(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n')
      out += "\r\n";
    else
      out += text[i];
  }
  out += "\r\n";
  stream_.write(out.data(), static_cast<std::streamsize>(out.size()));
}

Status OutputFile::Flush() {
  stream_.flush();
  if (!stream_) return Status::Error("Cannot write the output file " + path_);
  return Status::Ok();
}

}  // namespace pelvane::querytool
