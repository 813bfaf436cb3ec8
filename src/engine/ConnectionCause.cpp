// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConnectionCause.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace pelvane::engine {

namespace {

constexpr long kLoginFailed = 18456;
constexpr long kPasswordExpired = 18487;
constexpr long kPasswordMustChange = 18488;
constexpr long kCannotOpenDatabase = 4060;
constexpr long kDefaultDatabaseUnavailable = 4064;
// The socket errors under which Microsoft's drivers report these failures.
constexpr long kHostNotFound = 11001;
constexpr long kConnectionRefused = 10061;
constexpr long kConnectionTimedOut = 10060;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool Says(const SqlError& error, std::initializer_list<const char*> phrases) {
  const std::string text = Lower(error.message);
  return std::any_of(phrases.begin(), phrases.end(),
                     [&](const char* phrase) { return text.find(phrase) != std::string::npos; });
}

bool NameNotResolved(const SqlError& error) {
  return error.nativeError == kHostNotFound ||
         Says(error, {"no such host", "name or service not known", "could not be resolved",
                      "temporary failure in name resolution"});
}

bool PortRefused(const SqlError& error) {
  return error.nativeError == kConnectionRefused ||
         Says(error, {"connection refused", "actively refused"});
}

bool NoAnswerInTime(const SqlError& error) {
  return error.sqlState == "HYT00" || error.sqlState == "HYT01" ||
         error.nativeError == kConnectionTimedOut ||
         Says(error, {"timeout expired", "timed out", "did not answer"});
}

template <typename Test>
bool Any(const std::vector<SqlError>& errors, Test test) {
  return std::any_of(errors.begin(), errors.end(), test);
}

bool AnyNumber(const std::vector<SqlError>& errors, long number) {
  return Any(errors, [number](const SqlError& error) { return error.nativeError == number; });
}

}  // namespace

std::string ConnectionCauseText(ConnectionCause cause) {
  switch (cause) {
    case ConnectionCause::kOk:
      return "OK";
    case ConnectionCause::kNameNotResolved:
      return "name not resolved";
    case ConnectionCause::kBrowserSilent:
      return "browser silent";
    case ConnectionCause::kPortRefused:
      return "port refused";
    case ConnectionCause::kNoAnswerInTime:
      return "no answer in time";
    case ConnectionCause::kCertificate:
      return "certificate";
    case ConnectionCause::kStrictUnavailable:
      return "strict not available";
    case ConnectionCause::kLoginRefused:
      return "login refused";
    case ConnectionCause::kPasswordExpired:
      return "password expired";
    case ConnectionCause::kPasswordMustChange:
      return "must change";
    case ConnectionCause::kDatabaseUnavailable:
      return "database missing or not accessible";
    case ConnectionCause::kOtherError:
      break;
  }
  return "error";
}

ConnectionCause ClassifyConnection(const ConnectionProbe& probe) {
  switch (probe.login.kind) {
    case LoginCheckKind::kCertificateRefused:
      return ConnectionCause::kCertificate;
    case LoginCheckKind::kStrictUnavailable:
      return ConnectionCause::kStrictUnavailable;
    case LoginCheckKind::kBrowserSilent:
      return ConnectionCause::kBrowserSilent;
    case LoginCheckKind::kPasswordExpired:
      return ConnectionCause::kPasswordExpired;
    case LoginCheckKind::kPasswordMustChange:
      return ConnectionCause::kPasswordMustChange;
    case LoginCheckKind::kAccepted:
    case LoginCheckKind::kUnreachable:
    case LoginCheckKind::kLoginRefused:
    case LoginCheckKind::kOtherError:
      break;
  }
  const std::vector<SqlError>& errors = probe.errors;
  // A database that cannot be opened comes with a refused login: it is the cause.
  if (AnyNumber(errors, kCannotOpenDatabase) || AnyNumber(errors, kDefaultDatabaseUnavailable))
    return ConnectionCause::kDatabaseUnavailable;
  if (probe.login.kind == LoginCheckKind::kAccepted) return ConnectionCause::kOk;
  if (AnyNumber(errors, kPasswordExpired)) return ConnectionCause::kPasswordExpired;
  if (AnyNumber(errors, kPasswordMustChange)) return ConnectionCause::kPasswordMustChange;
  if (probe.login.kind == LoginCheckKind::kLoginRefused || AnyNumber(errors, kLoginFailed))
    return ConnectionCause::kLoginRefused;
  if (Any(errors, NameNotResolved)) return ConnectionCause::kNameNotResolved;
  if (Any(errors, PortRefused)) return ConnectionCause::kPortRefused;
  if (Any(errors, NoAnswerInTime)) return ConnectionCause::kNoAnswerInTime;
  return ConnectionCause::kOtherError;
}

}  // namespace pelvane::engine
