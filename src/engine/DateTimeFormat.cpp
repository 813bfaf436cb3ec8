// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DateTimeFormat.h"

#include <array>
#include <vector>

namespace pelvane::engine {

namespace {

constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

enum class Kind {
  kLiteral,
  kYear4,
  kYear2,
  kDayOfYear,
  kMonthName,
  kMonthAbbrev,
  kMonth2,
  kMonth1,
  kDayName,
  kDayAbbrev,
  kDay2,
  kDay1,
  kHour2,
  kHour1,
  kMinute2,
  kMinute1,
  kSecond2,
  kSecond1,
  kWeekOfYear,
  kWeekday,
  kQuarter,
  kAmPmUpper,
  kAmPmLower,
};

struct Token {
  Kind kind;
  std::string literal;
};

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

/// The token for a run of `length` copies of a letter, longest first; kLiteral when the letter
/// starts no token. `used` receives how many letters the token takes.
Kind LetterToken(char letter, size_t length, size_t& used) {
  struct Form {
    char letter;
    size_t length;
    Kind kind;
  };
  static constexpr Form kForms[] = {
      {'y', 4, Kind::kYear4},     {'y', 2, Kind::kYear2},       {'y', 1, Kind::kDayOfYear},
      {'m', 4, Kind::kMonthName}, {'m', 3, Kind::kMonthAbbrev}, {'m', 2, Kind::kMonth2},
      {'m', 1, Kind::kMonth1},    {'d', 4, Kind::kDayName},     {'d', 3, Kind::kDayAbbrev},
      {'d', 2, Kind::kDay2},      {'d', 1, Kind::kDay1},        {'h', 2, Kind::kHour2},
      {'h', 1, Kind::kHour1},     {'n', 2, Kind::kMinute2},     {'n', 1, Kind::kMinute1},
      {'s', 2, Kind::kSecond2},   {'s', 1, Kind::kSecond1},     {'w', 2, Kind::kWeekOfYear},
      {'w', 1, Kind::kWeekday},   {'q', 1, Kind::kQuarter},
  };
  for (const Form& form : kForms) {
    if (form.letter == letter && form.length <= length) {
      used = form.length;
      return form.kind;
    }
  }
  used = 1;
  return Kind::kLiteral;
}

std::vector<Token> Tokenize(std::string_view pattern) {
  std::vector<Token> tokens;
  auto literal = [&tokens](std::string_view text) {
    if (tokens.empty() || tokens.back().kind != Kind::kLiteral)
      tokens.push_back({Kind::kLiteral, ""});
    tokens.back().literal.append(text);
  };
  size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    if (c == '"') {
      size_t close = pattern.find('"', i + 1);
      if (close == std::string_view::npos) close = pattern.size();
      literal(pattern.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (c == '\\') {
      if (i + 1 < pattern.size()) literal(pattern.substr(i + 1, 1));
      i += 2;
    } else if (pattern.substr(i, 5) == "AM/PM" || pattern.substr(i, 5) == "am/pm") {
      tokens.push_back({c == 'A' ? Kind::kAmPmUpper : Kind::kAmPmLower, ""});
      i += 5;
    } else {
      char letter = Lower(c);
      size_t run = 1;
      while (i + run < pattern.size() && Lower(pattern[i + run]) == letter) ++run;
      size_t used = 1;
      Kind kind = LetterToken(letter, run, used);
      if (kind == Kind::kLiteral)
        literal(pattern.substr(i, 1));
      else
        tokens.push_back({kind, ""});
      i += used;
    }
  }

  // "m" after an hour means minutes, whatever literal text stands between them.
  bool afterHour = false;
  for (Token& token : tokens) {
    if (token.kind == Kind::kLiteral) continue;
    if (afterHour && token.kind == Kind::kMonth2) token.kind = Kind::kMinute2;
    if (afterHour && token.kind == Kind::kMonth1) token.kind = Kind::kMinute1;
    afterHour = token.kind == Kind::kHour2 || token.kind == Kind::kHour1;
  }
  return tokens;
}

std::string TwoDigits(int value) {
  std::string digits = std::to_string(value);
  return digits.size() < 2 ? "0" + digits : digits;
}

std::string PaddedTo(int value, size_t width) {
  std::string digits = std::to_string(value);
  return digits.size() < width ? std::string(width - digits.size(), '0') + digits : digits;
}

// Names of values out of range are empty rather than read past the tables.
std::string MonthName(int month) {
  return month >= 1 && month <= 12 ? kMonthNames[static_cast<size_t>(month - 1)] : "";
}

std::string DayName(int weekday) {
  return weekday >= 0 && weekday <= 6 ? kDayNames[static_cast<size_t>(weekday)] : "";
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DayOfYear(const LocalDateTime& when) {
  static constexpr int kDaysBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  if (when.month < 1 || when.month > 12) return when.day;
  int leapDay = when.month > 2 && IsLeapYear(when.year) ? 1 : 0;
  return kDaysBefore[when.month - 1] + leapDay + when.day;
}

int WeekOfYear(const LocalDateTime& when) {
  int dayIndex = DayOfYear(when) - 1;
  int firstWeekday = ((when.weekday - dayIndex) % 7 + 7) % 7;
  return (dayIndex + firstWeekday) / 7 + 1;
}

}  // namespace

LocalDateTime ToLocalDateTime(std::time_t moment) {
  // A moment the C library cannot convert shows as 1900-01-01 00:00:00, visibly wrong.
  std::tm parts{};
  parts.tm_mday = 1;
  localtime_r(&moment, &parts);
  LocalDateTime when;
  when.year = parts.tm_year + 1900;
  when.month = parts.tm_mon + 1;
  when.day = parts.tm_mday;
  when.hour = parts.tm_hour;
  when.minute = parts.tm_min;
  when.second = parts.tm_sec;
  when.weekday = parts.tm_wday;
  return when;
}

LocalDateTime LocalNow() {
  return ToLocalDateTime(std::time(nullptr));
}

std::string FormatDateTime(std::string_view pattern, const LocalDateTime& when) {
  std::vector<Token> tokens = Tokenize(pattern);
  bool twelveHour = false;
  for (const Token& token : tokens)
    twelveHour |= token.kind == Kind::kAmPmUpper || token.kind == Kind::kAmPmLower;
  int hour = when.hour;
  if (twelveHour) hour = when.hour % 12 == 0 ? 12 : when.hour % 12;

  std::string out;
  for (const Token& token : tokens) {
    switch (token.kind) {
      case Kind::kLiteral:
        out += token.literal;
        break;
      case Kind::kYear4:
        out += PaddedTo(when.year, 4);
        break;
      case Kind::kYear2:
        out += TwoDigits(when.year % 100);
        break;
      case Kind::kDayOfYear:
        out += std::to_string(DayOfYear(when));
        break;
      case Kind::kMonthName:
        out += MonthName(when.month);
        break;
      case Kind::kMonthAbbrev:
        out += MonthName(when.month).substr(0, 3);
        break;
      case Kind::kMonth2:
        out += TwoDigits(when.month);
        break;
      case Kind::kMonth1:
        out += std::to_string(when.month);
        break;
      case Kind::kDayName:
        out += DayName(when.weekday);
        break;
      case Kind::kDayAbbrev:
        out += DayName(when.weekday).substr(0, 3);
        break;
      case Kind::kDay2:
        out += TwoDigits(when.day);
        break;
      case Kind::kDay1:
        out += std::to_string(when.day);
        break;
      case Kind::kHour2:
        out += TwoDigits(hour);
        break;
      case Kind::kHour1:
        out += std::to_string(hour);
        break;
      case Kind::kMinute2:
        out += TwoDigits(when.minute);
        break;
      case Kind::kMinute1:
        out += std::to_string(when.minute);
        break;
      case Kind::kSecond2:
        out += TwoDigits(when.second);
        break;
      case Kind::kSecond1:
        out += std::to_string(when.second);
        break;
      case Kind::kWeekOfYear:
        out += std::to_string(WeekOfYear(when));
        break;
      case Kind::kWeekday:
        out += std::to_string(when.weekday + 1);
        break;
      case Kind::kQuarter:
        out += std::to_string((when.month - 1) / 3 + 1);
        break;
      case Kind::kAmPmUpper:
        out += when.hour < 12 ? "AM" : "PM";
        break;
      case Kind::kAmPmLower:
        out += when.hour < 12 ? "am" : "pm";
        break;
    }
  }
  return out;
}

std::string Timestamp(std::string_view pattern) {
  return FormatDateTime(pattern, LocalNow());
}

}  // namespace pelvane::engine
