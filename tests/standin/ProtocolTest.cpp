// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "TdsBytes.h"
#include "standin/tds/Login7.h"
#include "standin/tds/LoginReplies.h"
#include "standin/tds/Packets.h"
#include "standin/tds/ParameterSubstitution.h"
#include "standin/tds/ParameterValue.h"
#include "standin/tds/PreloginEncryption.h"
#include "standin/tds/Requests.h"

namespace pelvane::standin::tds {
namespace {

using namespace std::string_literals;
using testing::BuildLogin7;
using testing::Bytes;
using testing::Header;
using testing::kAllHeaders;
using testing::kTds71;
using testing::kTds74;
using testing::Le16;
using testing::Le32;
using testing::LoginFields;
using testing::Wide;
const std::string kCollation = Bytes({0x09, 0x04, 0xD0, 0x00, 0x34});

// An in-memory stream: what a client sent, then its end.
class SentBytes : public ByteStream {
 public:
  explicit SentBytes(std::string bytes) : bytes_(std::move(bytes)) {}
  bool ReadExact(char* data, size_t size) override {
    if (bytes_.size() - at_ < size) return false;
    data = std::copy_n(bytes_.data() + at_, size, data);
    at_ += size;
    return true;
  }
  bool WriteAll(const std::string&) override { return true; }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

// Well-formed messages are the tsql and isql tests'; here what no client sends. Each is refused
// without reading past its end (the server-level table proves the connection ends cleanly).
TEST(ProtocolTest, MalformedInputIsAnError) {
  enum Parser { kStream, kLogin, kBatch, kRpc };
  const std::string login = BuildLogin7(LoginFields{});
  auto withUserAt = [&](uint16_t offset, uint16_t chars) {
    return login.substr(0, 40) + Le16(offset) + Le16(chars) + login.substr(44);
  };
  const std::string name = Le16(2) + Wide("sp") + Le16(0);
  struct Case {
    const char* what;
    Parser parser;
    std::string bytes;
  } cases[] = {
      {"stream: nothing sent", kStream, ""},
      {"stream: half a header", kStream, Bytes({0x01, 0x01, 0x00})},
      {"stream: length below the header", kStream, Header(kSqlBatch, 1, 4)},
      {"stream: payload cut short", kStream, Header(kSqlBatch, 1, 4000) + "abc"},
      {"stream: type changes", kStream, Header(kSqlBatch, 0, 9) + "x" + Header(kRpc, 1, 9) + "y"},
      {"stream: not TDS", kStream, "GET / HTTP/1.1\r\n"},
      {"stream: last packet never comes", kStream, Header(kSqlBatch, 0, 9) + "x"},
      {"login: empty", kLogin, ""},
      {"login: shorter than the fixed part", kLogin, login.substr(0, 60)},
      {"login: declared longer than sent", kLogin,
       Le32(uint32_t(login.size() + 1)) + login.substr(4)},
      {"login: declared below the fixed part", kLogin, Le32(20) + login.substr(4)},
      {"login: user beyond the end", kLogin, withUserAt(0xFFF0, 4)},
      {"login: user runs past the end", kLogin, withUserAt(uint16_t(login.size() - 2), 2)},
      {"login: strings cut off", kLogin, login.substr(0, login.size() - 4)},
      {"batch: headers past the end", kBatch, Le32(400) + Wide("x")},
      {"batch: headers shorter than 4", kBatch, Le32(2) + Wide("x")},
      {"batch: odd text length", kBatch, kAllHeaders + "abc"},
      {"batch: no headers", kBatch, ""},
      {"rpc: nothing", kRpc, ""},
      {"rpc: name cut", kRpc, Le16(20) + Wide("sp")},
      {"rpc: no option flags", kRpc, Le16(2) + Wide("sp")},
      {"rpc: parameter status missing", kRpc, name + Bytes({0})},
      {"rpc: type info cut", kRpc, name + Bytes({0, 0, 0xA7, 0x40})},
      {"rpc: value longer than sent", kRpc,
       name + Bytes({0, 0, 0xE7, 0x40, 0x1F}) + kCollation + Le16(10)},
      {"rpc: unknown type", kRpc, name + Bytes({0, 0, 0x99, 1})},
      {"rpc: PLP chunk past the end", kRpc,
       name + Bytes({0, 0, 0xE7, 0xFF, 0xFF}) + kCollation + Le32(4) + Le32(0) + Le32(40) + "ab"},
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
  LoginFields f;
  f.password = "\xE9\x00\x21\x20"s;  // "é‡": a password beyond ASCII survives unscrambling
  f.database.clear();
  Result<Login7Request> login = ParseLogin7(BuildLogin7(f));
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
      {"INT4", Bytes({0x38}) + Le32(0xFFFFFFFE), "-2", false},
      {"INTN 8", Bytes({0x26, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0x80}), "-9223372036854775808", false},
      {"INTN NULL", Bytes({0x26, 4, 0}), std::nullopt, false},
      {"BITN", Bytes({0x68, 1, 1, 1}), "1", false},
      {"FLTN 8", Bytes({0x6D, 8, 8, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}), "1.5", false},
      {"DECIMAL negative small", Bytes({0x6A, 17, 10, 3, 5, 0}) + Le32(5), "-0.005", false},
      {"DATETIME", Bytes({0x6F, 8, 8}) + Le32(45000) + Le32(300 * 3600 + 150),
       "2023-03-17 01:00:00.500", true},
      {"VARCHAR is code page 1252", Bytes({0xA7}) + Le16(8000) + kCollation + Le16(4) + "New\xE9",
       "New\xC3\xA9", true},
      {"VARCHAR NULL", Bytes({0xA7}) + Le16(8000) + kCollation + Le16(0xFFFF), std::nullopt, true},
      {"NVARCHAR(MAX) in two chunks",
       Bytes({0xE7, 0xFF, 0xFF}) + kCollation + Le32(6) + Le32(0) + Le32(2) + Wide("a") + Le32(4) +
           Wide("bc") + Le32(0),
       "abc", true},
      {"NVARCHAR(MAX) NULL", Bytes({0xE7, 0xFF, 0xFF}) + kCollation + std::string(8, '\xFF'),
       std::nullopt, true},
      {"VARBINARY", Bytes({0xA5, 0x40, 0x1F}) + Le16(2) + Bytes({0xAB, 0x01}), "0xAB01", false},
      {"NULL type", Bytes({0x1F}), std::nullopt, false},
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

TEST(ProtocolTest, ParametersArePutIntoTheText) {
  auto param = [](std::string name, std::optional<std::string> value, bool quoted) {
    RpcParameter p;
    p.name = std::move(name);
    p.value = std::move(value);
    p.quoted = quoted;
    return p;
  };
  struct Case {
    const char* what;
    std::string statement, declaration;
    std::vector<RpcParameter> values;
    std::string expected;
  } cases[] = {
      {"by position",
       "select @P1, @P2",
       "@P1 int,@P2 nvarchar(10)",
       {param("", "5", false), param("", "it's", true)},
       "select 5, N'it''s'"},
      {"by name, any case",
       "select @a + @B",
       "@a int, @b decimal(10,2)",
       {param("@b", "1.5", false), param("@A", "2", false)},
       "select 2 + 1.5"},
      {"longer names are other names",
       "select @P10, @P1",
       "@P1 int",
       {param("", std::nullopt, false)},
       "select @P10, NULL"},
      {"not inside string literals",
       "select '@P1 it''s @P1', @P1",
       "@P1 int",
       {param("", "7", false)},
       "select '@P1 it''s @P1', 7"},
  };
  for (const Case& c : cases) {
    Result<std::string> text = SubstituteParameters(c.statement, c.declaration, c.values);
    ASSERT_TRUE(text.ok()) << c.what << ": " << text.status().message();
    EXPECT_EQ(*text, c.expected) << c.what;
  }
  EXPECT_FALSE(
      SubstituteParameters("select @P1", "@P1 int", {param("", "1", false), param("", "2", false)})
          .ok());
}

}  // namespace
}  // namespace pelvane::standin::tds
