// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <thread>

#include "TdsBytes.h"
#include "standin/tds/Packets.h"

namespace pelvane::standin::tds {
namespace {

using testing::Bytes;
using testing::Header;

struct SocketPair {
  SocketPair() {
    int fds[2];
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
    server = Socket(fds[0]);
    client = Socket(fds[1]);
  }
  Socket server, client;
};

TEST(PacketsTest, RepliesAreSplitAtThePacketSize) {
  struct Case {
    size_t payload;
    size_t packetSize;
    std::vector<size_t> packetLengths;
  } cases[] = {
      {0, 4096, {8}},
      {10, 4096, {18}},
      {4088, 4096, {4096}},
      {4089, 4096, {4096, 9}},
      {10000, 512, std::vector<size_t>(19, 512)},
  };
  cases[4].packetLengths.push_back(8 + 10000 - 19 * 504);
  for (const Case& c : cases) {
    std::string payload(c.payload, 'p');
    std::string wire = EncodePackets(kReply, 0x0033, payload, c.packetSize);
    size_t at = 0;
    std::string joined;
    for (size_t i = 0; i < c.packetLengths.size(); ++i) {
      ASSERT_LT(at + 8, wire.size() + 1) << c.payload;
      auto byte = [&](size_t k) { return static_cast<unsigned char>(wire[at + k]); };
      size_t length = size_t{byte(2)} << 8 | byte(3);
      EXPECT_EQ(length, c.packetLengths[i]) << c.payload << " packet " << i;
      EXPECT_EQ(byte(0), kReply);
      EXPECT_EQ(byte(1), i + 1 == c.packetLengths.size() ? 1 : 0) << "end-of-message bit";
      EXPECT_EQ(byte(5), 0x33) << "SPID";
      EXPECT_EQ(byte(6), (i + 1) & 0xFF) << "packet id";
      joined += wire.substr(at + 8, length - 8);
      at += length;
    }
    EXPECT_EQ(at, wire.size()) << c.payload;
    EXPECT_EQ(joined, payload) << c.payload;
  }
}

TEST(PacketsTest, ClientMessagesAreJoinedAcrossPackets) {
  SocketPair pair;
  std::string first(100, 'a'), second(50, 'b');
  ASSERT_TRUE(pair.client.WriteAll(Header(kSqlBatch, 0, 108) + first + Header(kSqlBatch, 1, 58) +
                                   second + Header(kAttention, 1, 8)));
  Result<Message> batch = ReadMessage(pair.server);
  ASSERT_TRUE(batch.ok()) << batch.status().message();
  EXPECT_EQ(batch->type, kSqlBatch);
  EXPECT_EQ(batch->payload, first + second);
  Result<Message> attention = ReadMessage(pair.server);
  ASSERT_TRUE(attention.ok());
  EXPECT_EQ(attention->type, kAttention);
  EXPECT_TRUE(attention->payload.empty());
}

TEST(PacketsTest, BrokenStreamsAreErrorsNotCrashes) {
  struct Case {
    const char* what;
    std::string bytes;
    bool cleanEnd;
  } cases[] = {
      {"nothing sent", "", true},
      {"half a header", Bytes({0x01, 0x01, 0x00}), false},
      {"length below the header", Header(kSqlBatch, 1, 4), false},
      {"payload cut short", Header(kSqlBatch, 1, 4000) + "abc", false},
      {"type changes mid-message", Header(kSqlBatch, 0, 9) + "x" + Header(kRpc, 1, 9) + "y", false},
      {"not TDS at all", "GET / HTTP/1.1\r\n", false},
      {"last packet never comes", Header(kSqlBatch, 0, 9) + "x", false},
  };
  for (const Case& c : cases) {
    SocketPair pair;
    ASSERT_TRUE(pair.client.WriteAll(c.bytes));
    pair.client.Shutdown();
    Result<Message> message = ReadMessage(pair.server);
    EXPECT_FALSE(message.ok()) << c.what;
    EXPECT_EQ(message.status().number() == kPeerClosed, c.cleanEnd) << c.what;
  }
}

}  // namespace
}  // namespace pelvane::standin::tds
