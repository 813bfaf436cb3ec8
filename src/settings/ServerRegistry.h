// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"
#include "settings/Status.h"

namespace pelvane::settings {

/// Positions are counted in 16 bits, so the list holds at most this many servers.
constexpr int kMaxServers = 32767;

/// The pseudo-group that stands for every server.
constexpr char kAllGroup[] = "ALL";

/// Whether a name is one of the sections the program keeps its own settings in ("Pelvane",
/// "Servers", ...): a server of that name would share its section with them.
bool IsReservedSectionName(const std::string& name);

/// Refuses a server name or group that the settings file could not give back as written (a
/// name beginning with "?", a name or group longer than the reader returns).
Status CheckServerAndGroup(const std::string& typedName, const std::string& typedGroup);

/// The list of servers kept in section "Servers" ("Server1", "Server2", ... up to the first
/// empty value), each server's own section, and the groups named by their "ServerGroup".
class ServerRegistry {
 public:
  explicit ServerRegistry(SettingsStore& store) : store_(store) {}

  /// The servers of a group in list order; an empty group or "ALL" gives every server. Sets
  /// ServerCount to the number of servers in the list, whatever the group.
  std::vector<std::string> FillServerList(const std::string& group);

  /// The number of servers counted by the last fill or group scan.
  int16_t ServerCount() const { return ServerCount_; }

  /// Whether a typed name, trimmed and in upper case, is already an entry of the list.
  bool IsListed(const std::string& typedName);

  /// Appends a server: the list entry is the typed name trimmed and in upper case, its
  /// "ServerGroup" goes into the section named as typed, and a line holding one blank follows
  /// at the end of the file. One write; the caller applies the uniqueness rule.
  Status AddServer(const std::string& typedName, const std::string& typedGroup);

  /// AddServer with the uniqueness rule applied inside the same write, so that two writers
  /// adding one name at once list it once. False when the name was already listed.
  Result<bool> AddServerUnlessListed(const std::string& typedName, const std::string& typedGroup);

  /// Removes the last list entry equal to name (exactly) and the server's section, and closes
  /// the gap; the former last position keeps an empty value. A name that is not in the list
  /// changes nothing and gives false. One write.
  Result<bool> RemoveServer(const std::string& name);

  /// The groups in order of first appearance, without "ALL"; upper-cased when asked (the
  /// groups as stored otherwise). Sets ServerCount.
  std::vector<std::string> GroupList(bool upperCase);

 private:
  Result<bool> AddTo(const std::string& typedName, const std::string& typedGroup,
                     bool unlessListed);

  SettingsStore& store_;
  int16_t ServerCount_ = 0;
};

}  // namespace pelvane::settings
