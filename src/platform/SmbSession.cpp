// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SmbSession.h"

#include <errno.h>
#include <string.h>

#include <algorithm>

namespace pelvane::platform {

namespace {

void CopyInto(const std::string& text, char* target, int length) {
  if (length <= 0) return;
  const size_t count = std::min(text.size(), static_cast<size_t>(length - 1));
  memcpy(target, text.data(), count);
  target[count] = '\0';
}

}  // namespace

std::unique_ptr<SmbSession> SmbSession::Create(const std::string& user, const std::string& password,
                                               int timeoutMs) {
  std::unique_ptr<SmbSession> session(new SmbSession());
  const size_t slash = user.find_first_of("\\/");
  if (slash != std::string::npos) {
    session->workgroup_ = user.substr(0, slash);
    session->user_ = user.substr(slash + 1);
  } else {
    session->user_ = user;
  }
  session->password_ = password;

  session->context_ = smbc_new_context();
  if (session->context_ == nullptr) return nullptr;
  SMBCCTX* context = session->context_;
  smbc_setDebug(context, 0);
  // Our standard output may be a run log; libsmbclient's words go to standard error.
  smbc_setOptionDebugToStderr(context, 1);
  smbc_setOptionUseKerberos(context, 0);
  smbc_setOptionFallbackAfterKerberos(context, 0);
  smbc_setOptionNoAutoAnonymousLogin(context, 1);
  smbc_setOptionUserData(context, session.get());
  smbc_setTimeout(context, timeoutMs);
  smbc_setFunctionAuthDataWithContext(context, &SmbSession::Credentials);
  if (smbc_init_context(context) == nullptr) {
    const int error = errno;
    smbc_free_context(context, 1);
    session->context_ = nullptr;
    errno = error;
    return nullptr;
  }
  return session;
}

SmbSession::~SmbSession() {
  if (context_ != nullptr) smbc_free_context(context_, 1);
  std::fill(password_.begin(), password_.end(), '\0');
}

void SmbSession::Credentials(SMBCCTX* context, const char*, const char*, char* workgroup,
                             int workgroupLength, char* user, int userLength, char* password,
                             int passwordLength) {
  const auto* self = static_cast<const SmbSession*>(smbc_getOptionUserData(context));
  if (!self->workgroup_.empty()) CopyInto(self->workgroup_, workgroup, workgroupLength);
  CopyInto(self->user_, user, userLength);
  CopyInto(self->password_, password, passwordLength);
}

SMBCFILE* SmbSession::Open(const std::string& url, int flags, mode_t mode) {
  return smbc_getFunctionOpen(context_)(context_, url.c_str(), flags, mode);
}

ssize_t SmbSession::Read(SMBCFILE* file, void* buffer, size_t size) {
  return smbc_getFunctionRead(context_)(context_, file, buffer, size);
}

ssize_t SmbSession::Write(SMBCFILE* file, const void* buffer, size_t size) {
  return smbc_getFunctionWrite(context_)(context_, file, buffer, size);
}

off_t SmbSession::Seek(SMBCFILE* file, off_t offset, int whence) {
  return smbc_getFunctionLseek(context_)(context_, file, offset, whence);
}

int SmbSession::Close(SMBCFILE* file) {
  return smbc_getFunctionClose(context_)(context_, file);
}

int SmbSession::Stat(const std::string& url, struct stat* info) {
  return smbc_getFunctionStat(context_)(context_, url.c_str(), info);
}

int SmbSession::Unlink(const std::string& url) {
  return smbc_getFunctionUnlink(context_)(context_, url.c_str());
}

int SmbSession::Rename(const std::string& from, const std::string& to) {
  return smbc_getFunctionRename(context_)(context_, from.c_str(), context_, to.c_str());
}

int SmbSession::ProbeFolder(const std::string& url) {
  SMBCFILE* folder = smbc_getFunctionOpendir(context_)(context_, url.c_str());
  if (folder == nullptr) return -1;
  smbc_getFunctionClosedir(context_)(context_, folder);
  return 0;
}

}  // namespace pelvane::platform
