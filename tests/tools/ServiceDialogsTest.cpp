// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "engine/ServerTargets.h"
#include "engine/ServiceStatusView.h"
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
    combo->setCurrentIndex(combo->findText(text));
    ASSERT_GE(combo->currentIndex(), 0) << text.toStdString();
    Q_EMIT combo->activated(combo->currentIndex());
  }
  static QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
};

// The request goes once; reads follow until the service is running or stopped, at most
// kServicePolls of them.
TEST_F(ServiceDialogsTest, RequestThenReadUntilTheServiceSettles) {
  struct Case {
    std::string server, action;
    ServiceState before;
    bool pinned;
    std::string request;  // empty: none sent
    int reads;
    std::string last;  // the last read's text
  };
  const std::string name = "Spooler (m1) - ";
  const Case cases[] = {
      {"ALPHA", "Stop", ServiceState::kRunning, false, "stop m1/Spooler", 1, name + "Stopped"},
      {"ALPHA", "Start", ServiceState::kStopped, false, "start m1/Spooler", 1, name + "Running"},
      {"ALPHA", "Stop", ServiceState::kRunning, true, "stop m1/Spooler", 1, name + "Running"},
      {"ALPHA", "Start", ServiceState::kStartPending, true, "start m1/Spooler",
       engine::kServicePolls, name + "Start Pending"},
      {"ALPHA", "", ServiceState::kUnknown, false, "", engine::kServicePolls,
       name + "Not Available."},
      {"BRAVO", "Start", ServiceState::kStopped, false, "", 1, ""},  // no machine configured
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server + " " + c.action + " " + std::to_string(c.reads));
    MemoryServices fresh;
    fresh.Set("m1/Spooler", c.before, c.pinned);
    std::vector<engine::ServiceStatusView> reads;
    engine::RequestAndPollService(store, keyring, fresh, sleeper, c.server, c.action,
                                  [&](const engine::ServiceStatusView& v) { reads.push_back(v); });
    EXPECT_EQ(fresh.Requests(),
              c.request.empty() ? std::vector<std::string>{} : std::vector{c.request});
    ASSERT_EQ(reads.size(), static_cast<size_t>(c.reads));
    EXPECT_EQ(reads.back().text, c.last);
  }
}

TEST_F(ServiceDialogsTest, GetStatusShowsTheChosenServersStateInColour) {
  services.Set("m1/Spooler", ServiceState::kContinuePending);
  auto* dialog = Open<ServiceDialogBase>(ToolWindow::kCheckServiceStatus, "frmCheckServiceStatus");
  ASSERT_NE(dialog, nullptr);
  ExpectAccessibleNames(dialog);
  auto* groups = Control<QComboBox>(dialog, "cmbServerGroup");
  auto* servers = Control<QComboBox>(dialog, "cmbServer");
  auto* label = Control<QLabel>(dialog, "lblServerStatus");
  EXPECT_EQ(Items(groups), (QStringList{"ALL", "WEST", "EAST"}));
  Choose(groups, "WEST");
  EXPECT_EQ(Items(servers), (QStringList{"ALPHA", "CHARLIE"}));
  Choose(groups, "ALL");

  QSignalSpy done(dialog, &ServiceDialogBase::serviceWorkDone);
  Click(dialog, "cmdGetStatus");  // nothing chosen
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"Please select a Server to check the Service Status."});
  Choose(servers, "ALPHA");
  Click(dialog, "cmdGetStatus");
  QTRY_COMPARE(done.count(), 1);
  EXPECT_EQ(label->text(), "Spooler (m1) - Continue Pending");
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 255, 0));
  // A screen reader reads the state, with the caption as its description.
  QAccessibleInterface* read = QAccessible::queryAccessibleInterface(label);
  EXPECT_EQ(read->text(QAccessible::Name), label->text());
  EXPECT_EQ(read->text(QAccessible::Description), "Status:");

  Choose(servers, "BRAVO");  // no service machine configured: the label empties
  EXPECT_EQ(label->text(), "");
  Click(dialog, "cmdGetStatus");
  QTRY_COMPARE(done.count(), 2);
  EXPECT_EQ(prompter.Texts().back(), engine::ServiceNotConfiguredMessage("BRAVO"));
  EXPECT_EQ(label->text(), "");
}

TEST_F(ServiceDialogsTest, ConfigureServiceWritesTheServerItWasOpenedFor) {
  QWidget* servers = Open(ToolWindow::kConfigServers, "frmConfigServers");
  auto* list = Control<QListWidget>(servers, "lstServers");
  list->setCurrentItem(list->findItems("ALPHA", Qt::MatchExactly).front());
  Click(servers, "cmdConfigService");
  QWidget* alpha = Window("frmServices");
  ASSERT_NE(alpha, nullptr);
  ExpectAccessibleNames(alpha);
  EXPECT_EQ(Text(alpha, "txtServiceServer"), "m1");

  // Another server chosen meanwhile: its own window opens, and OK of the first writes ALPHA.
  list->setCurrentItem(list->findItems("CHARLIE", Qt::MatchExactly).front());
  Click(servers, "cmdConfigService");
  EXPECT_EQ(context.session.CurrentServer, "CHARLIE");
  Type(alpha, {{"txtServiceName", "  W3SVC "}, {"txtServiceServer", "m9"}});
  QTest::keyClick(Control<QLineEdit>(alpha, "txtServiceServer"), Qt::Key_Return);
  EXPECT_EQ(engine::LoadServiceSettings(store, "ALPHA").serviceName, "W3SVC");
  EXPECT_EQ(engine::LoadServiceSettings(store, "ALPHA").serviceServer, "m9");
  EXPECT_EQ(engine::LoadServiceSettings(store, "CHARLIE").serviceName, "");
}

}  // namespace
}  // namespace pelvane::tools
