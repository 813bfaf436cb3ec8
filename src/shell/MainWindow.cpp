// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimeZone>
#include <QToolBar>
#include <cmath>
#include <cstdio>

#include "engine/AppendStep.h"
#include "engine/MessageLog.h"
#include "settings/FileIo.h"
#include "shell/AboutDialog.h"
#include "shell/AppendTextWindow.h"
#include "shell/FirstStepsHint.h"
#include "shell/InstanceBeacon.h"
#include "shell/SimpleScriptWindow.h"
#include "shell/VeskSettingsDialog.h"
#include "shell/VeskSqlDialog.h"
#include "shell/WindowPlacement.h"
#include "shell/WindowRole.h"
#include "tools/ChangePasswordDialog.h"
#include "tools/CheckConnectionsWindow.h"
#include "tools/ToolWindows.h"
#include "uikit/AccessKeys.h"
#include "uikit/ShellOpen.h"

#ifndef PELVANE_SUPPORT_URL
#define PELVANE_SUPPORT_URL ""
#endif

namespace pelvane::shell {

namespace {

// Where the main window opens the first time, in twips.
constexpr engine::WindowPlacement kDesignedPlacement{1200, 1500, 9600, 14400};

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

double LogicalDpi(const QWidget& window) {
  const QScreen* screen =
      window.screen() != nullptr ? window.screen() : QApplication::primaryScreen();
  return screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
}

}  // namespace

std::string MainCaption(const std::string& version) {
  return "The Pelvane Tool v" + ShortVersion(version);
}

int TwipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int PixelsToTwips(int pixels, double dpi) {
  return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

MainWindow::MainWindow(ShellContext& context) : context_(context) {
  InstallWindowRole();  // before any window is read out
  setObjectName("frmMain");
  setWindowTitle(Q(MainCaption(PELVANE_VERSION)));
  mdi_ = new QMdiArea(this);
  mdi_->setObjectName("mdiArea");
  mdi_->setBackground(palette().dark());
  setCentralWidget(mdi_);
  mdi_->viewport()->installEventFilter(this);
  auto* hint = new FirstStepsHint(*mdi_);
  connect(hint, &QLabel::linkActivated, this, [this](const QString& link) {
    if (link == "servers") {
      tools::OpenToolWindow(tools::ToolWindow::kConfigServers, context_, *mdi_);
    } else {
      OpenVeskDialog();
    }
  });
  context_.state.OpenChildCount = 0;
  BuildMenus();
  BuildToolbar();
  BuildTray();
  RestorePlacement();
  context_.state.AppendTextOpen = false;
  context_.state.SimpleScriptOpen = false;
}

MainWindow::~MainWindow() {
  // The top-level windows end with the program, without their closing steps.
  delete simpleScript_.data();
  delete appendText_.data();
  delete about_.data();
}

void MainWindow::BuildMenus() {
  auto action = [this](QMenu* menu, const char* name, const char* caption, auto slot) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  auto menu = [this](const char* name, const char* caption) {
    QMenu* m = menuBar()->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    return m;
  };
  QMenu* file = menu("mnFile", "&File");
  action(file, "mnServerTime", "Get Remote Server &Time", [this] { GetRemoteServerTime(); });
  action(file, "mnOpenAppendToFile", "Open &Append To File",
         [this] { tools::OpenToolWindow(tools::ToolWindow::kOpenAppendToFile, context_, *mdi_); });
  QMenu* logfile = file->addMenu("&Logfile ...");
  logfile->setObjectName("mnLogfile");
  logfile->menuAction()->setObjectName("mnLogfile");
  action(logfile, "mnOpenLogFile", "&Open Logfile", [this] { OpenLogFile(); });
  action(logfile, "mnDeleteLogFile", "&Delete Logfile", [this] { DeleteLogFile(); });
  action(file, "mnExit", "E&xit", [this] { ExitFromMenu(); });

  QMenu* servers = menu("mnServers", "&Servers");
  action(servers, "mnAddRemoveServer", "&Configure Servers",
         [this] { tools::OpenToolWindow(tools::ToolWindow::kConfigServers, context_, *mdi_); });
  mnChangePW_ =
      action(servers, "mnChangePW", "Change User &Password", [this] { ChangeUserPassword(); });
  mnChangePW_->setEnabled(false);
  action(servers, "mnCheckConnections", "Check C&onnections", [this] { OpenCheckConnections(); });

  QMenu* vesk = menu("mnVesk", "&Vesk");
  action(vesk, "mnPelvane", "&Vesk SQL", [this] { OpenVeskDialog(); });
  mnMinOnVesk_ =
      action(vesk, "mnMinOnVesk", "&Minimize On Vesk", [this] { ToggleMinimizeOnVesk(); });
  mnMinOnVesk_->setCheckable(true);
  mnMinOnVesk_->setChecked(context_.state.MinimizeOnVesk);
  mnSimpleScript_ =
      action(vesk, "mnSimpleScript", "&Simple Script", [this] { ToggleSimpleScript(); });
  mnSimpleScript_->setCheckable(true);
  mnSimpleScript_->setEnabled(false);

  QMenu* services = menu("mnServiceS", "S&ervices");
  action(services, "mnServiceStatus", "&Check Service Status", [this] {
    tools::OpenToolWindow(tools::ToolWindow::kCheckServiceStatus, context_, *mdi_);
  });
  action(services, "mnStartStopService", "S&tart/Stop Service",
         [this] { tools::OpenToolWindow(tools::ToolWindow::kStartStopService, context_, *mdi_); });

  QMenu* settingsMenu = menu("mnSettings", "Se&ttings");
  action(settingsMenu, "mnVeskSettings", "&Configure Vesk Settings",
         [this] { OpenVeskSettings(); });

  // The run's own windows, to bring back once closed or covered.
  QMenu* windows = menu("mnWindow", "&Window");
  mnRunStatus_ = action(windows, "mnRunStatus", "&Run Status", [this] {
    if (VeskSqlDialog* dialog = veskDialog()) dialog->ShowStatusWindow();
  });
  mnSimpleScriptResults_ =
      action(windows, "mnSimpleScriptResults", "&Simple Script Results", [this] {
        if (VeskSqlDialog* dialog = veskDialog()) dialog->ShowResultsWindow();
      });
  connect(windows, &QMenu::aboutToShow, this, [this] { UpdateWindowItems(); });
  UpdateWindowItems();

  QMenu* help = menu("mnHelp", "&Help");
  action(help, "mnTutorials", "&Tutorials", [this] { OpenTutorials(); });
  action(help, "mnTechSupport", "Technical &Support", [this] { OpenTechnicalSupport(); });
  action(help, "mnAbout", "&About Pelvane ...", [this] { OpenAbout(); });
}

void MainWindow::BuildToolbar() {
  QToolBar* bar = addToolBar("Toolbar");
  bar->setObjectName("Toolbar1");
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  bar->setMovable(false);
  auto button = [this, bar](const char* key, const char* tip, QStyle::StandardPixmap icon,
                            auto slot) {
    QAction* a = bar->addAction(style()->standardIcon(icon), key);
    a->setObjectName(key);
    a->setToolTip(tip);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  button("Vesk", "Vesk SQL", QStyle::SP_MediaPlay, [this] { OpenVeskDialog(); });
  button("Servers", "Configure Servers", QStyle::SP_DriveNetIcon,
         [this] { tools::OpenToolWindow(tools::ToolWindow::kConfigServers, context_, *mdi_); });
  button("Settings", "Configure Vesk Settings", QStyle::SP_FileDialogDetailedView,
         [this] { OpenVeskSettings(); });
  closeButton_ = button("Close", "Close Open Window", QStyle::SP_DialogCloseButton,
                        [this] { CloseActiveChild(); });
  closeButton_->setEnabled(false);
  button("Exit", "Exit Pelvane Tool", QStyle::SP_DialogCancelButton, [this] { ExitFromToolbar(); });
  button("About", "About Pelvane", QStyle::SP_MessageBoxInformation, [this] { OpenAbout(); });
}

void MainWindow::BuildTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_ = new QSystemTrayIcon(style()->standardIcon(QStyle::SP_ComputerIcon), this);
  tray_->setToolTip(windowTitle());
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::DoubleClick) RestoreMainWindow();
  });
  tray_->show();
}

void MainWindow::RestorePlacement() {
  // Read again with the designed placement in force for keys that are not stored.
  const engine::ProgramState stored = engine::LoadProgramState(context_.store, kDesignedPlacement);
  if (stored.MainMaximized) {
    setWindowState(Qt::WindowMaximized);
    return;
  }
  const double dpi = LogicalDpi(*this);
  const engine::WindowPlacement& p = stored.Placement;
  move(TwipsToPixels(p.left, dpi), TwipsToPixels(p.top, dpi));
  resize(TwipsToPixels(p.width, dpi), TwipsToPixels(p.height, dpi));
}

void MainWindow::SavePlacement() {
  // The place the window returns to: a maximized or minimized window keeps its normal one.
  const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  const double dpi = LogicalDpi(*this);
  const QRect frame = isMaximized() || isMinimized() ? normal : frameGeometry();
  const std::pair<const char*, int> values[] = {
      {"Top", PixelsToTwips(frame.top(), dpi)},
      {"Left", PixelsToTwips(frame.left(), dpi)},
      {"Height", PixelsToTwips(normal.height(), dpi)},
      {"Width", PixelsToTwips(normal.width(), dpi)},
  };
  // One write for the four values, so another copy of the program never sees half of them.
  (void)context_.store.Edit([&values](settings::ProfileDocument& doc) {
    for (const auto& [key, value] : values) {
      if (Status set = doc.Set("Pelvane", key, std::to_string(value)); !set) return set;
    }
    return Status::Ok();
  });
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const bool minimized = isMinimized();
  if (!minimized) {
    (void)context_.store.SaveINIValues("Pelvane", "MainState", isMaximized() ? "1" : "0");
  }
  if (minimized == wasMinimized_) return;
  wasMinimized_ = minimized;
  if (context_.state.AppendTextOpen && appendText_) appendText_->setVisible(!minimized);
  if (context_.state.SimpleScriptOpen && simpleScript_) simpleScript_->setVisible(!minimized);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (VeskSqlDialog* vesk = veskDialog();
      vesk != nullptr && !vesk->ConfirmCloseDuringRun([this] { close(); })) {
    event->ignore();
    return;
  }
  if (!closingSaved_) {
    closingSaved_ = true;
    SavePlacement();
    CloseAppendText();
    if (veskFrame_) veskFrame_->close();
  }
  mdi_->closeAllSubWindows();
  if (tray_ != nullptr) tray_->hide();
  event->accept();
  Q_EMIT exitRequested();
}

QMdiSubWindow* MainWindow::AddChild(QWidget* content) {
  GiveAccessKeys(*content);
  QMdiSubWindow* frame = mdi_->addSubWindow(content);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  frame->setWindowTitle(content->windowTitle());
  frame->show();
  return frame;
}

SimpleScriptWindow* MainWindow::simpleScriptWindow() const {
  return simpleScript_.data();
}

AppendTextWindow* MainWindow::appendTextWindow() const {
  return appendText_.data();
}

VeskSqlDialog* MainWindow::veskDialog() const {
  return veskFrame_ ? qobject_cast<VeskSqlDialog*>(veskFrame_->widget()) : nullptr;
}

void MainWindow::OpenVeskDialog() {
  if (veskFrame_) {
    mdi_->setActiveSubWindow(veskFrame_);
    return;
  }
  auto dialog = std::make_unique<VeskSqlDialog>(context_, *this);
  connect(dialog.get(), &VeskSqlDialog::runFinished, this, [this] { UpdateWindowItems(); });
  veskFrame_ = AddChild(dialog.release());
  UpdateWindowItems();
  // The dialog takes the frame's whole inner area when it opens.
  veskFrame_->setGeometry(mdi_->viewport()->rect());
}

void MainWindow::OpenVeskSettings() {
  if (settingsFrame_) {
    mdi_->setActiveSubWindow(settingsFrame_);
    return;
  }
  // The settings dialog keeps OpenChildCount itself; "Close" follows the count.
  auto dialog = std::make_unique<VeskSettingsDialog>(context_);
  connect(dialog.get(), &VeskSettingsDialog::closed, this,
          [this] { closeButton_->setEnabled(context_.state.OpenChildCount >= 1); });
  settingsFrame_ = AddChild(dialog.release());
  closeButton_->setEnabled(context_.state.OpenChildCount >= 1);
}

void MainWindow::OpenAbout() {
  if (!about_) {
    auto about = std::make_unique<AboutDialog>(context_);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about_ = about.release();
    about_->adjustSize();  // its size as it opens, to place it by
    KeepClear(*about_);
  }
  about_->show();
  about_->raise();
  about_->activateWindow();
}

void MainWindow::ChildOpened() {
  ++context_.state.OpenChildCount;
  closeButton_->setEnabled(true);
}

void MainWindow::ChildClosed() {
  --context_.state.OpenChildCount;
  if (context_.state.OpenChildCount < 1) closeButton_->setEnabled(false);
}

void MainWindow::VeskDialogOpened() {
  ChildOpened();
  mnChangePW_->setEnabled(true);
  mnSimpleScript_->setEnabled(true);
}

void MainWindow::VeskDialogClosed() {
  ChildClosed();
  mnChangePW_->setEnabled(false);
  mnSimpleScript_->setEnabled(false);
  mnRunStatus_->setEnabled(false);
  mnSimpleScriptResults_->setEnabled(false);
}

void MainWindow::UpdateWindowItems() {
  const VeskSqlDialog* vesk = veskDialog();
  mnRunStatus_->setEnabled(vesk != nullptr);
  mnSimpleScriptResults_->setEnabled(vesk != nullptr && vesk->ResultsWindow() != nullptr);
}

void MainWindow::RunStateChanged(bool running) {
  mnChangePW_->setEnabled(!running && veskFrame_);
  mnSimpleScript_->setEnabled(!running && veskFrame_);
}

bool MainWindow::SimpleScriptChecked() const {
  return mnSimpleScript_->isChecked();
}

void MainWindow::SetSimpleScriptChecked(bool checked) {
  mnSimpleScript_->setChecked(checked);
  context_.state.SimpleScriptOpen = checked;
  if (checked) {
    if (!simpleScript_) {
      auto window = std::make_unique<SimpleScriptWindow>(context_);
      window->setAttribute(Qt::WA_DeleteOnClose);
      // Closed by its own close box: the menu's check mark follows.
      connect(window.get(), &SimpleScriptWindow::closed, this, [this] {
        mnSimpleScript_->setChecked(false);
        context_.state.SimpleScriptOpen = false;
        if (VeskSqlDialog* dialog = veskDialog()) dialog->FollowSimpleScriptMode();
      });
      simpleScript_ = window.release();
    }
    if (!isMinimized()) simpleScript_->show();
  } else if (simpleScript_) {
    simpleScript_->close();
    simpleScript_ = nullptr;  // it goes later; turned on again at once, a new one opens
  }
  if (VeskSqlDialog* dialog = veskDialog()) dialog->FollowSimpleScriptMode();
}

void MainWindow::ToggleSimpleScript() {
  SetSimpleScriptChecked(!context_.state.SimpleScriptOpen);
}

std::string MainWindow::SimpleScriptText() const {
  return simpleScript_ ? simpleScript_->Text() : std::string();
}

void MainWindow::OpenAppendText() {
  if (!appendText_) {
    auto window = std::make_unique<AppendTextWindow>(context_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    appendText_ = window.release();
  }
  if (!appendText_->isVisible()) KeepClear(*appendText_);
  if (!isMinimized()) appendText_->show();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == mdi_->viewport() && event->type() == QEvent::Resize && veskFrame_ &&
      !veskFrame_->isMaximized() && !veskFrame_->isMinimized()) {
    // Only while it fills the area, as it opens: a size of the user's own stays.
    const auto* resize = static_cast<QResizeEvent*>(event);
    if (veskFrame_->geometry() == QRect(QPoint(0, 0), resize->oldSize()))
      veskFrame_->setGeometry(QRect(QPoint(0, 0), resize->size()));
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::KeepClear(QWidget& window) {
  // The menu bar and the run's log stay in sight when a window opens over the main window.
  std::vector<const QWidget*> uncovered{menuBar()};
  if (VeskSqlDialog* dialog = veskDialog())
    uncovered.push_back(dialog->findChild<QWidget*>("txtErrorMessages"));
  if (Covers(window, uncovered)) PlaceClearOf(window, *this, *mdi_->viewport(), uncovered);
}

void MainWindow::CloseAppendText() {
  if (appendText_) appendText_->close();
}

void MainWindow::SetAppendTextHidden(bool hidden) {
  if (appendText_) appendText_->setVisible(!hidden && !isMinimized());
}

std::string MainWindow::AppendTextText() const {
  return appendText_ ? appendText_->Text() : std::string();
}

bool MainWindow::AddTimeStamp() const {
  return appendText_ && appendText_->AddTimeStamp();
}

void MainWindow::ClearAddTimeStamp() {
  if (appendText_) appendText_->ClearAddTimeStamp();
}

void MainWindow::MinimizeMainWindow() {
  showMinimized();
}

void MainWindow::RestoreMainWindow() {
  if (isMinimized() || isHidden()) showNormal();
  raise();
  activateWindow();
}

std::string MainWindow::LogFilePath() const {
  return engine::NamedLogFile(context_.state.LogFile, context_.state.FixedLogFile);
}

void MainWindow::OpenLogFile() {
  const std::string path = LogFilePath();
  if (!QFileInfo::exists(Q(path))) {
    context_.prompter.Message("Log File does not exist.");
    return;
  }
  ShellOpen(path, context_.prompter, lookup_);
}

void MainWindow::DeleteLogFile() {
  engine::Answer sure =
      context_.prompter.Ask(Prompt{Prompt::Buttons::kYesNo, "Confirm Delete Logfile",
                                   "Delete Logfile?", engine::MessageIcon::kNone});
  if (sure != engine::Answer::kYes) return;
  // With no log file named, the file Open Logfile opens is the one deleted.
  const std::string path = LogFilePath();
  if (!QFileInfo::exists(Q(path))) {
    context_.prompter.Message("Log File, " + path + ", does not exist.  File Not Found.");
    return;
  }
  if (std::remove(path.c_str()) != 0) {
    context_.prompter.Message("Error: 75, Path/File access error.");
    return;
  }
  context_.prompter.Message("Log File, " + path + ", has been deleted.");
}

void MainWindow::ToggleMinimizeOnVesk() {
  const bool on = mnMinOnVesk_->isChecked();
  (void)context_.store.SaveINIValues("Pelvane", "MinimizeOnVesk", on ? "1" : "0");
  context_.state.MinimizeOnVesk = on;
}

void MainWindow::ChangeUserPassword() {
  VeskSqlDialog* vesk = veskDialog();
  if (vesk == nullptr || passwordFrame_) return;
  if (!vesk->EnterPasswordChangeMode()) return;
  QPointer<VeskSqlDialog> target(vesk);
  auto dialog = std::make_unique<tools::ChangePasswordDialog>(context_, vesk->ProcessServers(),
                                                              [target](const std::string& line) {
                                                                if (target) target->AppendLog(line);
                                                              });
  connect(dialog.get(), &tools::ChangePasswordDialog::logClearRequested, this, [target] {
    if (target) target->ClearLog();
  });
  connect(dialog.get(), &tools::ChangePasswordDialog::closed, this, [target] {
    if (target) target->LeavePasswordChangeMode();
  });
  passwordFrame_ = AddChild(dialog.release());
}

void MainWindow::OpenCheckConnections() {
  if (checkFrame_) {
    mdi_->setActiveSubWindow(checkFrame_);
    return;
  }
  auto window = std::make_unique<tools::CheckConnectionsWindow>(context_);
  checkFrame_ = AddChild(window.release());
}

void MainWindow::GetRemoteServerTime() {
  std::optional<std::string> typed =
      context_.prompter.AskText("Enter Server Name", "Get Remote Server Time", "");
  const std::string name = typed.value_or("");
  // The lookup may wait on the network: it runs beside the window.
  struct Lookup {
    engine::TextLogWindow report;
    std::optional<engine::LocalDateTime> time;
  };
  engine::RemoteClock& clock = context_.ports.clock;
  context_.background.Run(
      this,
      [&clock, name] {
        Lookup lookup;
        lookup.time = engine::GetRemoteTime(clock, lookup.report, name);
        return lookup;
      },
      [this, name](const Lookup& lookup) {
        if (lookup.time) {
          const engine::LocalDateTime& t = *lookup.time;
          QDateTime when(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
          context_.prompter.Message(
              "Server, " + name + ", time is " +
              QLocale::system().toString(when, QLocale::ShortFormat).toStdString());
        } else if (VeskSqlDialog* vesk = veskDialog()) {
          vesk->AppendLog(lookup.report.Text());
        } else {
          std::string text = lookup.report.Text();
          while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
          context_.prompter.Message(text);
        }
      });
}

void MainWindow::OpenTutorials() {
  ShellOpen(settings::SiblingFile(context_.programFolder + "/", "README.md"), context_.prompter,
            lookup_);
}

void MainWindow::OpenTechnicalSupport() {
  const std::string address = PELVANE_SUPPORT_URL;
  if (address.empty()) {
    OpenTutorials();  // the README names where to ask
    return;
  }
  ShellOpen(address, context_.prompter, lookup_);
}

void MainWindow::CloseActiveChild() {
  if (context_.state.OpenChildCount <= 0) return;
  if (QMdiSubWindow* current = mdi_->currentSubWindow()) current->close();
}

void MainWindow::ExitFromToolbar() {
  if (VeskSqlDialog* vesk = veskDialog();
      vesk != nullptr && !vesk->ConfirmCloseDuringRun([this] { ExitFromToolbar(); }))
    return;
  CloseAppendText();
  if (veskFrame_) veskFrame_->close();
  close();
}

void MainWindow::ExitFromMenu() {
  // Ends without any window's closing steps (see EndProgramOnExitRequest): the script paths,
  // the placements and the editors' texts stay as last saved. A run first finishes its server.
  if (VeskSqlDialog* vesk = veskDialog();
      vesk != nullptr && !vesk->ConfirmCloseDuringRun([this] { Q_EMIT exitRequested(); }))
    return;
  Q_EMIT exitRequested();
}

void EndProgramOnExitRequest(MainWindow& window) {
  QObject::connect(
      &window, &MainWindow::exitRequested, qApp, [] { QCoreApplication::exit(0); },
      Qt::QueuedConnection);
}

void ShowOnSecondStart(InstanceBeacon& beacon, MainWindow& window) {
  QObject::connect(&beacon, &InstanceBeacon::showRequested, &window,
                   [&window] { window.RestoreMainWindow(); });
}

}  // namespace pelvane::shell
