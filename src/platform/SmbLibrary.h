// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// libsmbclient.h declares one function outside its extern "C" block; wrap it all.
extern "C" {
#include <libsmbclient.h>
}

namespace pelvane::platform {

/// The libsmbclient functions the program calls. The library is loaded on first use, not at
/// program start: it and the Samba libraries beneath it took about 25 ms of processor time at
/// every start of pelvanectl, whether or not the command touched a network folder.
struct SmbLibrary {
  decltype(&smbc_new_context) newContext;
  decltype(&smbc_free_context) freeContext;
  decltype(&smbc_init_context) initContext;
  decltype(&smbc_setDebug) setDebug;
  decltype(&smbc_setOptionDebugToStderr) setOptionDebugToStderr;
  decltype(&smbc_setOptionUseKerberos) setOptionUseKerberos;
  decltype(&smbc_setOptionFallbackAfterKerberos) setOptionFallbackAfterKerberos;
  decltype(&smbc_setOptionNoAutoAnonymousLogin) setOptionNoAutoAnonymousLogin;
  decltype(&smbc_setOptionUserData) setOptionUserData;
  decltype(&smbc_getOptionUserData) getOptionUserData;
  decltype(&smbc_setTimeout) setTimeout;
  decltype(&smbc_setFunctionAuthDataWithContext) setFunctionAuthDataWithContext;
  decltype(&smbc_getFunctionOpen) getFunctionOpen;
  decltype(&smbc_getFunctionRead) getFunctionRead;
  decltype(&smbc_getFunctionWrite) getFunctionWrite;
  decltype(&smbc_getFunctionLseek) getFunctionLseek;
  decltype(&smbc_getFunctionClose) getFunctionClose;
  decltype(&smbc_getFunctionStat) getFunctionStat;
  decltype(&smbc_getFunctionUnlink) getFunctionUnlink;
  decltype(&smbc_getFunctionRename) getFunctionRename;
  decltype(&smbc_getFunctionOpendir) getFunctionOpendir;
  decltype(&smbc_getFunctionClosedir) getFunctionClosedir;
};

/// The library, loaded once for the life of the process; nullptr with errno ELIBACC when it
/// cannot be loaded or lacks a function.
const SmbLibrary* Smb();

}  // namespace pelvane::platform
