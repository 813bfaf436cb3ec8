// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "querytool/OutputFile.h"
#include "querytool/OutputLayout.h"

namespace pelvane::querytool {

/// Everything one run reports while it works: server messages go to the output file as they
/// arrive (so they stay in order with the result sets around them); db-lib's own errors are
/// kept until the caller has the context to word them; whether a server error was seen decides
/// the exit status.
class RunReport {
 public:
  explicit RunReport(OutputFile& output) : output_(&output) {}
  /// A report that writes nothing: a check of the server keeps its messages out of the output.
  RunReport() = default;

  /// Only for a report made with an output file.
  OutputFile& output() { return *output_; }

  void ServerMessageArrived(const ServerMessage& message);
  /// db-lib's own error (number, its text, the operating system's text if any).
  void ClientErrorArrived(int number, const std::string& text, const std::string& systemText);

  bool serverErrorSeen() const { return serverErrorSeen_; }
  /// True once a batch has run past the query time-out.
  bool timedOut() const { return timedOut_; }
  /// The text of the last server error, for a one-line summary of a refused login.
  const std::string& lastServerError() const { return lastServerError_; }
  /// db-lib's errors since the last call, one line each.
  std::vector<std::string> TakeClientErrors();

 private:
  OutputFile* output_ = nullptr;
  bool serverErrorSeen_ = false;
  bool timedOut_ = false;
  std::string lastServerError_;
  std::vector<std::string> clientErrors_;
};

}  // namespace pelvane::querytool
