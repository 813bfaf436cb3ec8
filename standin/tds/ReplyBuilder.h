// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "standin/sql/BatchEvents.h"
#include "standin/tds/ByteWriter.h"

namespace pelvane::standin::tds {

/// An integer output parameter of a procedure call (a prepared statement's handle).
struct ReturnValue {
  uint16_t ordinal = 0;
  std::string name;
  int32_t value = 0;
};

/// Turns what the SQL side produced into one reply's token stream. Every DONE-type token but
/// the last carries the more bit, so a client reads exactly to the end of the reply.
class ReplyBuilder {
 public:
  ReplyBuilder(uint32_t tdsVersion, std::string serverName);

  /// A batch: results, messages and a DONE per statement (one DONE at least).
  void AddBatch(const BatchOutcome& outcome);
  /// A procedure call: its events with DONEINPROC, then RETURNSTATUS, the output parameters
  /// and DONEPROC.
  void AddProcedure(const RpcOutcome& outcome, const std::vector<ReturnValue>& outputs = {});
  /// A call refused before it ran (unknown procedure, unreadable parameters).
  void AddFailedProcedure(const ErrorMessage& error);
  /// The answer to a client's cancel.
  void AddAttentionAck();

  std::string Finish();

 private:
  // Writes the events and returns whether any was an error.
  bool AddEvents(const std::vector<BatchEvent>& events, uint8_t doneToken);
  void AddDone(uint8_t token, uint16_t status, uint64_t rowCount);

  uint32_t tdsVersion_;
  std::string serverName_;
  ByteWriter out_;
  std::vector<size_t> doneStatusAt_;
  bool doneIsLast_ = false;
  bool errorSinceDone_ = false;
};

}  // namespace pelvane::standin::tds
