// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/WindowsLoginLabel.h"

#include <QHBoxLayout>
#include <memory>

namespace pelvane::tools {

QLabel* AddWindowsLoginLabel(QFormLayout& form, QLineEdit* userBox) {
  const QString text = QStringLiteral("Windows login (NTLM)");
  // No accessible name of its own: a screen reader reads the text, as for every caption.
  auto* label = new QLabel(text, userBox->parentWidget());
  label->setObjectName(QStringLiteral("lblWindowsLogin"));
  int row = -1;
  QFormLayout::ItemRole role = QFormLayout::FieldRole;
  form.getWidgetPosition(userBox, &row, &role);
  if (row >= 0 && role == QFormLayout::FieldRole) {
    // The row keeps its caption; its field becomes the box with the label beside it.
    QFormLayout::TakeRowResult taken = form.takeRow(row);
    std::unique_ptr<QLayoutItem> caption(taken.labelItem);
    std::unique_ptr<QLayoutItem> field(taken.fieldItem);
    auto* beside = new QHBoxLayout;
    beside->setContentsMargins(0, 0, 0, 0);
    beside->addWidget(userBox, 1);
    beside->addWidget(label);
    if (caption && caption->widget() != nullptr)
      form.insertRow(row, caption->widget(), beside);
    else
      form.insertRow(row, beside);
  }
  auto show = [label](const QString& name) { label->setVisible(name.contains(QLatin1Char('\\'))); };
  show(userBox->text());
  QObject::connect(userBox, &QLineEdit::textChanged, label, show);
  return label;
}

}  // namespace pelvane::tools
