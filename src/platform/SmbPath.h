// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace pelvane::platform {

/// A machine as the network steps name it: "name", "name:port", "[v6]:port"; port 0 is the
/// protocol's own.
struct MachineAddress {
  std::string host;
  int port = 0;
};

/// Splits "name[:port]"; nullopt for an empty name or a port that is not 1 to 65535. A bare
/// IPv6 address (several colons, no brackets) has no port.
std::optional<MachineAddress> ParseMachine(const std::string& text);

/// A place on an SMB share. "\\machine\share\folder", "//machine/share/folder" and
/// "smb://machine[:port]/share/folder" name the same place; either separator may follow the
/// machine. Names are taken as written (no percent-decoding).
struct SmbPath {
  MachineAddress machine;
  std::string share;
  std::string path;  // below the share, "/"-separated, no leading or trailing "/"; may be empty

  /// "smb://machine[:port]/share/path" as written, for people and log lines.
  std::string Display() const;
  /// The same place as libsmbclient reads it (percent-encoded).
  std::string Url() const;
  /// The share itself.
  SmbPath Share() const;
  /// This path with one more name below it.
  SmbPath Child(const std::string& name) const;
  /// The folder that holds this path, and the last name of it.
  SmbPath Parent() const;
  std::string Name() const;
  /// True when `other` is this place or lies below it (machine and share names ignore case).
  bool Contains(const SmbPath& other) const;
};

/// True when the text starts like a path that the SMB client reads: two slashes or
/// backslashes in any mix, or "smb://". Anything else is a local path.
bool IsSmbPathText(const std::string& text);

/// The place a network path names; nullopt when it names no share or holds "." or "..".
std::optional<SmbPath> ParseSmbPath(const std::string& text);

}  // namespace pelvane::platform
