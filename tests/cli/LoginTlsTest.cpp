// SPDX-License-Identifier: GPL-3.0-or-later
// pelvanectl login's encryption options, against a stand-in with a certificate for another
// name, signed by the test CA.
#include <gtest/gtest.h>

#include "CliFixture.h"
#include "settings/SettingsStore.h"
#include "support/StandinServer.h"
#include "support/TestCertificates.h"

namespace pelvane::cli {
namespace {

TEST_F(CliFixture, LoginTestsAndStoresTheEncryptionOptions) {
  testing::TestCertificates certificates;
  testing::StandinServer::Options options;
  options.tlsCertificate = certificates.otherHost().certificate;
  options.tlsKey = certificates.otherHost().key;
  options.encryption = "on";
  testing::StandinServer standin(options);
  const std::string server = standin.server();
  ASSERT_EQ(Run({"servers", "add", server}).code, 0);

  Outcome wrongName = Run({"login", server, "--user", "sa", "--password-stdin",
                           "--server-certificate", certificates.caFile()},
                          "Secret1\n");
  EXPECT_EQ(wrongName.code, 1);
  EXPECT_NE(wrongName.err.find("Certificate Not Trusted: Certificate of " + server +
                               " not trusted (wrong host name). Set TrustServerCertificate or "
                               "ServerCertificate for this server."),
            std::string::npos)
      << wrongName.err;

  Outcome saved = Run({"login", server, "--user", "sa", "--password-stdin", "--encrypt",
                       "mandatory", "--server-certificate", certificates.caFile(),
                       "--host-name-in-certificate", testing::TestCertificates::kOtherName},
                      "Secret1\n");
  EXPECT_EQ(saved.code, 0) << saved.err;
  pelvane::settings::SettingsStore store(settings);
  EXPECT_EQ(store.GetINIValue(server, "Encrypt"), "Mandatory");
  EXPECT_EQ(store.GetINIValue(server, "ServerCertificate"), certificates.caFile());
  EXPECT_EQ(store.GetINIValue(server, "HostNameInCertificate"),
            testing::TestCertificates::kOtherName);

  EXPECT_EQ(Run({"login", server, "--encrypt", "sometimes"}).code, 2);
}

}  // namespace
}  // namespace pelvane::cli
