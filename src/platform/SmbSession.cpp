// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SmbSession.h"

#include <errno.h>
#include <string.h>

#include <algorithm>

#include "platform/SmbLibrary.h"

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

  const SmbLibrary* smb = Smb();
  if (smb == nullptr) return nullptr;
  session->smb_ = smb;
  session->context_ = smb->newContext();
  if (session->context_ == nullptr) return nullptr;
  SMBCCTX* context = session->context_;
  smb->setDebug(context, 0);
  // Our standard output may be a run log; libsmbclient's words go to standard error.
  smb->setOptionDebugToStderr(context, 1);
  smb->setOptionUseKerberos(context, 0);
  smb->setOptionFallbackAfterKerberos(context, 0);
  smb->setOptionNoAutoAnonymousLogin(context, 1);
  smb->setOptionUserData(context, session.get());
  smb->setTimeout(context, timeoutMs);
  smb->setFunctionAuthDataWithContext(context, &SmbSession::Credentials);
  if (smb->initContext(context) == nullptr) {
    const int error = errno;
    smb->freeContext(context, 1);
    session->context_ = nullptr;
    errno = error;
    return nullptr;
  }
  return session;
}

SmbSession::~SmbSession() {
  if (context_ != nullptr) smb_->freeContext(context_, 1);
  std::fill(password_.begin(), password_.end(), '\0');
}

void SmbSession::Credentials(SMBCCTX* context, const char*, const char*, char* workgroup,
                             int workgroupLength, char* user, int userLength, char* password,
                             int passwordLength) {
  const auto* self = static_cast<const SmbSession*>(Smb()->getOptionUserData(context));
  if (!self->workgroup_.empty()) CopyInto(self->workgroup_, workgroup, workgroupLength);
  CopyInto(self->user_, user, userLength);
  CopyInto(self->password_, password, passwordLength);
}

SMBCFILE* SmbSession::Open(const std::string& url, int flags, mode_t mode) {
  return smb_->getFunctionOpen(context_)(context_, url.c_str(), flags, mode);
}

ssize_t SmbSession::Read(SMBCFILE* file, void* buffer, size_t size) {
  return smb_->getFunctionRead(context_)(context_, file, buffer, size);
}

ssize_t SmbSession::Write(SMBCFILE* file, const void* buffer, size_t size) {
  return smb_->getFunctionWrite(context_)(context_, file, buffer, size);
}

off_t SmbSession::Seek(SMBCFILE* file, off_t offset, int whence) {
  return smb_->getFunctionLseek(context_)(context_, file, offset, whence);
}

int SmbSession::Close(SMBCFILE* file) {
  return smb_->getFunctionClose(context_)(context_, file);
}

int SmbSession::Stat(const std::string& url, struct stat* info) {
  return smb_->getFunctionStat(context_)(context_, url.c_str(), info);
}

int SmbSession::Unlink(const std::string& url) {
  return smb_->getFunctionUnlink(context_)(context_, url.c_str());
}

int SmbSession::Rename(const std::string& from, const std::string& to) {
  return smb_->getFunctionRename(context_)(context_, from.c_str(), context_, to.c_str());
}

int SmbSession::ProbeFolder(const std::string& url) {
  SMBCFILE* folder = smb_->getFunctionOpendir(context_)(context_, url.c_str());
  if (folder == nullptr) return -1;
  smb_->getFunctionClosedir(context_)(context_, folder);
  return 0;
}

}  // namespace pelvane::platform
