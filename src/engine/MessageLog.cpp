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

Status MessageLog::SaveLogToFile(const std::string& logFile) {
  if (logFile == fixedLogFile_ || logFile == kWindowsFixedLogFile) return Status::Ok();
  std::string target = logFile.empty()          ? fixedLogFile_
                       : logFile.front() == '/' ? logFile
                                                : settings::SiblingFile(fixedLogFile_, logFile);
  return settings::AppendToFile(target, WithCrLf(window_.Text()) + kLineEnd);
}

}  // namespace pelvane::engine
