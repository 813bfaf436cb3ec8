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

// Whole messages (split replies, batches over several packets) are the client tests' work.
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
