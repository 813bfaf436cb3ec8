// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <string>

#include "shell/EditorText.h"
#include "uikit/ShellContext.h"

namespace pelvane::shell {

/// The Simple Script window (frmSimpleScript): the query a run executes on every server while
/// the menu item "Simple Script" is checked. A top-level window above the others; its text and
/// placement live in the settings section "SimpleScript" while it is closed. Deletes itself
/// when closed.
///
/// Closing it with its own close box turns Simple Script mode off (SimpleScriptOpen false), as
/// unchecking the menu item does; closing it from the program leaves that flag to the caller.
class SimpleScriptWindow : public QWidget {
  Q_OBJECT

 public:
  explicit SimpleScriptWindow(ShellContext& context);

  /// txtSimpleScript as a run reads it.
  std::string Text() const;

 Q_SIGNALS:
  /// After the closing steps: text and placement saved, flags set.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ShellContext& context_;
  QPlainTextEdit* txtSimpleScript_;
  EditorText text_;
  bool saved_ = false;
};

}  // namespace pelvane::shell
