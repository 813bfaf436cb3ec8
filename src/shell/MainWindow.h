// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <utility>

#include "shell/VeskDialogHost.h"
#include "uikit/ShellContext.h"
#include "uikit/ShellOpen.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QSystemTrayIcon;

namespace pelvane::shell {

class AboutDialog;
class InstanceBeacon;
class AppendTextWindow;
class SimpleScriptWindow;
class VeskSqlDialog;

/// The main window (frmMain): the MDI frame with the menus and the toolbar, the owner of the
/// editor windows and the About box, and the window that saves its placement.
class MainWindow : public QMainWindow, public VeskDialogHost {
  Q_OBJECT

 public:
  explicit MainWindow(ShellContext& context);
  ~MainWindow() override;

  QMdiArea& mdi() { return *mdi_; }
  VeskSqlDialog* veskDialog() const;

  // The menu and toolbar commands.
  void OpenVeskDialog();
  void OpenVeskSettings();
  void OpenAbout();
  void OpenLogFile();
  void DeleteLogFile();
  void ToggleMinimizeOnVesk();
  void ToggleSimpleScript();
  void ChangeUserPassword();
  void GetRemoteServerTime();
  void OpenTutorials();
  void OpenTechnicalSupport();
  void CloseActiveChild();
  void ExitFromToolbar();
  void ExitFromMenu();

  // VeskDialogHost
  void VeskDialogOpened() override;
  void VeskDialogClosed() override;
  void RunStateChanged(bool running) override;
  bool SimpleScriptChecked() const override;
  void SetSimpleScriptChecked(bool checked) override;
  std::string SimpleScriptText() const override;
  void OpenAppendText() override;
  void CloseAppendText() override;
  void SetAppendTextHidden(bool hidden) override;
  std::string AppendTextText() const override;
  bool AddTimeStamp() const override;
  void ClearAddTimeStamp() override;
  void MinimizeMainWindow() override;
  void RestoreMainWindow() override;

  /// How documents are checked for an application before they are opened (tests replace it).
  void SetDefaultAppLookup(DefaultAppLookup lookup) { lookup_ = std::move(lookup); }

  SimpleScriptWindow* simpleScriptWindow() const;
  AppendTextWindow* appendTextWindow() const;

 Q_SIGNALS:
  /// The program is to end (the menu's Exit, or the toolbar's after its closing steps).
  void exitRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  /// The Vesk SQL dialog keeps filling the inner area when that grows or shrinks.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildTray();
  void RestorePlacement();
  void SavePlacement();
  void ChildOpened();
  void ChildClosed();
  /// The Window menu's items follow the Vesk SQL dialog and the run windows it has made.
  void UpdateWindowItems();
  /// Wraps content into an MDI child, shown; the child is deleted when it closes.
  QMdiSubWindow* AddChild(QWidget* content);
  /// Moves a top-level window about to open off the menu bar and the run's log.
  void KeepClear(QWidget& window);
  /// Check Connections: one window at a time.
  void OpenCheckConnections();
  /// The log file Open Logfile opens: LogFile, or the fixed log file when none is named.
  std::string LogFilePath() const;

  ShellContext& context_;
  DefaultAppLookup lookup_ = DesktopHasDefaultApp;
  QMdiArea* mdi_ = nullptr;
  QPointer<QMdiSubWindow> veskFrame_;
  QPointer<QMdiSubWindow> settingsFrame_;
  QPointer<QMdiSubWindow> passwordFrame_;
  QPointer<QMdiSubWindow> checkFrame_;
  QPointer<SimpleScriptWindow> simpleScript_;
  QPointer<AppendTextWindow> appendText_;
  QPointer<AboutDialog> about_;
  QSystemTrayIcon* tray_ = nullptr;
  bool closingSaved_ = false;
  bool wasMinimized_ = false;

  QAction* mnChangePW_ = nullptr;
  QAction* mnSimpleScript_ = nullptr;
  QAction* mnMinOnVesk_ = nullptr;
  QAction* closeButton_ = nullptr;
  QAction* mnRunStatus_ = nullptr;
  QAction* mnSimpleScriptResults_ = nullptr;
};

/// Ends the program's event loop when the main window asks for it, without closing the windows
/// still open: the menu's Exit ends without any window's closing steps, so nothing is saved
/// (QApplication::quit would close each window and so run them); the other ways out have run
/// them already.
void EndProgramOnExitRequest(MainWindow& window);

/// A second start on the same settings file brings the window to the front.
void ShowOnSecondStart(InstanceBeacon& beacon, MainWindow& window);

/// "The Pelvane Tool v" and major.minor.revision of the program's version.
std::string MainCaption(const std::string& version);

/// Twips (1/1440 inch) and pixels at a screen's logical DPI.
int TwipsToPixels(int twips, double dpi);
int PixelsToTwips(int pixels, double dpi);

}  // namespace pelvane::shell
