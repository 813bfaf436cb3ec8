// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace pelvane::testing {

constexpr uint32_t kTds71 = 0x71000001;
constexpr uint32_t kTds74 = 0x74000004;

/// Bytes written as a list of numbers, for comparing with what the encoder produced.
inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

/// ASCII text as UTF-16LE.
inline std::string Wide(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

inline std::string Le16(uint32_t v) {
  return Bytes({int(v & 0xFF), int(v >> 8 & 0xFF)});
}
inline std::string Le32(uint32_t v) {
  return Le16(v & 0xFFFF) + Le16(v >> 16);
}

/// A packet header as clients write it, declaring `length` bytes in all.
inline std::string Header(int type, int status, size_t length) {
  return Bytes({type, status, int(length >> 8 & 0xFF), int(length & 0xFF), 0, 0, 1, 0});
}
inline std::string Packet(int type, int status, const std::string& payload) {
  return Header(type, status, payload.size() + 8) + payload;
}

/// The ALL_HEADERS block a 7.2+ client puts before a batch or a call: one transaction header.
inline const std::string kAllHeaders =
    Le32(22) + Le32(18) + Le16(2) + std::string(8, '\0') + Le32(1);

/// A LOGIN7 laid out as a 7.4 client writes it for `user`, as UTF-16LE like the others: 94
/// fixed bytes, then the strings.
inline std::string BuildLogin7(const std::string& user = Wide("sa"),
                               const std::string& password = Wide("Secret1"),
                               const std::string& database = Wide("pubs")) {
  std::string fixed = Le32(0) + Le32(0x74000004) + Le32(4096) + std::string(24, '\0');
  std::string data;
  auto field = [&](const std::string& utf16, bool scramble = false) {
    std::string pair = Le16(static_cast<uint32_t>(94 + data.size())) +
                       Le16(static_cast<uint32_t>(utf16.size() / 2));
    for (char c : utf16) {  // a password goes nibble-swapped and XOR 0xA5
      const auto b = static_cast<unsigned char>(c);
      data.push_back(static_cast<char>(scramble ? (((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5 : b));
    }
    return pair;
  };
  fixed += field(Wide("box")) + field(user) + field(password, true) + field(Wide("tsql")) +
           field(Wide("127.0.0.1")) + field("") + field(Wide("ODBC")) + field("") +
           field(database) + std::string(6, '\x01') + field("") + field("") + field("") + Le32(0);
  return Le32(static_cast<uint32_t>(fixed.size() + data.size())) + fixed.substr(4) + data;
}

}  // namespace pelvane::testing
