// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/EditorWindowSteps.h"

#include <cmath>

#include "shell/WindowPlacement.h"

namespace pelvane::shell {

void PrepareEditorWindow(QWidget& window, const char* objectName, const char* caption) {
  window.setObjectName(objectName);
  window.setWindowTitle(caption);
  // A title bar with its caption and close box, whatever the window manager's defaults.
  window.setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  window.setAttribute(Qt::WA_DeleteOnClose);
  const double twipsPerPixel = TwipsPerPixel(window);
  window.resize(static_cast<int>(std::lround(kEditorDesignedWidthTwips / twipsPerPixel)),
                static_cast<int>(std::lround(kEditorDesignedHeightTwips / twipsPerPixel)));
}

QPlainTextEdit* MakeEditorTextBox(QWidget& window, const char* objectName,
                                  const char* accessibleName) {
  auto* box = new QPlainTextEdit(&window);
  box->setObjectName(objectName);
  box->setAccessibleName(accessibleName);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return box;
}

void SaveEditorWindow(QWidget& window, ShellContext& context, const std::string& section,
                      std::vector<std::pair<std::string, std::string>> values) {
  for (auto& placement : PlacementValues(window)) values.push_back(std::move(placement));
  Status saved = context.store.Edit([&](settings::ProfileDocument& doc) {
    for (const auto& [key, value] : values) {
      Status set = doc.Set(section, key, value);
      if (!set) return set;
    }
    return Status::Ok();
  });
  if (!saved)
    context.prompter.Message("The " + window.windowTitle().toStdString() +
                             " window could not be saved: " + saved.message());
}

}  // namespace pelvane::shell
