// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace pelvane::error_number {

/// The classic run-time error numbers that messages and log lines carry, in one place.
constexpr int kInvalidProcedureCall = 5;  // "Invalid procedure call or argument"
constexpr int kTypeMismatch = 13;
constexpr int kBadFileName = 52;  // "Bad file name or number"
constexpr int kFileNotFound = 53;
constexpr int kFileAlreadyExists = 58;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccessError = 75;
constexpr int kPathNotFound = 76;

}  // namespace pelvane::error_number
