// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OdbcDiagnostics.h"

#include <sqlext.h>

#include <algorithm>

namespace pelvane::platform {

namespace {

constexpr const char* kMask = "****";
constexpr size_t kMaxSmallBuffer = 32767;  // the most a 16-bit buffer length can say

bool FromDriverManagerOrProgram(const engine::SqlError& error) {
  // IM: the driver manager's own states; HY001: no memory; empty: raised by this program.
  return error.sqlState.empty() || error.sqlState.compare(0, 2, "IM") == 0 ||
         error.sqlState == "HY001" || error.source.find("Driver Manager") != std::string::npos;
}

}  // namespace

std::string ScrubSecrets(std::string text, const std::vector<std::string>& secrets) {
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    for (size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + std::char_traits<char>::length(kMask))) {
      text.replace(at, secret.size(), kMask);
    }
  }
  return text;
}

engine::SqlError MakeSqlError(std::string sqlState, long nativeError, const std::string& message) {
  engine::SqlError error;
  error.sqlState = std::move(sqlState);
  error.nativeError = nativeError;
  size_t at = 0;
  while (at < message.size() && message[at] == '[') {
    size_t close = message.find(']', at);
    if (close == std::string::npos) break;
    if (!error.source.empty()) error.source += ' ';
    error.source += message.substr(at + 1, close - at - 1);
    at = close + 1;
  }
  error.message = message.substr(at);
  if (error.source.empty()) error.source = "ODBC";
  return error;
}

std::vector<engine::SqlError> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle,
                                              const std::vector<std::string>& secrets) {
  std::vector<engine::SqlError> errors;
  if (handle == nullptr) return errors;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::string text(512, '\0');
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native,
                                 reinterpret_cast<SQLCHAR*>(text.data()),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
      // Buffer lengths are 16-bit: a longer text is kept cut rather than lost.
      text.assign(std::min<size_t>(static_cast<size_t>(length) + 1, kMaxSmallBuffer), '\0');
      rc = SQLGetDiagRec(handleType, handle, record, state, &native,
                         reinterpret_cast<SQLCHAR*>(text.data()),
                         static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    text.resize(std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), text.size()));
    errors.push_back(
        MakeSqlError(reinterpret_cast<const char*>(state), native, ScrubSecrets(text, secrets)));
  }
  return errors;
}

std::string DescribeSqlErrors(const std::vector<engine::SqlError>& errors) {
  std::string text;
  for (const engine::SqlError& error : errors) {
    if (!text.empty()) text += '\n';
    if (!error.sqlState.empty()) text += "SQLSTATE " + error.sqlState + ", ";
    text +=
        "error " + std::to_string(error.nativeError) + " (" + error.source + "): " + error.message;
  }
  return text;
}

bool ReportedByDriverOrServer(const std::vector<engine::SqlError>& errors) {
  return std::any_of(errors.begin(), errors.end(), [](const engine::SqlError& error) {
    return !FromDriverManagerOrProgram(error);
  });
}

}  // namespace pelvane::platform
