// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AppendTextWindow.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "engine/StoredRunInputs.h"
#include "shell/EditorWindowSteps.h"
#include "shell/WindowPlacement.h"

namespace pelvane::shell {

namespace {
constexpr char kSection[] = "Append";
constexpr char kTimeStampCaption[] = "Add TimeStamp Automatically? (Beginning of Text)";
}  // namespace

AppendTextWindow::AppendTextWindow(ShellContext& context)
    : QWidget(nullptr),
      context_(context),
      chkAddTimeStamp_(new QCheckBox(kTimeStampCaption, this)),
      txtAppendText_(MakeEditorTextBox(*this, "txtAppendText", "Append Text")),
      text_(*txtAppendText_) {
  PrepareEditorWindow(*this, "frmAppendText", "Append Text");
  chkAddTimeStamp_->setObjectName("chkAddTimeStamp");
  chkAddTimeStamp_->setAccessibleName(kTimeStampCaption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(chkAddTimeStamp_);
  layout->addWidget(txtAppendText_, 1);

  text_.Load(context_.store.GetINIValue(kSection, "AppendText"));
  chkAddTimeStamp_->setChecked(engine::StoredBoxSet(context_.store, kSection, "AddTimeStamp"));
  RestorePlacement(*this, context_.store, kSection);
  context_.state.AppendTextOpen = true;
}

std::string AppendTextWindow::Text() const {
  return text_.Text();
}

bool AppendTextWindow::AddTimeStamp() const {
  return chkAddTimeStamp_->isChecked();
}

void AppendTextWindow::ClearAddTimeStamp() {
  chkAddTimeStamp_->setChecked(false);
}

void AppendTextWindow::closeEvent(QCloseEvent* event) {
  if (!saved_) {
    saved_ = true;
    SaveEditorWindow(*this, context_, kSection,
                     {{"AppendText", text_.Stored()},
                      {"AddTimeStamp", chkAddTimeStamp_->isChecked() ? "1" : "0"}});
    context_.state.AppendTextOpen = false;
    Q_EMIT closed();
  }
  QWidget::closeEvent(event);
}

}  // namespace pelvane::shell
