// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest/qtestspontaneevent.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>

#include "shell/AppendTextWindow.h"
#include "shell/ShellFixture.h"
#include "shell/SimpleScriptWindow.h"

namespace pelvane::shell {
namespace {

class EditorWindowsTest : public WindowsFixture {};

// The windows delete themselves when closed, as the program's windows do.
template <class Window>
QPointer<Window> Open(ShellContext& context) {
  QPointer<Window> window = new Window(context);
  window->show();
  return window;
}

// What is typed comes back after closing and reopening, through the stored form (whose tokens
// the settings tests cover); a text longer than 255 characters is kept whole, and one stored
// with Windows line breaks is stored back unchanged.
TEST_F(EditorWindowsTest, TextsRoundTripThroughTheirStoredForm) {
  const std::string typed = "SELECT name\n\tFROM sysobjects\n" + std::string(300, 'x');
  const std::string stored =
      "SELECT namevbChr10vbChr9FROM sysobjectsvbChr10" + std::string(300, 'x');
  QPointer<AppendTextWindow> append = Open<AppendTextWindow>(context);
  Control<QPlainTextEdit>(*append, "txtAppendText")->setPlainText(QString::fromStdString(typed));
  append->close();
  EXPECT_EQ(store.GetINIValue("Append", "AppendText"), stored);
  append = Open<AppendTextWindow>(context);
  EXPECT_EQ(append->Text(), typed);
  append->close();

  Set("Append", "AppendText", "first linevbChr13vbChr10second");
  append = Open<AppendTextWindow>(context);
  EXPECT_EQ(append->Text(), "first line\r\nsecond");
  // The time stamp box and the place are stored on close too, the place in twips.
  Control<QCheckBox>(*append, "chkAddTimeStamp")->click();
  append->move(120, 90);
  append->close();
  EXPECT_EQ(store.GetINIValue("Append", "AppendText"), "first linevbChr13vbChr10second");
  EXPECT_EQ(store.GetINIValue("Append", "AddTimeStamp"), "1");
  EXPECT_EQ(store.GetINIValue("Append", "Left"), "1800");  // 15 per pixel at 96 dpi
  append = Open<AppendTextWindow>(context);
  EXPECT_EQ(append->pos(), QPoint(120, 90));
  EXPECT_TRUE(append->AddTimeStamp());
  append->ClearAddTimeStamp();
  append->close();
  EXPECT_EQ(store.GetINIValue("Append", "AddTimeStamp"), "0");
}

// Values that are no number keep the window where it is; a place no screen shows is not used.
TEST_F(EditorWindowsTest, UnusablePlacementValuesKeepTheCurrentPlacement) {
  for (auto [key, value] :
       {std::pair{"Height", "tall"}, {"Width", "9000"}, {"Top", "-90000"}, {"Left", "-90000"}})
    Set("SimpleScript", key, value);
  QPointer<SimpleScriptWindow> script = new SimpleScriptWindow(context);
  EXPECT_EQ(script->size(), QSize(600, 240));  // no smaller than shows a query
  EXPECT_GT(script->pos().x(), -1000);
  script->close();
}

// The close box turns Simple Script mode off; a close by the program leaves it to the caller.
TEST_F(EditorWindowsTest, OpenFlagsFollowTheWindows) {
  state.SimpleScriptOpen = true;
  QPointer<SimpleScriptWindow> script = Open<SimpleScriptWindow>(context);
  QSignalSpy closed(script.data(), &SimpleScriptWindow::closed);
  script->close();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_TRUE(state.SimpleScriptOpen);
  EXPECT_TRUE(script.isNull() || !script->isVisible());

  // The close box: the window system's close request comes as a spontaneous event.
  script = Open<SimpleScriptWindow>(context);
  QSignalSpy closedByUser(script.data(), &SimpleScriptWindow::closed);
  QCloseEvent closeBox;
  QSpontaneKeyEvent::setSpontaneous(&closeBox);
  QApplication::instance()->notify(script, &closeBox);
  EXPECT_EQ(closedByUser.count(), 1);
  EXPECT_FALSE(state.SimpleScriptOpen);
  script->close();
  EXPECT_EQ(closedByUser.count(), 1);
}

}  // namespace
}  // namespace pelvane::shell
