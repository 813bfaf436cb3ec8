// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ToolWindowFrame.h"

#include <QApplication>
#include <QMdiSubWindow>

#include "uikit/AccessKeys.h"

namespace pelvane::tools {

namespace {

QMdiSubWindow* FrameOf(QWidget* content) {
  return content ? qobject_cast<QMdiSubWindow*>(content->parentWidget()) : nullptr;
}

}  // namespace

QLabel* FieldLabel(const QString& text, QWidget* field, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(field);
  return label;
}

QLabel* ValueLabel(const char* objectName, const QString& caption, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(objectName));
  label->setAccessibleDescription(caption);
  return label;
}

QWidget* ShowInMdi(QMdiArea& mdi, std::unique_ptr<QWidget> content) {
  QWidget* widget = content.get();
  shell::GiveAccessKeys(*widget);
  QMdiSubWindow* frame = mdi.addSubWindow(
      content.release(), Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  frame->setWindowTitle(widget->windowTitle());
  frame->adjustSize();
  frame->setFixedSize(frame->sizeHint().expandedTo(frame->size()));
  // Centred on the main window's inner area, as every tool dialog opens.
  const QSize area = mdi.viewport()->size();
  frame->move(std::max(0, (area.width() - frame->width()) / 2),
              std::max(0, (area.height() - frame->height()) / 2));
  frame->show();
  mdi.setActiveSubWindow(frame);
  widget->setFocus();
  return widget;
}

QWidget* ShowBeside(QWidget* from, std::unique_ptr<QWidget> content) {
  if (QMdiSubWindow* frame = FrameOf(from); frame && frame->mdiArea())
    return ShowInMdi(*frame->mdiArea(), std::move(content));
  QWidget* widget = content.release();
  shell::GiveAccessKeys(*widget);
  widget->setParent(from ? from->window() : nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
  widget->setAttribute(Qt::WA_DeleteOnClose);
  widget->show();
  return widget;
}

QWidget* FindToolWindow(QMdiArea& mdi, const QString& objectName) {
  for (QMdiSubWindow* frame : mdi.subWindowList()) {
    if (frame->widget() && frame->widget()->objectName() == objectName) {
      mdi.setActiveSubWindow(frame);
      return frame->widget();
    }
  }
  return nullptr;
}

namespace {
constexpr char kServerProperty[] = "pelvaneServer";
}  // namespace

void SetToolServer(QWidget* content, const std::string& server) {
  content->setProperty(kServerProperty, QString::fromStdString(server));
}

QWidget* FindToolWindow(QWidget* from, const QString& objectName, const std::string& server) {
  const QString wanted = QString::fromStdString(server);
  auto matches = [&](QWidget* w) {
    return w && w->objectName() == objectName && w->property(kServerProperty).toString() == wanted;
  };
  if (QMdiSubWindow* frame = FrameOf(from); frame && frame->mdiArea()) {
    for (QMdiSubWindow* other : frame->mdiArea()->subWindowList()) {
      if (matches(other->widget())) {
        frame->mdiArea()->setActiveSubWindow(other);
        return other->widget();
      }
    }
    return nullptr;
  }
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (matches(top) && top->isVisible()) {
      top->raise();
      return top;
    }
  }
  return nullptr;
}

void CloseToolWindow(QWidget* content) {
  if (QMdiSubWindow* frame = FrameOf(content)) {
    frame->close();
  } else if (content) {
    content->close();
  }
}

}  // namespace pelvane::tools
