// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/TlsOptions.h"

namespace pelvane::standin::tds {

bool IsTlsOption(const std::string& arg) {
  return arg == "--tls-cert" || arg == "--tls-key" || arg == "--encryption";
}

Status ApplyTlsOption(const std::string& arg, const std::string& value, TlsOptions& options) {
  if (arg == "--encryption") {
    if (value == "off")
      options.setting = EncryptionSetting::kOff;
    else if (value == "on")
      options.setting = EncryptionSetting::kOn;
    else if (value == "required")
      options.setting = EncryptionSetting::kRequired;
    else
      return Status::Error("--encryption takes off, on or required, not " + value);
    return Status::Ok();
  }
  if (value.empty()) return Status::Error(arg + " needs a PEM file");
  (arg == "--tls-cert" ? options.certificateFile : options.keyFile) = value;
  return Status::Ok();
}

Status CheckTlsOptions(const TlsOptions& options) {
  if (options.certificateFile.empty() != options.keyFile.empty())
    return Status::Error("--tls-cert and --tls-key go together");
  if (options.certificateFile.empty() && options.setting != EncryptionSetting::kOff)
    return Status::Error("--encryption on or required needs --tls-cert and --tls-key");
  return Status::Ok();
}

std::string TlsUsage() {
  return "  --tls-cert PEM     the server's certificate (with its chain) for TLS\n"
         "  --tls-key PEM      the certificate's private key\n"
         "  --encryption off|on|required\n"
         "                     what PRELOGIN offers (default off): off encrypts only the login\n"
         "                     unless the client asks for more, on encrypts everything for any\n"
         "                     client that can, required also refuses a client that cannot;\n"
         "                     without a certificate encryption is not supported. TLS 1.2 at\n"
         "                     most, its handshake inside TDS packets as TDS 7.x does it\n";
}

}  // namespace pelvane::standin::tds
