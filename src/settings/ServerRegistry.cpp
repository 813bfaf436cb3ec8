// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ServerRegistry.h"

#include <algorithm>

#include "settings/ProfileText.h"

namespace pelvane::settings {

namespace {

constexpr char kServersSection[] = "Servers";
constexpr char kGroupKey[] = "ServerGroup";

std::string PositionKey(int position) {
  return "Server" + std::to_string(position);
}

/// The list entries in order, up to the first empty one (and never past the 16-bit limit).
std::vector<std::string> ListedNames(const ProfileDocument& doc) {
  std::vector<std::string> names;
  for (int i = 1; i <= kMaxServers; ++i) {
    std::string name = ReadValue(doc, kServersSection, PositionKey(i));
    if (name.empty()) break;
    names.push_back(std::move(name));
  }
  return names;
}

}  // namespace

std::vector<std::string> ServerRegistry::FillServerList(const std::string& group) {
  // One snapshot for the whole fill: a consistent list, and one parse however many servers.
  std::shared_ptr<const ProfileDocument> doc = store_.Snapshot();
  std::vector<std::string> names = ListedNames(*doc);
  ServerCount_ = static_cast<int16_t>(names.size());
  bool everyServer = group.empty() || AsciiUpper(group) == kAllGroup;
  if (everyServer) return names;
  std::vector<std::string> matching;
  for (std::string& name : names) {
    if (AsciiUpper(ReadValue(*doc, name, kGroupKey)) == group) matching.push_back(std::move(name));
  }
  return matching;
}

bool ServerRegistry::IsListed(const std::string& typedName) {
  std::string wanted = AsciiUpper(TrimBlanks(typedName));
  std::vector<std::string> names = FillServerList(std::string());
  return std::find(names.begin(), names.end(), wanted) != names.end();
}

Status CheckServerAndGroup(const std::string& typedName, const std::string& typedGroup) {
  const std::string entry = AsciiUpper(TrimBlanks(typedName));
  if (Status s = CheckReadsBack(kServersSection, "Server1", entry, "A server name"); !s) return s;
  return CheckReadsBack(typedName, kGroupKey, AsciiUpper(typedGroup), "A server group");
}

Status ServerRegistry::AddServer(const std::string& typedName, const std::string& typedGroup) {
  Result<bool> added = AddTo(typedName, typedGroup, false);
  return added ? Status::Ok() : added.status();
}

Result<bool> ServerRegistry::AddServerUnlessListed(const std::string& typedName,
                                                   const std::string& typedGroup) {
  return AddTo(typedName, typedGroup, true);
}

Result<bool> ServerRegistry::AddTo(const std::string& typedName, const std::string& typedGroup,
                                   bool unlessListed) {
  if (Status s = CheckServerAndGroup(typedName, typedGroup); !s) return s;
  int16_t count = 0;
  bool added = false;
  Status status = store_.Edit([&](ProfileDocument& doc) {
    std::vector<std::string> names = ListedNames(doc);
    int listed = static_cast<int>(names.size());
    count = static_cast<int16_t>(listed);
    std::string entry = AsciiUpper(TrimBlanks(typedName));
    if (unlessListed && std::find(names.begin(), names.end(), entry) != names.end())
      return Status::Ok();
    if (listed >= kMaxServers) {
      return Status::Error(
          "The server list is full: it holds " + std::to_string(kMaxServers) + " servers.",
          kInvalidArgument);
    }
    if (Status s = doc.Set(kServersSection, PositionKey(listed + 1), entry); !s) return s;
    if (Status s = doc.Set(typedName, kGroupKey, AsciiUpper(typedGroup)); !s) return s;
    count = static_cast<int16_t>(listed + 1);
    added = true;
    return doc.AppendLine(" ");
  });
  if (!status) return status;
  ServerCount_ = count;
  return added;
}

bool IsReservedSectionName(const std::string& name) {
  static constexpr const char* kProgramSections[] = {"Pelvane", "Errors",       "Servers", "Script",
                                                     "CopyTo",  "SimpleScript", "Append"};
  for (const char* section : kProgramSections) {
    if (EqualsIgnoringCase(TrimBlanks(name), section)) return true;
  }
  return false;
}

Result<bool> ServerRegistry::RemoveServer(const std::string& name) {
  bool removed = false;
  int16_t count = 0;
  Status status = store_.Edit([&](ProfileDocument& doc) {
    std::vector<std::string> names = ListedNames(doc);
    auto last = std::find(names.rbegin(), names.rend(), name);
    removed = last != names.rend();
    count = static_cast<int16_t>(names.size());
    if (!removed) return Status::Ok();
    // A server named like one of the program's own sections must not take that section along.
    if (!IsReservedSectionName(name)) doc.RemoveSection(name);
    int position = static_cast<int>(names.rend() - last);
    int listed = static_cast<int>(names.size());
    for (int j = position; j <= listed; ++j) {
      std::string next = j < listed ? names[static_cast<size_t>(j)] : std::string();
      if (Status s = doc.Set(kServersSection, PositionKey(j), next); !s) return s;
    }
    count = static_cast<int16_t>(listed - 1);
    return Status::Ok();
  });
  if (!status) return status;
  ServerCount_ = count;
  return removed;
}

std::vector<std::string> ServerRegistry::GroupList(bool upperCase) {
  std::shared_ptr<const ProfileDocument> doc = store_.Snapshot();
  std::vector<std::string> names = ListedNames(*doc);
  ServerCount_ = static_cast<int16_t>(names.size());
  std::vector<std::string> groups;
  for (const std::string& name : names) {
    std::string group = ReadValue(*doc, name, kGroupKey);
    if (upperCase) group = AsciiUpper(group);
    if (!group.empty() && std::find(groups.begin(), groups.end(), group) == groups.end())
      groups.push_back(std::move(group));
  }
  return groups;
}

}  // namespace pelvane::settings
