// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/ParameterSubstitution.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace pelvane::standin::tds {
namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#' ||
         c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Literal(const RpcParameter& parameter) {
  if (!parameter.value) return "NULL";
  if (!parameter.quoted) return *parameter.value;
  std::string literal = "N'";
  for (char c : *parameter.value) {
    if (c == '\'') literal += '\'';
    literal += c;
  }
  return literal + "'";
}

}  // namespace

std::vector<std::string> DeclaredParameterNames(const std::string& declaration) {
  std::vector<std::string> names;
  int depth = 0;
  bool expectName = true;
  for (size_t i = 0; i < declaration.size(); ++i) {
    char c = declaration[i];
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == ',' && depth == 0) expectName = true;
    if (c == '@' && expectName) {
      size_t end = i + 1;
      while (end < declaration.size() && IsNameChar(declaration[end])) ++end;
      names.push_back(declaration.substr(i, end - i));
      expectName = false;
      i = end - 1;
    }
  }
  return names;
}

Result<std::string> SubstituteParameters(const std::string& statement,
                                         const std::string& declaration,
                                         const std::vector<RpcParameter>& values) {
  std::vector<std::string> names = DeclaredParameterNames(declaration);
  std::map<std::string, std::string> literals;
  size_t position = 0;
  for (const RpcParameter& value : values) {
    std::string name = value.name.empty() ? "" : Lower(value.name);
    if (name.empty()) {
      if (position >= names.size())
        return Status::Error("more parameter values than declared parameters");
      name = Lower(names[position]);
    }
    ++position;
    literals[name] = Literal(value);
  }

  std::string out;
  out.reserve(statement.size());
  for (size_t i = 0; i < statement.size();) {
    char c = statement[i];
    if (c == '\'') {  // copy a string literal whole, doubled quotes included
      size_t end = i + 1;
      while (end < statement.size()) {
        if (statement[end] == '\'' && (end + 1 >= statement.size() || statement[end + 1] != '\''))
          break;
        end += statement[end] == '\'' ? 2 : 1;
      }
      end = std::min(end + 1, statement.size());
      out.append(statement, i, end - i);
      i = end;
      continue;
    }
    if (c == '@' && (i == 0 || !IsNameChar(statement[i - 1]))) {
      size_t end = i + 1;
      while (end < statement.size() && IsNameChar(statement[end])) ++end;
      auto found = literals.find(Lower(statement.substr(i, end - i)));
      if (found != literals.end()) {
        out += found->second;
        i = end;
        continue;
      }
      out.append(statement, i, end - i);
      i = end;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

}  // namespace pelvane::standin::tds
