// SPDX-License-Identifier: GPL-3.0-or-later
#include "uikit/AccessKeys.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSet>
#include <QWidget>

namespace pelvane::shell {

namespace {

/// The letter after a single "&", or a null character.
QChar AccessKey(const QString& caption) {
  for (int i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return caption[i + 1].toUpper();
    ++i;  // "&&" is a plain "&"
  }
  return {};
}

/// Widgets of this window, not of the windows it owns.
template <class T>
QList<T*> OwnWidgets(QWidget& window) {
  QList<T*> own;
  for (T* widget : window.findChildren<T*>())
    if (widget->window() == window.window()) own << widget;
  return own;
}

}  // namespace

void GiveAccessKeys(QWidget& window) {
  QSet<QChar> used;
  const QList<QLabel*> labels = OwnWidgets<QLabel>(window);
  for (QLabel* label : labels)
    if (QChar key = AccessKey(label->text()); !key.isNull()) used.insert(key);
  for (QAbstractButton* button : OwnWidgets<QAbstractButton>(window))
    if (QChar key = AccessKey(button->text()); !key.isNull()) used.insert(key);

  for (QLabel* label : labels) {
    const QString text = label->text();
    if (label->buddy() == nullptr || !AccessKey(text).isNull() || text.contains('<')) continue;
    int chosen = -1;
    for (bool wordStartsOnly : {true, false}) {
      for (int i = 0; i < text.size() && chosen < 0; ++i) {
        const bool wordStart = i == 0 || !text[i - 1].isLetterOrNumber();
        if (!text[i].isLetterOrNumber() || (wordStartsOnly && !wordStart)) continue;
        if (!used.contains(text[i].toUpper())) chosen = i;
      }
      if (chosen >= 0) break;
    }
    if (chosen < 0) continue;
    used.insert(text[chosen].toUpper());
    QString keyed = text;
    keyed.replace("&", "&&");
    int at = chosen + static_cast<int>(text.left(chosen).count('&'));
    keyed.insert(at, '&');
    label->setText(keyed);
  }
}

}  // namespace pelvane::shell
