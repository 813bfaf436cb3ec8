// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace pelvane::standin::tds {

/// Appends little- and big-endian fields to a growing message.
class ByteWriter {
 public:
  void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) { Le(v, 2); }
  void U32(uint32_t v) { Le(v, 4); }
  void U64(uint64_t v) { Le(v, 8); }
  void U16Be(uint16_t v) {
    U8(static_cast<uint8_t>(v >> 8));
    U8(static_cast<uint8_t>(v));
  }
  void U32Be(uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) U8(static_cast<uint8_t>(v >> shift));
  }
  void Raw(const std::string& bytes) { out_ += bytes; }

  /// Overwrites a 16-bit little-endian field written earlier (lengths known only afterwards).
  void PatchU16(size_t at, uint16_t v) {
    out_[at] = static_cast<char>(v & 0xFF);
    out_[at + 1] = static_cast<char>(v >> 8);
  }

  size_t size() const { return out_.size(); }
  const std::string& bytes() const { return out_; }
  std::string Take() { return std::move(out_); }

 private:
  void Le(uint64_t v, int width) {
    for (int i = 0; i < width; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }

  std::string out_;
};

}  // namespace pelvane::standin::tds
