// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>

#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace pelvane::testing {

/// Certificates for TLS tests, made with openssl in a folder of their own when constructed
/// (about a second; share one per suite): a test CA, and server certificates for
/// DNS:localhost and IP:127.0.0.1 signed by it, for another name signed by it, self-signed,
/// and signed by it but expired. Every server certificate uses the same key; the keys are
/// ECDSA P-256, which openssl makes at once where RSA keys take up to a second. Throws when
/// openssl fails, with its output.
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
    WriteBytes(dir_.File("ca.cnf"), kCaConfig);
    WriteBytes(dir_.File("make.sh"), kScript);
    Subprocess shell({"/bin/sh", "-c",
                      "cd '" + dir_.path().string() + "' && sh make.sh >make.log 2>&1; echo $?"});
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

  // `openssl ca` rather than `openssl x509 -req`, since only it takes a start and end date
  // (this openssl's x509 has no -not_before/-not_after, and -days cannot go back in time).
  static constexpr const char* kCaConfig =
      "[ca]\n"
      "default_ca = test_ca\n"
      "[test_ca]\n"
      "database = index.txt\n"
      "new_certs_dir = issued\n"
      "certificate = ca.pem\n"
      "private_key = ca.key\n"
      "serial = serial\n"
      "default_md = sha256\n"
      "default_days = 30\n"
      "policy = any_name\n"
      "unique_subject = no\n"
      "[any_name]\n"
      "commonName = supplied\n"
      "[localhost]\n"
      "subjectAltName = DNS:localhost,IP:127.0.0.1\n"
      "extendedKeyUsage = serverAuth\n"
      "[other]\n"
      "subjectAltName = DNS:other.example.test\n"
      "extendedKeyUsage = serverAuth\n";

  static constexpr const char* kScript =
      "set -e\n"
      "mkdir issued\n"
      ": >index.txt\n"
      "echo 01 >serial\n"
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key \\\n"
      "  -out ca.pem -days 30 \\\n"
      "  -subj '/CN=Pelvane Test CA' -addext 'basicConstraints=critical,CA:TRUE' \\\n"
      "  -addext 'keyUsage=critical,keyCertSign,cRLSign'\n"
      "openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out server.key\n"
      "openssl req -new -key server.key -out localhost.csr -subj '/CN=localhost'\n"
      "openssl req -new -key server.key -out other.csr -subj '/CN=other.example.test'\n"
      "openssl ca -batch -config ca.cnf -notext -in localhost.csr -out localhost.pem \\\n"
      "  -extensions localhost\n"
      "openssl ca -batch -config ca.cnf -notext -in other.csr -out other.pem -extensions other\n"
      "openssl ca -batch -config ca.cnf -notext -in localhost.csr -out expired.pem \\\n"
      "  -extensions localhost -startdate 20200101000000Z -enddate 20200201000000Z\n"
      "openssl req -x509 -key server.key -out self.pem -days 30 -subj '/CN=localhost' \\\n"
      "  -addext 'subjectAltName=DNS:localhost,IP:127.0.0.1' \\\n"
      "  -addext 'extendedKeyUsage=serverAuth'\n"
      "chmod 600 ca.key server.key\n";

  TempDir dir_;
};

}  // namespace pelvane::testing
