// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/SmbLibrary.h"
#include "settings/Status.h"

namespace pelvane::platform {

/// One libsmbclient context that logs on with one user's credentials and nothing else: no
/// Kerberos, no anonymous fallback, every request bounded by a time-out. Calls return what
/// libsmbclient returns (-1 or nullptr with errno set); the context is freed with the object,
/// which closes its connections.
class SmbSession {
 public:
  /// A session for `user` ("name" or "DOMAIN\name"); nullptr with errno when libsmbclient
  /// cannot set up a context.
  static std::unique_ptr<SmbSession> Create(const std::string& user, const std::string& password,
                                            int timeoutMs);
  ~SmbSession();
  SmbSession(const SmbSession&) = delete;
  SmbSession& operator=(const SmbSession&) = delete;

  SMBCFILE* Open(const std::string& url, int flags, mode_t mode);
  ssize_t Read(SMBCFILE* file, void* buffer, size_t size);
  ssize_t Write(SMBCFILE* file, const void* buffer, size_t size);
  off_t Seek(SMBCFILE* file, off_t offset, int whence);
  int Close(SMBCFILE* file);
  int Stat(const std::string& url, struct stat* info);
  int Unlink(const std::string& url);
  int Rename(const std::string& from, const std::string& to);
  /// 0 when the folder can be listed.
  int ProbeFolder(const std::string& url);

 private:
  SmbSession() = default;
  static void Credentials(SMBCCTX* context, const char* server, const char* share, char* workgroup,
                          int workgroupLength, char* user, int userLength, char* password,
                          int passwordLength);

  const SmbLibrary* smb_ = nullptr;
  SMBCCTX* context_ = nullptr;
  std::string workgroup_;
  std::string user_;
  std::string password_;
};

/// An open libsmbclient file, closed with the object unless closed before.
class SmbFile {
 public:
  SmbFile(SmbSession& session, SMBCFILE* file) : session_(session), file_(file) {}
  ~SmbFile() {
    if (file_ != nullptr) session_.Close(file_);
  }
  SmbFile(const SmbFile&) = delete;
  SmbFile& operator=(const SmbFile&) = delete;

  SMBCFILE* get() const { return file_; }
  /// Closes now and says whether the close (which may flush) succeeded.
  bool Close() {
    SMBCFILE* file = file_;
    file_ = nullptr;
    return file == nullptr || session_.Close(file) == 0;
  }

 private:
  SmbSession& session_;
  SMBCFILE* file_;
};

}  // namespace pelvane::platform
