// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ChangePasswordDialog.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "engine/BrowserTimeout.h"
#include "engine/PasswordChanges.h"
#include "engine/SqlEncryptionSettings.h"
#include "tools/WindowsLoginLabel.h"

namespace pelvane::tools {

namespace {

constexpr char kMismatch[] = "New Password and Re-enter Password do not match, please enter again.";

QLineEdit* AddField(QFormLayout& form, QWidget* parent, const char* name, const char* label,
                    bool secret) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setAccessibleName(QString(label).remove('&'));
  if (secret) field->setEchoMode(QLineEdit::Password);
  auto* caption = new QLabel(label, parent);
  caption->setBuddy(field);
  form.addRow(caption, field);
  return field;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAccessibleName(caption);
  return button;
}

}  // namespace

ChangePasswordDialog::ChangePasswordDialog(shell::ShellContext& context,
                                           std::vector<std::string> servers,
                                           std::function<void(const std::string&)> appendLog,
                                           QWidget* parent)
    : QWidget(parent),
      context_(context),
      servers_(std::move(servers)),
      appendLog_(std::move(appendLog)) {
  setObjectName("frmChangePW");
  setWindowTitle("Change User Password");

  auto* form = new QFormLayout;
  txtUserName_ = AddField(*form, this, "txtUserName", "&User Name:", false);
  AddWindowsLoginLabel(*form, txtUserName_);
  txtPassword_ = AddField(*form, this, "txtPassword", "Password:", true);
  txtNewPassword_ = AddField(*form, this, "txtNewPassword", "New Password:", true);
  txtReenterPassword_ = AddField(*form, this, "txtReenterPassword", "Confirm New Password:", true);
  cmdOK_ = MakeButton(this, "cmdOK", "Change Password");
  cmdCancel_ = MakeButton(this, "cmdCancel", "Cancel");
  cmdOK_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch(1);
  layout->addLayout(buttons);
  setTabOrder(txtUserName_, txtPassword_);
  setTabOrder(txtPassword_, txtNewPassword_);
  setTabOrder(txtNewPassword_, txtReenterPassword_);
  setTabOrder(txtReenterPassword_, cmdOK_);
  setTabOrder(cmdOK_, cmdCancel_);

  for (QLineEdit* secret : {txtPassword_, txtNewPassword_, txtReenterPassword_})
    secret->installEventFilter(this);
  // Enter presses the default button from any field, Esc the cancel button.
  for (QLineEdit* field : {txtUserName_, txtPassword_, txtNewPassword_, txtReenterPassword_})
    connect(field, &QLineEdit::returnPressed, cmdOK_, &QPushButton::click);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, cmdCancel_, &QPushButton::click);
  connect(cmdOK_, &QPushButton::clicked, this, &ChangePasswordDialog::ChangePassword);
  connect(cmdCancel_, &QPushButton::clicked, this, &ChangePasswordDialog::CloseWindow);
}

ChangePasswordDialog::~ChangePasswordDialog() {
  // Destroyed with a pass in progress (the program ends): the server in progress finishes
  // beside, its line and those still queued for this window are dropped.
  *stop_ = true;
}

// Placed like every tool dialog: in front, centred in the main window's client area.
void ChangePasswordDialog::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (frame != nullptr) frame->raise();
  if (centred_ || frame == nullptr || frame->mdiArea() == nullptr) return;
  centred_ = true;
  QRect area = frame->mdiArea()->viewport()->rect();
  frame->move(area.center() - QPoint(frame->width() / 2, frame->height() / 2));
}

// Entering a password box selects its whole text, so typing replaces it.
bool ChangePasswordDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (auto* field = qobject_cast<QLineEdit*>(watched))
      QTimer::singleShot(0, field, &QLineEdit::selectAll);
  }
  return QWidget::eventFilter(watched, event);
}

void ChangePasswordDialog::ChangePassword() {
  if (IsChanging()) return;
  Q_EMIT logClearRequested();
  if (txtNewPassword_->text() != txtReenterPassword_->text()) {
    context_.prompter.Message(kMismatch);
    txtUserName_->setFocus();
    txtUserName_->selectAll();
    return;
  }
  Pass pass{servers_, txtUserName_->text().toStdString(), txtPassword_->text().toStdString(),
            txtNewPassword_->text().toStdString(), context_.state.DateTimeFormat};
  for (const std::string& server : pass.servers)
    pass.encryption.push_back(engine::LoadSqlEncryption(context_.store, server));
  pass.browserTimeoutMs = engine::StoredBrowserTimeoutMs(context_.store);
  stop_ = std::make_shared<std::atomic<bool>>(false);
  SetChanging(true);
  engine::SqlClient& sql = context_.ports.sql;
  context_.background.Run(
      this,
      [this, &sql, pass = std::move(pass), stop = stop_](const shell::Poster& post) {
        RunPass(sql, pass, *stop, [this, &post](std::string line) {
          post([this, line = std::move(line)] {
            if (appendLog_) appendLog_(line);
          });
        });
      },
      [this] { PassEnded(); });
  txtUserName_->setFocus();
}

// Worker thread: one server after the other, each line handed to the window as it comes, so
// the lines arrive in list order.
void ChangePasswordDialog::RunPass(engine::SqlClient& sql, const Pass& pass,
                                   const std::atomic<bool>& stop,
                                   const std::function<void(std::string)>& lineDone) {
  for (size_t i = 0; i < pass.servers.size(); ++i) {
    if (stop) break;
    lineDone(engine::ChangeLoginPassword(sql, pass.servers[i], pass.login, pass.oldPassword,
                                         pass.newPassword, pass.dateTimeFormat,
                                         pass.encryption[i], pass.browserTimeoutMs));
  }
}

void ChangePasswordDialog::PassEnded() {
  SetChanging(false);
  Q_EMIT passFinished();
  if (closeAfterPass_) CloseWindow();
}

void ChangePasswordDialog::SetChanging(bool changing) {
  changing_ = changing;
  for (QWidget* control : std::initializer_list<QWidget*>{
           txtUserName_, txtPassword_, txtNewPassword_, txtReenterPassword_, cmdOK_})
    control->setEnabled(!changing);
  setCursor(changing ? Qt::BusyCursor : Qt::ArrowCursor);
  if (!changing) txtUserName_->setFocus();
}

void ChangePasswordDialog::CloseWindow() {
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (frame != nullptr) {
    frame->close();
  } else {
    close();
  }
}

void ChangePasswordDialog::closeEvent(QCloseEvent* event) {
  if (IsChanging()) {
    // Stop after the server in progress; its line still comes, then the window closes.
    *stop_ = true;
    closeAfterPass_ = true;
    cmdCancel_->setEnabled(false);
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
  if (!closedOnce_) {
    closedOnce_ = true;
    Q_EMIT closed();
  }
}

}  // namespace pelvane::tools
