// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/MessageLog.h"

#include <utility>

#include "settings/ErrorNumbers.h"
#include "settings/FileIo.h"

namespace pelvane::engine {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kWindowsFixedLogFile[] = "C:\\Pelvane.log";

// A GUI text control may hand its text back with bare "\n" line ends; the file keeps "\r\n".
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

std::string LogSeparator() {
  return std::string(82, '-');
}

Result<std::string> ReadWholeFile(const std::string& path) {
  Result<settings::FileContent> content = settings::ReadFileBytes(path);
  if (!content) return content.status();
  return std::move(content).value().bytes;
}

MessageLog::MessageLog(LogWindow& window, std::string tempErrorFile, std::string fixedLogFile)
    : window_(window),
      tempErrorFile_(std::move(tempErrorFile)),
      fixedLogFile_(std::move(fixedLogFile)),
      scratch_(settings::ScratchFile::None()) {}

MessageLog::~MessageLog() = default;

void MessageLog::MirroredWindow::AppendText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  text_ += text;
  target_.AppendText(text);
}

void MessageLog::MirroredWindow::SetText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  text_ = text;
  target_.SetText(text);
}

std::string MessageLog::MirroredWindow::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return text_;
}

Status MessageLog::LogMessage(const std::string& text, bool endLine) {
  if (refreshLogWindow_ == 1) {
    window_.AppendText(endLine ? text + kLineEnd : text);
    return Status::Ok();
  }
  pendingLogText_ += text;
  if (!endLine) return Status::Ok();
  if (scratch_.path().empty()) {
    Result<settings::ScratchFile> created = settings::ScratchFile::CreateBeside(tempErrorFile_);
    if (!created) return created.status();
    scratch_ = std::move(created).value();
  }
  Status written = settings::AppendToFile(scratch_.path(), pendingLogText_ + kLineEnd);
  if (written) pendingLogText_.clear();
  return written;
}

Status MessageLog::LoadDeferredLog() {
  if (refreshLogWindow_ == 1) return Status::Ok();
  if (scratch_.path().empty())
    return Status::Error("File not found: " + tempErrorFile_, error_number::kFileNotFound);
  Result<std::string> collected = ReadWholeFile(scratch_.path());
  if (!collected) return collected.status();
  window_.SetText(*collected);
  scratch_ = settings::ScratchFile::None();  // deletes the file
  return Status::Ok();
}

Result<std::string> MessageLog::CollectedLines() const {
  std::string collected;
  if (!scratch_.path().empty()) {
    Result<std::string> lines = ReadWholeFile(scratch_.path());
    if (!lines) return lines.status();
    collected = std::move(lines).value();
  }
  return collected + pendingLogText_;
}

void MessageLog::DropCollectedLines() {
  scratch_ = settings::ScratchFile::None();  // deletes the file
  pendingLogText_.clear();
}

Status MessageLog::ShowCollectedLines() {
  Result<std::string> collected = CollectedLines();
  if (!collected) return collected.status();
  if (!collected->empty()) window_.AppendText(*collected);
  DropCollectedLines();
  return Status::Ok();
}

Status MessageLog::SaveCollectedLines(const std::string& logFile) {
  Result<std::string> collected = CollectedLines();
  if (!collected) return collected.status();
  if (collected->empty()) return Status::Ok();
  if (std::string target = LogFileTarget(logFile); !target.empty()) {
    if (Status s = settings::AppendToFile(target, WithCrLf(*collected) + kLineEnd); !s) return s;
  }
  DropCollectedLines();
  return Status::Ok();
}

std::string NamedLogFile(const std::string& logFile, const std::string& fixedLogFile) {
  if (logFile.empty() || logFile == kWindowsFixedLogFile) return fixedLogFile;
  return logFile.front() == '/' ? logFile : settings::SiblingFile(fixedLogFile, logFile);
}

std::string MessageLog::LogFileTarget(const std::string& logFile) const {
  if (logFile == fixedLogFile_ || logFile == kWindowsFixedLogFile) return "";
  return NamedLogFile(logFile, fixedLogFile_);
}

Status MessageLog::SaveLogToFile(const std::string& logFile) {
  const std::string target = LogFileTarget(logFile);
  if (target.empty()) return Status::Ok();
  return settings::AppendToFile(target, WithCrLf(window_.Text()) + kLineEnd);
}

}  // namespace pelvane::engine
