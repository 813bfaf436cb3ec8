// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <ctime>

#include "engine/DateTimeFormat.h"

namespace pelvane::engine {
namespace {

// Monday 5 March 2007, 14:07:09.
constexpr LocalDateTime kAfternoon{2007, 3, 5, 14, 7, 9, 1};

TEST(DateTimeFormatTest, FormatsTheClassicTokens) {
  struct Case {
    const char* pattern;
    LocalDateTime when;
    const char* expected;
  } cases[] = {
      {kDefaultDateTimeFormat, kAfternoon, "2007-Mar-05 14:07:09"},
      {"yyyy-mm-dd hh:mm:ss", kAfternoon, "2007-03-05 14:07:09"},  // mm after hh is minutes
      {"yy/m/d h:n:s", kAfternoon, "07/3/5 14:7:9"},
      {"mmmm mmm mm m", kAfternoon, "March Mar 03 3"},
      {"dddd ddd dd d", kAfternoon, "Monday Mon 05 5"},
      {"hh nn mm", kAfternoon, "14 07 03"},  // the nearest token before mm is a minute
      {"hh mmm", kAfternoon, "14 Mar"},      // only m and mm become minutes
      {"YYYY-MMM-DD HH:MM:SS", kAfternoon, "2007-Mar-05 14:07:09"},
      {"hh:nn AM/PM", kAfternoon, "02:07 PM"},
      {"h am/pm", LocalDateTime{2007, 3, 5, 0, 0, 0, 1}, "12 am"},
      {"AM/PM h", LocalDateTime{2007, 3, 5, 12, 0, 0, 1}, "PM 12"},
      {"\"day\" d \\d\\a\\y", kAfternoon, "day 5 day"},
      {"yyyyy", kAfternoon, "200764"},  // yyyy, then y: day of year
      {"q w ww", kAfternoon, "1 2 10"},
      {"ww", LocalDateTime{2005, 1, 1, 0, 0, 0, 6}, "1"},  // a Saturday: week 1
      {"ww", LocalDateTime{2005, 1, 2, 0, 0, 0, 0}, "2"},  // the next Sunday opens week 2
      {"y", LocalDateTime{2008, 12, 31, 0, 0, 0, 3}, "366"},
      {"y", LocalDateTime{1900, 12, 31, 0, 0, 0, 1}, "365"},  // a century is no leap year
      {"yyyy yy", LocalDateTime{905, 1, 1, 0, 0, 0, 0}, "0905 05"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, c.when), c.expected) << c.pattern;
}

TEST(DateTimeFormatTest, ConvertsToTheLocalCalendar) {
  std::tm parts{};
  parts.tm_year = 2007 - 1900, parts.tm_mon = 2, parts.tm_mday = 5;
  parts.tm_hour = 14, parts.tm_min = 7, parts.tm_sec = 9, parts.tm_isdst = -1;
  LocalDateTime when = ToLocalDateTime(std::mktime(&parts));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss dddd", when), "2007-03-05 14:07:09 Monday");
}

}  // namespace
}  // namespace pelvane::engine
