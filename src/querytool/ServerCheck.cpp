// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/ServerCheck.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "querytool/BatchDeadline.h"

namespace pelvane::querytool {
namespace {

using Clock = std::chrono::steady_clock;

/// True when the query's answer holds the row SELECT 1 asks for.
bool SelectOneAnswered(DBPROCESS* process) {
  if (dbcmd(process, "SELECT 1") == FAIL || dbsqlexec(process) == FAIL) return false;
  bool row = false;
  for (RETCODE result = dbresults(process); result != NO_MORE_RESULTS && result != FAIL;
       result = dbresults(process)) {
    for (STATUS next = dbnextrow(process); next != NO_MORE_ROWS && next != FAIL;
         next = dbnextrow(process))
      row = row || next == REG_ROW;
  }
  return row;
}

}  // namespace

ServerCheck::ServerCheck(ConnectRequest request, int seconds)
    : request_(std::move(request)), seconds_(std::max(seconds, 1)) {
  request_.loginTimeoutSeconds = seconds_;
}

CheckOutcome ServerCheck::Run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) return CheckOutcome::kRefused;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds_);
  RunReport report;
  Result<DbConnection> connection = DbConnection::Open(request_, report);
  if (!connection) {
    // A server that sends a refusal answers; so does a host that refuses the connection at
    // once. Only a login that ran out of time is no answer.
    const bool outOfTime = report.timedOut() || Clock::now() >= deadline;
    return outOfTime && !report.serverErrorSeen() ? CheckOutcome::kNoAnswer
                                                  : CheckOutcome::kRefused;
  }
  const int socket = dbiordesc(connection->get());
  Publish(socket);
  bool answered = false;
  bool expired = false;
  {
    const auto left = std::chrono::ceil<std::chrono::seconds>(deadline - Clock::now()).count();
    BatchDeadline limit(socket, static_cast<int>(std::max<long long>(left, 1)));
    answered = SelectOneAnswered(connection->get());
    expired = limit.expired() || report.timedOut();
  }
  Publish(-1);  // before db-lib closes the descriptor
  if (answered) return CheckOutcome::kAnswered;
  return expired ? CheckOutcome::kNoAnswer : CheckOutcome::kRefused;
}

void ServerCheck::Publish(int socket) {
  std::lock_guard<std::mutex> lock(mutex_);
  socket_ = socket;
  // Abandoned while it logged in: give the query no chance to wait.
  if (abandoned_ && socket_ >= 0) ::shutdown(socket_, SHUT_RDWR);
}

void ServerCheck::Abandon() {
  std::lock_guard<std::mutex> lock(mutex_);
  abandoned_ = true;
  // Shut, not closed: db-lib still owns the descriptor and closes it itself.
  if (socket_ >= 0) ::shutdown(socket_, SHUT_RDWR);
}

}  // namespace pelvane::querytool
