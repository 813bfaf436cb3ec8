// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "engine/ServerTargets.h"
#include "tools/ServiceStatusDialogs.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

using engine::ServiceState;

class ServiceDialogsTest : public ToolsTest {
 protected:
  ServiceDialogsTest() {
    AddServer("ALPHA", "WEST");
    AddServer("BRAVO", "EAST");
    AddServer("CHARLIE", "WEST");
    EXPECT_TRUE(engine::SaveServiceSettings(store, "ALPHA", {"Spooler", "m1"}));
    EXPECT_TRUE(engine::SaveServiceSettings(store, "BRAVO", {"Spooler", ""}));
  }
  static void Choose(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
  }
  static QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
  static QColor Colour(QLabel* label) { return label->palette().color(QPalette::WindowText); }
};

TEST_F(ServiceDialogsTest, GroupsFilterTheServersAndGetStatusShowsTheStateInColour) {
  services.Set("m1/Spooler", ServiceState::kContinuePending);
  ServiceDialogBase* dialog =
      Open<ServiceDialogBase>(ToolWindow::kCheckServiceStatus, "frmCheckServiceStatus");
  ASSERT_NE(dialog, nullptr);
  ExpectAccessibleNames(dialog);
  auto* groups = Control<QComboBox>(dialog, "cmbServerGroup");
  auto* servers = Control<QComboBox>(dialog, "cmbServer");
  EXPECT_EQ(Items(groups), (QStringList{"ALL", "WEST", "EAST"}));  // each group once
  EXPECT_EQ(Items(servers), (QStringList{"ALPHA", "BRAVO", "CHARLIE"}));
  Choose(groups, "WEST");
  EXPECT_EQ(Items(servers), (QStringList{"ALPHA", "CHARLIE"}));
  Choose(groups, "ALL");
  EXPECT_EQ(servers->currentText(), "");

  QSignalSpy done(dialog, &ServiceDialogBase::serviceWorkDone);
  Click(dialog, "cmdGetStatus");  // nothing chosen
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"Please select a Server to check the Service Status."});

  Choose(servers, "ALPHA");
  Click(dialog, "cmdGetStatus");
  QTRY_COMPARE(done.count(), 1);
  auto* label = Control<QLabel>(dialog, "lblServerStatus");
  EXPECT_EQ(label->text(), "Spooler (m1) - Continue Pending");
  EXPECT_EQ(Colour(label), QColor(255, 255, 0));
  // A screen reader reads the state, with the caption as its description.
  QAccessibleInterface* read = QAccessible::queryAccessibleInterface(label);
  EXPECT_EQ(read->text(QAccessible::Name), "Spooler (m1) - Continue Pending");
  EXPECT_EQ(read->text(QAccessible::Description), "Status:");

  services.Set("m1/Spooler", ServiceState::kUnknown);  // unreachable
  Click(dialog, "cmdGetStatus");
  QTRY_COMPARE(done.count(), 2);
  EXPECT_EQ(label->text(), "Spooler (m1) - Not Available.");
  EXPECT_EQ(Colour(label), QColor(0, 0, 0));

  Choose(servers, "BRAVO");  // no service machine configured
  EXPECT_EQ(label->text(), "");
  Click(dialog, "cmdGetStatus");
  QTRY_COMPARE(done.count(), 3);
  EXPECT_EQ(prompter.Texts().back(),
            "The Service Name and/or Service Server is not configured for Server, BRAVO.  Go to "
            "Configure Servers / Configure Services and complete configuration.");
  EXPECT_EQ(label->text(), "");
}

TEST_F(ServiceDialogsTest, StartStopRequestsAndPollsOffTheWindowThread) {
  ServiceDialogBase* dialog =
      Open<ServiceDialogBase>(ToolWindow::kStartStopService, "frmStartStopService");
  ASSERT_NE(dialog, nullptr);
  ExpectAccessibleNames(dialog);
  auto* servers = Control<QComboBox>(dialog, "cmbServer");
  auto* action = Control<QComboBox>(dialog, "cmbStartStop");
  auto* button = Control<QPushButton>(dialog, "cmdStartStop");
  auto* label = Control<QLabel>(dialog, "lblMessage");
  QSignalSpy done(dialog, &ServiceDialogBase::serviceWorkDone);

  Click(dialog, "cmdStartStop");
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"Select a Server that you want to Stop/Start a service."});

  services.Set("m1/Spooler", ServiceState::kRunning);
  Choose(servers, "ALPHA");  // shows the status at once
  QTRY_COMPARE(done.count(), 1);
  EXPECT_EQ(label->text(), "Spooler (m1) - Running");

  struct Case {
    QString action;
    ServiceState before;
    bool pinned;
    std::string request;  // empty: none sent
    QString shown;
    int reads;
  };
  const Case cases[] = {
      {"Stop", ServiceState::kRunning, false, "stop m1/Spooler", "Spooler (m1) - Stopped", 1},
      {"Start", ServiceState::kStopped, false, "start m1/Spooler", "Spooler (m1) - Running", 1},
      {"Stop", ServiceState::kRunning, true, "stop m1/Spooler", "Spooler (m1) - Running", 1},
      {"Start", ServiceState::kStartPending, true, "start m1/Spooler",
       "Spooler (m1) - Start Pending", engine::kServicePolls},
      {"", ServiceState::kRunning, false, "", "Spooler (m1) - Running", 1},  // no action chosen
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action.toStdString() + " " + std::to_string(c.reads));
    services.Set("m1/Spooler", c.before, c.pinned);
    if (c.action.isEmpty()) {
      action->setCurrentIndex(-1);
    } else {
      Choose(action, c.action);
      EXPECT_EQ(button->text(), c.action);
    }
    const size_t requestsBefore = services.Requests().size();
    const int queriesBefore = services.queries;
    const int doneBefore = done.count();

    Heartbeat heartbeat(20);
    Click(dialog, "cmdStartStop");
    EXPECT_FALSE(button->isEnabled());  // held until the poll ends
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), doneBefore + 1, 10000);
    EXPECT_TRUE(button->isEnabled());
    const std::vector<std::string> requests = services.Requests();
    ASSERT_EQ(requests.size(), requestsBefore + (c.request.empty() ? 0 : 1));
    if (!c.request.empty()) {
      EXPECT_EQ(requests.back(), c.request);
    }
    EXPECT_EQ(services.queries - queriesBefore, c.reads);
    EXPECT_EQ(label->text(), c.shown);
    // Nine pauses of 150 ms: the window thread's timer kept firing through them.
    if (c.reads == engine::kServicePolls) {
      EXPECT_GT(heartbeat.ticks, 20);
    }
  }

  // Without configuration: said once on choosing, once on the button, and nothing sent.
  const size_t requests = services.Requests().size();
  prompter.asked.clear();
  Choose(servers, "CHARLIE");
  QTRY_COMPARE(done.count(), 7);
  Choose(action, "Start");
  Click(dialog, "cmdStartStop");
  QTRY_COMPARE(done.count(), 8);
  EXPECT_EQ(services.Requests().size(), requests);
  EXPECT_EQ(prompter.Texts().size(), 2u);
  EXPECT_EQ(prompter.Texts().back().rfind("The Service Name and/or Service Server", 0), 0u);
}

TEST_F(ServiceDialogsTest, ConfigureServiceWritesTheServerItWasOpenedFor) {
  QWidget* servers = Open(ToolWindow::kConfigServers, "frmConfigServers");
  auto* list = Control<QListWidget>(servers, "lstServers");
  list->setCurrentItem(list->findItems("ALPHA", Qt::MatchExactly).front());
  Click(servers, "cmdConfigService");
  QWidget* alpha = Window("frmServices");
  ASSERT_NE(alpha, nullptr);
  ExpectAccessibleNames(alpha);
  EXPECT_EQ(Text(alpha, "txtServiceName"), "Spooler");
  EXPECT_EQ(Text(alpha, "txtServiceServer"), "m1");

  // Another server chosen meanwhile: its own window opens, and OK of the first writes ALPHA.
  list->setCurrentItem(list->findItems("CHARLIE", Qt::MatchExactly).front());
  Click(servers, "cmdConfigService");
  EXPECT_EQ(context.session.CurrentServer, "CHARLIE");
  Type(alpha, {{"txtServiceName", "  W3SVC "}, {"txtServiceServer", "m9"}});
  QTest::keyClick(Control<QLineEdit>(alpha, "txtServiceServer"), Qt::Key_Return);
  for (auto [server, key, value] : {std::tuple{"ALPHA", "ServiceName", "W3SVC"},
                                    {"ALPHA", "ServiceServer", "m9"},
                                    {"CHARLIE", "ServiceName", ""},
                                    {"CHARLIE", "ServiceServer", ""}})
    EXPECT_EQ(store.GetINIValue(server, key), value) << server << "/" << key;
}

}  // namespace
}  // namespace pelvane::tools
