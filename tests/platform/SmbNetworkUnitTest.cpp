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
  // A path as typed, then as shown and as a URL (empty: not a network path of a share).
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"\\\\srv\\share\\folder\\", "smb://srv/share/folder", "smb://srv/share/folder"},
      {"SMB://srv:4450/share/a\\b/", "smb://srv:4450/share/a/b", "smb://srv:4450/share/a/b"},
      {"\\\\srv\\share\\my file%?.txt", "smb://srv/share/my file%?.txt",
       "smb://srv/share/my%20file%25%3F.txt"},
      {"smb://[::1]:445/share/x", "smb://[::1]:445/share/x", "smb://[::1]:445/share/x"},
      {"\\\\srv", "", ""},
      {"\\\\srv\\share\\..\\other", "", ""},
      {"\\\\srv:0\\share", "", ""},
      {"\\\\srv:99999\\share", "", ""},
      {"C:\\folder", "", ""},
  };
  for (const auto& [text, display, url] : cases) {
    const std::optional<SmbPath> path = ParseSmbPath(text);
    EXPECT_EQ(path ? path->Display() : "", display) << text;
    EXPECT_EQ(path ? path->Url() : "", url) << text;
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
  // The system's error, where it happened, the connect code and the file error number.
  const std::tuple<int, SmbStage, int, int> cases[] = {
      {EACCES, SmbStage::kLogon, code::kLogonFailure, 75},
      {EACCES, SmbStage::kInside, code::kAccessDenied, 75},
      {ENOENT, SmbStage::kLogon, code::kBadNetworkName, 76},
      {ENOTDIR, SmbStage::kInside, code::kBadNetworkName, 76},
      {EEXIST, SmbStage::kInside, code::kExtendedError, 58},
      {ECONNREFUSED, SmbStage::kLogon, code::kNoNetOrBadPath, 57},
      {ENOSPC, SmbStage::kInside, code::kExtendedError, 57},
  };
  for (const auto& [error, stage, connectCode, fileNumber] : cases) {
    const SmbFailure failure = ClassifySmbError(error, stage);
    EXPECT_EQ(failure.connectCode, connectCode) << error;
    EXPECT_EQ(failure.fileNumber, fileNumber) << error;
    EXPECT_FALSE(failure.text.empty()) << error;
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
  const std::string smb1 = "\xFFSMB\x72", smb2 = "\xFESMB";
  // An answer, whether a clock is read from it, the zone it gives.
  const std::tuple<std::string, bool, std::optional<int>> cases[] = {
      {Bytes({{0, smb1}, {32, "\x11"}, {56, kFileTime}, {64, "\xC4\xFF"}}, 80), true, -60},
      {Bytes({{0, smb1}, {5, "\x22"}, {32, "\x11"}, {56, kFileTime}}, 80), false, {}},  // refused
      {Bytes({{0, smb1}, {32, "\x01"}}, 80), false, {}},  // the core dialect
      {Bytes({{0, smb2}, {16, "\x01"}, {64, "\x41"}, {104, kFileTime}}, 130), true, {}},
      {Bytes({{0, smb2}, {64, "\x41"}, {104, kFileTime}}, 130), false, {}},  // a request
      {Bytes({{0, smb2}, {16, "\x01"}}, 130), false, {}},                    // a zero clock
      {Bytes({{0, smb2}, {16, "\x01"}}, 100), false, {}},                    // short
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& [payload, read, zone] = cases[i];
    const std::optional<NegotiatedTime> time = ReadNegotiateResponse(payload);
    ASSERT_EQ(time.has_value(), read) << "case " << i;
    if (!time) continue;
    EXPECT_EQ(time->utc, kUnixTime) << "case " << i;
    EXPECT_EQ(time->minutesWestOfUtc, zone) << "case " << i;
  }
  EXPECT_FALSE(FramedLength(std::string("\x85\0\0\0", 4)));  // a keep-alive, not an answer
}

// The states and refusals the Samba suite cannot bring about.
TEST(NetRpcServiceControlTest, AnswersAndArguments) {
  const std::tuple<int, std::string, ServiceState> states[] = {
      {0, "Spooler service is running.\nConfiguration details:\n", ServiceState::kRunning},
      {0, "X service is confused.\n", ServiceState::kUnknown},
      {255, "Spooler service is running.\n", ServiceState::kUnknown},
  };
  for (const auto& [exitCode, output, state] : states)
    EXPECT_EQ(ServiceStateFromNetAnswer(exitCode, output), state) << output;
  const engine::ServiceReply locked =
      ServiceReplyFromNetAnswer(255, "Connection failed: NT_STATUS_ACCOUNT_LOCKED_OUT\n");
  EXPECT_TRUE(locked.logonRefused && !locked.message.empty());

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
