// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "TdsBytes.h"
#include "standin/tds/Login7.h"
#include "standin/tds/LoginReplies.h"
#include "standin/tds/Packets.h"
#include "standin/tds/ParameterValue.h"
#include "standin/tds/PreloginEncryption.h"
#include "standin/tds/Requests.h"

namespace pelvane::standin::tds {
namespace {

using namespace std::string_literals;
using namespace pelvane::testing;  // the byte-writing helpers
const std::string kCollation = Bytes({0x09, 0x04, 0xD0, 0x00, 0x34});

// An in-memory stream: what a client sent, then its end.
struct SentBytes : ByteStream {
  explicit SentBytes(std::string sent) : bytes(std::move(sent)) {}
  bool ReadExact(char* data, size_t size) override {
    if (bytes.size() - at < size) return false;
    std::copy_n(bytes.data() + at, size, data);
    at += size;
    return true;
  }
  bool WriteAll(const std::string&) override { return true; }
  std::string bytes;
  size_t at = 0;
};

// Well-formed messages are the tsql and isql tests'; here what no client sends. Each is refused
// without reading past its end (the server-level table proves the connection ends cleanly).
TEST(ProtocolTest, MalformedInputIsAnError) {
  enum Parser { kStream, kLogin, kBatch, kRpc };
  const std::string login = BuildLogin7();
  const std::string name = Le16(2) + Wide("sp") + Le16(0);
  struct Case {
    const char* what;
    Parser parser;
    std::string bytes;
  } cases[] = {
      {"stream: nothing sent", kStream, ""},
      {"stream: half a header", kStream, Bytes({0x01, 0x01, 0x00})},
      {"stream: length below the header", kStream, Header(kSqlBatch, 1, 4)},
      {"stream: type changes", kStream, Header(kSqlBatch, 0, 9) + "x" + Header(kRpc, 1, 9) + "y"},
      {"login: shorter than the fixed part", kLogin, login.substr(0, 60)},
      {"login: user runs past the end", kLogin,
       login.substr(0, 40) + Le16(uint16_t(login.size() - 2)) + Le16(2) + login.substr(44)},
      {"batch: headers past the end", kBatch, Le32(400) + Wide("x")},
      {"batch: odd text length", kBatch, kAllHeaders + "abc"},
      {"rpc: name cut", kRpc, Le16(20) + Wide("sp")},
      {"rpc: value longer than sent", kRpc,
       name + Bytes({0, 0, 0xE7, 0x40, 0x1F}) + kCollation + Le16(10)},
      {"rpc: unknown type", kRpc, name + Bytes({0, 0, 0x99, 1})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Status status = Status::Ok();
    if (c.parser == kStream) {
      SentBytes sent(c.bytes);
      status = ReadMessage(sent).status();
      EXPECT_EQ(status.number() == kPeerClosed, c.bytes.empty())
          << "a clean end only between messages";
    } else if (c.parser == kLogin) {
      status = ParseLogin7(c.bytes).status();
    } else if (c.parser == kBatch) {
      status = ParseSqlBatch(c.bytes, kTds74).status();
    } else {
      status = ParseRpc(c.bytes, kTds71).status();
    }
    EXPECT_FALSE(status.ok());
  }
  EXPECT_NE(ParseRpc(name + Bytes({0, 0, 0x99, 1}), kTds71).status().message().find("0x99"),
            std::string::npos);

  // PRELOGIN: VERSION, then ENCRYPTION "not supported"; cut short anywhere, the protocol's
  // default instead of a read past the end.
  const std::string prelogin(
      "\x00\x00\x0B\x00\x06\x01\x00\x11\x00\x01\xFF\x0B\x00\x06\x00\x00\x00\x02", 18);
  EXPECT_EQ(ClientEncryptionByte(prelogin), 0x02);
  for (size_t size = 0; size < prelogin.size(); ++size)
    EXPECT_EQ(ClientEncryptionByte(prelogin.substr(0, size)), 0x00) << size;
}

// tsql logs in with ASCII names at 7.1 to 7.4; here the rest of what a login carries.
TEST(ProtocolTest, LoginIsReadAndNegotiated) {
  // "é‡": a password beyond ASCII survives unscrambling.
  Result<Login7Request> login = ParseLogin7(BuildLogin7(Wide("sa"), "\xE9\x00\x21\x20"s, ""));
  ASSERT_TRUE(login.ok()) << login.status().message();
  EXPECT_EQ(login->password, "\xC3\xA9\xE2\x80\xA1");
  EXPECT_EQ(login->database, "");
  EXPECT_EQ(login->packetSize, 4096u);

  struct Case {
    uint32_t asked, answered;
  } versions[] = {{0x70000000, 0x71000001}, {0x72090002, 0x72090002}, {0x75000000, 0x74000004}},
    sizes[] = {{0, 4096}, {511, 4096}, {512, 512}, {32767, 32767}, {32768, 4096}};
  for (const Case& c : versions) EXPECT_EQ(NegotiateTdsVersion(c.asked), c.answered) << c.asked;
  for (const Case& c : sizes) EXPECT_EQ(NegotiatePacketSize(c.asked), c.answered) << c.asked;
}

TEST(ProtocolTest, ParameterValuesAsText) {
  struct Case {
    const char* what;
    std::string bytes;
    std::optional<std::string> text;
    bool quoted;
  } cases[] = {
      {"INTN 8", Bytes({0x26, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0x80}), "-9223372036854775808", false},
      {"DECIMAL negative small", Bytes({0x6A, 17, 10, 3, 5, 0}) + Le32(5), "-0.005", false},
      {"VARCHAR is code page 1252", Bytes({0xA7}) + Le16(8000) + kCollation + Le16(4) + "New\xE9",
       "New\xC3\xA9", true},
      {"VARCHAR NULL", Bytes({0xA7}) + Le16(8000) + kCollation + Le16(0xFFFF), std::nullopt, true},
      {"NVARCHAR(MAX) in two chunks",
       Bytes({0xE7, 0xFF, 0xFF}) + kCollation + Le32(6) + Le32(0) + Le32(2) + Wide("a") + Le32(4) +
           Wide("bc") + Le32(0),
       "abc", true},
  };
  for (const Case& c : cases) {
    ByteReader in(c.bytes);
    Result<ParameterValue> value = ReadParameterValue(in);
    ASSERT_TRUE(value.ok()) << c.what << ": " << value.status().message();
    EXPECT_EQ(value->text, c.text) << c.what;
    EXPECT_EQ(value->quoted, c.quoted) << c.what;
    EXPECT_TRUE(in.atEnd()) << c.what << " left bytes unread";
  }
}

}  // namespace
}  // namespace pelvane::standin::tds
