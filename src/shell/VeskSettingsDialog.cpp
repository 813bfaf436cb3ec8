// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/VeskSettingsDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>

#include "engine/VbNumber.h"
#include "shell/LeadingNumber.h"
#include "uikit/AccessKeys.h"

namespace pelvane::shell {

namespace {

constexpr char kErrors[] = "Errors";
constexpr char kGeneral[] = "Pelvane";
constexpr char kIncorrectSelection[] =
    "You can only select {Log messages and continue vesk process} when Log to File is selected.";

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const char* caption) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  box->setAccessibleName(caption);
  return box;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name, QLabel* label) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  label->setBuddy(box);
  box->setAccessibleName(label->text().remove('&'));
  return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAccessibleName(QString(caption).remove('&'));
  return button;
}

QLabel* MakeNote(QWidget* parent, const char* text) {
  auto* note = new QLabel(text, parent);
  note->setWordWrap(true);
  return note;
}

/// The folder part of the first line of a field: where a file dialog starts. Both "/" and
/// "\" separate folders, so values written on Windows still give their folder.
std::string StartFolder(const std::string& value) {
  std::string firstLine = value.substr(0, value.find_first_of("\r\n"));
  size_t slash = firstLine.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : firstLine.substr(0, slash + 1);
}

/// The services delay as the field's leading number; a number beyond single precision is none.
float DelaySeconds(const QLineEdit& field) {
  double seconds = LeadingNumber(field.text().toStdString());
  if (std::fabs(seconds) > std::numeric_limits<float>::max()) return 0;
  return static_cast<float>(seconds);
}

}  // namespace

VeskSettingsDialog::VeskSettingsDialog(ShellContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName("frmVeskSettings");
  setWindowTitle("Vesk Settings");
  BuildControls();
  GiveAccessKeys(*this);
  ConnectClickRules();
  Load();
}

void VeskSettingsDialog::BuildControls() {
  auto* logTo = new QGroupBox("Log Error Messages To:", this);
  chkLogToWindow_ = MakeCheckBox(logTo, "chkLogToWindow", "Window");
  chkLogToFile_ = MakeCheckBox(logTo, "chkLogToFile", "File");
  auto* logFileLabel = new QLabel("Log Filename:", logTo);
  txtLogFilename_ = MakeTextBox(logTo, "txtLogFilename", logFileLabel);
  cmdBrowse_ = MakeButton(logTo, "cmdBrowse", "Browse...");
  auto* logToLayout = new QGridLayout(logTo);
  logToLayout->addWidget(chkLogToWindow_, 0, 0, 1, 3);
  logToLayout->addWidget(chkLogToFile_, 1, 0, 1, 3);
  logToLayout->addWidget(logFileLabel, 2, 0);
  logToLayout->addWidget(txtLogFilename_, 2, 1);
  logToLayout->addWidget(cmdBrowse_, 2, 2);
  logToLayout->setColumnStretch(1, 1);

  auto* whenError = new QGroupBox("When Error Occurs:", this);
  chkOnErrorLog_ =
      MakeCheckBox(whenError, "chkOnErrorLog", "Log messages and continue vesk process.");
  chkBreakDisplay_ = MakeCheckBox(whenError, "chkBreakDisplay", "Break and display error message.");
  chkEnd_ = MakeCheckBox(whenError, "chkEnd", "End and Display error message.");
  auto* whenErrorLayout = new QVBoxLayout(whenError);
  whenErrorLayout->addWidget(chkOnErrorLog_);
  whenErrorLayout->addWidget(chkBreakDisplay_);
  whenErrorLayout->addWidget(chkEnd_);

  auto* formatLabel = new QLabel("TimeStamp Format:", this);
  txtDateTimeFormat_ = MakeTextBox(this, "txtDateTimeFormat", formatLabel);
  txtDateTimeFormat_->setText(engine::kDefaultDateTimeFormat);
  auto* formatHint = MakeNote(this,
                              "Standard date patterns: yyyy, mm, mmm, dd, hh, nn (minutes), ss; "
                              "for example yyyy-mm-dd hh:mm:ss");
  txtDateTimeFormat_->setAccessibleDescription(formatHint->text());
  chkRefreshLogWindow_ =
      MakeCheckBox(this, "chkRefreshLogWindow", "Refresh Log Messages Window During Process?");
  chkNotify_ = MakeCheckBox(this, "chkNotify", "Notify Me When Processing is Complete!");
  auto* delayLabel = new QLabel("Check Services Delay (sec):", this);
  txtServicesDelay_ = MakeTextBox(this, "txtServicesDelay", delayLabel);
  auto* delayNote = MakeNote(this,
                             "This is the amount of time delay between stopping/starting a "
                             "service and reporting the status. If you are getting false "
                             "reports, increase and see if it helps.");
  txtServicesDelay_->setAccessibleDescription(delayNote->text());
  auto* parallelLabel = new QLabel("Servers at once:", this);
  spnParallelServers_ = new QSpinBox(this);
  spnParallelServers_->setObjectName("spnParallelServers");
  spnParallelServers_->setRange(1, engine::kMaxParallelServers);
  parallelLabel->setBuddy(spnParallelServers_);
  spnParallelServers_->setAccessibleName(parallelLabel->text());
  cmdExit_ = MakeButton(this, "cmdExit", "Close");

  auto* layout = new QGridLayout(this);
  layout->addWidget(logTo, 0, 0, 1, 3);
  layout->addWidget(whenError, 1, 0, 1, 3);
  layout->addWidget(formatLabel, 2, 0);
  layout->addWidget(txtDateTimeFormat_, 2, 1, 1, 2);
  layout->addWidget(formatHint, 3, 1, 1, 2);
  layout->addWidget(chkRefreshLogWindow_, 4, 0, 1, 3);
  layout->addWidget(chkNotify_, 5, 0, 1, 3);
  layout->addWidget(delayLabel, 6, 0);
  layout->addWidget(txtServicesDelay_, 6, 1);
  layout->addWidget(delayNote, 7, 0, 1, 3);
  layout->addWidget(parallelLabel, 8, 0);
  layout->addWidget(spnParallelServers_, 8, 1);
  layout->addWidget(cmdExit_, 9, 2, Qt::AlignRight);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(10, 1);

  connect(cmdBrowse_, &QPushButton::clicked, this, &VeskSettingsDialog::Browse);
  connect(cmdExit_, &QPushButton::clicked, this, &VeskSettingsDialog::CloseButton);
}

// Each rule fires whenever the box's value changes, by the user or by the dialog itself.
void VeskSettingsDialog::ConnectClickRules() {
  connect(chkLogToFile_, &QCheckBox::toggled, this, [this](bool checked) {
    if (!checked) return;
    chkLogToWindow_->setChecked(false);
    chkOnErrorLog_->setChecked(true);
  });
  connect(chkLogToWindow_, &QCheckBox::toggled, this, [this](bool checked) {
    if (checked) chkLogToFile_->setChecked(false);
  });
  connect(chkOnErrorLog_, &QCheckBox::toggled, this, [this](bool checked) {
    if (!checked) return;
    chkBreakDisplay_->setChecked(false);
    chkEnd_->setChecked(false);
  });
  connect(chkBreakDisplay_, &QCheckBox::toggled, this, [this](bool checked) {
    if (checked) OnBreakOrEndChecked(chkBreakDisplay_, chkEnd_);
  });
  connect(chkEnd_, &QCheckBox::toggled, this, [this](bool checked) {
    if (checked) OnBreakOrEndChecked(chkEnd_, chkBreakDisplay_);
  });
}

// Stopping a run to show an error only makes sense while the log goes to the window.
void VeskSettingsDialog::OnBreakOrEndChecked(QCheckBox* box, QCheckBox* other) {
  if (chkLogToWindow_->isChecked()) {
    chkOnErrorLog_->setChecked(false);
    other->setChecked(false);
    return;
  }
  context_.prompter.Message(kIncorrectSelection, "Incorrect selection");
  box->setChecked(false);
}

void VeskSettingsDialog::Load() {
  engine::ProgramState& state = context_.state;
  const settings::SettingsStore& store = context_.store;
  std::string messagesTo = store.GetINIValue(kErrors, "MessagesTo");
  std::string whenOccurs = store.GetINIValue(kErrors, "WhenOccurs");
  if (whenOccurs.empty()) {
    state.WhenOccurs = 1;
  } else if (std::optional<int16_t> value = engine::ToInt16(whenOccurs)) {
    state.WhenOccurs = *value;
  }
  loadedParallelServers_ = engine::StoredParallelServers(store);
  state.ParallelServers = static_cast<int16_t>(loadedParallelServers_);
  spnParallelServers_->setValue(loadedParallelServers_);
  std::optional<double> notify = engine::ParseVbNumber(store.GetINIValue(kGeneral, "Notify"));
  state.Notify = notify && *notify != 0;

  if (messagesTo == "File") {
    chkLogToFile_->setChecked(true);
  } else {
    chkLogToWindow_->setChecked(true);
  }
  if (state.WhenOccurs >= 1 && state.WhenOccurs <= 3) {
    chkOnErrorLog_->setChecked(state.WhenOccurs == 1);
    chkBreakDisplay_->setChecked(state.WhenOccurs == 2);
    chkEnd_->setChecked(state.WhenOccurs == 3);
  }

  txtLogFilename_->setText(QString::fromStdString(state.LogFile));
  txtDateTimeFormat_->setText(QString::fromStdString(state.DateTimeFormat));
  chkRefreshLogWindow_->setChecked(state.RefreshLogWindow == 1);
  chkNotify_->setChecked(state.Notify);
  txtServicesDelay_->setText(QString::number(static_cast<double>(state.ServicesDelay), 'f', 1));
  ++state.OpenChildCount;
}

// As a child window it fills the main window's client area when it first appears.
void VeskSettingsDialog::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (filledParent_) return;
  filledParent_ = true;
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (frame != nullptr && frame->mdiArea() != nullptr)
    frame->setGeometry(QRect(QPoint(0, 0), frame->mdiArea()->viewport()->size()));
}

void VeskSettingsDialog::Browse() {
  FilePick pick;
  pick.title = "Select or type log file and click Open.";
  pick.startFolder = StartFolder(txtLogFilename_->text().toStdString());
  // One log file: a multiple choice would put several names into the field.
  pick.multiple = false;
  std::vector<std::string> chosen = context_.prompter.PickFiles(pick);
  if (!chosen.empty()) txtLogFilename_->setText(QString::fromStdString(chosen.front()));
}

void VeskSettingsDialog::CloseButton() {
  float delay = DelaySeconds(*txtServicesDelay_);
  if (delay < 1 || delay > 5) {
    context_.prompter.Message("Services Delay must be between 1 and 5 seconds.", "Services Delay");
    return;
  }
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (frame != nullptr) {
    frame->close();
  } else {
    close();
  }
}

void VeskSettingsDialog::closeEvent(QCloseEvent* event) {
  if (!saved_) {
    saved_ = true;
    Save();
    Q_EMIT closed();
  }
  QWidget::closeEvent(event);
}

void VeskSettingsDialog::Save() {
  engine::ProgramState& state = context_.state;
  const std::string messagesTo = chkLogToFile_->isChecked() ? "File" : "Window";
  const char* whenOccurs = chkOnErrorLog_->isChecked()     ? "1"
                           : chkBreakDisplay_->isChecked() ? "2"
                                                           : "3";
  state.LogFile = txtLogFilename_->text().toStdString();
  state.DateTimeFormat = txtDateTimeFormat_->text().toStdString();
  state.RefreshLogWindow = chkRefreshLogWindow_->isChecked() ? 1 : 0;
  state.Notify = chkNotify_->isChecked();
  state.ServicesDelay = DelaySeconds(*txtServicesDelay_);
  state.ParallelServers = static_cast<int16_t>(spnParallelServers_->value());
  // Written only when changed, so that a file that never had it keeps its shape.
  const bool parallelChanged = state.ParallelServers != loadedParallelServers_;

  // One change of the file: another copy of the program never sees half of these settings.
  Status saved = context_.store.Edit([&](settings::ProfileDocument& doc) {
    const std::pair<const char*, const char*> keys[] = {
        {kErrors, "MessagesTo"},      {kErrors, "WhenOccurs"},        {kErrors, "LogFile"},
        {kGeneral, "DateTimeFormat"}, {kGeneral, "RefreshLogWindow"}, {kGeneral, "Notify"},
        {kGeneral, "ServicesDelay"}};
    const std::string values[] = {messagesTo,
                                  whenOccurs,
                                  state.LogFile,
                                  state.DateTimeFormat,
                                  std::to_string(state.RefreshLogWindow),
                                  state.Notify ? "1" : "0",
                                  SingleText(state.ServicesDelay)};
    for (size_t i = 0; i < std::size(values); ++i) {
      Status set = doc.Set(keys[i].first, keys[i].second, values[i]);
      if (!set) return set;
    }
    if (parallelChanged)
      return doc.Set(kErrors, "ParallelServers", std::to_string(state.ParallelServers));
    return Status::Ok();
  });
  if (!saved) context_.prompter.Message("The Vesk settings could not be saved: " + saved.message());
  --state.OpenChildCount;
}

}  // namespace pelvane::shell
