// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AboutDialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QUrl>
#include <vector>

#include "shell/SystemInfoTool.h"

namespace pelvane::shell {

namespace {

constexpr char kDescription[] =
    "The Pelvane Tool\nis a tool that allows developers and technical support personnel to very "
    "quickly and safely distribute SQL stored procedures to multiple Servers.";

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAccessibleName(QString(caption).remove('&'));
  return button;
}

}  // namespace

std::string ShortVersion(const std::string& version) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= version.size()) {
    size_t dot = version.find('.', start);
    if (dot == std::string::npos) dot = version.size();
    parts.push_back(version.substr(start, dot - start));
    start = dot + 1;
  }
  auto part = [&parts](size_t i) { return i < parts.size() && !parts[i].empty() ? parts[i] : "0"; };
  return part(0) + "." + part(1) + "." + part(parts.size() > 3 ? 3 : 2);
}

std::string VersionLabel(const std::string& version) {
  return "Version " + ShortVersion(version);
}

AboutDialog::AboutDialog(ShellContext& context)
    : QWidget(nullptr),
      context_(context),
      readme_(QFileInfo(QString::fromStdString(context.programFolder) + "/README.md")
                  .absoluteFilePath()
                  .toStdString()) {
  setObjectName("frmAbout");
  setWindowTitle(QString("About ") + engine::kProgramTitle);
  setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_DeleteOnClose);

  auto* image = MakeLabel(this, "Image1", QString());
  image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
  image->setAccessibleName("Program icon");
  auto* title = MakeLabel(this, "lblTitle", engine::kProgramTitle);
  QFont titleFont = title->font();
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
  titleFont.setBold(true);
  title->setFont(titleFont);
  auto* version =
      MakeLabel(this, "lblVersion", QString::fromStdString(VersionLabel(PELVANE_VERSION)));
  auto* description = MakeLabel(this, "lblDescription", kDescription);
  description->setWordWrap(true);
  auto* line = new QFrame(this);
  line->setObjectName("Line1");
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  const QString readme = QString::fromStdString(readme_).toHtmlEscaped();
  auto* link = MakeLabel(this, "lblDisclaimer", "<a href=\"readme\">" + readme + "</a>");
  link->setTextFormat(Qt::RichText);
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  link->setWordWrap(true);
  auto* cmdOK = MakeButton(this, "cmdOK", "OK");
  auto* cmdSysInfo = MakeButton(this, "cmdSysInfo", "&System Info...");
  cmdOK->setDefault(true);

  auto* layout = new QGridLayout(this);
  layout->addWidget(image, 0, 0, 3, 1, Qt::AlignTop);
  layout->addWidget(title, 0, 1);
  layout->addWidget(version, 1, 1);
  layout->addWidget(description, 2, 1);
  layout->addWidget(line, 3, 0, 1, 2);
  layout->addWidget(link, 4, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdSysInfo);
  layout->addLayout(buttons, 5, 0, 1, 2);
  layout->setColumnStretch(1, 1);

  connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
  connect(cmdSysInfo, &QPushButton::clicked, this, &AboutDialog::SysInfo);
  connect(link, &QLabel::linkActivated, this, &AboutDialog::OpenReadme);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
  cmdOK->setFocus();
}

// The messages are those every "open in its application" of the program shows.
void AboutDialog::OpenReadme() {
  if (!QFileInfo::exists(QString::fromStdString(readme_))) {
    context_.prompter.Message("File, " + readme_ +
                              ", not found.  Check Append To File configuration.");
    return;
  }
  if (!context_.prompter.OpenUrl(
          QUrl::fromLocalFile(QString::fromStdString(readme_)).toString().toStdString()))
    context_.prompter.Message("File association not found for " + readme_ +
                              ".  Check Append To File configuration.");
}

void AboutDialog::SysInfo() {
  if (!StartSysInfo()) context_.prompter.Message("System Information Is Unavailable At This Time");
}

}  // namespace pelvane::shell
