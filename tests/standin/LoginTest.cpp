// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "TdsBytes.h"
#include "standin/tds/Login7.h"
#include "standin/tds/LoginReplies.h"

namespace pelvane::standin::tds {
namespace {

using namespace std::string_literals;
using testing::BuildLogin7;
using testing::Le16;
using testing::Le32;
using testing::LoginFields;
using testing::Wide;

TEST(LoginTest, Login7FieldsAreRead) {
  LoginFields f;
  f.password = "\xE9\x00\x21\x20"s;  // "é‡": a password beyond ASCII survives unscrambling
  Result<Login7Request> login = ParseLogin7(BuildLogin7(f));
  ASSERT_TRUE(login.ok()) << login.status().message();
  EXPECT_EQ(login->tdsVersion, 0x74000004u);
  EXPECT_EQ(login->packetSize, 4096u);
  EXPECT_EQ(login->hostName, "box");
  EXPECT_EQ(login->userName, "sa");
  EXPECT_EQ(login->password, "\xC3\xA9\xE2\x80\xA1");
  EXPECT_EQ(login->appName, "tsql");
  EXPECT_EQ(login->serverName, "127.0.0.1");
  EXPECT_EQ(login->database, "pubs");

  f.password = Wide("Secret1");
  f.database.clear();
  login = ParseLogin7(BuildLogin7(f));
  ASSERT_TRUE(login.ok());
  EXPECT_EQ(login->password, "Secret1");
  EXPECT_EQ(login->database, "");
}

TEST(LoginTest, MalformedLogin7IsRefused) {
  std::string good = BuildLogin7(LoginFields{});
  auto withLength = [&](uint32_t length) { return Le32(length) + good.substr(4); };
  auto withUserAt = [&](uint16_t offset, uint16_t chars) {
    std::string bad = good;
    bad.replace(40, 4, Le16(offset) + Le16(chars));
    return bad;
  };
  struct Case {
    const char* what;
    std::string payload;
  } cases[] = {
      {"empty", ""},
      {"shorter than the fixed part", good.substr(0, 60)},
      {"declared longer than sent", withLength(static_cast<uint32_t>(good.size() + 1))},
      {"declared shorter than the fixed part", withLength(20)},
      {"user beyond the end", withUserAt(0xFFF0, 4)},
      {"user runs past the end", withUserAt(static_cast<uint16_t>(good.size() - 2), 2)},
      {"strings cut off", good.substr(0, good.size() - 4)},
  };
  for (const Case& c : cases) EXPECT_FALSE(ParseLogin7(c.payload).ok()) << c.what;
}

TEST(LoginTest, VersionAndPacketSizeAreNegotiated) {
  struct Case {
    uint32_t asked, answered;
  } versions[] = {{0x70000000, 0x71000001}, {0x72090002, 0x72090002}, {0x75000000, 0x74000004}};
  for (const Case& c : versions) EXPECT_EQ(NegotiateTdsVersion(c.asked), c.answered) << c.asked;
  struct SizeCase {
    uint32_t asked, answered;
  } sizes[] = {{0, 4096}, {511, 4096}, {512, 512}, {32767, 32767}, {32768, 4096}};
  for (const SizeCase& c : sizes) EXPECT_EQ(NegotiatePacketSize(c.asked), c.answered) << c.asked;
}

}  // namespace
}  // namespace pelvane::standin::tds
