// SPDX-License-Identifier: GPL-3.0-or-later
// Logins on both connection paths, the ODBC client and isqlw (db-lib), against sqlstandin:
// encryption settings over TLS, named instances through the SQL Browser, Windows (NTLM) logins.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/ScriptStep.h"
#include "platform/OdbcSqlClient.h"
#include "sqlbrowser/BrowserMessages.h"
#include "standin/ToolRun.h"
#include "support/PrivateNetwork.h"
#include "support/StandinServer.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"

namespace pelvane::testing {
namespace {

using engine::EncryptMode;
using engine::LoginCheckKind;
using engine::SqlEncryption;

/// isqlw as a run starts it: the password in its environment, its scratch files in dir/tmp.
/// Its exit status, and what it printed followed by its output file.
ToolOutcome RunIsqlw(const TempDir& dir, const std::string& server, const std::string& login,
                     const std::string& password, const std::vector<std::string>& more = {}) {
  WriteBytes(dir.File("q.sql"), "SELECT SUSER_SNAME()\r\n");
  std::filesystem::remove(dir.File("out.txt"));
  std::filesystem::create_directories(dir.File("tmp"));
  std::vector<std::string> argv{
      PELVANE_ISQLW_PATH, "-S", server, "-U", login, "-i", dir.File("q.sql"), "-o",
      dir.File("out.txt")};
  argv.insert(argv.end(), more.begin(), more.end());
  ToolOutcome run = RunTool(argv, "", {"SQLCMDPASSWORD=" + password, "TMPDIR=" + dir.File("tmp")});
  run.output += ReadBytes(dir.File("out.txt"));
  return run;
}

SqlEncryption Settings(std::optional<EncryptMode> mode, bool trust = false,
                       const std::string& ca = "", const std::string& hostName = "") {
  return {mode.value_or(EncryptMode::kMandatory), mode.has_value(), trust, ca, hostName};
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
  const auto refused = LoginCheckKind::kCertificateRefused, accepted = LoginCheckKind::kAccepted;
  struct Case {
    const StandinServer& peer;
    SqlEncryption encryption;
    LoginCheckKind kind;
    const char* message;  // part of the message, for the refusals
  };
  const Case cases[] = {
      {*selfSigned, Settings(none), refused,
       "not trusted (self-signed). Set TrustServerCertificate or ServerCertificate"},
      {*selfSigned, Settings(none, true), accepted, ""},
      {*selfSigned, Settings(EncryptMode::kOptional), accepted, ""},
      {*localhost, Settings(none), refused, "(unknown CA)"},
      {*localhost, Settings(none, false, ca), accepted, ""},
      {*otherName, Settings(none, false, ca), refused, "(wrong host name)"},
      {*otherName, Settings(none, false, ca, TestCertificates::kOtherName), accepted, ""},
      {*expired, Settings(none, false, ca), refused, "(expired)"},
      // Without any of the keys a server without encryption is reached as before.
      {noTls, Settings(none), accepted, ""},
      {noTls, Settings(EncryptMode::kMandatory), LoginCheckKind::kOtherError,
       "offers no encryption, and \"Encrypt\" is Mandatory"},
      {*localhost, Settings(EncryptMode::kStrict), LoginCheckKind::kStrictUnavailable,
       "Strict encryption (TDS 8.0) needs FreeTDS 1.5 or later; this build uses 1.3"},
  };
  platform::OdbcSqlClient client;
  const TempDir dir;
  for (const Case& c : cases) {
    const std::string server = c.peer.server();
    SCOPED_TRACE(server + " " + c.message);
    engine::LoginCheck check = client.CheckLogin({server, "sa", "Secret1", "", c.encryption});
    EXPECT_EQ(check.kind, c.kind) << check.error.message;
    EXPECT_NE(check.error.message.find(c.message), std::string::npos) << check.error.message;
    if (c.kind == refused) {
      EXPECT_EQ(check.error.message.rfind("Certificate of " + server + " not trusted (", 0), 0u);
    }
    ToolOutcome run =
        RunIsqlw(dir, server, "sa", "Secret1", engine::QueryToolEncryptionArguments(c.encryption));
    EXPECT_EQ(run.exitCode, c.kind == accepted ? 0 : 2) << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    // Its private configuration went with it.
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("tmp")));
  }
  // The ODBC client's one configuration of this process: private, with the CA of a section.
  const char* config = std::getenv("FREETDSCONF");
  ASSERT_NE(config, nullptr);
  using std::filesystem::perms;
  EXPECT_EQ(std::filesystem::status(config).permissions() & perms::all,
            perms::owner_read | perms::owner_write);
  const std::filesystem::path folder = std::filesystem::path(config).parent_path();
  EXPECT_EQ(std::filesystem::status(folder).permissions() & perms::all, perms::owner_all);
  EXPECT_NE(ReadBytes(config).find("ca file = " + ca), std::string::npos);
}

TEST(SqlBrowserReply, PortOfTheAskedInstanceOnly) {
  auto reply = [](const std::string& text) {
    return std::string(1, '\x05') + static_cast<char>(text.size() & 0xFF) +
           static_cast<char>(text.size() >> 8) + text;
  };
  const std::string two =
      "ServerName;DB1;InstanceName;ONE;IsClustered;No;Version;16.0;tcp;1501;;"
      "ServerName;DB1;InstanceName;Two;IsClustered;No;Version;16.0;np;\\\\DB1\\pipe;tcp;1502;;";
  // A datagram, the instance asked for, the port found in it (0: none).
  const std::tuple<std::string, std::string, int> cases[] = {
      {reply(two), "ONE", 1501},
      {reply(two), "Two", 1502},
      {reply("ServerName;DB1;InstanceName;ONE;IsClustered;No;np;\\\\DB1\\pipe;;"), "ONE", 0},
      {reply("ServerName;DB1;InstanceName;ONE;tcp;99999;;"), "ONE", 0},
      {reply(two).substr(0, 20), "ONE", 0},
      {"\x04ONE", "ONE", 0},
  };
  for (const auto& [datagram, instance, port] : cases)
    EXPECT_EQ(sqlbrowser::TcpPortInReply(datagram, instance).value_or(0), port) << datagram;
}

// The stand-in answers the SQL Browser for instance SQLA, in a network namespace of this test
// program's own (UDP 1434 is a fixed port), and stays silent for an instance it does not have,
// as SQL Server's does.
TEST(NamedInstanceTest, BrowserLookupOnEveryPath) {
  std::string why;
  if (!EnterPrivateNetwork(why)) GTEST_SKIP() << "needs a network namespace of its own: " << why;
  StandinServer::Options options;
  options.moreArgs = {"--browser-instance", "SQLA"};
  const StandinServer standin(options);
  const TempDir dir;
  const std::string silent = "SQL Server Browser on 127.0.0.1 did not answer for instance NOPE.";
  const auto started = std::chrono::steady_clock::now();
  platform::OdbcSqlClient client;
  const std::pair<std::string, bool> cases[] = {
      {" 127.0.0.1\\sqla ", true},
      {"127.0.0.1\\NOPE", false},
      {"127.0.0.1\\NOPE," + std::to_string(standin.port()), true},  // the port wins: no lookup
  };
  for (const auto& [server, accepted] : cases) {
    SCOPED_TRACE(server);
    const engine::SqlTarget target{server, "sa", "Secret1", "", {}, 1000};
    const LoginCheckKind kind =
        accepted ? LoginCheckKind::kAccepted : LoginCheckKind::kBrowserSilent;
    engine::LoginCheck check = client.CheckLogin(target);
    EXPECT_EQ(check.kind, kind);
    EXPECT_EQ(check.error.message, accepted ? "" : silent);
    EXPECT_EQ(client.ProbeConnection(target, "SELECT 1", 5).login.kind, kind);
    Result<engine::QueryResult> rows = client.RunQuery(target, "SELECT 1", 5);
    EXPECT_TRUE(accepted ? rows.ok() : rows.status().message().find(silent) != std::string::npos)
        << rows.status().message();
    ToolOutcome run = RunIsqlw(dir, server, "sa", "Secret1", {"--browser-timeout", "1"});
    EXPECT_EQ(run.exitCode, accepted ? 0 : 2) << run.output;
    EXPECT_EQ(
        run.output.find("Cannot connect to server 127.0.0.1\\NOPE: " + silent) == std::string::npos,
        accepted)
        << run.output;
  }
  // So does the password change.
  EXPECT_EQ(client.ChangePassword("127.0.0.1\\SQLA", "sa", "Secret1", "Secret2", {}, 1000).kind,
            engine::PasswordChangeKind::kChanged);
  engine::PasswordChange silentChange =
      client.ChangePassword("127.0.0.1\\NOPE", "sa", "Secret2", "Secret3", {}, 1000);
  EXPECT_EQ(silentChange.kind, engine::PasswordChangeKind::kOtherFailure);
  EXPECT_EQ(silentChange.error.message, silent);
  // Five silent lookups of 1 s each: one FreeTDS loop alone would take 16 s.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
}

// FreeTDS logs DOMAIN\user in with NTLM; the stand-in checks the NTLMv2 answer against the
// password it was given.
TEST(WindowsLogin, NtlmOnBothPaths) {
  StandinServer::Options options;
  options.moreArgs = {"--windows-login", "CORP\\alice:W1nd0ws!pw"};
  const StandinServer standin(options);
  const TempDir dir;
  platform::OdbcSqlClient client;
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"corp\\ALICE", "W1nd0ws!pw", true},
      {"CORP\\alice", "w1nd0ws!pw", false},
  };
  for (const auto& [login, password, accepted] : cases) {
    SCOPED_TRACE(login + " / " + password);
    engine::LoginCheck check = client.CheckLogin({standin.server(), login, password, ""});
    EXPECT_EQ(check.kind, accepted ? LoginCheckKind::kAccepted : LoginCheckKind::kLoginRefused);
    EXPECT_EQ(check.error.nativeError, accepted ? 0 : 18456);
    ToolOutcome run = RunIsqlw(dir, standin.server(), login, password);
    EXPECT_EQ(run.exitCode, accepted ? 0 : 2) << run.output;
    // The session belongs to the Windows login, as the stand-in was given it.
    EXPECT_NE(run.output.find(accepted ? "\nCORP\\alice " : "Msg 18456"), std::string::npos)
        << run.output;
  }
}

}  // namespace
}  // namespace pelvane::testing
