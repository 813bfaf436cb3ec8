// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "settings/Status.h"

namespace pelvane::platform {

/// Where a libsmbclient call failed: opening the share (the logon happens here) or working
/// inside it.
enum class SmbStage { kLogon, kInside };

/// The classes a failure falls into, for a connection and for a file written on the share.
struct SmbFailure {
  int connectCode;  // engine::connect_code
  int fileNumber;   // classic file error number of Status
  std::string text;
};

/// Classifies an errno that libsmbclient left behind. It reports a refused logon and a refused
/// folder both as EACCES, so the stage tells them apart.
SmbFailure ClassifySmbError(int error, SmbStage stage);

/// A Status for a failed file operation on `what`.
Status SmbFileError(int error, const std::string& what);

}  // namespace pelvane::platform
