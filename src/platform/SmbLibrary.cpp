// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SmbLibrary.h"

#include <dlfcn.h>
#include <errno.h>

#include <optional>

namespace pelvane::platform {
namespace {

/// Points `function` at the library's symbol `name`; false when there is none.
template <class Function>
bool Bind(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  return function != nullptr;
}

std::optional<SmbLibrary> Load() {
  // Never closed: libsmbclient keeps state of its own until the process ends.
  void* handle = ::dlopen("libsmbclient.so.0", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return std::nullopt;
  SmbLibrary smb{};
  const bool bound =
      Bind(handle, "smbc_new_context", smb.newContext) &&
      Bind(handle, "smbc_free_context", smb.freeContext) &&
      Bind(handle, "smbc_init_context", smb.initContext) &&
      Bind(handle, "smbc_setDebug", smb.setDebug) &&
      Bind(handle, "smbc_setOptionDebugToStderr", smb.setOptionDebugToStderr) &&
      Bind(handle, "smbc_setOptionUseKerberos", smb.setOptionUseKerberos) &&
      Bind(handle, "smbc_setOptionFallbackAfterKerberos", smb.setOptionFallbackAfterKerberos) &&
      Bind(handle, "smbc_setOptionNoAutoAnonymousLogin", smb.setOptionNoAutoAnonymousLogin) &&
      Bind(handle, "smbc_setOptionUserData", smb.setOptionUserData) &&
      Bind(handle, "smbc_getOptionUserData", smb.getOptionUserData) &&
      Bind(handle, "smbc_setTimeout", smb.setTimeout) &&
      Bind(handle, "smbc_setFunctionAuthDataWithContext", smb.setFunctionAuthDataWithContext) &&
      Bind(handle, "smbc_getFunctionOpen", smb.getFunctionOpen) &&
      Bind(handle, "smbc_getFunctionRead", smb.getFunctionRead) &&
      Bind(handle, "smbc_getFunctionWrite", smb.getFunctionWrite) &&
      Bind(handle, "smbc_getFunctionLseek", smb.getFunctionLseek) &&
      Bind(handle, "smbc_getFunctionClose", smb.getFunctionClose) &&
      Bind(handle, "smbc_getFunctionStat", smb.getFunctionStat) &&
      Bind(handle, "smbc_getFunctionUnlink", smb.getFunctionUnlink) &&
      Bind(handle, "smbc_getFunctionRename", smb.getFunctionRename) &&
      Bind(handle, "smbc_getFunctionOpendir", smb.getFunctionOpendir) &&
      Bind(handle, "smbc_getFunctionClosedir", smb.getFunctionClosedir);
  if (!bound) return std::nullopt;
  return smb;
}

}  // namespace

const SmbLibrary* Smb() {
  // Loaded by the first caller; the table never changes after.
  static const std::optional<SmbLibrary> library = Load();
  if (!library) {
    errno = ELIBACC;
    return nullptr;
  }
  return &*library;
}

}  // namespace pelvane::platform
