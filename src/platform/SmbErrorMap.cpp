// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SmbErrorMap.h"

#include <errno.h>
#include <string.h>

#include "engine/ports/NetworkShares.h"
#include "settings/ErrnoText.h"

namespace pelvane::platform {

namespace {

namespace code = engine::connect_code;

// Classic file error numbers, as the steps tell failures apart.
constexpr int kFileAlreadyExists = 58;
constexpr int kDeviceIoError = 57;
constexpr int kPathFileAccessError = 75;
constexpr int kPathNotFound = 76;

enum class Stage { kAny, kLogon, kInside };

struct Row {
  int error;
  Stage stage;
  int connectCode;
  int fileNumber;
  const char* text;  // nullptr: the system's own words
};

// The one table from libsmbclient's errno to our classes. Rows are tried in order.
constexpr Row kRows[] = {
    {EACCES, Stage::kLogon, code::kLogonFailure, kPathFileAccessError,
     "The user name or password is incorrect"},
    {EPERM, Stage::kLogon, code::kLogonFailure, kPathFileAccessError,
     "The user name or password is incorrect"},
    {EACCES, Stage::kInside, code::kAccessDenied, kPathFileAccessError, "Access is denied"},
    {EPERM, Stage::kInside, code::kAccessDenied, kPathFileAccessError, "Access is denied"},
    {ENOENT, Stage::kAny, code::kBadNetworkName, kPathNotFound, "The network name cannot be found"},
    {ENODEV, Stage::kAny, code::kBadNetworkName, kPathNotFound, "The network name cannot be found"},
    {ENOTDIR, Stage::kAny, code::kBadNetworkName, kPathNotFound,
     "The network name cannot be found"},
    {EEXIST, Stage::kAny, code::kExtendedError, kFileAlreadyExists, "The file exists"},
    {ECONNREFUSED, Stage::kAny, code::kNoNetOrBadPath, kDeviceIoError,
     "The network path was not found (connection refused)"},
    {EHOSTUNREACH, Stage::kAny, code::kNoNetOrBadPath, kDeviceIoError,
     "The network path was not found (machine unreachable)"},
    {ENETUNREACH, Stage::kAny, code::kNoNetOrBadPath, kDeviceIoError,
     "The network path was not found (network unreachable)"},
    {EHOSTDOWN, Stage::kAny, code::kNoNetOrBadPath, kDeviceIoError,
     "The network path was not found (machine down)"},
    {ETIMEDOUT, Stage::kAny, code::kNoNetOrBadPath, kDeviceIoError,
     "The network path was not found (timed out)"},
    {ECONNRESET, Stage::kAny, code::kNoNetOrBadPath, kDeviceIoError,
     "The network connection was reset"},
};

bool StageMatches(Stage row, SmbStage stage) {
  return row == Stage::kAny || (row == Stage::kLogon) == (stage == SmbStage::kLogon);
}

}  // namespace

SmbFailure ClassifySmbError(int error, SmbStage stage) {
  for (const Row& row : kRows) {
    if (row.error == error && StageMatches(row.stage, stage)) {
      return {row.connectCode, row.fileNumber, row.text};
    }
  }
  return {code::kExtendedError, kDeviceIoError,
          "Network error " + std::to_string(error) + ": " + settings::ErrnoText(error)};
}

Status SmbFileError(int error, const std::string& what) {
  const SmbFailure failure = ClassifySmbError(error, SmbStage::kInside);
  return Status::Error(failure.text + ": " + what, failure.fileNumber);
}

}  // namespace pelvane::platform
