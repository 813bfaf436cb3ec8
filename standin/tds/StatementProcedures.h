// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "standin/sql/SqlEngine.h"
#include "standin/tds/ReplyBuilder.h"
#include "standin/tds/Requests.h"

namespace pelvane::standin::tds {

/// The system procedures through which clients run parameterised and prepared SQL
/// (sp_executesql, sp_prepare, sp_prepexec, sp_execute, sp_unprepare). The values are put into
/// the text and the text runs as a batch; prepared statements live as long as the connection.
class StatementProcedures {
 public:
  static bool Handles(const std::string& procedureName);

  void Call(const RpcCall& call, Session& session, ReplyBuilder& reply);

 private:
  struct Prepared {
    std::string declaration;
    std::string statement;
  };

  void Run(const std::string& statement, const std::string& declaration,
           const std::vector<RpcParameter>& values, Session& session, ReplyBuilder& reply,
           const std::vector<ReturnValue>& outputs);
  int32_t Prepare(const std::string& declaration, const std::string& statement);

  std::map<int32_t, Prepared> prepared_;
  int32_t nextHandle_ = 1;
};

}  // namespace pelvane::standin::tds
