// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/ReplyBuilder.h"

#include <utility>
#include <variant>

#include "standin/tds/ResultSetTokens.h"
#include "standin/tds/Tokens.h"

namespace pelvane::standin::tds {
namespace {

template <class Message>
ServerMessage ToServerMessage(const Message& m, const std::string& serverName) {
  ServerMessage out;
  out.number = m.number;
  out.state = m.state;
  out.severity = m.severity;
  out.text = m.text;
  out.serverName = serverName;
  out.procedure = m.procedure;
  out.line = m.line;
  return out;
}

}  // namespace

ReplyBuilder::ReplyBuilder(uint32_t tdsVersion, std::string serverName)
    : tdsVersion_(tdsVersion), serverName_(std::move(serverName)) {}

void ReplyBuilder::AddDone(uint8_t token, uint16_t status, uint64_t rowCount) {
  doneStatusAt_.push_back(WriteDone(out_, token, status, rowCount, tdsVersion_));
  doneIsLast_ = true;
}

bool ReplyBuilder::AddEvents(const std::vector<BatchEvent>& events, uint8_t doneToken) {
  bool anyError = false;
  errorSinceDone_ = false;
  for (const BatchEvent& event : events) {
    doneIsLast_ = false;
    if (auto rs = std::get_if<ResultSet>(&event)) {
      WriteResultSet(out_, *rs, tdsVersion_);
    } else if (auto info = std::get_if<InfoMessage>(&event)) {
      WriteMessageToken(out_, kInfoToken, ToServerMessage(*info, serverName_), tdsVersion_);
    } else if (auto error = std::get_if<ErrorMessage>(&event)) {
      WriteMessageToken(out_, kErrorToken, ToServerMessage(*error, serverName_), tdsVersion_);
      anyError = errorSinceDone_ = true;
    } else if (auto done = std::get_if<StatementDone>(&event)) {
      uint16_t status = 0;
      if (done->rowCount) status |= kDoneCount;
      if (done->error || errorSinceDone_) status |= kDoneError;
      AddDone(doneToken, status, done->rowCount.value_or(0));
      errorSinceDone_ = false;
    } else if (auto db = std::get_if<DatabaseChanged>(&event)) {
      WriteEnvChange(out_, kEnvDatabase, db->newName, db->oldName);
    }
  }
  return anyError;
}

void ReplyBuilder::AddBatch(const BatchOutcome& outcome) {
  AddEvents(outcome.events, kDoneToken);
  if (!doneIsLast_) AddDone(kDoneToken, errorSinceDone_ ? kDoneError : 0, 0);
}

void ReplyBuilder::AddProcedure(const RpcOutcome& outcome,
                                const std::vector<ReturnValue>& outputs) {
  bool anyError = AddEvents(outcome.events, kDoneInProcToken);
  WriteReturnStatus(out_, outcome.returnStatus);
  for (const ReturnValue& output : outputs)
    WriteIntReturnValue(out_, output.ordinal, output.name, output.value, tdsVersion_);
  AddDone(kDoneProcToken, anyError ? kDoneError : 0, 0);
}

void ReplyBuilder::AddFailedProcedure(const ErrorMessage& error) {
  WriteMessageToken(out_, kErrorToken, ToServerMessage(error, serverName_), tdsVersion_);
  AddDone(kDoneProcToken, kDoneError, 0);
}

void ReplyBuilder::AddAttentionAck() {
  AddDone(kDoneToken, kDoneAttention, 0);
}

std::string ReplyBuilder::Finish() {
  std::string bytes = out_.Take();
  for (size_t i = 0; i + 1 < doneStatusAt_.size(); ++i)
    bytes[doneStatusAt_[i]] = static_cast<char>(bytes[doneStatusAt_[i]] | kDoneMore);
  doneStatusAt_.clear();
  return bytes;
}

}  // namespace pelvane::standin::tds
