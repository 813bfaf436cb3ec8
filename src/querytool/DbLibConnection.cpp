// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/DbLibConnection.h"

#include <string>

namespace pelvane::querytool {
namespace {

// db-lib calls its handlers as process-wide C callbacks without a user argument. An open
// connection carries its RunReport itself (dbsetuserdata). During dbopen there is no
// DBPROCESS to carry it yet, so the report of the login under way is published here, for that
// one call and on this thread only, by LoginScope. It is the one piece of mutable state outside
// an object that the tool has, and it is never read outside a login.
thread_local RunReport* tLoginReport = nullptr;

class LoginScope {
 public:
  explicit LoginScope(RunReport& report) : previous_(tLoginReport) { tLoginReport = &report; }
  ~LoginScope() { tLoginReport = previous_; }
  LoginScope(const LoginScope&) = delete;
  LoginScope& operator=(const LoginScope&) = delete;

 private:
  RunReport* previous_;
};

RunReport* ReportFor(DBPROCESS* process) {
  if (process != nullptr) {
    if (BYTE* data = dbgetuserdata(process)) return reinterpret_cast<RunReport*>(data);
  }
  return tLoginReport;
}

std::string Text(const char* text) {
  return text != nullptr ? text : "";
}

int OnMessage(DBPROCESS* process, DBINT number, int state, int severity, char* text,
              char* /*server*/, char* procedure, int line) {
  if (RunReport* report = ReportFor(process)) {
    ServerMessage message{number, state, severity, Text(text), Text(procedure), line};
    report->ServerMessageArrived(message);
  }
  return 0;
}

int OnError(DBPROCESS* process, int /*severity*/, int number, int systemError, char* text,
            char* systemText) {
  if (RunReport* report = ReportFor(process))
    report->ClientErrorArrived(number, Text(text), systemError > 0 ? Text(systemText) : "");
  // Cancel the call that failed; db-lib's default would end the whole process. For a time-out
  // this gives up on the batch and closes the connection: a server that stalls one batch
  // would stall the next.
  return INT_CANCEL;
}

struct LoginDeleter {
  void operator()(LOGINREC* login) const { dbloginfree(login); }
};

}  // namespace

DbLibrary::DbLibrary(int queryTimeoutSeconds) : status_(Status::Ok()) {
  if (dbinit() == FAIL) {
    status_ = Status::Error("Cannot initialise db-lib");
    return;
  }
  dberrhandle(OnError);
  dbmsghandle(OnMessage);
  if (queryTimeoutSeconds > 0) dbsettime(queryTimeoutSeconds);
}

DbLibrary::~DbLibrary() {
  if (status_.ok()) dbexit();
}

Result<DbConnection> DbConnection::Open(const ConnectRequest& request, RunReport& report) {
  std::unique_ptr<LOGINREC, LoginDeleter> login(dblogin());
  if (!login) return Status::Error("Cannot allocate a db-lib login record");
  DBSETLUSER(login.get(), request.login.c_str());
  DBSETLPWD(login.get(), request.password.c_str());
  DBSETLAPP(login.get(), request.application.c_str());
  // Scripts are UTF-8 by the time they are sent; results come back the same way.
  DBSETLCHARSET(login.get(), "UTF-8");
  DBSETLVERSION(login.get(), DBVERSION_74);
  if (!request.database.empty()) DBSETLDBNAME(login.get(), request.database.c_str());

  DBPROCESS* process = nullptr;
  {
    // db-lib keeps one login time for the process; logins never overlap in this tool (a check
    // of the server logs in only once the script's own connection is open).
    dbsetlogintime(request.loginTimeoutSeconds);
    LoginScope scope(report);
    process = dbopen(login.get(), request.server.c_str());
  }
  if (process == nullptr) {
    std::string reasons;
    for (const std::string& line : report.TakeClientErrors())
      reasons += (reasons.empty() ? "" : "; ") + line;
    if (reasons.empty()) reasons = "The server refused the connection.";
    return Status::Error(reasons);
  }
  DbConnection connection(process);
  dbsetuserdata(process, reinterpret_cast<BYTE*>(&report));
  return connection;
}

bool DbConnection::dead() const {
  return DBDEAD(process_.get()) != 0;
}

}  // namespace pelvane::querytool
