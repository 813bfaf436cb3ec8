// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QMdiArea>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>

namespace pelvane::tools {

/// Gives a control its name for tests and its accessible name for screen readers (the caption
/// or label as the user reads it, without "&").
template <class W>
W* Named(W* widget, const char* objectName, const QString& accessibleName) {
  widget->setObjectName(QString::fromLatin1(objectName));
  widget->setAccessibleName(QString(accessibleName).remove(QLatin1Char('&')));
  return widget;
}

/// A label that names its field: the field's accessible name and the label's mnemonic.
QLabel* FieldLabel(const QString& text, QWidget* field, QWidget* parent);

/// A label that shows a value: a screen reader reads the value as its name (it changes with the
/// text), and the caption as its description.
QLabel* ValueLabel(const char* objectName, const QString& caption, QWidget* parent);

/// Shows a tool dialog as a child window of the MDI area: fixed size, no minimize or maximize
/// button, above the other child windows, centred on the area, deleted when it closes.
QWidget* ShowInMdi(QMdiArea& mdi, std::unique_ptr<QWidget> content);

/// Shows a dialog beside `from`: in the same MDI area when `from` is an MDI child, else as a
/// window of its own that stays on top.
QWidget* ShowBeside(QWidget* from, std::unique_ptr<QWidget> content);

/// The open tool window whose content has this objectName, if any.
QWidget* FindToolWindow(QMdiArea& mdi, const QString& objectName);

/// The open per-server dialog of this kind for this server, among the windows beside `from`
/// (its MDI area, or the program's top-level windows); brought to the front when found.
QWidget* FindToolWindow(QWidget* from, const QString& objectName, const std::string& server);

/// Marks a per-server dialog with the server it works on.
void SetToolServer(QWidget* content, const std::string& server);

/// Closes the window that shows this content (its MDI frame, or the content itself).
void CloseToolWindow(QWidget* content);

}  // namespace pelvane::tools
