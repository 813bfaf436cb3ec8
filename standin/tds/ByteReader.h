// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pelvane::standin::tds {

/// Reads little- and big-endian fields from a client's bytes. Every read is bounds-checked:
/// a read past the end marks the reader failed and yields zeros, so a parser checks ok() once
/// at the end instead of after every field.
class ByteReader {
 public:
  ByteReader(const std::string& bytes, size_t offset = 0, size_t end = std::string::npos)
      : bytes_(bytes), pos_(offset), end_(end > bytes.size() ? bytes.size() : end) {
    if (pos_ > end_) Fail();
  }

  bool ok() const { return ok_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return ok_ ? end_ - pos_ : 0; }
  bool atEnd() const { return remaining() == 0; }

  uint8_t U8() { return static_cast<uint8_t>(Le(1)); }
  uint16_t U16() { return static_cast<uint16_t>(Le(2)); }
  uint32_t U32() { return static_cast<uint32_t>(Le(4)); }
  uint64_t U64() { return Le(8); }
  uint16_t U16Be() {
    if (!Take(2)) return 0;
    return static_cast<uint16_t>(Byte(pos_ - 2) << 8 | Byte(pos_ - 1));
  }

  /// count raw bytes; empty (and failed) when fewer are left.
  std::string Bytes(size_t count) {
    if (!Take(count)) return {};
    return bytes_.substr(pos_ - count, count);
  }
  void Skip(size_t count) { Take(count); }
  void Fail() { ok_ = false; }

 private:
  uint8_t Byte(size_t at) const { return static_cast<uint8_t>(bytes_[at]); }
  bool Take(size_t count) {
    if (!ok_ || count > end_ - pos_) {
      ok_ = false;
      return false;
    }
    pos_ += count;
    return true;
  }
  uint64_t Le(size_t width) {
    if (!Take(width)) return 0;
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= uint64_t{Byte(pos_ - width + i)} << (8 * i);
    return value;
  }

  const std::string& bytes_;
  size_t pos_;
  size_t end_;
  bool ok_ = true;
};

}  // namespace pelvane::standin::tds
