#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/PasswordScrambler.h"
#include "settings/ServerRegistry.h"
#include "shell/ShellFixture.h"
#include "shell/VeskDialogFixture.h"
#include "shell/VeskSqlDialog.h"
#include "support/StandinServer.h"

namespace pelvane::shell {
namespace {

TEST(VeskSqlDialogTest, MovesFollowTheGroupFilter) {
  ShellFixture f;
  settings::ServerRegistry registry(f.store);
  for (auto [server, group] : {std::pair{"P2", "PROD"}, {"T1", "test"}, {"P1", "prod"}})
    ASSERT_TRUE(registry.AddServer(server, group));
  FakeHost host;
  VeskSqlDialog dialog(f.context, host);
  auto* groups = Control<QComboBox>(dialog, "cmbServerGroup");
  auto* available = Control<QListWidget>(dialog, "lstServerList");
  auto* process = Control<QListWidget>(dialog, "lstVeskServers");
  EXPECT_EQ(groups->currentText(), "ALL");
  EXPECT_EQ(groups->count(), 3);
  EXPECT_EQ(Entries(available), (Lines{"P1", "P2", "T1"}));
  ExpectAccessibleNames(dialog);

  groups->setCurrentText("PROD");
  Q_EMIT groups->activated(groups->currentIndex());
  EXPECT_EQ(Entries(available), (Lines{"P1", "P2"}));
  Control<QToolButton>(dialog, "cmdAddAllVars")->click();
  EXPECT_EQ(Entries(process), (Lines{"P1", "P2"}));
  EXPECT_TRUE(Entries(available).empty());

  groups->setCurrentText("TEST");
  Q_EMIT groups->activated(groups->currentIndex());
  MakeCurrent(available, "T1");
  Control<QToolButton>(dialog, "cmdAddVar")->click();
  EXPECT_EQ(Entries(process), (Lines{"P1", "P2", "T1"}));
  MakeCurrent(process, "P2");
  Control<QToolButton>(dialog, "cmdRemoveVar")->click();
  EXPECT_EQ(Entries(available), Lines{"P2"});

  // Back to ALL: servers already chosen show in both lists, as the filter refills.
  groups->setCurrentText("ALL");
  Q_EMIT groups->activated(groups->currentIndex());
  EXPECT_EQ(Entries(available), (Lines{"P1", "P2", "T1"}));
  Control<QToolButton>(dialog, "cmdRemoveAllVars")->click();
  EXPECT_EQ(Entries(available), (Lines{"P1", "P1", "P2", "T1", "T1"}));
  EXPECT_TRUE(Entries(process).empty());
}

TEST(VeskSqlDialogTest, InputsAreStoredOnCloseAndComeBack) {
  ShellFixture f;
  const std::string longPath = "/scripts/" + std::string(300, 'x') + ".sql";
  FakeHost host;
  host.state = &f.state;
  {
    VeskSqlDialog dialog(f.context, host);
    Control<QPlainTextEdit>(dialog, "txtSQLScript")
        ->setPlainText(QString::fromStdString("/s/one.sql\n" + longPath));
    Control<QPlainTextEdit>(dialog, "txtCopyFileTo")->setPlainText("/c/a\tb.txt");
    Control<QCheckBox>(dialog, "chkCopyFile")->click();
    Control<QCheckBox>(dialog, "chkOverwriteFile")->click();
    EXPECT_EQ(f.Get("Pelvane", "OverwriteFile"), "1");
    Control<QCheckBox>(dialog, "chkCopyFile")->click();  // off takes Overwrite with it
    EXPECT_FALSE(Control<QCheckBox>(dialog, "chkOverwriteFile")->isChecked());
    EXPECT_EQ(f.Get("Pelvane", "CopyFile"), "0");
    EXPECT_EQ(f.Get("Pelvane", "OverwriteFile"), "0");
    Control<QCheckBox>(dialog, "chkCopyFile")->click();
    Control<QCheckBox>(dialog, "chkAppendText")->click();
    EXPECT_TRUE(host.appendTextOpen);
    Control<QCheckBox>(dialog, "chkRestartServices")->click();
    host.simpleScript = true;
    dialog.close();
  }
  EXPECT_EQ(host.closed, 1);
  EXPECT_FALSE(host.appendTextOpen);
  EXPECT_EQ(f.Get("Script", "ScriptPath"), "/s/one.sqlvbChr13vbChr10" + longPath);
  EXPECT_EQ(f.Get("CopyTo", "CopyFile"), "/c/avbChr9b.txt");
  EXPECT_EQ(f.Get("SimpleScript", "OpenScript"), "1");
  for (const char* key : {"CopyFile", "AppendText", "RestartServices"})
    EXPECT_EQ(f.Get("Pelvane", key), "1") << key;

  FakeHost again;
  VeskSqlDialog dialog(f.context, again);
  EXPECT_EQ(BoxText(*Control<QPlainTextEdit>(dialog, "txtSQLScript")), "/s/one.sql\r\n" + longPath);
  EXPECT_EQ(BoxText(*Control<QPlainTextEdit>(dialog, "txtCopyFileTo")), "/c/a\tb.txt");
  EXPECT_TRUE(Control<QCheckBox>(dialog, "chkCopyFile")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(dialog, "chkOverwriteFile")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(dialog, "chkRestartServices")->isChecked());
  EXPECT_TRUE(again.appendTextOpen);
  EXPECT_TRUE(again.simpleScript);
  EXPECT_EQ(again.opened, 1);
}

TEST(VeskSqlDialogRunTest, ARealRunKeepsTheWindowAlive) {
  RunFixture f;
  testing::Heartbeat heartbeat(5);
  f.Button()->click();
  EXPECT_TRUE(f.dialog->IsRunning());
  EXPECT_EQ(f.Button()->text(), "Stop");
  EXPECT_FALSE(Control<QPlainTextEdit>(*f.dialog, "txtSQLScript")->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  EXPECT_GT(heartbeat.ticks, 0);  // the window thread kept turning while the run worked
  for (const std::string& server : f.servers)
    EXPECT_EQ(f.Count(server + ": Process complete."), 1u) << f.Log();
  EXPECT_EQ(f.Count("--> SUCCESSFUL."), 3u) << f.Log();
  EXPECT_EQ(f.Button()->text(), "Vesk SQL");
  EXPECT_TRUE(Control<QPlainTextEdit>(*f.dialog, "txtSQLScript")->isEnabled());
  EXPECT_EQ(f.host.runStates, (std::vector<bool>{true, false}));
  EXPECT_EQ(f.prompter.unscripted, 0);
  // The log file got the log as the window shows it.
  std::string saved = pelvane::testing::ReadBytes(f.state.FixedLogFile);
  EXPECT_NE(saved.find(f.servers[2] + ": Process complete.\r\n"), std::string::npos);
}

TEST(VeskSqlDialogRunTest, AQuestionIsAnsweredFromTheWindowThread) {
  RunFixture f;
  // No query tool where the run looks: it asks whether to go on with the copy step.
  f.Set("Pelvane", "QAPath", f.dir.File("nowhere"));
  pelvane::testing::WriteBytes(f.dir.File("payload.txt"), "data");
  f.Set("CopyTo", "CopyFile", f.dir.File("payload.txt"));
  f.Set("Pelvane", "CopyFile", "1");
  for (size_t i = 0; i < f.servers.size(); ++i) {
    const std::string dest = f.dir.File("dest" + std::to_string(i));
    std::filesystem::create_directory(dest);
    f.Set(f.servers[i], "CopyPath", dest);
  }
  f.Open();
  // Each server asks; Yes goes on with its copy step.
  f.prompter.answers = {engine::Answer::kYes, engine::Answer::kYes, engine::Answer::kYes};
  f.Button()->click();
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  ASSERT_EQ(f.prompter.asked.size(), 3u);
  EXPECT_NE(f.prompter.asked[0].text.find("Continue other tasks?"), std::string::npos);
  EXPECT_EQ(f.prompter.asked[0].buttons, Prompt::Buttons::kYesNo);
  EXPECT_EQ(f.prompter.unscripted, 0);
  EXPECT_EQ(f.Count(": Process complete."), 3u) << f.Log();
  EXPECT_EQ(f.Count("copied to"), 3u) << f.Log();
}

TEST(VeskSqlDialogRunTest, StopAfterTheFirstServerThenContinue) {
  RunFixture f(200);
  // Pressed while the first server is in progress (it is highlighted when it starts).
  f.Button()->click();
  QListWidget* process = Control<QListWidget>(*f.dialog, "lstVeskServers");
  QTRY_VERIFY_WITH_TIMEOUT(process->item(0)->isSelected(), 30000);
  f.Button()->click();  // "Stop"
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  EXPECT_EQ(f.Button()->text(), "Continue ...");
  EXPECT_TRUE(f.Button()->isEnabled());
  EXPECT_EQ(f.dialog->NextServerIndex(), 2);
  EXPECT_EQ(f.Count("Run stopped by the user after Server: " + f.servers[0] + "."), 1u) << f.Log();
  EXPECT_EQ(f.Count(f.servers[1]), 0u);

  f.Button()->click();  // "Continue ..."
  QTRY_VERIFY_WITH_TIMEOUT(!f.dialog->IsRunning(), 60000);
  EXPECT_EQ(f.Count(f.servers[0]), 0u);
  EXPECT_EQ(f.Count(f.servers[1] + ": Process complete."), 1u);
  EXPECT_EQ(f.Count(f.servers[2] + ": Process complete."), 1u);
  EXPECT_EQ(f.Button()->text(), "Vesk SQL");
  EXPECT_EQ(f.dialog->NextServerIndex(), 1);
}

TEST(VeskSqlDialogRunTest, ClosingDuringARunAsksAndClosesAfterTheStop) {
  RunFixture f(200);
  f.Button()->click();
  f.prompter.answers = {engine::Answer::kNo, engine::Answer::kYes};
  EXPECT_FALSE(f.dialog->close());  // No: the run goes on
  EXPECT_TRUE(f.dialog->IsRunning());
  f.dialog->close();  // Yes: stops after the server in progress, then closes
  QTRY_VERIFY_WITH_TIMEOUT(f.host.closed == 1, 60000);
  EXPECT_FALSE(f.dialog->IsRunning());
  EXPECT_EQ(f.Get("Script", "ScriptPath"), f.dir.File("check.sql"));
}

}  // namespace
}  // namespace pelvane::shell
