// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell/ShellFixture.h"
#include "shell/VeskSettingsDialog.h"

namespace pelvane::shell {
namespace {

/// The five linked boxes as one text: Window, File, log-and-continue, break, end ("10100").
std::string Choices(const QWidget& dialog) {
  std::string bits;
  for (const char* name :
       {"chkLogToWindow", "chkLogToFile", "chkOnErrorLog", "chkBreakDisplay", "chkEnd"})
    bits += Control<QCheckBox>(dialog, name)->isChecked() ? '1' : '0';
  return bits;
}

constexpr char kIncorrectSelection[] =
    "You can only select {Log messages and continue vesk process} when Log to File is selected.";

class VeskSettingsDialogTest : public WindowsFixture {
 protected:
  std::unique_ptr<VeskSettingsDialog> Open() {
    return std::make_unique<VeskSettingsDialog>(context);
  }
  void Store(const std::vector<std::array<std::string, 3>>& values) {
    for (const auto& [section, key, value] : values)
      ASSERT_TRUE(store.SaveINIValues(section, key, value).ok());
    Reload();
  }
};

TEST_F(VeskSettingsDialogTest, OpensWithDefaultsWhenNothingIsStored) {
  auto dialog = Open();
  EXPECT_EQ(dialog->objectName(), "frmVeskSettings");
  EXPECT_EQ(dialog->windowTitle(), "Vesk Settings");
  EXPECT_EQ(Choices(*dialog), "10100");
  EXPECT_TRUE(Control<QCheckBox>(*dialog, "chkRefreshLogWindow")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(*dialog, "chkNotify")->isChecked());
  EXPECT_EQ(Control<QLineEdit>(*dialog, "txtServicesDelay")->text(), "3.0");
  EXPECT_EQ(Control<QLineEdit>(*dialog, "txtDateTimeFormat")->text(), "yyyy-mmm-dd hh:mm:ss");
  EXPECT_EQ(Control<QLineEdit>(*dialog, "txtLogFilename")->text(), "");
  EXPECT_EQ(Control<QSpinBox>(*dialog, "spnParallelServers")->value(), 1);
  EXPECT_EQ(state.OpenChildCount, 1);
  EXPECT_TRUE(prompter.asked.empty());
  ExpectAccessibleNames(*dialog);
}

// Setting the boxes from the stored values runs the click rules, as a user's click does.
TEST_F(VeskSettingsDialogTest, StoredValuesPassThroughTheClickRulesWhileLoading) {
  struct Case {
    std::string messagesTo, whenOccurs, notify;
    std::string choices;
    bool incorrectSelection;
    bool notifyChecked;
  };
  const Case cases[] = {
      {"Window", "1", "", "10100", false, false},  {"Window", "2", "1", "10010", false, true},
      {"Window", "3", "0", "10001", false, false}, {"File", "1", "", "01100", false, false},
      {"File", "2", "", "01000", true, false},     {"File", "3", "", "01000", true, false},
      {"", "7", "", "10000", false, false},       // no known choice: none is set
      {"file", "x", "-1", "10000", false, true},  // "File" only in its own case
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.messagesTo + "/" + c.whenOccurs);
    Store({{"Errors", "MessagesTo", c.messagesTo},
           {"Errors", "WhenOccurs", c.whenOccurs},
           {"Pelvane", "Notify", c.notify}});
    prompter.asked.clear();
    auto dialog = Open();
    EXPECT_EQ(Choices(*dialog), c.choices);
    EXPECT_EQ(Control<QCheckBox>(*dialog, "chkNotify")->isChecked(), c.notifyChecked);
    ASSERT_EQ(prompter.asked.size(), c.incorrectSelection ? 1u : 0u);
    if (c.incorrectSelection) {
      EXPECT_EQ(prompter.asked[0].text, kIncorrectSelection);
      EXPECT_EQ(prompter.asked[0].caption, "Incorrect selection");
    }
  }
}

TEST_F(VeskSettingsDialogTest, ClickRules) {
  struct Case {
    std::vector<const char*> clicks;
    std::string choices;
    int messages;
  };
  const Case cases[] = {
      {{"chkLogToFile"}, "01100", 0},
      {{"chkBreakDisplay"}, "10010", 0},
      {{"chkBreakDisplay", "chkOnErrorLog"}, "10100", 0},
      {{"chkLogToFile", "chkEnd"}, "01100", 1},
      {{"chkLogToFile", "chkLogToWindow"}, "10100", 0},
      {{"chkEnd", "chkLogToFile"}, "01100", 0},
      // Unchecking has no further effect: every box of a group may end up unchecked.
      {{"chkOnErrorLog"}, "10000", 0},
      {{"chkLogToWindow"}, "00100", 0},
      {{"chkLogToWindow", "chkOnErrorLog", "chkEnd"}, "00000", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choices);
    prompter.asked.clear();
    auto dialog = Open();
    for (const char* box : c.clicks) Control<QCheckBox>(*dialog, box)->click();
    EXPECT_EQ(Choices(*dialog), c.choices);
    EXPECT_EQ(prompter.asked.size(), static_cast<size_t>(c.messages));
  }
}

TEST_F(VeskSettingsDialogTest, EveryWayOfClosingSavesWhatIsEntered) {
  struct Case {
    std::vector<const char*> clicks;
    std::string delay;
    bool closeButton;
    std::string messagesTo, whenOccurs, notify, storedDelay;
    int parallel = 1;
    std::string storedParallel = "";  // a value left at its default is not written
  };
  const Case cases[] = {
      {{}, "3.0", true, "Window", "1", "0", "3"},
      {{"chkNotify"}, "2.5", true, "Window", "1", "1", "2.5", 8, "8"},
      {{"chkBreakDisplay"}, "5", false, "Window", "2", "0", "5"},
      {{"chkLogToFile", "chkOnErrorLog"}, "9", false, "File", "3", "0", "9"},
      {{}, "abc", false, "Window", "1", "0", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delay);
    std::filesystem::remove(store.file());
    Reload();
    prompter.asked.clear();
    auto dialog = Open();
    QSignalSpy closed(dialog.get(), &VeskSettingsDialog::closed);
    for (const char* box : c.clicks) Control<QCheckBox>(*dialog, box)->click();
    Control<QLineEdit>(*dialog, "txtServicesDelay")->setText(QString::fromStdString(c.delay));
    Control<QLineEdit>(*dialog, "txtLogFilename")->setText("/var/log/pelvane.log");
    Control<QLineEdit>(*dialog, "txtDateTimeFormat")->setText("yyyy-mm-dd");
    Control<QSpinBox>(*dialog, "spnParallelServers")->setValue(c.parallel);
    if (c.closeButton) {
      Control<QPushButton>(*dialog, "cmdExit")->click();
    } else {
      dialog->close();
    }
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(store.GetINIValue("Errors", "MessagesTo"), c.messagesTo);
    EXPECT_EQ(store.GetINIValue("Errors", "WhenOccurs"), c.whenOccurs);
    EXPECT_EQ(store.GetINIValue("Pelvane", "Notify"), c.notify);
    EXPECT_EQ(store.GetINIValue("Pelvane", "ServicesDelay"), c.storedDelay);
    EXPECT_EQ(store.GetINIValue("Errors", "LogFile"), "/var/log/pelvane.log");
    EXPECT_EQ(store.GetINIValue("Pelvane", "DateTimeFormat"), "yyyy-mm-dd");
    EXPECT_EQ(store.GetINIValue("Pelvane", "RefreshLogWindow"), "1");
    EXPECT_EQ(store.GetINIValue("Errors", "ParallelServers"), c.storedParallel);
    // The open program reads the new values without reading the file again.
    EXPECT_EQ(state.ParallelServers, c.parallel);
    EXPECT_FLOAT_EQ(state.ServicesDelay, std::stof(c.storedDelay));
    EXPECT_EQ(state.OpenChildCount, 0);
  }
}

TEST_F(VeskSettingsDialogTest, CloseButtonKeepsTheDialogOpenForADelayOutsideOneToFive) {
  struct Case {
    const char* delay;
    bool accepted;
  };
  const Case cases[] = {{"0.5", false}, {"5.01", false}, {"", false},   {"1e400", false},
                        {"1", true},    {"5", true},     {" 4 s", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delay);
    prompter.asked.clear();
    auto dialog = Open();
    QSignalSpy closed(dialog.get(), &VeskSettingsDialog::closed);
    Control<QLineEdit>(*dialog, "txtServicesDelay")->setText(c.delay);
    Control<QPushButton>(*dialog, "cmdExit")->click();
    EXPECT_EQ(closed.count(), c.accepted ? 1 : 0);
    if (!c.accepted) {
      ASSERT_EQ(prompter.asked.size(), 1u);
      EXPECT_EQ(prompter.asked[0].text, "Services Delay must be between 1 and 5 seconds.");
      EXPECT_EQ(prompter.asked[0].caption, "Services Delay");
      EXPECT_EQ(state.OpenChildCount, 1);
      dialog->close();
    }
  }
}

TEST_F(VeskSettingsDialogTest, BrowseStartsInTheLogFilesFolderAndCancelKeepsTheName) {
  auto dialog = Open();
  auto* name = Control<QLineEdit>(*dialog, "txtLogFilename");
  name->setText("C:\\logs\\old.log");
  prompter.files = {{"/srv/logs/new.log"}, {}};
  Control<QPushButton>(*dialog, "cmdBrowse")->click();
  EXPECT_EQ(name->text(), "/srv/logs/new.log");
  Control<QPushButton>(*dialog, "cmdBrowse")->click();
  EXPECT_EQ(name->text(), "/srv/logs/new.log");
  ASSERT_EQ(prompter.picks.size(), 2u);
  EXPECT_EQ(prompter.picks[0].title, "Select or type log file and click Open.");
  EXPECT_EQ(prompter.picks[0].startFolder, "C:\\logs\\");
  EXPECT_EQ(prompter.picks[1].startFolder, "/srv/logs/");
}

// As a child window: it fills the client area, and closing its frame runs its closing steps.
TEST_F(VeskSettingsDialogTest, AsAChildWindowFillsTheAreaAndSavesWhenItsFrameCloses) {
  QMdiArea area;
  area.resize(640, 480);
  area.show();
  auto* dialog = new VeskSettingsDialog(context);
  QMdiSubWindow* frame = area.addSubWindow(dialog);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  QSignalSpy closed(dialog, &VeskSettingsDialog::closed);
  frame->show();
  EXPECT_EQ(frame->geometry(), QRect(QPoint(0, 0), area.viewport()->size()));
  Control<QCheckBox>(*dialog, "chkNotify")->click();
  Control<QLineEdit>(*dialog, "txtServicesDelay")->setText("7");
  frame->close();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(store.GetINIValue("Pelvane", "Notify"), "1");
  EXPECT_EQ(store.GetINIValue("Pelvane", "ServicesDelay"), "7");
  EXPECT_EQ(state.OpenChildCount, 0);
  EXPECT_TRUE(prompter.asked.empty());
}

}  // namespace
}  // namespace pelvane::shell
