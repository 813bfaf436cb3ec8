// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TextTokens.h"

namespace pelvane::settings {

namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    out.append(text, pos, hit - pos).append(to);
  }
  out.append(text, pos, std::string::npos);
  return out;
}

}  // namespace

// The passes run in this order in both directions; stored values depend on it.
std::string EncodeTokens(std::string_view text) {
  std::string out = ReplaceAll(std::string(text), "\n", "vbChr10");
  out = ReplaceAll(std::move(out), "\r", "vbChr13");
  return ReplaceAll(std::move(out), "\t", "vbChr9");
}

std::string DecodeTokens(std::string_view stored) {
  std::string out = ReplaceAll(std::string(stored), "vbChr10", "\n");
  out = ReplaceAll(std::move(out), "vbChr13", "\r");
  return ReplaceAll(std::move(out), "vbChr9", "\t");
}

}  // namespace pelvane::settings
