// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// pelvanectl called in-process on a settings file of its own, with the real ODBC client.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/OdbcSqlClient.h"
#include "settings/SettingsStore.h"
#include "support/StandinServer.h"
#include "support/TempDir.h"

namespace pelvane::cli {

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct Outcome {
  int code;
  std::string out, err;
};

class CliFixture : public ::testing::Test {
 protected:
  Outcome Run(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    CliEnvironment environment;
    environment.defaultSettingsFile = settings;
    environment.makeSqlClient = [](const std::atomic<bool>* interrupted) {
      platform::OdbcSqlClient::Options options;
      options.interrupted = interrupted;
      return std::make_unique<platform::OdbcSqlClient>(options);
    };
    const int code = RunCli(args, environment, in, out, err);
    return Outcome{code, out.str(), err.str()};
  }

  /// Lists the server in group prod with a login (saved even when it is refused).
  void Register(const std::string& server, const std::string& password = "Secret1",
                const std::string& user = "sa", const std::string& database = "pubs") {
    ASSERT_EQ(Run({"servers", "add", server, "--group", "prod"}).code, 0);
    const Outcome saved = Run({"login", server, "--user", user, "--database", database,
                               "--password-stdin", "--save-anyway"},
                              password + "\n");
    ASSERT_EQ(saved.code, 0) << saved.err;
  }

  std::string Get(const std::string& section, const std::string& key) {
    return settings::GetINIValue(section, key, settings);
  }

  std::string Script(const std::string& name, const std::string& text) {
    const std::string path = dir.File(name);
    pelvane::testing::WriteBytes(path, text);
    return path;
  }

  pelvane::testing::TempDir dir;
  std::string settings = dir.File("Pelvane.ZRQ");
};

}  // namespace pelvane::cli
