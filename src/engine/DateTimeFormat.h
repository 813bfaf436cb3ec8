// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace pelvane::engine {

/// A calendar date and clock time as the local clock shows it.
struct LocalDateTime {
  int year = 0;
  int month = 1;  // 1-12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 0;  // 0 = Sunday
};

/// The moment in the local time zone.
LocalDateTime ToLocalDateTime(std::time_t moment);
LocalDateTime LocalNow();

constexpr char kDefaultDateTimeFormat[] = "yyyy-mmm-dd hh:mm:ss";

/// Formats with the classic date-format tokens, matched without regard to case:
/// yyyy yy y (day of year), mmmm mmm mm m, dddd ddd dd d, hh h, nn n, ss s, ww w (week of year,
/// weekday 1-7; weeks start on Sunday and week 1 holds 1 January), q (quarter), and "AM/PM" or
/// "am/pm", which switch every hour in the pattern to the 12-hour clock. "mm" and "m" are
/// minutes when the nearest date/time token before them is an hour. Text in double quotes and
/// the character after a backslash are copied as they are, as is every other character.
/// Month and day names are English.
std::string FormatDateTime(std::string_view pattern, const LocalDateTime& when);

/// The current local date and time in the given pattern.
std::string Timestamp(std::string_view pattern);

}  // namespace pelvane::engine
