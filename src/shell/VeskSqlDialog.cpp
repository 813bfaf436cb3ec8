// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/VeskSqlDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <utility>

#include "engine/RunFiles.h"
#include "engine/StoredRunInputs.h"
#include "settings/ServerRegistry.h"
#include "settings/TextTokens.h"
#include "shell/BrowseFiles.h"
#include "shell/MergedResultsWindow.h"
#include "shell/RunStatusWindow.h"
#include "shell/WindowPlacement.h"
#include "uikit/AccessKeys.h"
#include "uikit/RunResume.h"

namespace pelvane::shell {

namespace {

constexpr char kRunCaption[] = "Vesk SQL";
constexpr char kStopCaption[] = "Stop";
constexpr char kStoppingCaption[] = "Stopping...";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

/// The box's text as the window shows it: bare line feeds.
QString ForBox(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return Q(text);
}

/// Brings a run's window to the front, placed again beside the dialog when some of it is off
/// every screen.
void ShowInFront(QWidget& window, const QWidget& dialog) {
  if (!WhollyOnAScreen(window)) PlaceBeside(window, dialog);
  window.show();
  window.raise();
  window.activateWindow();
}

std::set<QString> RegisteredServers(settings::SettingsStore& store) {
  settings::ServerRegistry registry(store);
  std::set<QString> servers;
  for (const std::string& server : registry.FillServerList("")) servers.insert(Q(server));
  return servers;
}

}  // namespace

std::string BoxText(const QPlainTextEdit& box) {
  std::string text = box.toPlainText().toStdString();
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

VeskSqlDialog::VeskSqlDialog(ShellContext& context, VeskDialogHost& host, QWidget* parent)
    : QWidget(parent), context_(context), host_(host), runs_(context) {
  setObjectName("frmPelvane");
  setWindowTitle("Vesk SQL");
  BuildControls();
  ConnectRuns();
  connect(&context_.registryChanged, &RegistryNotice::changed, this, [this] { RegistryChanged(); });
  Load();
}

VeskSqlDialog::~VeskSqlDialog() {
  // The list's model tells of its end after this part of the dialog is gone.
  lstVeskServers_->model()->disconnect(this);
  // The program is ending under a run (the menu's Exit after the stop, or a test): the run
  // gets safe answers and is waited for, so nothing it writes is cut off.
  runs_.Abandon();
  // Also when the program ends without the dialog's closing steps: the lines a run collected
  // and never showed (it ended early) are not lost with it.
  (void)runs_.log().SaveCollectedLines(context_.state.LogFile);
}

void VeskSqlDialog::ConnectRuns() {
  connect(&runs_, &RunController::logCleared, this, [this] { txtErrorMessages_->clear(); });
  connect(&runs_, &RunController::logAppended, this, [this](const std::string& text) {
    QTextCursor cursor(txtErrorMessages_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(ForBox(text));
  });
  connect(&runs_, &RunController::logShown, this, [this] {
    QScrollBar* bar = txtErrorMessages_->verticalScrollBar();
    bar->setValue(bar->maximum());
  });
  connect(&runs_, &RunController::serversInProgress, this,
          [this](const std::vector<int>& positions) { MarkServersInProgress(positions); });
  connect(&runs_, &RunController::runButtonCaption, this,
          [this](const std::string& caption) { runCaption_ = caption; });
  connect(&runs_, &RunController::addTimeStampCleared, this, [this] { host_.ClearAddTimeStamp(); });
  connect(&runs_, &RunController::stopping, this, [this] { ShowStopping(); });
  connect(&runs_, &RunController::finished, this, [this](bool closing) { FinishRun(closing); });
}

void VeskSqlDialog::BuildControls() {
  auto label = [this](const char* name, const char* text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    return l;
  };
  auto textBox = [this](const char* name) {
    auto* t = new QPlainTextEdit(this);
    t->setObjectName(name);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    t->setTabChangesFocus(true);
    return t;
  };
  auto checkBox = [this](const char* name, const char* text) {
    auto* c = new QCheckBox(text, this);
    c->setObjectName(name);
    return c;
  };
  auto toolButton = [this](const char* name, const QString& text, const char* tip,
                           QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    if (text.isEmpty()) {
      b->setIcon(style()->standardIcon(icon));
    } else {
      b->setText(text);
    }
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    return b;
  };
  auto list = [this](const char* name, const char* tip) {
    auto* l = new QListWidget(this);
    l->setObjectName(name);
    l->setSortingEnabled(true);
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    l->setToolTip(tip);
    return l;
  };

  lblSimpleScriptMode_ = label(
      "lblSimpleScriptMode",
      "Simple Script mode: the query in the Simple Script window runs instead of the scripts.");
  lblSimpleScriptMode_->setWordWrap(true);
  lblSimpleScriptMode_->hide();
  lblSQLScript_ = label("lblSQLScript", "SQL Script:");
  txtSQLScript_ = textBox("txtSQLScript");
  cmdBrowse_ = toolButton("cmdBrowse", "...", "Browse for the SQL script", QStyle::SP_CustomBase);
  lblCopyFile_ = label("lblCopyFile", "Copy File:");
  txtCopyFileTo_ = textBox("txtCopyFileTo");
  cmdBrowseCopyFile_ =
      toolButton("cmdBrowseCopyFile", "...", "Browse for the copy file", QStyle::SP_CustomBase);
  chkCopyFile_ = checkBox("chkCopyFile", "Copy File To Server?");
  chkOverwriteFile_ = checkBox("chkOverwriteFile", "Overwrite Existing File?");
  chkAppendText_ = checkBox("chkAppendText", "Append Text?");
  chkRestartServices_ = checkBox("chkRestartServices", "Automatically Stop/Start Service?");
  QLabel* groupLabel = label("Label6", "Server Group:");
  cmbServerGroup_ = new QComboBox(this);
  cmbServerGroup_->setObjectName("cmbServerGroup");
  lstServerList_ = list("lstServerList", "Available Servers.");
  lstServerList_->setAccessibleName("Available Servers");
  QLabel* processLabel = label("Label3", "Process Servers:");
  lstVeskServers_ = list("lstVeskServers", "Vesk SQL Script to these Servers.");
  lstVeskServers_->setAccessibleName("Process Servers");
  cmdAddVar_ = toolButton("cmdAddVar", "", "Add Server(s).", QStyle::SP_ArrowRight);
  cmdAddAllVars_ = toolButton("cmdAddAllVars", "", "Add All Servers.", QStyle::SP_MediaSeekForward);
  cmdRemoveAllVars_ =
      toolButton("cmdRemoveAllVars", "", "Remove All Servers.", QStyle::SP_MediaSeekBackward);
  cmdRemoveVar_ = toolButton("cmdRemoveVar", "", "Remove Server(s).", QStyle::SP_ArrowLeft);
  // The arrows show no text: their names say where they move the servers.
  cmdAddVar_->setAccessibleName("Add the selected servers to Process Servers");
  cmdAddAllVars_->setAccessibleName("Add all available servers to Process Servers");
  cmdRemoveAllVars_->setAccessibleName("Remove all servers from Process Servers");
  cmdRemoveVar_->setAccessibleName("Remove the selected servers from Process Servers");
  QLabel* availableLabel = label("lblAvailableServers", "Available Servers:");
  QLabel* logLabel = label("Label4", "Log Messages:");
  txtErrorMessages_ = textBox("txtErrorMessages");
  txtErrorMessages_->setReadOnly(true);
  txtErrorMessages_->setLineWrapMode(QPlainTextEdit::NoWrap);
  cmdPelvane_ = new QPushButton(kRunCaption, this);
  cmdPelvane_->setObjectName("cmdPelvane");
  QFont bold = cmdPelvane_->font();
  bold.setBold(true);
  cmdPelvane_->setFont(bold);
  cmdPelvane_->setDefault(true);
  cmdPelvane_->setToolTip("Run the scripts on the Process Servers (F5 or Ctrl+Return)");
  // "Stop Now" ends the script in progress at once; Stop waits for the server in progress.
  actStopNow_ = new QAction("Stop &Now", this);
  actStopNow_->setObjectName("actStopNow");
  actStopNow_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
  actStopNow_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  actStopNow_->setEnabled(false);
  addAction(actStopNow_);
  cmdPelvane_->addAction(actStopNow_);
  cmdPelvane_->setContextMenuPolicy(Qt::ActionsContextMenu);
  cmdStopMenu_ = new QToolButton(this);
  cmdStopMenu_->setObjectName("cmdStopMenu");
  cmdStopMenu_->setArrowType(Qt::DownArrow);
  cmdStopMenu_->setPopupMode(QToolButton::InstantPopup);
  cmdStopMenu_->setToolTip("Stop Now: end the script in progress at once (Shift+F5)");
  cmdStopMenu_->setAccessibleName("Stop menu");
  auto* stopMenu = new QMenu(cmdStopMenu_);
  stopMenu->addAction(actStopNow_);
  cmdStopMenu_->setMenu(stopMenu);
  cmdStopMenu_->setEnabled(false);
  AddRunKeys(*this);

  // Labels name their fields for screen readers.
  lblSQLScript_->setBuddy(txtSQLScript_);
  lblCopyFile_->setBuddy(txtCopyFileTo_);
  groupLabel->setBuddy(cmbServerGroup_);
  processLabel->setBuddy(lstVeskServers_);
  availableLabel->setBuddy(lstServerList_);
  logLabel->setBuddy(txtErrorMessages_);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(lblSimpleScriptMode_);
  auto* grid = new QGridLayout();
  outer->addLayout(grid, 1);
  grid->addWidget(lblSQLScript_, 0, 0);
  grid->addWidget(txtSQLScript_, 0, 1, 1, 5);
  grid->addWidget(cmdBrowse_, 0, 6);
  grid->addWidget(lblCopyFile_, 1, 0);
  grid->addWidget(txtCopyFileTo_, 1, 1, 1, 5);
  grid->addWidget(cmdBrowseCopyFile_, 1, 6);
  auto* boxes = new QGridLayout();
  boxes->addWidget(chkCopyFile_, 0, 0);
  boxes->addWidget(chkOverwriteFile_, 0, 1);
  boxes->addWidget(chkAppendText_, 0, 2);
  boxes->addWidget(chkRestartServices_, 1, 2);
  grid->addLayout(boxes, 2, 1, 1, 6);
  grid->addWidget(groupLabel, 3, 0);
  grid->addWidget(cmbServerGroup_, 3, 1, 1, 2);
  grid->addWidget(availableLabel, 4, 0, 1, 3);
  grid->addWidget(processLabel, 4, 4, 1, 3);
  grid->addWidget(lstServerList_, 5, 0, 4, 3);
  grid->addWidget(cmdAddVar_, 5, 3);
  grid->addWidget(cmdAddAllVars_, 6, 3);
  grid->addWidget(cmdRemoveAllVars_, 7, 3);
  grid->addWidget(cmdRemoveVar_, 8, 3);
  grid->addWidget(lstVeskServers_, 5, 4, 4, 3);
  grid->addWidget(logLabel, 9, 0, 1, 3);
  grid->addWidget(txtErrorMessages_, 10, 0, 1, 6);
  auto* runButtons = new QVBoxLayout();
  runButtons->addWidget(cmdPelvane_);
  runButtons->addWidget(cmdStopMenu_, 0, Qt::AlignRight);
  runButtons->addStretch(1);
  grid->addLayout(runButtons, 10, 6);
  grid->setRowStretch(0, 1);
  grid->setRowStretch(1, 1);
  grid->setRowStretch(5, 2);
  grid->setRowStretch(10, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  grid->setColumnStretch(4, 1);
  grid->setColumnStretch(5, 1);

  GiveAccessKeys(*this);

  setTabOrder(txtSQLScript_, cmdBrowse_);
  setTabOrder(cmdBrowse_, txtCopyFileTo_);
  setTabOrder(txtCopyFileTo_, cmdBrowseCopyFile_);

  connect(cmbServerGroup_, &QComboBox::activated, this,
          [this](int) { FillAvailable(cmbServerGroup_->currentText().toUpper().toStdString()); });
  connect(cmdAddVar_, &QToolButton::clicked, this,
          [this] { MoveSelected(*lstServerList_, *lstVeskServers_); });
  connect(lstServerList_, &QListWidget::itemDoubleClicked, this,
          [this] { MoveSelected(*lstServerList_, *lstVeskServers_); });
  connect(cmdAddAllVars_, &QToolButton::clicked, this,
          [this] { MoveAll(*lstServerList_, *lstVeskServers_); });
  connect(cmdRemoveVar_, &QToolButton::clicked, this,
          [this] { MoveSelected(*lstVeskServers_, *lstServerList_); });
  connect(lstVeskServers_, &QListWidget::itemDoubleClicked, this,
          [this] { MoveSelected(*lstVeskServers_, *lstServerList_); });
  connect(cmdRemoveAllVars_, &QToolButton::clicked, this,
          [this] { MoveAll(*lstVeskServers_, *lstServerList_); });

  // The boxes act on every change of their value, also the ones made while the dialog loads.
  connect(chkCopyFile_, &QCheckBox::toggled, this, [this](bool on) {
    SaveBox("CopyFile", *chkCopyFile_);
    if (!on) chkOverwriteFile_->setChecked(false);
  });
  connect(chkOverwriteFile_, &QCheckBox::toggled, this,
          [this] { SaveBox("OverwriteFile", *chkOverwriteFile_); });
  connect(chkAppendText_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) {
      host_.OpenAppendText();
    } else {
      host_.CloseAppendText();
    }
    SaveBox("AppendText", *chkAppendText_);
  });

  connect(cmdBrowse_, &QToolButton::clicked, this, [this] {
    txtSQLScript_->setPlainText(
        ForBox(BrowseFiles(context_.prompter, kBrowseScriptTitle, BoxText(*txtSQLScript_))));
  });
  connect(cmdBrowseCopyFile_, &QToolButton::clicked, this, [this] {
    txtCopyFileTo_->setPlainText(
        ForBox(BrowseFiles(context_.prompter, kBrowseCopyFileTitle, BoxText(*txtCopyFileTo_))));
  });
  connect(cmdPelvane_, &QPushButton::clicked, this, [this] { PressRunButton(); });
  connect(actStopNow_, &QAction::triggered, this, [this] { StopNow(); });

  const auto inputsChanged = [this] { InputsChanged(); };
  connect(lstVeskServers_->model(), &QAbstractItemModel::rowsInserted, this, inputsChanged);
  connect(lstVeskServers_->model(), &QAbstractItemModel::rowsRemoved, this, inputsChanged);
  for (QPlainTextEdit* box : {txtSQLScript_, txtCopyFileTo_})
    connect(box, &QPlainTextEdit::textChanged, this, inputsChanged);
  for (QCheckBox* box : {chkCopyFile_, chkOverwriteFile_, chkAppendText_, chkRestartServices_})
    connect(box, &QCheckBox::toggled, this, inputsChanged);
}

void VeskSqlDialog::AddRunKeys(QWidget& window) {
  // F5 and Ctrl+Return press the run button, as in query tools.
  for (const QKeySequence& keys :
       {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
        QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
    auto* shortcut = new QShortcut(keys, &window);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] {
      if (cmdPelvane_->isEnabled()) cmdPelvane_->click();
    });
  }
  if (&window == this) return;
  auto* stopNow = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5), &window);
  stopNow->setContext(Qt::WidgetWithChildrenShortcut);
  connect(stopNow, &QShortcut::activated, this, [this] { StopNow(); });
}

void VeskSqlDialog::SaveBox(const char* key, const QCheckBox& box) {
  // A settings file that cannot be written leaves the box as it is, as every click does.
  (void)context_.store.SaveINIValues("Pelvane", key, box.isChecked() ? "1" : "0");
}

void VeskSqlDialog::FillGroups(const QString& keep) {
  settings::ServerRegistry registry(context_.store);
  cmbServerGroup_->clear();
  QStringList groups{settings::kAllGroup};
  for (const std::string& group : registry.GroupList(true)) {
    QString name = Q(group);
    if (!name.isEmpty() && !groups.contains(name)) groups << name;
  }
  groups.sort(Qt::CaseInsensitive);
  cmbServerGroup_->addItems(groups);
  cmbServerGroup_->setCurrentText(groups.contains(keep) ? keep : settings::kAllGroup);
}

void VeskSqlDialog::FillAvailable(const std::string& group) {
  settings::ServerRegistry registry(context_.store);
  lstServerList_->clear();
  for (const std::string& server : registry.FillServerList(group)) {
    const QString name = Q(server);
    if (lstVeskServers_->findItems(name, Qt::MatchExactly).isEmpty()) lstServerList_->addItem(name);
  }
}

void VeskSqlDialog::RegistryChanged() {
  if (IsRunning()) {
    registryChanged_ = true;  // the run reads the lists by position until it ends
    return;
  }
  registryChanged_ = false;
  const std::set<QString> registered = RegisteredServers(context_.store);
  for (int i = lstVeskServers_->count() - 1; i >= 0; --i) {
    if (registered.count(lstVeskServers_->item(i)->text()) == 0)
      delete lstVeskServers_->takeItem(i);
  }
  FillGroups(cmbServerGroup_->currentText());
  FillAvailable(cmbServerGroup_->currentText().toUpper().toStdString());
}

void VeskSqlDialog::Load() {
  FillGroups(settings::kAllGroup);
  const engine::RunInputs stored = engine::LoadStoredRunInputs(context_.store);
  txtSQLScript_->setPlainText(ForBox(stored.scriptText));
  txtCopyFileTo_->setPlainText(ForBox(stored.copyFileText));
  chkCopyFile_->setChecked(stored.copyFile);
  chkOverwriteFile_->setChecked(stored.overwriteFile);
  chkAppendText_->setChecked(stored.appendText);
  chkRestartServices_->setChecked(stored.restartServices);
  FillAvailable("");
  NextServerIndex_ = 1;
  host_.VeskDialogOpened();
  context_.state.SimpleScriptOpen = stored.simpleScriptMode;
  host_.SetSimpleScriptChecked(context_.state.SimpleScriptOpen);
  FollowSimpleScriptMode();
}

void VeskSqlDialog::FollowSimpleScriptMode() {
  simpleScriptMode_ = host_.SimpleScriptChecked();
  lblSimpleScriptMode_->setVisible(simpleScriptMode_);
  SetRunControlsEnabled(!IsRunning());
}

void VeskSqlDialog::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  // A run that ended early keeps its collected lines for the next completed run; none will
  // come in this dialog now.
  if (Status saved = runs_.log().SaveCollectedLines(context_.state.LogFile); !saved)
    context_.prompter.Message(engine::GeneralErrorText(saved));
  host_.VeskDialogClosed();
  const engine::RunInputs kept = CollectInputs();
  (void)engine::SaveStoredRunInputs(context_.store, kept);
  if (context_.state.AppendTextOpen) host_.CloseAppendText();
  if (kept.simpleScriptMode) host_.SetSimpleScriptChecked(false);
  Q_EMIT closed();
}

void VeskSqlDialog::MoveSelected(QListWidget& from, QListWidget& to) {
  QList<QListWidgetItem*> selected = from.selectedItems();
  std::sort(selected.begin(), selected.end(),
            [&from](QListWidgetItem* a, QListWidgetItem* b) { return from.row(a) < from.row(b); });
  for (QListWidgetItem* item : selected) MoveItem(from, to, item);
}

void VeskSqlDialog::MoveItem(QListWidget& from, QListWidget& to, QListWidgetItem* item) {
  if (to.findItems(item->text(), Qt::MatchExactly).isEmpty()) to.addItem(item->text());
  delete from.takeItem(from.row(item));
}

void VeskSqlDialog::ChooseServers(const std::vector<std::string>& servers) {
  if (IsRunning()) return;
  const std::set<QString> registered = RegisteredServers(context_.store);
  std::set<QString> wanted;
  for (const std::string& server : servers)
    if (registered.count(Q(server)) > 0) wanted.insert(Q(server));
  for (int i = lstVeskServers_->count() - 1; i >= 0; --i) {
    QListWidgetItem* item = lstVeskServers_->item(i);
    if (wanted.count(item->text()) == 0) MoveItem(*lstVeskServers_, *lstServerList_, item);
  }
  // Servers taken out of the list since the run come back, whatever group is shown.
  for (const QString& server : wanted) {
    if (!lstVeskServers_->findItems(server, Qt::MatchExactly).isEmpty()) continue;
    const QList<QListWidgetItem*> found = lstServerList_->findItems(server, Qt::MatchExactly);
    if (!found.isEmpty()) delete lstServerList_->takeItem(lstServerList_->row(found.front()));
    lstVeskServers_->addItem(server);
  }
  NextServerIndex_ = 1;
  runCaption_ = kRunCaption;
  cmdPelvane_->setText(kRunCaption);
}

void VeskSqlDialog::InputsChanged() {
  if (IsRunning() || NextServerIndex_ == 1) return;
  // Changed back, or set to what it was (a browse given up): the run may still go on.
  if (lastRun_ && MayContinueWith(*lastRun_, CollectInputs())) return;
  NextServerIndex_ = 1;
  runCaption_ = kRunCaption;
  cmdPelvane_->setText(kRunCaption);
}

void VeskSqlDialog::RerunFailed(const std::vector<std::string>& servers) {
  if (IsRunning()) return;
  ChooseServers(servers);
  if (passwordMode_ || !lastRun_ || lstVeskServers_->count() == 0) return;
  const engine::RunInputs last = *lastRun_;
  if (BoxText(*txtSQLScript_) != last.scriptText)
    txtSQLScript_->setPlainText(ForBox(last.scriptText));
  if (BoxText(*txtCopyFileTo_) != last.copyFileText)
    txtCopyFileTo_->setPlainText(ForBox(last.copyFileText));
  chkCopyFile_->setChecked(last.copyFile);  // before Overwrite, which it may turn off
  chkOverwriteFile_->setChecked(last.overwriteFile);
  chkAppendText_->setChecked(last.appendText);
  chkRestartServices_->setChecked(last.restartServices);
  if (host_.SimpleScriptChecked() != last.simpleScriptMode) {
    host_.SetSimpleScriptChecked(last.simpleScriptMode);
    FollowSimpleScriptMode();
  }
  StartRun();
}

void VeskSqlDialog::MarkServersInProgress(const std::vector<int>& positions) {
  lstVeskServers_->clearSelection();
  for (int position : positions) {
    if (position >= 1 && position <= lstVeskServers_->count())
      lstVeskServers_->item(position - 1)->setSelected(true);
  }
}

RunStatusWindow& VeskSqlDialog::OpenStatusWindow() {
  if (statusWindow_ == nullptr) {
    statusWindow_ = new RunStatusWindow(this);
    // The run's keys work from the board too, and showing it leaves the focus where it was.
    AddRunKeys(*statusWindow_);
    statusWindow_->setAttribute(Qt::WA_ShowWithoutActivating);
    connect(statusWindow_, &RunStatusWindow::rerunFailed, this,
            [this](const std::vector<std::string>& servers) { RerunFailed(servers); });
    // Beside the dialog where there is room, so it does not cover the lists.
    PlaceBeside(*statusWindow_, *this);
  }
  return *statusWindow_;
}

void VeskSqlDialog::ShowStatusWindow() {
  ShowInFront(OpenStatusWindow(), *this);
}

void VeskSqlDialog::ShowResultsWindow() {
  if (resultsWindow_ != nullptr) ShowInFront(*resultsWindow_, *this);
}

void VeskSqlDialog::ShowMergedResults(const std::vector<engine::ServerQueryResult>& results) {
  if (resultsWindow_ == nullptr) {
    resultsWindow_ = new MergedResultsWindow(context_.prompter, this);
    PlaceBeside(*resultsWindow_, *this);
  }
  resultsWindow_->SetGrid(engine::MergeQueryResults(results));
  ShowInFront(*resultsWindow_, *this);
}

void VeskSqlDialog::RaiseRunWindows(bool resultsInFront) {
  if (window()->isMinimized()) return;  // the user chose not to return to the program
  QWidget* board = statusWindow_.data();
  QWidget* results = resultsWindow_.data();
  if (resultsInFront) std::swap(board, results);
  for (QWidget* shown : {results, board}) {  // the one for this run last, in front
    if (shown != nullptr && shown->isVisible()) ShowInFront(*shown, *this);
  }
}

void VeskSqlDialog::MoveAll(QListWidget& from, QListWidget& to) {
  for (int i = from.count() - 1; i >= 0; --i) MoveItem(from, to, from.item(i));
}

std::vector<std::string> VeskSqlDialog::ProcessServers() const {
  std::vector<std::string> servers;
  for (int i = 0; i < lstVeskServers_->count(); ++i)
    servers.push_back(lstVeskServers_->item(i)->text().toStdString());
  return servers;
}

engine::RunInputs VeskSqlDialog::CollectInputs() const {
  engine::RunInputs in;
  in.processServers = ProcessServers();
  in.scriptText = BoxText(*txtSQLScript_);
  in.copyFileText = BoxText(*txtCopyFileTo_);
  in.copyFile = chkCopyFile_->isChecked();
  in.overwriteFile = chkOverwriteFile_->isChecked();
  in.appendText = chkAppendText_->isChecked();
  in.restartServices = chkRestartServices_->isChecked();
  in.simpleScriptMode = host_.SimpleScriptChecked();
  in.simpleScriptText = host_.SimpleScriptText();
  in.appendTextText = host_.AppendTextText();
  in.addTimeStamp = host_.AddTimeStamp();
  return in;
}

void VeskSqlDialog::PressRunButton() {
  if (IsRunning()) {
    runs_.Stop();
    return;
  }
  StartRun();
}

void VeskSqlDialog::StopNow() {
  runs_.StopNow();
}

void VeskSqlDialog::ShowStopping() {
  // Until the server in progress is done.
  cmdPelvane_->setText(kStoppingCaption);
  cmdPelvane_->setEnabled(false);
}

void VeskSqlDialog::StartRun() {
  // A script or copy file that cannot be read would fail on every server: say so once.
  if (Status files = engine::CheckRunFiles(CollectInputs()); !files) {
    context_.prompter.Message(files.message());
    return;
  }
  const bool anyServer = lstVeskServers_->count() > 0;
  if (anyServer && context_.state.MinimizeOnVesk) host_.MinimizeMainWindow();
  setCursor(Qt::WaitCursor);

  RunStatusWindow& status = OpenStatusWindow();
  engine::RunSession& run = runs_.Prepare(CollectInputs(), NextServerIndex_, status.Listener());
  lastRun_ = run.inputs();
  status.RunStarted(run.recorder());
  if (anyServer) {
    if (!WhollyOnAScreen(status)) PlaceBeside(status, *this);
    status.show();
    status.raise();
  }
  runCaption_ =
      cmdPelvane_->text() == kStopCaption ? kRunCaption : cmdPelvane_->text().toStdString();
  SetRunControlsEnabled(false);
  cmdPelvane_->setText(kStopCaption);
  actStopNow_->setEnabled(true);
  cmdStopMenu_->setEnabled(true);
  host_.RunStateChanged(true);
  runs_.Start();
}

void VeskSqlDialog::FinishRun(bool closing) {
  const engine::RunSession& run = *runs_.FinishedSession();
  const engine::RunOutcome outcome = run.outcome();
  NextServerIndex_ = outcome.NextServerIndex;
  context_.state.WhenOccurs = outcome.WhenOccurs;
  context_.state.RefreshLogWindow = outcome.RefreshLogWindow;
  cmdPelvane_->setText(Q(runCaption_));
  cmdPelvane_->setEnabled(!passwordMode_);
  actStopNow_->setEnabled(false);
  cmdStopMenu_->setEnabled(false);
  SetRunControlsEnabled(true);
  unsetCursor();
  host_.RunStateChanged(false);
  if (registryChanged_) RegistryChanged();
  if (statusWindow_ != nullptr) statusWindow_->RunFinished();
  const bool showResults = !closing && outcome.kind != engine::RunOutcome::Kind::kRefused &&
                           run.recorder().Snapshot().columns.simpleScript;
  if (showResults) ShowMergedResults(run.recorder().QueryResults());
  if (closing) {
    Q_EMIT runFinished();  // the close follows
    return;
  }

  const bool anyServer = lstVeskServers_->count() > 0;
  if (anyServer && context_.state.Notify) {
    QApplication::beep();
    const std::string done =
        "Pelvane Processing is Complete! Check the Log Window/Log File for results.";
    if (context_.state.MinimizeOnVesk) {
      engine::Answer back = context_.prompter.Ask(Prompt{
          Prompt::Buttons::kYesNo, "Processing Complete!",
          done + "\r\nDo you want to return to The Pelvane Tool?", engine::MessageIcon::kNone});
      if (back == engine::Answer::kYes) host_.RestoreMainWindow();
    } else {
      context_.prompter.Message(done, "Processing Complete!");
    }
  } else {
    host_.RestoreMainWindow();
  }
  RaiseRunWindows(showResults);
  Q_EMIT runFinished();
}

void VeskSqlDialog::AppendLog(const std::string& text) {
  runs_.AppendLog(text);
}

void VeskSqlDialog::ClearLog() {
  runs_.ClearLog();
}

void VeskSqlDialog::SetRunControlsEnabled(bool enabled) {
  const bool inputs = enabled && !passwordMode_;
  for (QWidget* w : std::initializer_list<QWidget*>{
           txtSQLScript_, txtCopyFileTo_, cmdBrowse_, cmdBrowseCopyFile_, chkCopyFile_,
           chkOverwriteFile_, chkAppendText_, chkRestartServices_, lblCopyFile_, lblSQLScript_})
    w->setEnabled(inputs);
  // The scripts do not run in Simple Script mode.
  txtSQLScript_->setEnabled(inputs && !simpleScriptMode_);
  cmdBrowse_->setEnabled(inputs && !simpleScriptMode_);
  for (QWidget* w :
       std::initializer_list<QWidget*>{cmbServerGroup_, lstServerList_, lstVeskServers_, cmdAddVar_,
                                       cmdAddAllVars_, cmdRemoveAllVars_, cmdRemoveVar_})
    w->setEnabled(enabled);
}

bool VeskSqlDialog::EnterPasswordChangeMode() {
  if (lstVeskServers_->count() == 0) {
    context_.prompter.Message(
        "Select Servers for password change by moving them into the Process Servers: list box.");
    return false;
  }
  passwordMode_ = true;
  SetRunControlsEnabled(true);
  cmdPelvane_->setEnabled(false);
  if (chkAppendText_->isChecked()) host_.SetAppendTextHidden(true);
  return true;
}

void VeskSqlDialog::LeavePasswordChangeMode() {
  if (!passwordMode_) return;
  passwordMode_ = false;
  SetRunControlsEnabled(!IsRunning());
  cmdPelvane_->setEnabled(true);
  if (chkAppendText_->isChecked()) host_.SetAppendTextHidden(false);
}

bool VeskSqlDialog::ConfirmCloseDuringRun(std::function<void()> afterStop) {
  return runs_.ConfirmCloseDuringRun(std::move(afterStop));
}

void VeskSqlDialog::closeEvent(QCloseEvent* event) {
  if (unloaded_) {
    event->accept();
    return;
  }
  QPointer<VeskSqlDialog> self(this);
  if (!ConfirmCloseDuringRun([self] {
        if (!self) return;
        QWidget* frame = qobject_cast<QMdiSubWindow*>(self->parentWidget());
        if (frame != nullptr) {
          frame->close();
        } else {
          self->close();
        }
      })) {
    event->ignore();
    return;
  }
  Unload();
  event->accept();
}

}  // namespace pelvane::shell
