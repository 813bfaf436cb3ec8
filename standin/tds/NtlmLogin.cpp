// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/NtlmLogin.h"

#include <cctype>
#include <random>

#include "standin/tds/ByteReader.h"
#include "standin/tds/NtlmMessages.h"

namespace pelvane::standin::tds {
namespace {

constexpr uint8_t kSspiToken = 0xED;
// LOGIN7: the SSPI field's offset and byte length, and the long length used when that is 0xFFFF.
constexpr size_t kSspiField = 78;
constexpr size_t kSspiLongField = 90;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string ServerChallenge() {
  std::random_device random;
  std::string challenge(8, '\0');
  for (char& c : challenge) c = static_cast<char>(random() & 0xFF);
  return challenge;
}

}  // namespace

WindowsLogins ParseWindowsLogins(const std::vector<std::string>& entries) {
  WindowsLogins logins;
  for (const std::string& entry : entries) {
    const size_t colon = entry.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = entry.substr(0, colon);
    logins[Upper(name)] = {name, entry.substr(colon + 1)};
  }
  return logins;
}

std::string Login7SspiToken(const std::string& payload) {
  ByteReader field(payload, kSspiField);
  const uint16_t offset = field.U16();
  uint32_t length = field.U16();
  if (!field.ok() || length == 0) return "";
  if (length == 0xFFFF) {
    ByteReader longField(payload, kSspiLongField);
    length = longField.U32();
    if (!longField.ok()) return "";
  }
  ByteReader data(payload, offset);
  std::string token = data.Bytes(length);
  return data.ok() ? token : "";
}

Result<WindowsLoginOutcome> AuthenticateWindowsLogin(
    const std::string& negotiate, const WindowsLogins& logins,
    const std::function<bool(const std::string&)>& send,
    const std::function<Result<Message>()>& read) {
  if (!IsNtlmNegotiate(negotiate)) return Status::Error("LOGIN7 SSPI data is not NTLMSSP");
  const std::string challenge = ServerChallenge();
  const std::string message = NtlmChallenge(challenge);
  std::string token(1, static_cast<char>(kSspiToken));
  token += static_cast<char>(message.size() & 0xFF);
  token += static_cast<char>((message.size() >> 8) & 0xFF);
  if (!send(token + message)) return Status::Error("client left during the NTLM exchange");

  Result<Message> reply = read();
  if (!reply) return reply.status();
  if (reply->type != kSspi)
    return Status::Error("expected the NTLM answer, got message type " +
                         std::to_string(reply->type));
  Result<NtlmAuthenticate> answer = ParseNtlmAuthenticate(reply->payload);
  if (!answer) return answer.status();

  WindowsLoginOutcome outcome;
  outcome.login = answer->domain + "\\" + answer->user;
  auto known = logins.find(Upper(outcome.login));
  if (known != logins.end() && NtlmV2ResponseMatches(*answer, known->second.password, challenge)) {
    outcome.accepted = true;
    outcome.account = known->second;
  }
  return outcome;
}

}  // namespace pelvane::standin::tds
