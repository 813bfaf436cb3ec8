// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/EditorText.h"

#include "settings/TextTokens.h"

namespace pelvane::shell {

void EditorText::Load(const std::string& stored) {
  std::string text = settings::DecodeTokens(stored);
  lineBreak_ = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  box_.setPlainText(QString::fromStdString(text));
}

std::string EditorText::Text() const {
  std::string shown = box_.toPlainText().toStdString();
  if (lineBreak_ == "\n") return shown;
  std::string text;
  text.reserve(shown.size() + shown.size() / 16);
  for (char c : shown) {
    if (c == '\n') {
      text += lineBreak_;
    } else {
      text += c;
    }
  }
  return text;
}

std::string EditorText::Stored() const {
  return settings::EncodeTokens(Text());
}

}  // namespace pelvane::shell
