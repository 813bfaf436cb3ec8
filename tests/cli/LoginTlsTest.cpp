// SPDX-License-Identifier: GPL-3.0-or-later
// pelvanectl login's encryption options reach the login test and are stored: a stand-in with a
// certificate for another name, signed by the test CA. The refusals' wording is the client's
// tests'.
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

  std::vector<std::string> login{"login",
                                 server,
                                 "--user",
                                 "sa",
                                 "--password-stdin",
                                 "--encrypt",
                                 "mandatory",
                                 "--server-certificate",
                                 certificates.caFile()};
  // Without the certificate's name the test refuses the login: the options reach it.
  EXPECT_EQ(Run(login, "Secret1\n").code, 1);
  login.insert(login.end(), {"--host-name-in-certificate", testing::TestCertificates::kOtherName});
  Outcome saved = Run(login, "Secret1\n");
  EXPECT_EQ(saved.code, 0) << saved.err;
  pelvane::settings::SettingsStore store(settings);
  EXPECT_EQ(store.GetINIValue(server, "Encrypt"), "Mandatory");
  EXPECT_EQ(store.GetINIValue(server, "ServerCertificate"), certificates.caFile());
  EXPECT_EQ(store.GetINIValue(server, "HostNameInCertificate"),
            testing::TestCertificates::kOtherName);
}

}  // namespace
}  // namespace pelvane::cli
