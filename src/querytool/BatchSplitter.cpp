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

/// What a line ends inside of, carried to the next line. T-SQL block comments nest.
struct LexState {
  int commentDepth = 0;
  char quote = 0;  // ', " or ] while inside a quoted text or name

  bool Neutral() const { return commentDepth == 0 && quote == 0; }

  void Scan(const std::string& text, size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
      char c = text[i];
      char next = i + 1 < end ? text[i + 1] : '\0';
      if (commentDepth > 0) {
        if (c == '*' && next == '/') {
          --commentDepth;
          ++i;
        } else if (c == '/' && next == '*') {
          ++commentDepth;
          ++i;
        }
      } else if (quote != 0) {
        if (c == quote) {
          if (next == quote)
            ++i;  // doubled quote stands for itself
          else
            quote = 0;
        }
      } else if (c == '-' && next == '-') {
        return;  // the rest of the line is a comment
      } else if (c == '/' && next == '*') {
        commentDepth = 1;
        ++i;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == '[') {
        quote = ']';
      }
    }
  }
};

}  // namespace

std::vector<std::string> SplitBatches(const std::string& script) {
  std::vector<std::string> batches;
  LexState state;
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
    if (state.Neutral() && IsGoLine(script, lineStart, lineEnd)) {
      finish(lineStart);
      batchStart = next;
    } else {
      state.Scan(script, lineStart, lineEnd);
    }
    lineStart = next;
  }
  if (batchStart < script.size()) finish(script.size());
  return batches;
}

}  // namespace pelvane::querytool
