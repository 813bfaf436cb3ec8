// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/SqlEngine.h"

#include "standin/sql/BatchExecutor.h"
#include "standin/sql/ServerStore.h"
#include "standin/sql/SessionState.h"

namespace pelvane::standin {

Result<std::shared_ptr<ServerData>> ServerData::Open(const std::string& folder,
                                                     const std::vector<std::string>& logins,
                                                     const std::vector<std::string>& databases,
                                                     bool spPassword) {
  Result<std::shared_ptr<ServerStore>> store =
      ServerStore::Create(folder, logins, databases, spPassword);
  if (!store.ok()) return store.status();
  return std::shared_ptr<ServerData>(std::move(store).value());
}

Status SwitchDatabase(SessionState& session, const std::string& canonicalName) {
  Result<SqliteHandle> connection = session.server->Connect(canonicalName);
  if (!connection.ok()) return connection.status();
  Status prepared = PrepareSessionConnection(connection->get(), &session.context);
  if (!prepared.ok()) return prepared;
  session.connection = std::move(connection).value();
  session.context.database = canonicalName;
  return Status::Ok();
}

struct Session::State {
  SessionState session;
};

Session::Session(std::shared_ptr<ServerData> server, std::string login, std::string database)
    : state_(std::make_unique<State>()) {
  SessionState& session = state_->session;
  session.server = std::dynamic_pointer_cast<ServerStore>(server);
  session.context.login = std::move(login);
  if (!session.server) {
    session.connectionProblem = "The stand-in's sessions need the server data it opened itself.";
    return;
  }
  session.context.serverName = session.server->ServerName();
  // The login check has refused unknown databases already; master is the safe default.
  std::string canonical = session.server->FindDatabase(database).value_or("master");
  Status switched = SwitchDatabase(session, canonical);
  if (!switched.ok()) session.connectionProblem = switched.message();
}

Session::~Session() = default;

const std::string& Session::database() const {
  return state_->session.context.database;
}

void Session::SetEncrypted(bool encrypted) {
  state_->session.context.encrypted = encrypted;
}

BatchOutcome Session::RunBatch(const std::string& text) {
  BatchOutcome outcome;
  BatchExecutor(state_->session, outcome.events, ExecutionScope{}).Run(text);
  return outcome;
}

RpcOutcome Session::CallProcedure(const std::string& name,
                                  const std::vector<std::optional<std::string>>& parameters) {
  RpcOutcome outcome;
  if (!state_->session.server) {
    ErrorMessage error;
    error.number = 50000;
    error.text = state_->session.connectionProblem;
    outcome.events.push_back(error);
    outcome.returnStatus = 1;
    return outcome;
  }
  std::vector<ProcedureArgument> arguments;
  for (const std::optional<std::string>& parameter : parameters)
    arguments.push_back(ProcedureArgument{"", parameter ? Value(*parameter) : Value()});
  ExecutionResult result = BatchExecutor(state_->session, outcome.events, ExecutionScope{})
                               .CallProcedure(name, arguments, 1);
  outcome.returnStatus = result.returnStatus;
  return outcome;
}

}  // namespace pelvane::standin
