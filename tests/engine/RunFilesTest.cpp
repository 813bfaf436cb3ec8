// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "engine/RunFiles.h"
#include "support/TempDir.h"

namespace pelvane::engine {
namespace {

using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

TEST(RunFilesTest, EveryScriptAndCopyFileIsNamedBeforeAnyServer) {
  TempDir dir;
  const std::string a = dir.File("a.sql"), b = dir.File("b.sql"), gone = dir.File("gone.sql");
  WriteBytes(a, "select 1");
  WriteBytes(b, "select 2");
  struct Case {
    const char* what;
    std::string scripts;
    bool copy;
    std::string copies;
    bool simpleScript;
    std::vector<std::string> named;  // empty: the run may start
  };
  const Case cases[] = {
      {"all readable", a + "\r\n" + b, true, b, false, {}},
      {"no scripts: the run logs that per server", "", false, "", false, {}},
      {"SQL typed into the box",
       "select * from orders",
       false,
       "",
       false,
       {"Script file select * from orders (No such file or directory)",
        "Scripts are named by their file paths"}},
      {"each missing file, scripts and copies",
       a + "|" + gone,
       true,
       gone + "|" + dir.File("x"),
       false,
       {"These files cannot be read", "Script file " + gone, "Copy file " + dir.File("x")}},
      {"a folder is no script", dir.path().string(), false, "", false, {"(not a file)"}},
      {"a trailing line break", a + "\r\n", false, "", false, {"an empty line in the list"}},
      {"copy files only with the copy step", a, false, gone, false, {}},
      {"no scripts in a Simple Script run", gone, false, "", true, {}},
  };
  for (const Case& c : cases) {
    RunInputs in;
    in.scriptText = c.scripts;
    in.copyFile = c.copy;
    in.copyFileText = c.copies;
    in.simpleScriptMode = c.simpleScript;
    const Status checked = CheckRunFiles(in);
    EXPECT_EQ(checked.ok(), c.named.empty()) << c.what << ": " << checked.message();
    for (const std::string& part : c.named)
      EXPECT_NE(checked.message().find(part), std::string::npos) << c.what << ": " << part;
    if (!c.named.empty()) {
      EXPECT_NE(checked.message().find("no server was contacted"), std::string::npos) << c.what;
    }
  }
}

}  // namespace
}  // namespace pelvane::engine
