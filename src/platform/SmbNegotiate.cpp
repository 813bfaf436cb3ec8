// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SmbNegotiate.h"

namespace pelvane::platform {

namespace {

// Seconds between 1601-01-01 (the FILETIME epoch) and 1970-01-01.
constexpr std::uint64_t kFileTimeEpochOffset = 11644473600ULL;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ULL;

constexpr size_t kSmb1HeaderSize = 32;
constexpr size_t kSmb1SystemTime = kSmb1HeaderSize + 1 + 23;  // word count, then 23 bytes
constexpr size_t kSmb1TimeZone = kSmb1SystemTime + 8;
constexpr size_t kSmb2HeaderSize = 64;
constexpr size_t kSmb2SystemTime = kSmb2HeaderSize + 40;
constexpr std::uint8_t kNegotiate = 0x72;

std::uint64_t Little(const std::string& bytes, size_t at, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<size_t>(i)]);
  }
  return value;
}

bool StartsWith(const std::string& bytes, const char* magic) {
  return bytes.compare(0, 4, magic, 4) == 0;
}

std::optional<std::time_t> FromFileTime(std::uint64_t ticks) {
  const std::uint64_t seconds = ticks / kFileTimeTicksPerSecond;
  if (seconds < kFileTimeEpochOffset) return std::nullopt;  // a zero or absurd clock
  return static_cast<std::time_t>(seconds - kFileTimeEpochOffset);
}

}  // namespace

std::string SmbNegotiateRequest() {
  std::string smb;
  smb += std::string("\xFFSMB", 4);
  smb += static_cast<char>(kNegotiate);
  smb += std::string(4, '\0');        // status
  smb += '\x18';                      // flags: case-insensitive, canonical names
  smb += std::string("\x01\xC8", 2);  // flags2: long names, NT status, unicode, extended security
  smb += std::string(12, '\0');       // pid high, signature, reserved
  smb += std::string(2, '\0');        // tid
  smb += std::string("\xFE\xFF", 2);  // pid
  smb += std::string(2, '\0');        // uid
  smb += std::string(2, '\0');        // mid
  smb += '\0';                        // word count
  std::string dialects;
  for (const char* dialect : {"NT LM 0.12", "SMB 2.002"}) {
    dialects += '\x02';
    dialects += dialect;
    dialects += '\0';
  }
  smb += static_cast<char>(dialects.size() & 0xFF);
  smb += static_cast<char>(dialects.size() >> 8);
  smb += dialects;

  std::string frame(1, '\0');
  frame += static_cast<char>((smb.size() >> 16) & 0xFF);
  frame += static_cast<char>((smb.size() >> 8) & 0xFF);
  frame += static_cast<char>(smb.size() & 0xFF);
  return frame + smb;
}

std::optional<size_t> FramedLength(const std::string& header) {
  if (header.size() != 4 || header[0] != '\0') return std::nullopt;
  return static_cast<size_t>(static_cast<std::uint8_t>(header[1])) << 16 |
         static_cast<size_t>(static_cast<std::uint8_t>(header[2])) << 8 |
         static_cast<size_t>(static_cast<std::uint8_t>(header[3]));
}

std::optional<NegotiatedTime> ReadNegotiateResponse(const std::string& payload) {
  if (payload.size() >= kSmb1TimeZone + 2 && StartsWith(payload, "\xFFSMB")) {
    const bool negotiate = static_cast<std::uint8_t>(payload[4]) == kNegotiate;
    const bool ok = Little(payload, 5, 4) == 0;
    const bool ntDialect = static_cast<std::uint8_t>(payload[kSmb1HeaderSize]) == 17;
    if (!negotiate || !ok || !ntDialect) return std::nullopt;
    const std::optional<std::time_t> utc = FromFileTime(Little(payload, kSmb1SystemTime, 8));
    if (!utc) return std::nullopt;
    const auto zone = static_cast<std::int16_t>(Little(payload, kSmb1TimeZone, 2));
    return NegotiatedTime{*utc, zone};
  }
  if (payload.size() >= kSmb2SystemTime + 8 && StartsWith(payload, "\xFESMB")) {
    const bool negotiate = Little(payload, 12, 2) == 0;
    const bool ok = Little(payload, 8, 4) == 0;
    const bool response = (Little(payload, 16, 4) & 1) != 0;  // SMB2_FLAGS_SERVER_TO_REDIR
    if (!negotiate || !ok || !response) return std::nullopt;
    const std::optional<std::time_t> utc = FromFileTime(Little(payload, kSmb2SystemTime, 8));
    if (!utc) return std::nullopt;
    return NegotiatedTime{*utc, std::nullopt};
  }
  return std::nullopt;
}

}  // namespace pelvane::platform
