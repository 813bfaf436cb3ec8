// SPDX-License-Identifier: GPL-3.0-or-later
// The encryption settings against the stand-in with TLS, through both connection paths: the
// ODBC login check and isqlw (db-lib), each on its own, with the same cases.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/ScriptStep.h"
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
using pelvane::testing::ReadBytes;
using pelvane::testing::StandinServer;
using pelvane::testing::TestCertificates;

SqlEncryption Settings(std::optional<EncryptMode> mode, bool trust = false,
                       const std::string& ca = "", const std::string& hostName = "") {
  SqlEncryption e;
  e.mode = mode.value_or(e.mode);
  e.modeWritten = mode.has_value();
  e.trustServerCertificate = trust;
  e.serverCertificate = ca;
  e.hostNameInCertificate = hostName;
  return e;
}

TEST(TlsLoginTest, OdbcLoginCheckAndIsqlwAlike) {
  const TestCertificates certificates;
  auto start = [](const TestCertificates::Pair& pair) {
    StandinServer::Options options;
    options.tlsCertificate = pair.certificate;
    options.tlsKey = pair.key;
    options.encryption = "on";
    return std::make_unique<StandinServer>(options);
  };
  const auto selfSigned = start(certificates.selfSigned()),
             localhost = start(certificates.localhost()),
             otherName = start(certificates.otherHost()), expired = start(certificates.expired());
  const StandinServer noTls;
  const std::string ca = certificates.caFile();
  const auto none = std::nullopt;
  struct Case {
    const char* name;
    const StandinServer& peer;
    SqlEncryption encryption;
    LoginCheckKind kind;
    const char* message;  // part of the message, for the refusals
  };
  const Case cases[] = {
      {"self-signed refused by default", *selfSigned, Settings(none),
       LoginCheckKind::kCertificateRefused,
       "not trusted (self-signed). Set TrustServerCertificate or ServerCertificate"},
      {"self-signed trusted", *selfSigned, Settings(none, true), LoginCheckKind::kAccepted, ""},
      {"Optional checks nothing", *selfSigned, Settings(EncryptMode::kOptional),
       LoginCheckKind::kAccepted, ""},
      {"unknown CA", *localhost, Settings(none), LoginCheckKind::kCertificateRefused,
       "(unknown CA)"},
      {"CA file", *localhost, Settings(none, false, ca), LoginCheckKind::kAccepted, ""},
      {"wrong host name", *otherName, Settings(none, false, ca),
       LoginCheckKind::kCertificateRefused, "(wrong host name)"},
      {"HostNameInCertificate", *otherName, Settings(none, false, ca, TestCertificates::kOtherName),
       LoginCheckKind::kAccepted, ""},
      {"HostNameInCertificate is checked", *otherName,
       Settings(none, false, ca, "elsewhere.example.test"), LoginCheckKind::kCertificateRefused,
       "(wrong host name)"},
      {"expired", *expired, Settings(none, false, ca), LoginCheckKind::kCertificateRefused,
       "(expired)"},
      // Without any of the keys a server without encryption is reached as before.
      {"no TLS, no keys", noTls, Settings(none), LoginCheckKind::kAccepted, ""},
      {"no TLS, Mandatory written", noTls, Settings(EncryptMode::kMandatory),
       LoginCheckKind::kOtherError, "offers no encryption, and \"Encrypt\" is Mandatory"},
      {"Strict", *localhost, Settings(EncryptMode::kStrict), LoginCheckKind::kStrictUnavailable,
       "Strict encryption (TDS 8.0) needs FreeTDS 1.5 or later; this build uses 1.3"},
  };

  OdbcSqlClient::Options options;
  options.connectTimeoutSeconds = 10;
  OdbcSqlClient client(options);
  pelvane::testing::TempDir dir;
  pelvane::testing::WriteBytes(dir.File("q.sql"), "SELECT 1\r\n");
  const std::string scratch = dir.File("tmp");
  std::filesystem::create_directory(scratch);
  PosixProcessLauncher launcher;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string server = c.peer.server();
    engine::LoginCheck check = client.CheckLogin({server, "sa", "Secret1", "", c.encryption});
    EXPECT_EQ(check.kind, c.kind) << check.error.message;
    EXPECT_NE(check.error.message.find(c.message), std::string::npos) << check.error.message;
    if (c.kind == LoginCheckKind::kCertificateRefused) {
      EXPECT_EQ(check.error.message.rfind("Certificate of " + server + " not trusted (", 0), 0u);
    }

    // isqlw with the options a run gives it.
    std::vector<std::string> args{
        "-S", server, "-U", "sa", "-i", dir.File("q.sql"), "-o", dir.File("out.txt")};
    for (const std::string& arg : engine::QueryToolEncryptionArguments(c.encryption))
      args.push_back(arg);
    engine::ProcessOutcome ran = launcher.RunAndWait(
        PELVANE_ISQLW_PATH, args, {{"SQLCMDPASSWORD", "Secret1"}, {"TMPDIR", scratch}}, {});
    const std::string output = ReadBytes(dir.File("out.txt"));
    ASSERT_EQ(ran.kind, engine::ProcessOutcome::Kind::kExited);
    EXPECT_EQ(ran.exitCode, c.kind == LoginCheckKind::kAccepted ? 0 : 2) << output;
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    // Its private configuration went with it.
    EXPECT_TRUE(std::filesystem::is_empty(scratch));
  }
  // The ODBC client's one configuration of this process: private, holding a section per
  // server and its settings.
  const char* config = std::getenv("FREETDSCONF");
  ASSERT_NE(config, nullptr);
  struct stat file {
  }, folder{};
  ASSERT_EQ(::stat(config, &file), 0);
  ASSERT_EQ(::stat(std::filesystem::path(config).parent_path().c_str(), &folder), 0);
  EXPECT_EQ(file.st_mode & 0777, 0600u);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  EXPECT_NE(ReadBytes(config).find("ca file = " + ca), std::string::npos);
}

}  // namespace
}  // namespace pelvane::platform
