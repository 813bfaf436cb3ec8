// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqlbrowser/BrowserMessages.h"

#include <cctype>
#include <vector>

namespace pelvane::sqlbrowser {
namespace {

constexpr char kClientUnicastInstance = 0x04;
constexpr unsigned char kServerResponse = 0x05;

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  size_t begin = 0;
  for (size_t semicolon; (semicolon = text.find(';', begin)) != std::string::npos;
       begin = semicolon + 1)
    fields.push_back(text.substr(begin, semicolon - begin));
  fields.push_back(text.substr(begin));
  return fields;
}

}  // namespace

std::string InstanceRequest(const std::string& instance) {
  return std::string(1, kClientUnicastInstance) + instance + std::string(1, '\0');
}

std::optional<int> TcpPortInReply(const std::string& datagram, const std::string& instance) {
  if (datagram.size() < 3 || static_cast<unsigned char>(datagram[0]) != kServerResponse)
    return std::nullopt;
  const size_t length = static_cast<unsigned char>(datagram[1]) |
                        (static_cast<size_t>(static_cast<unsigned char>(datagram[2])) << 8);
  if (length > datagram.size() - 3) return std::nullopt;
  // Name;value pairs; an answer may list several instances, each ending in ";;".
  const std::vector<std::string> fields = Fields(datagram.substr(3, length));
  bool ours = false;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    const std::string& name = fields[i];
    const std::string& value = fields[i + 1];
    if (name.empty()) {
      // The end of one instance's entry: the next name starts one field later.
      ours = false;
      i -= 1;
      continue;
    }
    if (SameName(name, "InstanceName")) ours = SameName(value, instance);
    if (ours && SameName(name, "tcp")) {
      if (value.empty() || value.size() > 5 ||
          value.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
      const int port = std::stoi(value);
      if (port < 1 || port > 65535) return std::nullopt;
      return port;
    }
  }
  return std::nullopt;
}

}  // namespace pelvane::sqlbrowser
