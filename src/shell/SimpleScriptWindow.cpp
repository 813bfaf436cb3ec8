// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SimpleScriptWindow.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "shell/EditorWindowSteps.h"
#include "shell/WindowPlacement.h"

namespace pelvane::shell {

namespace {
constexpr char kSection[] = "SimpleScript";
const QSize kShowsItsText(480, 240);
}  // namespace

SimpleScriptWindow::SimpleScriptWindow(ShellContext& context)
    : QWidget(nullptr),
      context_(context),
      txtSimpleScript_(MakeEditorTextBox(*this, "txtSimpleScript", "Simple Script")),
      text_(*txtSimpleScript_) {
  PrepareEditorWindow(*this, "frmSimpleScript", "Simple Script");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtSimpleScript_);

  text_.Load(context_.store.GetINIValue(kSection, "Script"));
  RestorePlacement(*this, context_.store, kSection);
  // Large enough for a query of a few lines, also where an older, smaller size was kept.
  resize(size().expandedTo(kShowsItsText));
}

std::string SimpleScriptWindow::Text() const {
  return text_.Text();
}

void SimpleScriptWindow::closeEvent(QCloseEvent* event) {
  if (!saved_) {
    saved_ = true;
    SaveEditorWindow(*this, context_, kSection, {{"Script", text_.Stored()}});
    if (event->spontaneous()) context_.state.SimpleScriptOpen = false;
    Q_EMIT closed();
  }
  QWidget::closeEvent(event);
}

}  // namespace pelvane::shell
