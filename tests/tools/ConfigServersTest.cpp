// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "engine/ServerAdmin.h"
#include "tools/ToolWindows.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

class ConfigServersTest : public ToolsTest {
 protected:
  QWidget* Open() {
    CloseAll();
    OpenToolWindow(ToolWindow::kConfigServers, context, mdi);
    return Window("frmConfigServers");
  }
  static QStringList Listed(QWidget* dialog) {
    QStringList names;
    auto* list = Control<QListWidget>(dialog, "lstServers");
    for (int i = 0; list && i < list->count(); ++i) names << list->item(i)->text();
    return names;
  }
  static void Choose(QWidget* dialog, const QString& name) {
    auto* list = Control<QListWidget>(dialog, "lstServers");
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
  }
};

// What a name may be is the engine's rule (ServerAdminTest); here one of each outcome.
TEST_F(ConfigServersTest, AddsServersByButtonAndEnterAndOpensTheirLogin) {
  AddServer("ALPHA", "WEST");
  QWidget* dialog = Open();
  EXPECT_TRUE(dialog->parentWidget()->windowFlags() & Qt::WindowStaysOnTopHint);
  ExpectAccessibleNames(dialog);
  testing::ExpectAccessKeys(*dialog);
  // What a name may look like, and a tip of the group box's own.
  auto* name = Control<QLineEdit>(dialog, "txtServerName");
  EXPECT_EQ(name->placeholderText(), "host, host\\INSTANCE or host,port");
  EXPECT_GT(name->width(), name->fontMetrics().horizontalAdvance(name->placeholderText()));
  EXPECT_NE(Control<QLineEdit>(dialog, "txtServerGroup")->toolTip(), name->toolTip());

  struct Case {
    QString name, group;
    bool byEnter;
    QStringList listed;  // the list afterwards, sorted
    QString message;     // the box shown, if any
  };
  const Case cases[] = {
      {" bravo ", "east", false, {"ALPHA", "BRAVO"}, ""},
      {"charlie", "", true, {"ALPHA", "BRAVO", "CHARLIE"}, ""},
      {"Alpha", "x", false, {"ALPHA", "BRAVO", "CHARLIE"}, "The server ALPHA is already listed."},
      {"   ", "x", true, {"ALPHA", "BRAVO", "CHARLIE"}, engine::kEmptyServerNameMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    dialog = Open();
    Control<QLineEdit>(dialog, "txtServerName")->setText(c.name);
    Control<QLineEdit>(dialog, "txtServerGroup")->setText(c.group);
    if (c.byEnter) QTest::keyClick(Control<QLineEdit>(dialog, "txtServerName"), Qt::Key_Return);
    if (!c.byEnter) Click(dialog, "cmdAddServer");
    EXPECT_EQ(Listed(dialog), c.listed);
    EXPECT_EQ(Servers().size(), static_cast<size_t>(c.listed.size()));
    EXPECT_EQ(prompter.Texts(), c.message.isEmpty()
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{c.message.toStdString()});
    QWidget* login = Window("frmSQLLogin");
    ASSERT_EQ(login != nullptr, c.message.isEmpty());
    // A server added opens its login and empties the boxes; one refused keeps what was typed.
    EXPECT_EQ(Control<QLineEdit>(dialog, "txtServerName")->text(), login ? "" : c.name);
    EXPECT_EQ(login ? login->windowTitle() : c.name, login ? "Login for " + c.name + ":" : c.name);
  }
  EXPECT_EQ(store.GetINIValue("BRAVO", "ServerGroup"), "EAST");
  EXPECT_EQ(prompter.unscripted, 0);
}

TEST_F(ConfigServersTest, CommandsActOnTheServerAScreenReaderSelected) {
  // A screen reader selects without making the entry current; the pointer chose another first.
  // Without a choice, each command only says so.
  AddServer("ALPHA");
  AddServer("BRAVO");
  struct Case {
    const char* button;
    const char* window;   // opened for the server; null: Remove
    std::string refusal;  // without a choice
  };
  const Case cases[] = {
      {"cmdCopyFileTo", "frmCopyFileTo",
       "Please select a Server from the list to configure Copy To information."},
      {"cmdConfigService", "frmServices",
       "Please select a Server from the list to configure Services."},
      {"cmdRemoveServer", nullptr, ""},
  };
  ASSERT_TRUE(store.SaveINIValues("BRAVO", "Login", "sa"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    QWidget* dialog = Open();
    Click(dialog, c.button);
    EXPECT_EQ(prompter.Texts(),
              c.refusal.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.refusal});
    EXPECT_EQ(Servers().size(), 2u);
    EXPECT_EQ(c.window ? Window(c.window) : nullptr, nullptr);
    prompter.asked.clear();

    Choose(dialog, "ALPHA");
    auto* list = Control<QListWidget>(dialog, "lstServers");
    testing::SelectAsScreenReader(list, list->row(list->findItems("BRAVO", Qt::MatchExactly)[0]));
    Click(dialog, c.button);
    EXPECT_TRUE(prompter.asked.empty());
    if (c.window != nullptr) {
      EXPECT_NE(Window(c.window), nullptr);
      EXPECT_EQ(context.session.CurrentServer, "BRAVO");
    } else {
      EXPECT_EQ(Servers(), std::vector<std::string>{"ALPHA"});
      EXPECT_EQ(store.GetINIValue("BRAVO", "Login"), "");
    }
  }
}

TEST_F(ConfigServersTest, ADoubleClickOpensTheChosenServersLogin) {
  AddServer("ALPHA");
  AddServer("BRAVO");
  ASSERT_TRUE(store.SaveINIValues("BRAVO", "Login", "operator"));
  QWidget* dialog = Open();
  auto* list = Control<QListWidget>(dialog, "lstServers");
  Choose(dialog, "BRAVO");
  const QPoint at = list->visualItemRect(list->currentItem()).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  QWidget* login = Window("frmSQLLogin");
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(login->windowTitle(), "Login for BRAVO:");
  EXPECT_EQ(Control<QLineEdit>(login, "txtUserName")->text(), "operator");
  EXPECT_EQ(context.session.CurrentServer, "BRAVO");
}

}  // namespace
}  // namespace pelvane::tools
