// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NetRpcServiceControl.h"

#include <sstream>

#include "platform/BoundedCommand.h"
#include "platform/SmbPath.h"

namespace pelvane::platform {

namespace {

using engine::ServiceState;

// The words `net rpc service status` prints after "<name> service is ".
constexpr struct {
  const char* words;
  ServiceState state;
} kNetStateWords[] = {
    {"stopped", ServiceState::kStopped},
    {"start pending", ServiceState::kStartPending},
    {"stop pending", ServiceState::kStopPending},
    {"running", ServiceState::kRunning},
    {"resume pending", ServiceState::kContinuePending},
    {"pause pending", ServiceState::kPausePending},
    {"paused", ServiceState::kPaused},
};

std::string WithoutNetworkPrefix(const std::string& machine) {
  if (machine.size() >= 2 && (machine[0] == '\\' || machine[0] == '/') &&
      (machine[1] == '\\' || machine[1] == '/')) {
    return machine.substr(2);
  }
  return machine;
}

}  // namespace

ServiceState ServiceStateFromNetAnswer(int exitCode, const std::string& output) {
  if (exitCode != 0) return ServiceState::kUnknown;
  std::istringstream lines(output);
  constexpr char kMarker[] = " service is ";
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find(kMarker);
    if (at == std::string::npos) continue;
    std::string words = line.substr(at + sizeof kMarker - 1);
    while (!words.empty() && (words.back() == '.' || words.back() == '\r' || words.back() == ' '))
      words.pop_back();
    for (const auto& entry : kNetStateWords) {
      if (words == entry.words) return entry.state;
    }
    return ServiceState::kUnknown;
  }
  return ServiceState::kUnknown;
}

engine::ServiceReply ServiceReplyFromNetAnswer(int exitCode, const std::string& output) {
  // The statuses with which a machine refuses the credentials themselves: trying them again
  // only adds failed logons towards a lockout.
  static constexpr const char* kRefusals[] = {
      "NT_STATUS_LOGON_FAILURE",      "NT_STATUS_WRONG_PASSWORD",      "NT_STATUS_NO_SUCH_USER",
      "NT_STATUS_ACCOUNT_LOCKED_OUT", "NT_STATUS_ACCOUNT_DISABLED",    "NT_STATUS_ACCOUNT_EXPIRED",
      "NT_STATUS_PASSWORD_EXPIRED",   "NT_STATUS_PASSWORD_MUST_CHANGE"};
  if (exitCode == 0) return {};
  for (const char* refusal : kRefusals) {
    if (output.find(refusal) != std::string::npos)
      return {true, std::string("The network logon was refused (") + refusal + ")"};
  }
  return {};
}

std::vector<std::string> NetRpcServiceControl::Arguments(const std::string& verb,
                                                         const std::string& machine,
                                                         const std::string& service,
                                                         const engine::NetworkLogin& login) {
  const std::optional<MachineAddress> address = ParseMachine(WithoutNetworkPrefix(machine));
  if (!address || service.empty()) return {};
  std::vector<std::string> arguments{"rpc", "service", verb, service, "-S", address->host};
  if (address->port != 0) arguments.insert(arguments.end(), {"-p", std::to_string(address->port)});
  if (login.user.empty()) {
    arguments.push_back("--use-kerberos=required");
  } else {
    arguments.insert(arguments.end(), {"-U", login.user});
  }
  return arguments;
}

NetRpcServiceControl::Answer NetRpcServiceControl::Call(const std::string& verb,
                                                        const std::string& machine,
                                                        const std::string& service,
                                                        const engine::NetworkLogin& login) {
  const std::vector<std::string> arguments = Arguments(verb, machine, service, login);
  if (arguments.empty()) return {};
  std::optional<PipedSecret> secret;
  if (!login.user.empty()) secret = PipedSecret{"PASSWD_FD", login.password};
  const CommandResult result = RunBounded(netProgram_, arguments, secret, timeout_);
  return {result.exitCode, result.output};
}

ServiceState NetRpcServiceControl::QueryState(const std::string& machine,
                                              const std::string& service,
                                              const engine::NetworkLogin& login) {
  const Answer answer = Call("status", machine, service, login);
  return ServiceStateFromNetAnswer(answer.exitCode, answer.output);
}

engine::ServiceReply NetRpcServiceControl::Start(const std::string& machine,
                                                 const std::string& service,
                                                 const engine::NetworkLogin& login) {
  const Answer answer = Call("start", machine, service, login);
  return ServiceReplyFromNetAnswer(answer.exitCode, answer.output);
}

engine::ServiceReply NetRpcServiceControl::Stop(const std::string& machine,
                                                const std::string& service,
                                                const engine::NetworkLogin& login) {
  const Answer answer = Call("stop", machine, service, login);
  return ServiceReplyFromNetAnswer(answer.exitCode, answer.output);
}

}  // namespace pelvane::platform
