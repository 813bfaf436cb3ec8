// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>

#include "support/Subprocess.h"
#include "support/TempDir.h"

#ifndef PELVANE_TEST_SUPPORT_DIR
#error "PELVANE_TEST_SUPPORT_DIR must name tests/support"
#endif

namespace pelvane::testing {

/// Certificates for TLS tests, made by make-test-certificates.sh in a folder of their own when
/// constructed (about a second; share one per suite). Every server certificate uses the same
/// key. Throws when openssl fails, with its output.
class TestCertificates {
 public:
  /// A certificate file and its key, both PEM.
  struct Pair {
    std::string certificate;
    std::string key;
  };

  /// The name `otherHost()` is issued for.
  static constexpr const char* kOtherName = "other.example.test";

  TestCertificates() {
    Subprocess shell({"/bin/sh", "-c", "sh \"$0\" \"$1\" >\"$1/make.log\" 2>&1; echo $?",
                      PELVANE_TEST_SUPPORT_DIR "/make-test-certificates.sh", dir_.path().string()});
    std::string status;
    if (!shell.ReadLine(status, std::chrono::seconds(60)) || status != "0")
      throw std::runtime_error("openssl could not make the test certificates:\n" +
                               ReadBytes(dir_.File("make.log")));
  }

  /// The CA's certificate: what a client trusts to accept localhost(), otherHost(), expired().
  std::string caFile() const { return dir_.File("ca.pem"); }
  /// Signed by the CA for DNS:localhost and IP:127.0.0.1: the one a client accepts.
  Pair localhost() const { return ServerPair("localhost.pem"); }
  /// Signed by the CA for DNS:other.example.test only: the wrong host name.
  Pair otherHost() const { return ServerPair("other.pem"); }
  /// Issued by itself for DNS:localhost and IP:127.0.0.1.
  Pair selfSigned() const { return ServerPair("self.pem"); }
  /// Signed by the CA for DNS:localhost and IP:127.0.0.1, valid only in January 2020.
  Pair expired() const { return ServerPair("expired.pem"); }
  const std::filesystem::path& dir() const { return dir_.path(); }

 private:
  Pair ServerPair(const std::string& certificate) const {
    return {dir_.File(certificate), dir_.File("server.key")};
  }

  TempDir dir_;
};

}  // namespace pelvane::testing
