// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SmbPath.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "settings/ProfileText.h"

namespace pelvane::platform {

namespace {

constexpr char kScheme[] = "smb://";
constexpr size_t kSchemeLength = sizeof kScheme - 1;

bool StartsWithScheme(const std::string& text) {
  if (text.size() < kSchemeLength) return false;
  for (size_t i = 0; i < kSchemeLength; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != kScheme[i]) return false;
  }
  return true;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  std::string name;
  for (char c : text) {
    if (c == '/' || c == '\\') {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  if (!name.empty()) names.push_back(name);
  return names;
}

/// libsmbclient decodes %XX in URLs and reads "?" as the start of options.
std::string Encode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || std::string("/-._~!$&'()*+,;=:@[]").find(c) != std::string::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

std::string MachineText(const MachineAddress& machine) {
  const bool v6 = machine.host.find(':') != std::string::npos;
  std::string text = v6 ? "[" + machine.host + "]" : machine.host;
  if (machine.port != 0) text += ":" + std::to_string(machine.port);
  return text;
}

}  // namespace

std::optional<MachineAddress> ParseMachine(const std::string& text) {
  MachineAddress machine;
  std::string portText;
  if (!text.empty() && text[0] == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos) return std::nullopt;
    machine.host = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') return std::nullopt;
      portText = text.substr(close + 2);
      if (portText.empty()) return std::nullopt;
    }
  } else if (std::count(text.begin(), text.end(), ':') == 1) {
    const size_t colon = text.find(':');
    machine.host = text.substr(0, colon);
    portText = text.substr(colon + 1);
    if (portText.empty()) return std::nullopt;
  } else {
    machine.host = text;
  }
  if (machine.host.empty()) return std::nullopt;
  if (!portText.empty()) {
    const std::optional<int> port = settings::ParseDigits(portText, 65535);
    if (!port || *port < 1) return std::nullopt;
    machine.port = *port;
  }
  return machine;
}

bool IsSmbPathText(const std::string& text) {
  if (StartsWithScheme(text)) return true;
  return text.size() >= 2 && (text[0] == '\\' || text[0] == '/') &&
         (text[1] == '\\' || text[1] == '/');
}

std::optional<SmbPath> ParseSmbPath(const std::string& text) {
  if (!IsSmbPathText(text)) return std::nullopt;
  const std::vector<std::string> names =
      SplitNames(StartsWithScheme(text) ? text.substr(kSchemeLength) : text.substr(2));
  if (names.size() < 2) return std::nullopt;
  for (const std::string& name : names) {
    if (name == "." || name == "..") return std::nullopt;
  }
  std::optional<MachineAddress> machine = ParseMachine(names[0]);
  if (!machine) return std::nullopt;
  SmbPath path;
  path.machine = *machine;
  path.share = names[1];
  for (size_t i = 2; i < names.size(); ++i) path.path += (i > 2 ? "/" : "") + names[i];
  return path;
}

std::string SmbPath::Display() const {
  return std::string(kScheme) + MachineText(machine) + "/" + share + (path.empty() ? "" : "/") +
         path;
}

std::string SmbPath::Url() const {
  return std::string(kScheme) + MachineText(machine) + "/" + Encode(share) +
         (path.empty() ? "" : "/") + Encode(path);
}

SmbPath SmbPath::Share() const {
  SmbPath share_path = *this;
  share_path.path.clear();
  return share_path;
}

SmbPath SmbPath::Child(const std::string& name) const {
  SmbPath child = *this;
  child.path += (path.empty() ? "" : "/") + name;
  return child;
}

SmbPath SmbPath::Parent() const {
  SmbPath parent = *this;
  const size_t cut = path.rfind('/');
  parent.path = cut == std::string::npos ? "" : path.substr(0, cut);
  return parent;
}

std::string SmbPath::Name() const {
  const size_t cut = path.rfind('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool SmbPath::Contains(const SmbPath& other) const {
  if (!SameIgnoringCase(machine.host, other.machine.host) || machine.port != other.machine.port ||
      !SameIgnoringCase(share, other.share)) {
    return false;
  }
  if (path.empty()) return true;
  return SameIgnoringCase(path, other.path) ||
         (other.path.size() > path.size() && other.path[path.size()] == '/' &&
          SameIgnoringCase(path, other.path.substr(0, path.size())));
}

}  // namespace pelvane::platform
