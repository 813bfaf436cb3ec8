// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/BatchSplitter.h"

#include <cctype>

namespace pelvane::querytool {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

bool IsGoLine(const std::string& text, size_t begin, size_t end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return end - begin == 2 && std::toupper(static_cast<unsigned char>(text[begin])) == 'G' &&
         std::toupper(static_cast<unsigned char>(text[begin + 1])) == 'O';
}

bool IsBlankText(const std::string& text) {
  for (char c : text)
    if (!IsBlank(c) && c != '\n') return false;
  return true;
}

}  // namespace

std::vector<std::string> SplitBatches(const std::string& script) {
  std::vector<std::string> batches;
  size_t batchStart = 0;
  size_t lineStart = 0;
  auto finish = [&](size_t end) {
    std::string batch = script.substr(batchStart, end - batchStart);
    if (!IsBlankText(batch)) batches.push_back(std::move(batch));
  };
  while (lineStart < script.size()) {
    size_t newline = script.find('\n', lineStart);
    size_t lineEnd = newline == std::string::npos ? script.size() : newline;
    size_t next = newline == std::string::npos ? script.size() : newline + 1;
    if (IsGoLine(script, lineStart, lineEnd)) {
      finish(lineStart);
      batchStart = next;
    }
    lineStart = next;
  }
  if (batchStart < script.size()) finish(script.size());
  return batches;
}

}  // namespace pelvane::querytool
