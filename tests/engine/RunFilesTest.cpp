// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/RunFiles.h"
#include "support/TempDir.h"

namespace pelvane::engine {
namespace {

using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

TEST(RunFilesTest, EveryScriptAndCopyFileIsNamedBeforeAnyServer) {
  TempDir dir;
  const std::string a = dir.File("a.sql"), b = dir.File("b.sql"), gone = dir.File("gone.sql");
  const std::string x = dir.File("x"), folder = dir.path().string();
  WriteBytes(a, "select 1");
  WriteBytes(b, "select 2");
  const std::vector<std::string> typedSql = {"Script file select * from orders (No such file",
                                             "Scripts are named by their file paths"};
  struct Case {
    std::string scripts;
    bool copy;
    std::string copies;
    bool simpleScript;
    std::vector<std::string> named;  // parts of the message; empty: the run may start
  };
  const std::vector<std::string> unreadable = {"These files cannot be read", "Script file " + gone,
                                               "Copy file " + x};
  const Case cases[] = {{a + "\r\n" + b, true, b, false, {}},
                        {"", false, "", false, {}},  // no scripts: the run logs that per server
                        {"select * from orders", false, "", false, typedSql},
                        {a + "|" + gone, true, gone + "|" + x, false, unreadable},
                        {folder, false, "", false, {"(not a file)"}},
                        {a + "\r\n", false, "", false, {"an empty line in the list"}},
                        {a, false, gone, false, {}},   // copy files only with the copy step
                        {gone, false, "", true, {}}};  // no scripts in a Simple Script run
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    RunInputs in;
    in.scriptText = c.scripts;
    in.copyFile = c.copy;
    in.copyFileText = c.copies;
    in.simpleScriptMode = c.simpleScript;
    const Status checked = CheckRunFiles(in);
    EXPECT_EQ(checked.ok(), c.named.empty()) << checked.message();
    std::vector<std::string> named = c.named;
    if (!named.empty()) named.push_back("no server was contacted");
    for (const std::string& part : named)
      EXPECT_NE(checked.message().find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace pelvane::engine
