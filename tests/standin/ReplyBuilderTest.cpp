#include <gtest/gtest.h>

#include "TdsBytes.h"
#include "standin/tds/ByteReader.h"
#include "standin/tds/ReplyBuilder.h"

namespace pelvane::standin::tds {
namespace {

using testing::Bytes;
using testing::Le16;
using testing::Le32;
using testing::Wide;

constexpr uint32_t kTds74 = 0x74000004;
constexpr uint32_t kTds71 = 0x71000001;

std::string Done(int token, int status, uint64_t rows) {
  return Bytes({token, status & 0xFF, status >> 8, 0, 0}) + Le32(static_cast<uint32_t>(rows)) +
         Le32(0);
}

// Reads the type byte of each column in a COLMETADATA that starts the reply.
std::vector<int> ColumnTypes(const std::string& reply, bool wide) {
  ByteReader in(reply, 1);
  std::vector<int> types;
  uint16_t count = in.U16();
  for (uint16_t c = 0; c < count && in.ok(); ++c) {
    in.Skip(wide ? 6 : 4);
    int type = in.U8();
    types.push_back(type);
    if (type == 0xE7) {
      types.push_back(in.U16());
      in.Skip(5);
    } else {
      in.U8();
    }
    in.Skip(size_t{in.U8()} * 2);
  }
  return types;
}

TEST(ReplyBuilderTest, ColumnsWidenToFitTheirValues) {
  std::string longText(5000, 'x');
  struct Case {
    const char* what;
    ColumnType declared;
    Value value;
    uint32_t version;
    std::vector<int> wireType;
  } cases[] = {
      {"integer stays integer", ColumnType::kInteger, int64_t{5}, kTds74, {0x26}},
      {"float in an integer column", ColumnType::kInteger, 2.5, kTds74, {0x6D}},
      {"text in an integer column", ColumnType::kInteger, std::string("x"), kTds74, {0xE7, 8000}},
      {"integer in a float column", ColumnType::kFloat, int64_t{3}, kTds74, {0x6D}},
      {"long text at 7.4", ColumnType::kText, longText, kTds74, {0xE7, 0xFFFF}},
      {"long text at 7.1", ColumnType::kText, longText, kTds71, {0xE7, 8000}},
  };
  for (const Case& c : cases) {
    ResultSet rs;
    rs.columns = {{"c", c.declared}};
    rs.rows = {{c.value}};
    ReplyBuilder reply(c.version, "SRV");
    reply.AddBatch(BatchOutcome{{rs}});
    std::string bytes = reply.Finish();
    EXPECT_EQ(ColumnTypes(bytes, c.version == kTds74), c.wireType) << c.what;
  }

  // Before 7.2 there is no NVARCHAR(MAX): the text is cut to 4000 characters.
  ResultSet rs;
  rs.columns = {{"c", ColumnType::kText}};
  rs.rows = {{longText}};
  ReplyBuilder old(kTds71, "SRV");
  old.AddBatch(BatchOutcome{{rs}});
  std::string bytes = old.Finish();
  EXPECT_NE(bytes.find(Bytes({0xD1, 0x40, 0x1F, 'x', 0})), std::string::npos);
  EXPECT_EQ(bytes.size(), 3 + 2 + 2 + 1 + 2 + 5 + 1 + 2 + 1 + 2 + 8000 + 9u);

  ReplyBuilder plp(kTds74, "SRV");
  plp.AddBatch(BatchOutcome{{rs}});
  bytes = plp.Finish();
  std::string plpValue = Bytes({0xD1}) + Le32(10000) + Le32(0) + Le32(10000);
  EXPECT_NE(bytes.find(plpValue), std::string::npos) << "PLP length and first chunk";
}

TEST(ReplyBuilderTest, OnlyTheLastDoneLacksTheMoreBit) {
  ErrorMessage error;
  error.number = 208;
  error.text = "Invalid object name 'nope'.";
  InfoMessage print;
  print.text = "hello";
  struct Case {
    const char* what;
    std::vector<BatchEvent> events;
    std::string dones;
  } cases[] = {
      {"empty batch", {}, Done(0xFD, 0x00, 0)},
      {"three statements",
       {StatementDone{1, false}, StatementDone{}, StatementDone{0, false}},
       Done(0xFD, 0x11, 1) + Done(0xFD, 0x01, 0) + Done(0xFD, 0x10, 0)},
      {"error without its own DONE",
       {StatementDone{3, false}, error},
       Done(0xFD, 0x11, 3) + Done(0xFD, 0x02, 0)},
      {"error then DONE", {error, StatementDone{}}, Done(0xFD, 0x02, 0)},
      {"message after the last DONE",
       {StatementDone{}, print},
       Done(0xFD, 0x01, 0) + Done(0xFD, 0x00, 0)},
  };
  for (const Case& c : cases) {
    ReplyBuilder reply(kTds74, "SRV");
    reply.AddBatch(BatchOutcome{c.events});
    std::string bytes = reply.Finish();
    std::string dones;
    for (size_t at = 0; (at = bytes.find('\xFD', at)) != std::string::npos;) {
      dones += bytes.substr(at, 13);
      at += 13;
    }
    EXPECT_EQ(dones, c.dones) << c.what;
  }
}

TEST(ReplyBuilderTest, MessagesAndProcedures) {
  ErrorMessage error;
  error.number = 15211;
  error.severity = 16;
  error.text = "Old";
  error.procedure = "sp_password";
  error.line = 7;
  RpcOutcome outcome{{error}, 1};

  for (uint32_t version : {kTds71, kTds74}) {
    ReplyBuilder reply(version, "S");
    reply.AddProcedure(outcome);
    reply.AddProcedure(RpcOutcome{{StatementDone{}}, 0}, {{0, "@h", 9}});
    std::string bytes = reply.Finish();
    bool wide = version == kTds74;
    std::string line = wide ? Le32(7) : Le16(7);
    std::string expected =
        Bytes({0xAA}) + Le16(static_cast<uint32_t>(4 + 2 + 2 + 6 + 1 + 2 + 1 + 22 + line.size())) +
        Le32(15211) + Bytes({1, 16, 3, 0}) + Wide("Old") + Bytes({1}) + Wide("S") + Bytes({11}) +
        Wide("sp_password") + line + Bytes({0x79}) + Le32(1);
    auto done = [&](int token, int status) {
      return Bytes({token, status, 0, 0, 0}) + (wide ? std::string(8, '\0') : Le32(0));
    };
    expected += done(0xFE, 0x03);
    expected += done(0xFF, 0x01) + Bytes({0x79}) + Le32(0);
    expected += Bytes({0xAC, 0, 0, 2}) + Wide("@h") + Bytes({1}) + (wide ? Le32(0) : Le16(0)) +
                Bytes({1, 0, 0x26, 4, 4}) + Le32(9);
    expected += done(0xFE, 0x00);
    EXPECT_EQ(bytes, expected) << std::hex << version;
  }

  ReplyBuilder cancel(kTds74, "S");
  cancel.AddAttentionAck();
  EXPECT_EQ(cancel.Finish(), Done(0xFD, 0x20, 0));
}

TEST(ReplyBuilderTest, DatabaseChangeAndNonAsciiText) {
  ResultSet rs;
  rs.columns = {{"n\xC3\xA4me", ColumnType::kText}};
  rs.rows = {{std::string("\xF0\x9F\x98\x80")}};  // outside the BMP: a surrogate pair
  ReplyBuilder reply(kTds74, "SRV");
  reply.AddBatch(BatchOutcome{{DatabaseChanged{"master", "pubs"}, rs, StatementDone{1, false}}});
  std::string bytes = reply.Finish();
  std::string envChange =
      Bytes({0xE3}) + Le16(23) + Bytes({1, 4}) + Wide("pubs") + Bytes({6}) + Wide("master");
  EXPECT_EQ(bytes.substr(0, envChange.size()), envChange);
  EXPECT_NE(bytes.find(Bytes({4, 'n', 0, 0xE4, 0, 'm', 0, 'e', 0})), std::string::npos);
  EXPECT_NE(bytes.find(Bytes({0xD1, 4, 0, 0x3D, 0xD8, 0x00, 0xDE})), std::string::npos);
}

}  // namespace
}  // namespace pelvane::standin::tds
