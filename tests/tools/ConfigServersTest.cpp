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
    OpenToolWindow(ToolWindow::kConfigServers, context, mdi);
    return Window("frmConfigServers");
  }
  static QStringList Listed(QWidget* dialog) {
    QStringList names;
    auto* list = Child<QListWidget>(dialog, "lstServers");
    for (int i = 0; list && i < list->count(); ++i) names << list->item(i)->text();
    return names;
  }
  static void Choose(QWidget* dialog, const QString& name) {
    auto* list = Child<QListWidget>(dialog, "lstServers");
    const auto found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    list->setCurrentItem(found.front());
  }
  static void Type(QWidget* dialog, const QString& name, const QString& group) {
    Child<QLineEdit>(dialog, "txtServerName")->setText(name);
    Child<QLineEdit>(dialog, "txtServerGroup")->setText(group);
  }
};

TEST_F(ConfigServersTest, AddsServersByButtonAndEnterAndOpensTheirLogin) {
  AddServer("ALPHA", "WEST");
  QWidget* dialog = Open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Configure Servers");
  EXPECT_TRUE(dialog->parentWidget()->windowFlags() & Qt::WindowStaysOnTopHint);
  ExpectAccessibleNames(dialog);
  testing::ExpectAccessKeys(*dialog);
  // What a name may look like, and a tip of the group box's own.
  auto* name = Child<QLineEdit>(dialog, "txtServerName");
  EXPECT_EQ(name->placeholderText(), "host, host\\INSTANCE or host,port");
  EXPECT_GT(name->width(), name->fontMetrics().horizontalAdvance(name->placeholderText()));
  EXPECT_NE(Child<QLineEdit>(dialog, "txtServerGroup")->toolTip(),
            Child<QLineEdit>(dialog, "txtServerName")->toolTip());

  struct Case {
    QString name, group;
    bool byEnter;
    QStringList listed;  // the list afterwards, sorted
    QString message;     // the box shown, if any
    bool opensLogin;
  };
  const Case cases[] = {
      {" bravo ", "east", false, {"ALPHA", "BRAVO"}, "", true},
      {"charlie", "", true, {"ALPHA", "BRAVO", "CHARLIE"}, "", true},
      {"Alpha",
       "x",
       false,
       {"ALPHA", "BRAVO", "CHARLIE"},
       "The server ALPHA is already listed.",
       false},  // same but for case
      {"  alpha",
       "x",
       true,
       {"ALPHA", "BRAVO", "CHARLIE"},
       "The server ALPHA is already listed.",
       false},  // and blanks
      {"", "x", false, {"ALPHA", "BRAVO", "CHARLIE"}, engine::kEmptyServerNameMessage, false},
      {"   ", "x", true, {"ALPHA", "BRAVO", "CHARLIE"}, engine::kEmptyServerNameMessage, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    CloseAll();
    dialog = Open();
    Type(dialog, c.name, c.group);
    if (c.byEnter) {
      QTest::keyClick(Child<QLineEdit>(dialog, "txtServerName"), Qt::Key_Return);
    } else {
      Click(dialog, "cmdAddServer");
    }
    EXPECT_EQ(Listed(dialog), c.listed);
    EXPECT_EQ(Servers().size(), static_cast<size_t>(c.listed.size()));
    EXPECT_EQ(prompter.Texts(), c.message.isEmpty()
                                    ? std::vector<std::string>{}
                                    : std::vector<std::string>{c.message.toStdString()});
    auto* login = Window("frmSQLLogin");
    EXPECT_EQ(login != nullptr, c.opensLogin);
    if (c.opensLogin) {
      EXPECT_EQ(login->windowTitle(), "Login for " + c.name + ":");
      EXPECT_EQ(Child<QLineEdit>(dialog, "txtServerName")->text(), "");
      EXPECT_EQ(Child<QLineEdit>(dialog, "txtServerGroup")->text(), "");
    } else if (!c.name.trimmed().isEmpty()) {
      EXPECT_EQ(Child<QLineEdit>(dialog, "txtServerName")->text(), c.name);  // kept
    }
  }
  EXPECT_EQ(store.GetINIValue("BRAVO", "ServerGroup"), "EAST");
  EXPECT_EQ(prompter.unscripted, 0);
}

TEST_F(ConfigServersTest, RemovesTheChosenServerAndNothingWithoutAChoice) {
  AddServer("ONLY", "G");
  ASSERT_TRUE(store.SaveINIValues("ONLY", "Login", "sa"));
  QWidget* dialog = Open();
  Click(dialog, "cmdRemoveServer");  // nothing chosen
  EXPECT_EQ(Servers(), std::vector<std::string>{"ONLY"});
  EXPECT_TRUE(prompter.asked.empty());

  Choose(dialog, "ONLY");
  Click(dialog, "cmdRemoveServer");
  EXPECT_TRUE(Listed(dialog).isEmpty());
  EXPECT_TRUE(Servers().empty());
  EXPECT_EQ(store.GetINIValue("ONLY", "Login"), "");
}

TEST_F(ConfigServersTest, CommandsActOnTheServerAScreenReaderSelected) {
  // A screen reader selects without making the entry current; the pointer chose another first.
  AddServer("ALPHA");
  AddServer("BRAVO");
  const std::pair<const char*, const char*> cases[] = {{"cmdCopyFileTo", "frmCopyFileTo"},
                                                       {"cmdConfigService", "frmServices"},
                                                       {"cmdRemoveServer", nullptr}};
  for (const auto& [button, window] : cases) {
    SCOPED_TRACE(button);
    CloseAll();
    QWidget* dialog = Open();
    Choose(dialog, "ALPHA");
    auto* list = Child<QListWidget>(dialog, "lstServers");
    testing::SelectAsScreenReader(list, list->row(list->findItems("BRAVO", Qt::MatchExactly)[0]));
    Click(dialog, button);
    EXPECT_TRUE(prompter.asked.empty());
    if (window != nullptr) {
      EXPECT_NE(Window(window), nullptr);
      EXPECT_EQ(context.session.CurrentServer, "BRAVO");
    } else {
      EXPECT_EQ(Servers(), std::vector<std::string>{"ALPHA"});
    }
  }
}

TEST_F(ConfigServersTest, PerServerDialogsNeedAChosenServer) {
  AddServer("ALPHA");
  AddServer("BRAVO");
  QWidget* dialog = Open();
  Click(dialog, "cmdCopyFileTo");
  Click(dialog, "cmdConfigService");
  EXPECT_EQ(prompter.Texts(),
            (std::vector<std::string>{
                "Please select a Server from the list to configure Copy To information.",
                "Please select a Server from the list to configure Services."}));
  EXPECT_EQ(Window("frmCopyFileTo"), nullptr);
  EXPECT_EQ(Window("frmServices"), nullptr);

  // A double-click opens the chosen server's login with its stored user name.
  ASSERT_TRUE(store.SaveINIValues("BRAVO", "Login", "operator"));
  auto* list = Child<QListWidget>(dialog, "lstServers");
  Choose(dialog, "BRAVO");
  const QPoint at = list->visualItemRect(list->currentItem()).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  QWidget* login = Window("frmSQLLogin");
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(login->windowTitle(), "Login for BRAVO:");
  EXPECT_EQ(Child<QLineEdit>(login, "txtUserName")->text(), "operator");
  EXPECT_EQ(context.session.CurrentServer, "BRAVO");
}

}  // namespace
}  // namespace pelvane::tools
