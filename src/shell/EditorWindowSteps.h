// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "uikit/ShellContext.h"

namespace pelvane::shell {

/// Client area of the editor windows as designed: 4308 x 1992 twips.
constexpr int kEditorDesignedWidthTwips = 4308;
constexpr int kEditorDesignedHeightTwips = 1992;

/// What both editor windows do when they load: a top-level window that stays above the others,
/// deleted when closed, at its designed size, with its caption and object name.
void PrepareEditorWindow(QWidget& window, const char* objectName, const char* caption);

/// The multi-line text box of an editor window, with its name as object and accessible name.
QPlainTextEdit* MakeEditorTextBox(QWidget& window, const char* objectName,
                                  const char* accessibleName);

/// Writes the values and the window's placement into the section in one change of the file.
/// A failure is shown to the user: the text would otherwise be lost without a word.
void SaveEditorWindow(QWidget& window, ShellContext& context, const std::string& section,
                      std::vector<std::pair<std::string, std::string>> values);

}  // namespace pelvane::shell
