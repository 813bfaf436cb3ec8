// SPDX-License-Identifier: GPL-3.0-or-later
// The encryption settings against the stand-in with TLS, through both connection paths: the
// ODBC login check and isqlw (db-lib), each on its own, with the same cases.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/ports/SqlClient.h"
#include "platform/OdbcSqlClient.h"
#include "platform/PosixProcessLauncher.h"
#include "support/StandinServer.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"

namespace pelvane::platform {
namespace {

using engine::EncryptMode;
using engine::LoginCheckKind;
using engine::SqlEncryption;
using pelvane::testing::StandinServer;
using pelvane::testing::TempDir;
using pelvane::testing::TestCertificates;

enum class Peer { kSelfSigned, kLocalhost, kOtherName, kExpired, kNoTls };

struct Case {
  const char* name;
  Peer peer;
  SqlEncryption encryption;
  LoginCheckKind kind;
  const char* message;  // part of the message, for the refusals
};

SqlEncryption Mode(EncryptMode mode) {
  SqlEncryption e;
  e.mode = mode;
  e.modeWritten = true;
  return e;
}
SqlEncryption Trust() {
  SqlEncryption e;
  e.trustServerCertificate = true;
  return e;
}
SqlEncryption Ca(const std::string& hostName = "") {
  SqlEncryption e;
  e.serverCertificate = "CA";  // replaced by the suite's CA file
  e.hostNameInCertificate = hostName;
  return e;
}

const Case kCases[] = {
    {"self-signed refused by default",
     Peer::kSelfSigned,
     {},
     LoginCheckKind::kCertificateRefused,
     "not trusted (self-signed). Set TrustServerCertificate or ServerCertificate"},
    {"self-signed trusted", Peer::kSelfSigned, Trust(), LoginCheckKind::kAccepted, ""},
    {"Optional checks nothing", Peer::kSelfSigned, Mode(EncryptMode::kOptional),
     LoginCheckKind::kAccepted, ""},
    {"unknown CA", Peer::kLocalhost, {}, LoginCheckKind::kCertificateRefused, "(unknown CA)"},
    {"CA file", Peer::kLocalhost, Ca(), LoginCheckKind::kAccepted, ""},
    {"wrong host name", Peer::kOtherName, Ca(), LoginCheckKind::kCertificateRefused,
     "(wrong host name)"},
    {"HostNameInCertificate", Peer::kOtherName, Ca(TestCertificates::kOtherName),
     LoginCheckKind::kAccepted, ""},
    {"HostNameInCertificate is checked", Peer::kOtherName, Ca("elsewhere.example.test"),
     LoginCheckKind::kCertificateRefused, "(wrong host name)"},
    {"expired", Peer::kExpired, Ca(), LoginCheckKind::kCertificateRefused, "(expired)"},
    // Without any of the keys a server without encryption is reached as before.
    {"no TLS, no keys", Peer::kNoTls, {}, LoginCheckKind::kAccepted, ""},
    {"no TLS, Mandatory written", Peer::kNoTls, Mode(EncryptMode::kMandatory),
     LoginCheckKind::kOtherError, "offers no encryption, and \"Encrypt\" is Mandatory"},
    {"Strict", Peer::kLocalhost, Mode(EncryptMode::kStrict), LoginCheckKind::kStrictUnavailable,
     "Strict encryption (TDS 8.0) needs FreeTDS 1.5 or later; this build uses 1.3"},
};

class TlsLoginTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    certificates_ = std::make_unique<TestCertificates>();
    auto start = [](const TestCertificates::Pair& pair) {
      StandinServer::Options options;
      options.tlsCertificate = pair.certificate;
      options.tlsKey = pair.key;
      options.encryption = "on";
      return std::make_unique<StandinServer>(options);
    };
    servers_[0] = start(certificates_->selfSigned());
    servers_[1] = start(certificates_->localhost());
    servers_[2] = start(certificates_->otherHost());
    servers_[3] = start(certificates_->expired());
    servers_[4] = std::make_unique<StandinServer>();
  }
  static void TearDownTestSuite() {
    for (auto& server : servers_) server.reset();
    certificates_.reset();
  }

  static std::string Server(Peer peer) { return servers_[static_cast<int>(peer)]->server(); }
  static SqlEncryption Resolved(SqlEncryption e) {
    if (e.serverCertificate == "CA") e.serverCertificate = certificates_->caFile();
    return e;
  }

  static std::unique_ptr<TestCertificates> certificates_;
  static std::unique_ptr<StandinServer> servers_[5];
};

std::unique_ptr<TestCertificates> TlsLoginTest::certificates_;
std::unique_ptr<StandinServer> TlsLoginTest::servers_[5];

TEST_F(TlsLoginTest, LoginCheckThroughOdbc) {
  OdbcSqlClient::Options options;
  options.connectTimeoutSeconds = 10;
  OdbcSqlClient client(options);
  for (const Case& c : kCases) {
    engine::LoginCheck check =
        client.CheckLogin({Server(c.peer), "sa", "Secret1", "", Resolved(c.encryption)});
    EXPECT_EQ(check.kind, c.kind) << c.name << ": " << check.error.message;
    EXPECT_NE(check.error.message.find(c.message), std::string::npos)
        << c.name << ": " << check.error.message;
    if (c.kind == LoginCheckKind::kCertificateRefused) {
      EXPECT_EQ(check.error.message.rfind("Certificate of " + Server(c.peer) + " not trusted (", 0),
                0u)
          << c.name;
    }
  }
  // The one configuration of this process: private, holding a section per server and settings.
  const char* config = std::getenv("FREETDSCONF");
  ASSERT_NE(config, nullptr);
  struct stat file {
  }, folder{};
  ASSERT_EQ(::stat(config, &file), 0);
  ASSERT_EQ(::stat(std::filesystem::path(config).parent_path().c_str(), &folder), 0);
  EXPECT_EQ(file.st_mode & 0777, 0600u);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  EXPECT_NE(pelvane::testing::ReadBytes(config).find("ca file = " + certificates_->caFile()),
            std::string::npos);
}

TEST_F(TlsLoginTest, IsqlwWithTheSameSettings) {
  TempDir dir;
  pelvane::testing::WriteBytes(dir.File("q.sql"), "SELECT 1\r\n");
  const std::string scratch = dir.File("tmp");
  std::filesystem::create_directory(scratch);
  PosixProcessLauncher launcher;
  for (const Case& c : kCases) {
    const SqlEncryption e = Resolved(c.encryption);
    std::vector<std::string> args{"-S", Server(c.peer),    "-U", "sa",
                                  "-i", dir.File("q.sql"), "-o", dir.File("out.txt")};
    if (e.modeWritten)
      args.insert(args.end(), {"--encrypt", e.mode == EncryptMode::kOptional    ? "Optional"
                                            : e.mode == EncryptMode::kMandatory ? "Mandatory"
                                                                                : "Strict"});
    if (e.trustServerCertificate) args.emplace_back("--trust-server-certificate");
    if (!e.serverCertificate.empty())
      args.insert(args.end(), {"--server-certificate", e.serverCertificate});
    if (!e.hostNameInCertificate.empty())
      args.insert(args.end(), {"--host-name-in-certificate", e.hostNameInCertificate});
    engine::ProcessOutcome ran = launcher.RunAndWait(
        PELVANE_ISQLW_PATH, args, {{"SQLCMDPASSWORD", "Secret1"}, {"TMPDIR", scratch}}, {});
    const std::string output = pelvane::testing::ReadBytes(dir.File("out.txt"));
    ASSERT_EQ(ran.kind, engine::ProcessOutcome::Kind::kExited) << c.name;
    EXPECT_EQ(ran.exitCode, c.kind == LoginCheckKind::kAccepted ? 0 : 2)
        << c.name << ": " << output;
    EXPECT_NE(output.find(c.message), std::string::npos) << c.name << ": " << output;
    // Its private configuration went with it.
    EXPECT_TRUE(std::filesystem::is_empty(scratch)) << c.name;
  }
}

}  // namespace
}  // namespace pelvane::platform
