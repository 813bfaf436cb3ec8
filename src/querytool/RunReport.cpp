// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/RunReport.h"

#include <utility>

namespace pelvane::querytool {
namespace {

// db-lib raises this after every server error only to point at the message already written.
constexpr int kSeeServerMessages = 20018;
// db-lib's "SQL Server connection timed out" (SYBETIME).
constexpr int kTimedOut = 20003;

}  // namespace

void RunReport::ServerMessageArrived(const ServerMessage& message) {
  if (message.severity > kMaxInformationalSeverity) {
    serverErrorSeen_ = true;
    lastServerError_ = message.text;
  }
  if (output_ == nullptr) return;
  for (const std::string& line : MessageLines(message)) output_->Line(line);
}

void RunReport::ClientErrorArrived(int number, const std::string& text,
                                   const std::string& systemText) {
  if (number == kSeeServerMessages) return;
  if (number == kTimedOut) timedOut_ = true;
  std::string line = text;
  if (!systemText.empty() && systemText != text) line += " (" + systemText + ")";
  clientErrors_.push_back(std::move(line));
}

std::vector<std::string> RunReport::TakeClientErrors() {
  return std::exchange(clientErrors_, {});
}

}  // namespace pelvane::querytool
