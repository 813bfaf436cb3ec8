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

class VeskSettingsDialogTest : public WindowsFixture {
 protected:
  /// A dialog on a fresh prompter; the loaded rows are what a fresh start reads.
  std::unique_ptr<VeskSettingsDialog> Open() {
    prompter.asked.clear();
    return std::make_unique<VeskSettingsDialog>(context);
  }
};

// Stored values pass through the click rules, as a user's click does; so do clicks.
TEST_F(VeskSettingsDialogTest, StoredValuesAndClicksFollowTheClickRules) {
  struct Case {
    std::string messagesTo, whenOccurs, notify;
    std::vector<const char*> clicks;
    std::string choices;
    size_t incorrectSelections;
    bool notifyChecked;
  };
  const Case cases[] = {
      {"Window", "2", "1", {}, "10010", 0, true},
      {"File", "1", "", {}, "01100", 0, false},
      {"File", "3", "", {}, "01000", 1, false},   // End needs the window: refused
      {"file", "7", "-1", {}, "10000", 0, true},  // "File" only in its own case; 7 none
      {"", "", "", {"chkBreakDisplay", "chkOnErrorLog"}, "10100", 0, false},
      {"", "", "", {"chkEnd", "chkLogToFile"}, "01100", 0, false},
      // Unchecking has no further effect: every box of a group may end up unchecked.
      {"", "", "", {"chkLogToWindow", "chkOnErrorLog"}, "00000", 0, false},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.messagesTo + "/" + c.whenOccurs + "/" + c.choices);
    Set("Errors", "MessagesTo", c.messagesTo);
    Set("Errors", "WhenOccurs", c.whenOccurs);
    Set("Pelvane", "Notify", c.notify);
    Reload();
    auto dialog = Open();
    for (const char* box : c.clicks) Control<QCheckBox>(*dialog, box)->click();
    EXPECT_EQ(Choices(*dialog), c.choices);
    EXPECT_EQ(Control<QCheckBox>(*dialog, "chkNotify")->isChecked(), c.notifyChecked);
    ASSERT_EQ(prompter.asked.size(), c.incorrectSelections);
    for (const Prompt& asked : prompter.asked)
      EXPECT_EQ(asked.text,
                "You can only select {Log messages and continue vesk process} when Log to File "
                "is selected.");
  }
}

// The close button, the window's close and (as a child window filling the area) its frame's.
TEST_F(VeskSettingsDialogTest, EveryWayOfClosingSavesWhatIsEntered) {
  enum Close { kButton, kWindow, kFrame };
  struct Case {
    std::vector<const char*> clicks;
    std::string delay;
    Close close;
    std::string messagesTo, whenOccurs, notify, storedDelay;
    int parallel = 1;
    std::string storedParallel = "";  // a value left at its default is not written
  };
  const Case cases[] = {
      {{"chkNotify"}, "2.5", kButton, "Window", "1", "1", "2.5", 8, "8"},
      {{"chkLogToFile", "chkOnErrorLog"}, "abc", kWindow, "File", "3", "0", "0"},
      {{"chkBreakDisplay"}, "7", kFrame, "Window", "2", "0", "7"},  // no range check there
  };

  QMdiArea area;
  area.resize(640, 480);
  area.show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delay);
    std::filesystem::remove(store.file());
    Reload();
    auto owned = Open();
    VeskSettingsDialog* dialog = owned.get();
    QSignalSpy closed(dialog, &VeskSettingsDialog::closed);
    QMdiSubWindow* frame = nullptr;
    if (c.close == kFrame) {
      frame = area.addSubWindow(owned.release());
      frame->setAttribute(Qt::WA_DeleteOnClose);
      frame->show();
      EXPECT_EQ(frame->geometry(), QRect(QPoint(0, 0), area.viewport()->size()));
    }
    for (const char* box : c.clicks) Control<QCheckBox>(*dialog, box)->click();
    Control<QLineEdit>(*dialog, "txtServicesDelay")->setText(QString::fromStdString(c.delay));
    Control<QSpinBox>(*dialog, "spnParallelServers")->setValue(c.parallel);
    if (c.close == kButton) Control<QPushButton>(*dialog, "cmdExit")->click();
    if (c.close == kWindow) dialog->close();
    if (c.close == kFrame) frame->close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(prompter.asked.empty());
    const std::string stored[][3] = {{"Errors", "MessagesTo", c.messagesTo},
                                     {"Errors", "WhenOccurs", c.whenOccurs},
                                     {"Pelvane", "Notify", c.notify},
                                     {"Pelvane", "ServicesDelay", c.storedDelay},
                                     {"Errors", "ParallelServers", c.storedParallel}};
    for (const auto& [section, key, value] : stored)
      EXPECT_EQ(store.GetINIValue(section, key), value) << key;
    // The open program reads the new values without reading the file again.
    EXPECT_EQ(state.ParallelServers, c.parallel);
    EXPECT_FLOAT_EQ(state.ServicesDelay, std::stof(c.storedDelay));
    EXPECT_EQ(state.OpenChildCount, 0);
  }
}

TEST_F(VeskSettingsDialogTest, CloseButtonKeepsTheDialogOpenForADelayOutsideOneToFive) {
  for (auto [delay, accepted] :
       {std::pair{"0.5", false}, {"5.01", false}, {"", false}, {"1", true}, {" 5 s", true}}) {
    SCOPED_TRACE(delay);
    auto dialog = Open();
    QSignalSpy closed(dialog.get(), &VeskSettingsDialog::closed);
    Control<QLineEdit>(*dialog, "txtServicesDelay")->setText(delay);
    Control<QPushButton>(*dialog, "cmdExit")->click();
    EXPECT_EQ(closed.count(), accepted ? 1 : 0);
    if (accepted) continue;
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "Services Delay must be between 1 and 5 seconds.");
    EXPECT_EQ(state.OpenChildCount, 1);
    dialog->close();
  }
}

}  // namespace
}  // namespace pelvane::shell
