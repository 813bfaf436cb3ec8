// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/Connection.h"

#include <thread>
#include <utility>

#include "standin/tds/Login7.h"
#include "standin/tds/LoginReplies.h"
#include "standin/tds/ReplyBuilder.h"
#include "standin/tds/Requests.h"

namespace pelvane::standin::tds {
namespace {

// SQL Server's number for an RPC whose parameters it cannot read.
constexpr int32_t kBadRpcStream = 8009;

}  // namespace

Connection::Connection(const Socket& socket, std::shared_ptr<ServerData> server, uint16_t spid,
                       std::chrono::milliseconds latency, TlsConfig tls)
    : stream_(socket, std::move(tls)), server_(std::move(server)), spid_(spid), latency_(latency) {}

bool Connection::Send(const std::string& payload) {
  return stream_.WriteAll(EncodePackets(kReply, spid_, payload, packetSize_));
}

std::string Connection::Serve() {
  for (;;) {
    Result<Message> message = ReadMessage(stream_);
    if (!message) return message.status().number() == kPeerClosed ? "" : message.status().message();
    std::string reason;
    bool keep = false;
    const uint8_t type = message->type;
    if (!session_) {
      if (type == kPrelogin) {
        Status answered = stream_.AnswerPrelogin(message->payload, spid_);
        keep = answered.ok();
        reason = answered.message();
      } else if (type == kLogin7) {
        keep = OnLogin(*message, reason);
      } else {
        reason = "request before login";
      }
    } else if (type == kSqlBatch) {
      keep = OnSqlBatch(*message, reason);
    } else if (type == kRpc) {
      keep = OnRpc(*message);
    } else if (type == kAttention) {
      ReplyBuilder reply(tdsVersion_, server_->ServerName());
      reply.AddAttentionAck();
      keep = Send(reply.Finish());
    } else {
      reason = "unexpected message type " + std::to_string(type);
    }
    if (!keep) return reason;
  }
}

bool Connection::OnLogin(const Message& message, std::string& reason) {
  if (Status read = stream_.LoginRead(); !read.ok()) {
    reason = read.message();
    return false;
  }
  Result<Login7Request> login = ParseLogin7(message.payload);
  if (!login) {
    reason = login.status().message();
    return false;
  }
  tdsVersion_ = NegotiateTdsVersion(login->tdsVersion);
  LoginResult result = LoginResult::kBadLogin;
  std::string userName = login->userName;
  if (const std::string sspi = Login7SspiToken(message.payload); !sspi.empty()) {
    // A Windows login: NTLM proves the password, then it logs in as that login.
    Result<WindowsLoginOutcome> windows = AuthenticateWindowsLogin(
        sspi, windowsLogins_ ? *windowsLogins_ : WindowsLogins{},
        [this](const std::string& payload) { return Send(payload); },
        [this] { return ReadMessage(stream_); });
    if (!windows) {
      reason = windows.status().message();
      return false;
    }
    userName = windows->accepted ? windows->account.name : windows->login;
    if (windows->accepted)
      result = server_->CheckLogin(userName, windows->account.password, login->database);
  } else if (login->changePassword) {
    result = server_->ChangePasswordAtLogin(login->userName, login->password, login->newPassword,
                                            login->database);
  } else {
    result = server_->CheckLogin(login->userName, login->password, login->database);
  }
  if (result != LoginResult::kAccepted) {
    Send(LoginRefusedReply(result, tdsVersion_, userName, login->database, server_->ServerName()));
    reason = "";  // refused logins close the connection, as SQL Server does
    return false;
  }
  const uint32_t packetSize = NegotiatePacketSize(login->packetSize);
  std::string database = login->database.empty() ? "master" : login->database;
  session_ = std::make_unique<Session>(server_, userName, database);
  // The login reply still goes out in the packet size the client started with.
  bool sent = Send(LoginAcceptedReply(tdsVersion_, session_->database(), packetSize));
  packetSize_ = packetSize;
  return sent;
}

bool Connection::OnSqlBatch(const Message& message, std::string& reason) {
  Result<std::string> text = ParseSqlBatch(message.payload, tdsVersion_);
  if (!text) {
    reason = text.status().message();
    return false;
  }
  if (latency_.count() > 0) std::this_thread::sleep_for(latency_);
  ReplyBuilder reply(tdsVersion_, server_->ServerName());
  reply.AddBatch(session_->RunBatch(*text));
  return Send(reply.Finish());
}

bool Connection::OnRpc(const Message& message) {
  if (latency_.count() > 0) std::this_thread::sleep_for(latency_);
  ReplyBuilder reply(tdsVersion_, server_->ServerName());
  Result<std::vector<RpcCall>> calls = ParseRpc(message.payload, tdsVersion_);
  if (!calls) {
    // The message itself arrived whole, so the connection can go on.
    ErrorMessage error;
    error.number = kBadRpcStream;
    error.text =
        "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol stream is "
        "incorrect. " +
        calls.status().message() + ".";
    reply.AddFailedProcedure(error);
    return Send(reply.Finish());
  }
  for (const RpcCall& call : *calls) {
    if (StatementProcedures::Handles(call.procedureName)) {
      statements_.Call(call, *session_, reply);
      continue;
    }
    std::vector<std::optional<std::string>> values;
    for (const RpcParameter& parameter : call.parameters) values.push_back(parameter.value);
    reply.AddProcedure(session_->CallProcedure(call.procedureName, values));
  }
  return Send(reply.Finish());
}

}  // namespace pelvane::standin::tds
