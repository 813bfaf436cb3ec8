// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/ports/NetworkShares.h"
#include "platform/SmbPath.h"
#include "settings/Status.h"

namespace pelvane::platform {

class SmbSession;

/// Network folders over SMB with libsmbclient. There are no drive letters here: a connection
/// logs on to the folder with the given credentials, once, and hands back the folder itself
/// ("smb://machine/share/folder/") as the local name; files under it are written with that
/// logon until it is disconnected. A network path outside every connection is refused rather
/// than tried with other credentials, so a refused logon is never repeated. Paths that are not
/// network paths are written on this machine's file system.
class SmbNetworkShares : public engine::NetworkShares {
 public:
  /// Every request to a server is bounded by timeoutMs.
  explicit SmbNetworkShares(int timeoutMs = kDefaultTimeoutMs);
  ~SmbNetworkShares() override;

  Connection Connect(const std::string& remotePath, const std::string& userName,
                     const std::string& password) override;
  bool Disconnect(const std::string& localName, bool force) override;
  /// Streams the file in blocks to a temporary name in the destination folder and renames it
  /// on success, so the destination is written whole or not at all. A source that is not a
  /// regular file (a named pipe, a device) is refused at once, as a missing one.
  Status CopyFile(const std::string& source, const std::string& destination,
                  bool failIfExists) override;
  Status AppendText(const std::string& path, const std::string& text) override;

  static constexpr int kDefaultTimeoutMs = 5000;

 private:
  struct Connected {
    SmbPath folder;
    std::unique_ptr<SmbSession> session;
  };

  /// The session of a connection that holds the path; nullptr when none does.
  SmbSession* SessionFor(const SmbPath& path);
  /// Copies the open regular file `input` (named `source`) through the session.
  Status CopyToShare(SmbSession& session, int input, const std::string& source,
                     const SmbPath& destination, bool failIfExists);

  int timeoutMs_;
  std::mutex mutex_;  // the desktop program runs steps on a worker thread
  std::multimap<std::string, Connected> connections_;  // by local name
};

}  // namespace pelvane::platform
