// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <string>

namespace pelvane::shell {

/// The text of an editor window's text box and its stored form. The text box knows only line
/// feeds, so the line break the stored text used ("\r\n" from a file written on Windows, or
/// "\n") is kept and given back by Text() and Stored(): loading and saving never changes
/// the line breaks of a text nobody edited.
class EditorText {
 public:
  explicit EditorText(QPlainTextEdit& box) : box_(box) {}

  /// Shows the stored (token) form of a text.
  void Load(const std::string& stored);
  /// The text as the run reads it, with real line breaks.
  std::string Text() const;
  /// The text in stored form.
  std::string Stored() const;

 private:
  QPlainTextEdit& box_;
  std::string lineBreak_ = "\n";
};

}  // namespace pelvane::shell
