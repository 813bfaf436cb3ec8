// SPDX-License-Identifier: GPL-3.0-or-later
// The encryption keys: read per server with the program-wide defaults, written back without
// copying those defaults, and carried by a run to the login check and to the query tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ScriptStep.h"
#include "engine/SqlEncryptionSettings.h"
#include "engine/VeskRun.h"
#include "fakes/Fakes.h"

namespace pelvane::engine {
namespace {

using fakes::FakeRun;
using Lines = std::vector<std::string>;

struct Keys {
  std::string encrypt, trust, certificate, hostName;
};

void Write(settings::SettingsStore& store, const std::string& section, const Keys& keys) {
  store.SaveINIValues(section, "Encrypt", keys.encrypt);
  store.SaveINIValues(section, "TrustServerCertificate", keys.trust);
  store.SaveINIValues(section, "ServerCertificate", keys.certificate);
  store.SaveINIValues(section, "HostNameInCertificate", keys.hostName);
}

TEST(SqlEncryptionTest, TheServersOwnValueElseThePrograms) {
  // Unknown modes read as Mandatory, and count as written.
  struct Case {
    Keys server, program, read;  // read: mode, trust, certificate, host name
    bool written;
  };
  const Keys all{"Optional", "1", "/all.pem", "any"};
  const Case cases[] = {
      {{}, {}, {"Mandatory", "0", "", ""}, false},
      {{"optional", "", "", ""}, {}, {"Optional", "0", "", ""}, true},
      {{" Strict ", "1", "/ca.pem", "db"}, {}, {"Strict", "1", "/ca.pem", "db"}, true},
      {{"yes", "yes", "", ""}, {}, {"Mandatory", "0", "", ""}, true},
      {{}, all, {"Optional", "1", "/all.pem", "any"}, true},
      {{"Mandatory", "0", "/own.pem", ""}, all, {"Mandatory", "0", "/own.pem", "any"}, true}};
  const char* modes[] = {"Optional", "Mandatory", "Strict"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server.encrypt + "/" + c.program.encrypt);
    FakeRun f;
    Write(f.store, "SRV1", c.server);
    Write(f.store, "Pelvane", c.program);
    const SqlEncryption e = LoadSqlEncryption(f.store, "SRV1");
    EXPECT_EQ(modes[static_cast<int>(e.mode)], c.read.encrypt);
    EXPECT_EQ(e.modeWritten, c.written);
    EXPECT_EQ(e.trustServerCertificate, c.read.trust == "1");
    EXPECT_EQ(e.serverCertificate, c.read.certificate);
    EXPECT_EQ(e.hostNameInCertificate, c.read.hostName);
  }
}

TEST(SqlEncryptionTest, SavingWritesOnlyWhatChanged) {
  FakeRun f;
  Write(f.store, "Pelvane", {"Optional", "", "/all.pem", ""});
  const SqlEncryption before = LoadSqlEncryption(f.store, "SRV1");
  SqlEncryption after = before;
  after.trustServerCertificate = true;
  ASSERT_TRUE(SaveSqlEncryption(f.store, "SRV1", before, after));
  EXPECT_EQ(f.store.GetINIValue("SRV1", "TrustServerCertificate"), "1");
  // The program-wide defaults stay where they are.
  EXPECT_EQ(f.store.GetINIValue("SRV1", "Encrypt"), "");
  EXPECT_EQ(f.store.GetINIValue("SRV1", "ServerCertificate"), "");
  after.mode = EncryptMode::kStrict;
  after.modeWritten = true;
  ASSERT_TRUE(SaveSqlEncryption(f.store, "SRV1", before, after));
  EXPECT_EQ(LoadSqlEncryption(f.store, "SRV1").mode, EncryptMode::kStrict);
}

TEST(SqlEncryptionTest, ARunCarriesTheKeysToTheLoginCheckAndTheQueryTool) {
  FakeRun f;
  f.ServersToRun(2);
  Write(f.store, "SRV1", {"Mandatory", "1", "/ca.pem", "alias.example"});
  const std::string refused =
      "Certificate of SRV2 not trusted (self-signed). Set TrustServerCertificate or "
      "ServerCertificate for this server.";
  f.sql.loginChecks["SRV2"] = LoginCheck{LoginCheckKind::kCertificateRefused, {"", 0, refused, ""}};
  RunVesk(1, f.run);

  ASSERT_EQ(f.sql.checkedLogins.size(), 2u);
  const SqlEncryption& sent = f.sql.checkedLogins[0].encryption;
  EXPECT_TRUE(sent.modeWritten && sent.trustServerCertificate);
  EXPECT_EQ(sent.serverCertificate, "/ca.pem");
  ASSERT_EQ(f.processes.calls.size(), 1u);  // SRV2's refused certificate starts no tool
  const Lines& args = f.processes.calls[0].arguments;
  const Lines tail(args.end() - 7, args.end());
  EXPECT_EQ(tail,
            (Lines{"--encrypt", "Mandatory", "--trust-server-certificate", "--server-certificate",
                   "/ca.pem", "--host-name-in-certificate", "alias.example"}));
  // The sentence itself is the log's line, where the generic one stood.
  const Lines log = f.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), refused), log.end());
  // A server without the keys gives the tool none of the options: it behaves as before.
  EXPECT_TRUE(QueryToolEncryptionArguments(SqlEncryption{}).empty());
}

}  // namespace
}  // namespace pelvane::engine
