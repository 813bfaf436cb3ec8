// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelvane::shell {

/// What the Vesk SQL dialog asks of the main window and the windows beside it: the menu items
/// and toolbar button it switches, the two editor windows a run reads, and the main window's
/// state. The main window implements it; tests can give the dialog a small one of their own.
class VeskDialogHost {
 public:
  virtual ~VeskDialogHost() = default;

  /// The dialog opened or closed: "Close", "Change User Password" and "Simple Script" follow.
  virtual void VeskDialogOpened() = 0;
  virtual void VeskDialogClosed() = 0;
  /// A run started or ended: the commands that would change it are disabled meanwhile.
  virtual void RunStateChanged(bool running) = 0;

  /// The check mark of "Simple Script"; setting it opens or closes the Simple Script window.
  virtual bool SimpleScriptChecked() const = 0;
  virtual void SetSimpleScriptChecked(bool checked) = 0;
  /// The Simple Script window's query ("" when it is not open).
  virtual std::string SimpleScriptText() const = 0;

  /// The Append Text window: opened, closed, hidden or shown again; its text and box.
  virtual void OpenAppendText() = 0;
  virtual void CloseAppendText() = 0;
  virtual void SetAppendTextHidden(bool hidden) = 0;
  virtual std::string AppendTextText() const = 0;
  virtual bool AddTimeStamp() const = 0;
  virtual void ClearAddTimeStamp() = 0;

  /// The main window minimized for a run, or back to normal with the focus.
  virtual void MinimizeMainWindow() = 0;
  virtual void RestoreMainWindow() = 0;
};

}  // namespace pelvane::shell
