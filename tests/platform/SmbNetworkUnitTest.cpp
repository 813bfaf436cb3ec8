// SPDX-License-Identifier: GPL-3.0-or-later
#include <errno.h>
#include <gtest/gtest.h>

#include <tuple>

#include "engine/ports/NetworkShares.h"
#include "platform/NetRpcServiceControl.h"
#include "platform/SmbErrorMap.h"
#include "platform/SmbNegotiate.h"
#include "platform/SmbPath.h"

namespace pelvane::platform {
namespace {

namespace code = engine::connect_code;
using engine::ServiceState;

TEST(SmbPathTest, EveryFormNamesTheSamePlace) {
  struct Case {
    std::string text;
    std::string display;  // empty: not a network path of a share
    std::string url;
  };
  for (const Case& c : {
           Case{"\\\\srv\\share\\folder\\", "smb://srv/share/folder", "smb://srv/share/folder"},
           Case{"SMB://srv:4450/share/a\\b/", "smb://srv:4450/share/a/b",
                "smb://srv:4450/share/a/b"},
           Case{"\\\\srv\\share\\my file%?.txt", "smb://srv/share/my file%?.txt",
                "smb://srv/share/my%20file%25%3F.txt"},
           Case{"smb://[::1]:445/share/x", "smb://[::1]:445/share/x", "smb://[::1]:445/share/x"},
           Case{"\\\\srv", "", ""},
           Case{"\\\\srv\\share\\..\\other", "", ""},
           Case{"\\\\srv:0\\share", "", ""},
           Case{"\\\\srv:99999\\share", "", ""},
           Case{"C:\\folder", "", ""},
       }) {
    const std::optional<SmbPath> path = ParseSmbPath(c.text);
    EXPECT_EQ(path ? path->Display() : "", c.display) << c.text;
    EXPECT_EQ(path ? path->Url() : "", c.url) << c.text;
  }
  const SmbPath folder = *ParseSmbPath("\\\\SRV\\Share\\dir");
  EXPECT_TRUE(folder.Contains(*ParseSmbPath("smb://srv/share/dir/x.txt")));
  EXPECT_TRUE(folder.Contains(*ParseSmbPath("//srv/SHARE/DIR")));
  EXPECT_FALSE(folder.Contains(*ParseSmbPath("//srv/share/dir2/x")));
  EXPECT_FALSE(folder.Contains(*ParseSmbPath("//srv:4450/share/dir/x")));
  EXPECT_EQ(ParseSmbPath("//srv/share/a/b.txt")->Parent().Child(".b.part").Display(),
            "smb://srv/share/a/.b.part");
}

TEST(SmbErrorMapTest, OneTableOfClasses) {
  struct Case {
    int error;
    SmbStage stage;
    int connectCode;
    int fileNumber;
  };
  for (const Case& c : {
           Case{EACCES, SmbStage::kLogon, code::kLogonFailure, 75},
           Case{EACCES, SmbStage::kInside, code::kAccessDenied, 75},
           Case{ENOENT, SmbStage::kLogon, code::kBadNetworkName, 76},
           Case{ENOTDIR, SmbStage::kInside, code::kBadNetworkName, 76},
           Case{EEXIST, SmbStage::kInside, code::kExtendedError, 58},
           Case{ECONNREFUSED, SmbStage::kLogon, code::kNoNetOrBadPath, 57},
           Case{ENOSPC, SmbStage::kInside, code::kExtendedError, 57},
       }) {
    const SmbFailure failure = ClassifySmbError(c.error, c.stage);
    EXPECT_EQ(failure.connectCode, c.connectCode) << c.error;
    EXPECT_EQ(failure.fileNumber, c.fileNumber) << c.error;
    EXPECT_FALSE(failure.text.empty()) << c.error;
  }
  // Anything else still says what the system said.
  EXPECT_NE(ClassifySmbError(ENOSPC, SmbStage::kInside).text.find("No space left"),
            std::string::npos);
}

std::string Bytes(std::initializer_list<std::pair<size_t, std::string>> fields, size_t size) {
  std::string bytes(size, '\0');
  for (const auto& [at, value] : fields) bytes.replace(at, value.size(), value);
  return bytes;
}

// 2026-12-07 12:24:31 UTC as a FILETIME, little-endian.
const std::string kFileTime("\x80\xA9\xF1\xE8\x45\x86\xDD\x01", 8);
constexpr std::time_t kUnixTime = 1796646271;

TEST(SmbNegotiateTest, ReadsTheClockOfEitherAnswer) {
  struct Case {
    const char* name;
    std::string payload;
    bool read;
    std::optional<int> zone;
  };
  const std::string smb1 = "\xFFSMB\x72";
  const std::string smb2 = "\xFESMB";
  for (const Case& c : {
           Case{"SMB1 with zone -60",
                Bytes({{0, smb1}, {32, "\x11"}, {56, kFileTime}, {64, "\xC4\xFF"}}, 80), true, -60},
           Case{"SMB1 refused", Bytes({{0, smb1}, {5, "\x22"}, {32, "\x11"}, {56, kFileTime}}, 80),
                false, std::nullopt},
           Case{"SMB1 core dialect", Bytes({{0, smb1}, {32, "\x01"}}, 80), false, std::nullopt},
           Case{"SMB2", Bytes({{0, smb2}, {16, "\x01"}, {64, "\x41"}, {104, kFileTime}}, 130), true,
                std::nullopt},
           Case{"SMB2 request", Bytes({{0, smb2}, {64, "\x41"}, {104, kFileTime}}, 130), false,
                std::nullopt},
           Case{"SMB2 zero clock", Bytes({{0, smb2}, {16, "\x01"}}, 130), false, std::nullopt},
           Case{"short", Bytes({{0, smb2}, {16, "\x01"}}, 100), false, std::nullopt},
       }) {
    const std::optional<NegotiatedTime> time = ReadNegotiateResponse(c.payload);
    ASSERT_EQ(time.has_value(), c.read) << c.name;
    if (!time) continue;
    EXPECT_EQ(time->utc, kUnixTime) << c.name;
    EXPECT_EQ(time->minutesWestOfUtc, c.zone) << c.name;
  }

  const std::string request = SmbNegotiateRequest();
  ASSERT_EQ(FramedLength(request.substr(0, 4)), request.size() - 4);
  EXPECT_EQ(request.substr(4, 5), smb1);
  EXPECT_NE(request.find(std::string("\x02NT LM 0.12\0\x02SMB 2.002\0", 23)), std::string::npos);
  EXPECT_FALSE(FramedLength(std::string("\x85\0\0\0", 4)));  // a keep-alive, not an answer
}

// The states and refusals the Samba suite cannot bring about.
TEST(NetRpcServiceControlTest, AnswersAndArguments) {
  const std::tuple<int, std::string, ServiceState> states[] = {
      {0, "Spooler service is running.\nConfiguration details:\n", ServiceState::kRunning},
      {0, "X service is start pending.\n", ServiceState::kStartPending},
      {0, "X service is resume pending.\n", ServiceState::kContinuePending},
      {0, "X service is confused.\n", ServiceState::kUnknown},
      {255, "Spooler service is running.\n", ServiceState::kUnknown},
      {-1, "", ServiceState::kUnknown},
  };
  for (const auto& [exitCode, output, state] : states)
    EXPECT_EQ(ServiceStateFromNetAnswer(exitCode, output), state) << output;
  const engine::ServiceReply locked =
      ServiceReplyFromNetAnswer(255, "Connection failed: NT_STATUS_ACCOUNT_LOCKED_OUT\n");
  EXPECT_TRUE(locked.logonRefused && !locked.message.empty());
  const engine::ServiceReply denied =
      ServiceReplyFromNetAnswer(255, "Failed to open service.  [WERR_ACCESS_DENIED]\n");
  EXPECT_TRUE(!denied.logonRefused && denied.message.empty());

  using Args = std::vector<std::string>;
  const engine::NetworkLogin login{"DOM\\admin", "pw-never-shown"};
  EXPECT_EQ(
      NetRpcServiceControl::Arguments("stop", "\\\\srv:4450", "Spooler", login),
      (Args{"rpc", "service", "stop", "Spooler", "-S", "srv", "-p", "4450", "-U", "DOM\\admin"}));
  EXPECT_EQ(NetRpcServiceControl::Arguments("status", "srv", "Spooler", {}),
            (Args{"rpc", "service", "status", "Spooler", "-S", "srv", "--use-kerberos=required"}));
  EXPECT_TRUE(NetRpcServiceControl::Arguments("status", "", "Spooler", login).empty());
  EXPECT_TRUE(NetRpcServiceControl::Arguments("status", "srv", "", login).empty());
}

}  // namespace
}  // namespace pelvane::platform
