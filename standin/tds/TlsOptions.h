// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "settings/Status.h"
#include "standin/tds/PreloginEncryption.h"

namespace pelvane::standin::tds {

class TlsCredentials;

/// The encryption options of sqlstandin's command line.
struct TlsOptions {
  std::string certificateFile;
  std::string keyFile;
  EncryptionSetting setting = EncryptionSetting::kOff;
};

/// What every connection of a running stand-in needs to know about encryption; without
/// credentials the stand-in answers "encryption not supported".
struct TlsConfig {
  EncryptionSetting setting = EncryptionSetting::kOff;
  std::shared_ptr<const TlsCredentials> credentials;
};

/// True for --tls-cert, --tls-key and --encryption.
bool IsTlsOption(const std::string& arg);
/// Takes one of them with its value.
Status ApplyTlsOption(const std::string& arg, const std::string& value, TlsOptions& options);
/// Checks the options together once all are read.
Status CheckTlsOptions(const TlsOptions& options);
/// Their lines of the --help text.
std::string TlsUsage();

}  // namespace pelvane::standin::tds
