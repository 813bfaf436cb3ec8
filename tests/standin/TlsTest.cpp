// SPDX-License-Identifier: GPL-3.0-or-later
// sqlstandin's TLS as TDS 7.x carries it, against FreeTDS's tsql and ODBC driver, with the
// traffic recorded on the way by a relay.
#include <gtest/gtest.h>

#include <memory>

#include "TdsBytes.h"
#include "ToolRun.h"
#include "support/Loopback.h"
#include "support/StandinServer.h"
#include "support/TestCertificates.h"

namespace pelvane::testing {
namespace {

constexpr const char* kMarker = "wire-marker-93";
constexpr const char* kLogin = "tlsprobe";

class TlsClientsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { certificates_ = std::make_unique<TestCertificates>(); }
  static void TearDownTestSuite() { certificates_.reset(); }

  /// The stand-in in an encryption mode with the localhost certificate; "" is no certificate,
  /// "other" is "on" with the other host's. Certificates a client refuses for what they are
  /// (self-signed, expired) are the product client's TLS tests.
  static StandinServer::Options Mode(const std::string& mode) {
    StandinServer::Options options;
    options.logins = {std::string(kLogin) + ":Secret1"};
    const TestCertificates::Pair pair =
        mode == "other" ? certificates_->otherHost() : certificates_->localhost();
    if (!mode.empty()) {
      options.tlsCertificate = pair.certificate;
      options.tlsKey = pair.key;
      options.encryption = mode == "other" ? "on" : mode;
    }
    return options;
  }

  static std::unique_ptr<TestCertificates> certificates_;
};

std::unique_ptr<TestCertificates> TlsClientsTest::certificates_;

TEST_F(TlsClientsTest, EncryptionAndCertificatesAsClientsSeeThem) {
  enum Wire { kRefused, kClear, kLoginHidden, kAllHidden };
  struct Case {
    const char* what;
    const char* server;
    bool isql;               // FreeTDS's ODBC driver, else tsql
    const char* encryption;  // FreeTDS's "encryption": off sends "not supported"
    bool caFile;             // FreeTDS validates the certificate only with a CA file
    Wire wire;
  } cases[] = {
      {"no certificate: clear, as before", "", false, "request", false, kClear},
      {"off: the login alone encrypted", "off", false, "request", false, kLoginHidden},
      {"off, client requires: all encrypted", "off", false, "require", false, kAllHidden},
      {"on: all encrypted", "on", false, "request", false, kAllHidden},
      {"on, client without TLS: clear", "on", false, "off", false, kClear},
      {"required refuses a client without TLS", "required", false, "off", false, kRefused},
      {"the CA's certificate validates", "on", false, "require", true, kAllHidden},
      {"through ODBC as well", "required", true, "require", true, kAllHidden},
      {"another host name is refused", "other", false, "require", true, kRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StandinServer standin(Mode(c.server));
    LoopbackRelay wire(standin.port());
    TempDir dir;
    std::string conf = "[global]\n\ttds version = 7.4\n[target]\n\thost = 127.0.0.1\n\tport = " +
                       std::to_string(wire.port()) + "\n\tencryption = " + c.encryption + "\n";
    if (c.caFile) conf += "\tca file = " + certificates_->caFile() + "\n";
    WriteBytes(dir.File("freetds.conf"), conf);
    const std::string query = std::string("select '") + kMarker + "' as m\n";
    const std::vector<std::string> env{"FREETDSCONF=" + dir.File("freetds.conf")};
    ToolOutcome run = c.isql ? RunTool({"isql", "-v", "-k",
                                        std::string("DRIVER={SQL Server};SERVERNAME=target;UID=") +
                                            kLogin + ";PWD=Secret1"},
                                       query, env)
                             : RunTool({"tsql", "-S", "target", "-U", kLogin, "-P", "Secret1"},
                                       query + "go\nexit\n", env);
    const std::string seen = wire.seen();
    EXPECT_EQ(Contains(run.output, kMarker), c.wire != kRefused) << run.output;
    if (c.wire == kRefused) continue;
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(Contains(seen, Wide(kLogin)), c.wire == kClear);
    // The batch carries the text in UTF-16, the reply's row may carry it in single bytes.
    EXPECT_EQ(Contains(seen, Wide(kMarker)) || Contains(seen, kMarker), c.wire != kAllHidden);
  }
}

// A client that skips PRELOGIN cannot log in in clear where encryption is required.
TEST_F(TlsClientsTest, RequiredRefusesALoginInClear) {
  StandinServer server(Mode("required"));
  LoopbackSocket client(server.port());
  ASSERT_TRUE(client.connected());
  client.Send(Packet(0x10, 1, BuildLogin7(Wide(kLogin))));
  EXPECT_EQ(client.Read(1), "") << "closed without an answer";
}

// Only what the fixtures could get wrong: a login without a password is the server data's test.
TEST_F(TlsClientsTest, CommandLineIsChecked) {
  const TestCertificates::Pair good = certificates_->localhost();
  EXPECT_EQ(RunTool({PELVANE_STANDIN_PATH, "--help"}, "").exitCode, 0);
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int exitCode;
  } cases[] = {
      {"unknown option", {"--fast"}, 2},
      {"on without a certificate", {"--encryption", "on"}, 2},
      {"a key of another certificate",
       {"--tls-cert", good.certificate, "--tls-key", certificates_->dir() / "ca.key"},
       1},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::vector<std::string> argv{
        PELVANE_STANDIN_PATH, "--dir", dir.path(), "--port", "1", "--login", "sa:x"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ToolOutcome run = RunTool(argv, "");
    EXPECT_EQ(run.exitCode, c.exitCode) << c.what << "\n" << run.output;
    EXPECT_TRUE(Contains(run.output, "sqlstandin: ")) << c.what << "\n" << run.output;
  }
}

}  // namespace
}  // namespace pelvane::testing
