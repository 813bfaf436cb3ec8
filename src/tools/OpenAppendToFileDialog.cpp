// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/OpenAppendToFileDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "tools/AppendFileOpen.h"
#include "tools/ToolWindowFrame.h"

namespace pelvane::tools {

namespace {

/// The hourglass over every window of the program while the file is handed over.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

OpenAppendToFileDialog::OpenAppendToFileDialog(shell::ShellContext& context, QWidget* parent)
    : ToolDialog(context, "frmOpenAppendToFile", parent) {
  setWindowTitle("Open Append To File ...");
  auto* form = new QFormLayout;
  choice_ = std::make_unique<ServerChoice>(context.store, this, *form);
  auto* cmdOK = Named(new QPushButton("OK", this), "cmdOK", "OK");
  auto* cmdCancel = Named(new QPushButton("Cancel", this), "cmdCancel", "Cancel");
  SetDefaultButton(cmdOK);
  SetCancelButton(cmdCancel);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  connect(cmdOK, &QPushButton::clicked, this, &OpenAppendToFileDialog::Ok);
  connect(cmdCancel, &QPushButton::clicked, this, &OpenAppendToFileDialog::CloseWindow);
}

void OpenAppendToFileDialog::Ok() {
  const std::string server = choice_->Server();
  if (server.empty()) {
    context_.prompter.Message("Select a Server to Open Append To file.");
    return;
  }
  shell::ServerSession& session = context_.session;
  session.CurrentServer = server;
  session.AppendToFile = context_.store.GetINIValue(server, "AppendToFile");
  WaitCursor wait;
  if (session.AppendToFile.empty()) {
    context_.prompter.Message(
        "Append To file is not configured.  To configure, go to Configure Servers / Copy File "
        "To.");
    return;
  }
  OpenAppendFile(context_.prompter, session.AppendToFile, lookup_);
}

}  // namespace pelvane::tools
