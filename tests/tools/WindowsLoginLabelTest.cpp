// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>

#include "tools/ChangePasswordDialog.h"
#include "tools/SqlLoginDialog.h"
#include "tools/ToolWindowFrame.h"
#include "tools/ToolsFixture.h"

namespace pelvane::tools {
namespace {

// A DOMAIN\user name logs in with NTLM; both dialogs with a user box say so beside it.
TEST_F(ToolsTest, WindowsLoginLabelFollowsTheUserName) {
  context.session.CurrentServer = "127.0.0.1,1";
  std::unique_ptr<QWidget> dialogs[] = {
      std::make_unique<SqlLoginDialog>(context),
      std::make_unique<ChangePasswordDialog>(context, std::vector<std::string>{"127.0.0.1,1"},
                                             [](const std::string&) {})};
  for (std::unique_ptr<QWidget>& owned : dialogs) {
    QWidget* dialog = ShowInMdi(mdi, std::move(owned));
    SCOPED_TRACE(dialog->objectName().toStdString());
    auto* user = Control<QLineEdit>(dialog, "txtUserName");
    auto* label = Control<QLabel>(dialog, "lblWindowsLogin");
    ASSERT_NE(user, nullptr);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name),
              "Windows login (NTLM)");
    for (const char* name : {"CORP\\alice", "sa", "", "\\"}) {
      user->setText(name);
      EXPECT_EQ(label->isVisible(), QString(name).contains('\\')) << name;
    }
    CloseAll();
  }
}

}  // namespace
}  // namespace pelvane::tools
