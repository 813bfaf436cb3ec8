// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "TdsBytes.h"
#include "standin/tds/ByteReader.h"
#include "standin/tds/ReplyBuilder.h"

namespace pelvane::standin::tds {
namespace {

using testing::Bytes;
using testing::kTds71;
using testing::kTds74;
using testing::Le32;

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
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 'x'), 4000);

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

}  // namespace
}  // namespace pelvane::standin::tds
