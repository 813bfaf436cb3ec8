// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "engine/ProgramState.h"
#include "engine/StoredRunInputs.h"
#include "settings/ScratchFile.h"
#include "support/TempDir.h"

namespace pelvane::engine {
namespace {

using pelvane::testing::TempDir;
using pelvane::testing::WriteBytes;

constexpr WindowPlacement kDesigned{1200, 2400, 6000, 9000};

TEST(ProgramStateTest, ScratchFilesGoToTheTemporaryFolder) {
  TempDir dir;
  settings::SettingsStore store(dir.File("Pelvane.ZRQ"));
  ProgramState state = LoadProgramState(store, kDesigned);
  // Scratch files go to the temporary folder, so that a read-only settings folder still runs.
  EXPECT_EQ(state.TempErrorFile, settings::TemporaryFolder() + "/tmpErrMsgs.log");
  EXPECT_EQ(state.FixedLogFile, dir.File("Pelvane.log"));
  EXPECT_EQ(state.QueryOutputFile, settings::TemporaryFolder() + "/PelvaneScript.out");
}

TEST(ProgramStateTest, StoredValuesAndTheirFailures) {
  TempDir dir;
  std::string file = dir.File("Pelvane.ZRQ");
  settings::SettingsStore store(file);
  struct Case {
    const char* section;
    const char* key;
    const char* value;
    std::function<std::string(const ProgramState&)> read;
    std::string expected;
  };
  auto placement = [](int16_t WindowPlacement::*field) {
    return [field](const ProgramState& s) { return std::to_string(s.Placement.*field); };
  };
  auto number = [](auto ProgramState::*field) {
    return [field](const ProgramState& s) { return std::to_string(s.*field); };
  };
  auto text = [](std::string ProgramState::*field) {
    return [field](const ProgramState& s) { return s.*field; };
  };
  const Case cases[] = {
      {"Pelvane", "Width", "40000", placement(&WindowPlacement::width), "0"},
      {"Pelvane", "Top", "wide", placement(&WindowPlacement::top), "0"},
      {"Pelvane", "Height", "4500.5", placement(&WindowPlacement::height), "4500"},  // half to even
      {"Pelvane", "Height", "?", placement(&WindowPlacement::height), "6000"},  // reads as empty
      {"Pelvane", "RefreshLogWindow", "yes", number(&ProgramState::RefreshLogWindow), "0"},
      {"Errors", "WhenOccurs", "99999", number(&ProgramState::WhenOccurs), "0"},
      {"Errors", "ParallelServers", "64", number(&ProgramState::ParallelServers), "64"},
      {"Errors", "ParallelServers", "65", number(&ProgramState::ParallelServers), "1"},
      {"Errors", "ParallelServers", "0", number(&ProgramState::ParallelServers), "1"},
      {"Pelvane", "ParallelServers", "8", number(&ProgramState::ParallelServers), "1"},
      {"Pelvane", "Notify", "-1", number(&ProgramState::Notify), "1"},
      {"Pelvane", "Notify", "True", number(&ProgramState::Notify), "0"},
      {"Pelvane", "ServicesDelay", "4.5", number(&ProgramState::ServicesDelay), "4.500000"},
      {"Pelvane", "ServicesDelay", "1E39", number(&ProgramState::ServicesDelay), "0.000000"},
      {"Pelvane", "MainState", "1", number(&ProgramState::MainMaximized), "1"},
      {"Pelvane", "DateTimeFormat", "dd.mm.yyyy hh:nn", text(&ProgramState::DateTimeFormat),
       "dd.mm.yyyy hh:nn"},
  };
  for (const Case& c : cases) {
    WriteBytes(file, std::string("[") + c.section + "]\r\n" + c.key + "=" + c.value + "\r\n");
    EXPECT_EQ(c.read(LoadProgramState(store, kDesigned)), c.expected)
        << c.section << "/" << c.key << "=" << c.value;
  }
}

TEST(ProgramStateTest, StoredCheckBoxesAreSetByTheNumberOne) {
  TempDir dir;
  settings::SettingsStore store(dir.File("Pelvane.ZRQ"));
  struct Case {
    const char* stored;
    bool set;
  } cases[] = {
      {"", false},   {"1", true},    {" 1 ", true}, {"&H1", true},
      {"0.6", true}, {"0.5", false}, {"-1", false}, {"yes", false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(store.SaveINIValues("Pelvane", "CopyFile", c.stored).ok());
    EXPECT_EQ(StoredBoxSet(store, "Pelvane", "CopyFile"), c.set) << "\"" << c.stored << "\"";
  }
}

TEST(ProgramStateTest, SettingsFilePlace) {
  EXPECT_EQ(SettingsFileIn("/opt/pelvane"), "/opt/pelvane/Pelvane.ZRQ");
  EXPECT_EQ(SettingsFileIn("/opt/pelvane/"), "/opt/pelvane/Pelvane.ZRQ");
  EXPECT_EQ(SettingsFileIn("/"), "/Pelvane.ZRQ");

  struct Case {
    bool writable;
    const char* xdg;
    const char* home;
    const char* expected;
  } cases[] = {
      {true, "/xdg", "/home/u", "/opt/pelvane/Pelvane.ZRQ"},
      {false, "/xdg", "/home/u", "/xdg/pelvane/Pelvane.ZRQ"},
      {false, "", "/home/u", "/home/u/.config/pelvane/Pelvane.ZRQ"},
      {false, "relative", "/home/u", "/home/u/.config/pelvane/Pelvane.ZRQ"},
      {false, "", "", "/opt/pelvane/Pelvane.ZRQ"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseSettingsFile("/opt/pelvane", c.writable, c.xdg, c.home), c.expected)
        << c.writable << " " << c.xdg << " " << c.home;
  // Root can write to /usr/bin, yet the settings of a packaged program go to the user's folder.
  const std::pair<const char*, const char*> packaged[] = {
      {"/usr/bin", "/root/.config/pelvane/Pelvane.ZRQ"},
      {"/sbin", "/root/.config/pelvane/Pelvane.ZRQ"},
      {"/usr/local/bin", "/usr/local/bin/Pelvane.ZRQ"},
      {"/usrx/bin", "/usrx/bin/Pelvane.ZRQ"}};
  for (const auto& [folder, expected] : packaged)
    EXPECT_EQ(ChooseSettingsFile(folder, true, "", "/root"), expected) << folder;
}

}  // namespace
}  // namespace pelvane::engine
