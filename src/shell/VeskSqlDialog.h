// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/MergedGrid.h"
#include "engine/RunContext.h"
#include "shell/MergedResultsWindow.h"
#include "shell/RunController.h"
#include "shell/RunStatusWindow.h"
#include "shell/VeskDialogHost.h"
#include "uikit/ShellContext.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace pelvane::shell {

/// The Vesk SQL dialog (frmPelvane): the scripts and copy files, the four step boxes, the
/// Available and Process Servers lists, and the run's log. The run works beside the window
/// (RunController); the dialog stays responsive and its run button reads "Stop" meanwhile.
class VeskSqlDialog : public QWidget {
  Q_OBJECT

 public:
  VeskSqlDialog(ShellContext& context, VeskDialogHost& host, QWidget* parent = nullptr);
  ~VeskSqlDialog() override;

  /// The "Vesk SQL" / "Continue ..." / "Stop" button.
  void PressRunButton();
  /// "Stop Now": ends the script in progress at once; nothing after it runs.
  void StopNow();
  bool IsRunning() const { return runs_.IsRunning(); }
  int16_t NextServerIndex() const { return NextServerIndex_; }

  /// The Process Servers list in order.
  std::vector<std::string> ProcessServers() const;
  /// Adds text (with its own "\r\n") to the log box, as the password change does with its
  /// result lines; ClearLog empties the box.
  void AppendLog(const std::string& text);
  void ClearLog();

  /// Follows the host's Simple Script check: while it is on, a line says that the Simple Script
  /// query runs instead of the scripts, and the SQL Script box is greyed.
  void FollowSimpleScriptMode();

  /// The password-change mode: false (after the selection message) when no server is chosen;
  /// otherwise the controls of a run are disabled until LeavePasswordChangeMode.
  bool EnterPasswordChangeMode();
  void LeavePasswordChangeMode();

  /// The run status board and the merged Simple Script results, once a run has opened them.
  RunStatusWindow* StatusWindow() const { return statusWindow_; }
  MergedResultsWindow* ResultsWindow() const { return resultsWindow_; }
  /// Brings the board (made empty before the first run) or the results back to the front.
  void ShowStatusWindow();
  void ShowResultsWindow();

  /// Whether the dialog (or the program) may close now. During a run it asks whether to stop;
  /// on Yes the run stops after the server in progress and afterStop runs once it has ended.
  bool ConfirmCloseDuringRun(std::function<void()> afterStop);

 Q_SIGNALS:
  /// After the closing steps (settings written, editors closed).
  void closed();
  /// A run has ended and its results are in the window.
  void runFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  /// F5 and Ctrl+Return press the run button wherever the focus is in window; Shift+F5 stops
  /// now (the dialog's own is its "Stop Now" action).
  void AddRunKeys(QWidget& window);
  void Load();
  void Unload();
  /// The group box from the registry, keeping `keep` chosen while it is still offered.
  void FillGroups(const QString& keep);
  /// The group's servers that are not in Process Servers.
  void FillAvailable(const std::string& group);
  /// Refills the group box and the available list, and takes servers no longer registered out
  /// of Process Servers; during a run, once it has ended.
  void RegistryChanged();
  /// Moves the selected entries, in list order.
  void MoveSelected(QListWidget& from, QListWidget& to);
  /// Moves an entry; a name already in the other list is not added twice.
  void MoveItem(QListWidget& from, QListWidget& to, QListWidgetItem* item);
  /// A continuation is only for the inputs of the run that broke off: any other Process
  /// Servers, scripts, copy files or steps start the next run at the first server.
  void InputsChanged();
  /// Makes exactly these servers the Process Servers list (the others go back to the available
  /// list, as the move buttons move them; a server no longer registered is left out) and the
  /// next run start at the first server.
  void ChooseServers(const std::vector<std::string>& servers);
  /// "Re-run Failed": these servers become Process Servers and run with the scripts and steps
  /// of the run the board shows.
  void RerunFailed(const std::vector<std::string>& servers);
  /// At a run's end its windows come in front of the main window, which the run may restore.
  void RaiseRunWindows(bool resultsInFront);
  /// Selects the Process Servers entries at these 1-based positions, and only them.
  void MarkServersInProgress(const std::vector<int>& positions);
  /// The status board, made and placed beside the dialog the first time.
  RunStatusWindow& OpenStatusWindow();
  void ShowMergedResults(const std::vector<engine::ServerQueryResult>& results);
  void MoveAll(QListWidget& from, QListWidget& to);
  /// Follows the run controller's signals.
  void ConnectRuns();
  void StartRun();
  /// The run has ended; closing: it stopped for a close.
  void FinishRun(bool closing);
  void SetRunControlsEnabled(bool enabled);
  /// The run button reads "Stopping..." and waits for the server in progress.
  void ShowStopping();
  void SaveBox(const char* key, const QCheckBox& box);
  engine::RunInputs CollectInputs() const;

  ShellContext& context_;
  VeskDialogHost& host_;
  RunController runs_;
  int16_t NextServerIndex_ = 1;
  std::string runCaption_ = "Vesk SQL";
  bool passwordMode_ = false;
  bool simpleScriptMode_ = false;
  bool unloaded_ = false;
  bool registryChanged_ = false;              // while a run works
  std::optional<engine::RunInputs> lastRun_;  // the inputs of the last run started
  QPointer<RunStatusWindow> statusWindow_;
  QPointer<MergedResultsWindow> resultsWindow_;

  QLabel* lblSQLScript_ = nullptr;
  QPlainTextEdit* txtSQLScript_ = nullptr;
  QToolButton* cmdBrowse_ = nullptr;
  QLabel* lblCopyFile_ = nullptr;
  QPlainTextEdit* txtCopyFileTo_ = nullptr;
  QToolButton* cmdBrowseCopyFile_ = nullptr;
  QCheckBox* chkCopyFile_ = nullptr;
  QCheckBox* chkOverwriteFile_ = nullptr;
  QCheckBox* chkAppendText_ = nullptr;
  QCheckBox* chkRestartServices_ = nullptr;
  QComboBox* cmbServerGroup_ = nullptr;
  QListWidget* lstServerList_ = nullptr;
  QListWidget* lstVeskServers_ = nullptr;
  QToolButton* cmdAddVar_ = nullptr;
  QToolButton* cmdAddAllVars_ = nullptr;
  QToolButton* cmdRemoveAllVars_ = nullptr;
  QToolButton* cmdRemoveVar_ = nullptr;
  QPlainTextEdit* txtErrorMessages_ = nullptr;
  QPushButton* cmdPelvane_ = nullptr;
  QLabel* lblSimpleScriptMode_ = nullptr;
  QToolButton* cmdStopMenu_ = nullptr;
  QAction* actStopNow_ = nullptr;
};

/// A text box's text with "\r\n" line ends, as runs and the settings file keep it.
std::string BoxText(const QPlainTextEdit& box);

}  // namespace pelvane::shell
