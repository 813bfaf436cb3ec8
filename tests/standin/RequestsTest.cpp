// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "TdsBytes.h"
#include "standin/tds/ParameterSubstitution.h"
#include "standin/tds/ParameterValue.h"
#include "standin/tds/Requests.h"

namespace pelvane::standin::tds {
namespace {

using testing::Bytes;
using testing::kAllHeaders;
using testing::kTds71;
using testing::kTds74;
using testing::Le16;
using testing::Le32;
using testing::Wide;
const std::string kCollation = Bytes({0x09, 0x04, 0xD0, 0x00, 0x34});

// Well-formed batches at each version are the tsql tests'; here what no client sends.
TEST(RequestsTest, MalformedSqlBatchIsAnError) {
  EXPECT_FALSE(ParseSqlBatch(Le32(400) + Wide("x"), kTds74).ok()) << "headers past the end";
  EXPECT_FALSE(ParseSqlBatch(Le32(2) + Wide("x"), kTds74).ok()) << "headers shorter than 4";
  EXPECT_FALSE(ParseSqlBatch(kAllHeaders + "abc", kTds74).ok()) << "odd text length";
  EXPECT_FALSE(ParseSqlBatch("", kTds74).ok()) << "no headers";
}

TEST(RequestsTest, CallsByNumberNamedOutputsAndBatches) {
  std::string byId =
      Le16(0xFFFF) + Le16(13) + Le16(0) + Bytes({2}) + Wide("@h") + Bytes({1, 0x26, 4, 0});
  std::string second = Le16(3) + Wide("abc") + Le16(0);
  Result<std::vector<RpcCall>> calls =
      ParseRpc(kAllHeaders + byId + Bytes({0xFF}) + second, kTds74);
  ASSERT_TRUE(calls.ok()) << calls.status().message();
  ASSERT_EQ(calls->size(), 2u);
  EXPECT_EQ((*calls)[0].procedureName, "sp_prepexec");
  ASSERT_EQ((*calls)[0].parameters.size(), 1u);
  EXPECT_EQ((*calls)[0].parameters[0].name, "@h");
  EXPECT_TRUE((*calls)[0].parameters[0].output);
  EXPECT_EQ((*calls)[0].parameters[0].value, std::nullopt);
  EXPECT_EQ((*calls)[1].procedureName, "abc");
  EXPECT_TRUE((*calls)[1].parameters.empty());
}

TEST(RequestsTest, TruncatedOrUnknownRpcIsAnError) {
  std::string name = Le16(2) + Wide("sp") + Le16(0);
  struct Case {
    const char* what;
    std::string payload;
  } cases[] = {
      {"nothing", ""},
      {"name cut", Le16(20) + Wide("sp")},
      {"no option flags", Le16(2) + Wide("sp")},
      {"parameter status missing", name + Bytes({0})},
      {"type info cut", name + Bytes({0, 0, 0xA7, 0x40})},
      {"value longer than sent", name + Bytes({0, 0, 0xE7, 0x40, 0x1F}) + kCollation + Le16(10)},
      {"unknown type", name + Bytes({0, 0, 0x99, 1})},
      {"PLP chunk past the end",
       name + Bytes({0, 0, 0xE7, 0xFF, 0xFF}) + kCollation + Le32(4) + Le32(0) + Le32(40) + "ab"},
  };
  for (const Case& c : cases) EXPECT_FALSE(ParseRpc(c.payload, kTds71).ok()) << c.what;
  Result<std::vector<RpcCall>> unknown = ParseRpc(cases[6].payload, kTds71);
  EXPECT_NE(unknown.status().message().find("0x99"), std::string::npos);
}

TEST(RequestsTest, ParameterValuesAsText) {
  struct Case {
    const char* what;
    std::string bytes;
    std::optional<std::string> text;
    bool quoted;
  } cases[] = {
      {"INT4", Bytes({0x38}) + Le32(0xFFFFFFFE), "-2", false},
      {"INT1 is unsigned", Bytes({0x30, 0xFF}), "255", false},
      {"INTN 8", Bytes({0x26, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0x80}), "-9223372036854775808", false},
      {"INTN NULL", Bytes({0x26, 4, 0}), std::nullopt, false},
      {"BITN", Bytes({0x68, 1, 1, 1}), "1", false},
      {"FLTN 8", Bytes({0x6D, 8, 8, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}), "1.5", false},
      {"MONEY negative", Bytes({0x3C, 0xFF, 0xFF, 0xFF, 0xFF}) + Le32(0xFFFFFFFF), "-0.0001",
       false},
      {"DECIMAL negative small", Bytes({0x6A, 17, 10, 3, 5, 0}) + Le32(5), "-0.005", false},
      {"DECIMAL 16-byte", Bytes({0x6C, 17, 38, 0, 17, 1}) + std::string(15, '\0') + "\x01",
       "1329227995784915872903807060280344576", false},
      {"DATETIME", Bytes({0x6F, 8, 8}) + Le32(45000) + Le32(300 * 3600 + 150),
       "2023-03-17 01:00:00.500", true},
      {"DATETIME before 1900", Bytes({0x3D}) + Le32(0xFFFFFFFF) + Le32(0),
       "1899-12-31 00:00:00.000", true},
      {"DATETIME2N scale 3",
       Bytes({0x2A, 3, 7}) + Bytes({0xE8, 0x03, 0, 0}) + Bytes({0x3A, 0xF9, 0x0A}),
       "1970-01-01 00:00:01.000", true},
      {"GUID",
       Bytes({0x24, 16, 16, 0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB,
              0xCC, 0xDD, 0xEE, 0xFF}),
       "00112233-4455-6677-8899-AABBCCDDEEFF", true},
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
      {"NTEXT", Bytes({0x63}) + Le32(100) + kCollation + Le32(2) + Wide("z"), "z", true},
      {"TEXT NULL", Bytes({0x23}) + Le32(100) + kCollation + Le32(0xFFFFFFFF), std::nullopt, true},
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

TEST(RequestsTest, ParametersArePutIntoTheText) {
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
      {"system functions untouched",
       "select @@SERVERNAME, @P1",
       "@P1 int",
       {param("", "1", false)},
       "select @@SERVERNAME, 1"},
      {"no parameters", "select 1", "", {}, "select 1"},
  };
  for (const Case& c : cases) {
    Result<std::string> text = SubstituteParameters(c.statement, c.declaration, c.values);
    ASSERT_TRUE(text.ok()) << c.what << ": " << text.status().message();
    EXPECT_EQ(*text, c.expected) << c.what;
  }
  EXPECT_FALSE(
      SubstituteParameters("select @P1", "@P1 int", {param("", "1", false), param("", "2", false)})
          .ok());
  EXPECT_EQ(DeclaredParameterNames("@x decimal(10, 2), @y int OUTPUT"),
            (std::vector<std::string>{"@x", "@y"}));
}

}  // namespace
}  // namespace pelvane::standin::tds
