// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/ParameterValue.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "standin/tds/TextEncoding.h"

namespace pelvane::standin::tds {
namespace {

using Text = std::optional<std::string>;

enum DataType : uint8_t {
  kNull = 0x1F,
  kImage = 0x22,
  kText = 0x23,
  kGuid = 0x24,
  kIntN = 0x26,
  kDateN = 0x28,
  kTimeN = 0x29,
  kDateTime2N = 0x2A,
  kDateTimeOffsetN = 0x2B,
  kInt1 = 0x30,
  kBit = 0x32,
  kInt2 = 0x34,
  kInt4 = 0x38,
  kDateTime4 = 0x3A,
  kFlt4 = 0x3B,
  kMoney = 0x3C,
  kDateTime = 0x3D,
  kFlt8 = 0x3E,
  kNText = 0x63,
  kBitN = 0x68,
  kDecimalN = 0x6A,
  kNumericN = 0x6C,
  kFltN = 0x6D,
  kMoneyN = 0x6E,
  kDateTimeN = 0x6F,
  kMoney4 = 0x7A,
  kInt8 = 0x7F,
  kBigVarBinary = 0xA5,
  kBigVarChar = 0xA7,
  kBigBinary = 0xAD,
  kBigChar = 0xAF,
  kNVarChar = 0xE7,
  kNChar = 0xEF,
};

constexpr uint64_t kPlpNull = std::numeric_limits<uint64_t>::max();
constexpr uint32_t kLongNull = 0xFFFFFFFF;

int64_t SignExtend(uint64_t v, size_t bytes) {
  if (bytes >= 8) return static_cast<int64_t>(v);
  uint64_t sign = uint64_t{1} << (bytes * 8 - 1);
  return static_cast<int64_t>((v ^ sign)) - static_cast<int64_t>(sign);
}

uint64_t LittleEndian(const std::string& b, size_t from, size_t count) {
  uint64_t v = 0;
  for (size_t i = 0; i < count && from + i < b.size(); ++i)
    v |= uint64_t{static_cast<unsigned char>(b[from + i])} << (8 * i);
  return v;
}

std::string FloatText(double v) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

// A scaled integer (money, decimal) as text: 12345 with scale 2 is "123.45".
std::string ScaledText(bool negative, std::string digits, unsigned scale) {
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  if (scale > 0) digits.insert(digits.size() - scale, ".");
  return (negative ? "-" : "") + digits;
}

// Little-endian magnitude of any width as decimal digits.
std::string MagnitudeDigits(std::vector<uint8_t> magnitude) {
  std::string digits;
  bool nonZero = true;
  while (nonZero) {
    unsigned remainder = 0;
    nonZero = false;
    for (size_t i = magnitude.size(); i-- > 0;) {
      unsigned cur = remainder << 8 | magnitude[i];
      magnitude[i] = static_cast<uint8_t>(cur / 10);
      remainder = cur % 10;
      if (magnitude[i]) nonZero = true;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + remainder));
  }
  return digits;
}

std::string MoneyText(int64_t tenThousandths) {
  bool negative = tenThousandths < 0;
  uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(tenThousandths) : static_cast<uint64_t>(tenThousandths);
  return ScaledText(negative, std::to_string(magnitude), 4);
}

// Civil date of a day count relative to 1970-01-01 (proleptic Gregorian).
std::string DateText(int64_t days) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t doe = days - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day));
  return buffer;
}

constexpr int64_t kDaysFrom1970To1900 = -25567;
constexpr int64_t kDaysFrom1970To0001 = -719162;

std::string TimeText(uint64_t units, unsigned scale) {
  uint64_t perSecond = 1;
  for (unsigned i = 0; i < scale; ++i) perSecond *= 10;
  uint64_t seconds = units / perSecond;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%02llu:%02llu:%02llu",
                static_cast<unsigned long long>(seconds / 3600),
                static_cast<unsigned long long>(seconds / 60 % 60),
                static_cast<unsigned long long>(seconds % 60));
  std::string text = buffer;
  if (scale > 0) {
    std::string fraction = std::to_string(units % perSecond);
    text += "." + std::string(scale - fraction.size(), '0') + fraction;
  }
  return text;
}

// Fixed-width and byte-length values, given their bytes (never empty).
Result<Text> Render(uint8_t type, const std::string& b, unsigned scale) {
  size_t n = b.size();
  uint64_t raw = LittleEndian(b, 0, n < 8 ? n : 8);
  switch (type) {
    case kInt1:
      return Text(std::to_string(raw));
    case kBit:
    case kBitN:
      return Text(raw ? "1" : "0");
    case kInt2:
    case kInt4:
    case kInt8:
    case kIntN:
      if (type == kIntN && n == 1) return Text(std::to_string(raw));  // tinyint is unsigned
      return Text(std::to_string(SignExtend(raw, n)));
    case kFlt4:
    case kFlt8:
    case kFltN: {
      if (n == 4) {
        float f;
        uint32_t bits = static_cast<uint32_t>(raw);
        std::memcpy(&f, &bits, sizeof f);
        return Text(FloatText(f));
      }
      double d;
      std::memcpy(&d, &raw, sizeof d);
      return Text(FloatText(d));
    }
    case kMoney4:
    case kMoney:
    case kMoneyN:
      if (n == 4) return Text(MoneyText(SignExtend(raw, 4)));
      // 8-byte money puts its high half first.
      return Text(
          MoneyText(static_cast<int64_t>(LittleEndian(b, 0, 4) << 32 | LittleEndian(b, 4, 4))));
    case kDateTime4:
    case kDateTime:
    case kDateTimeN: {
      if (n == 4) {
        std::string date =
            DateText(kDaysFrom1970To1900 + static_cast<int64_t>(LittleEndian(b, 0, 2)));
        return Text(date + " " + TimeText(LittleEndian(b, 2, 2) * 60, 0));
      }
      int64_t days = SignExtend(LittleEndian(b, 0, 4), 4);
      uint64_t ticks = LittleEndian(b, 4, 4);  // 1/300 s
      std::string time = TimeText((ticks * 10 + 1) / 3, 3);
      return Text(DateText(kDaysFrom1970To1900 + days) + " " + time);
    }
    case kDateN:
      return Text(DateText(kDaysFrom1970To0001 + static_cast<int64_t>(raw)));
    case kTimeN:
      return Text(TimeText(raw, scale));
    case kDateTime2N:
    case kDateTimeOffsetN: {
      size_t timeBytes = scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
      if (n < timeBytes + 3) return Status::Error("date and time value too short");
      std::string text =
          DateText(kDaysFrom1970To0001 + static_cast<int64_t>(LittleEndian(b, timeBytes, 3))) +
          " " + TimeText(LittleEndian(b, 0, timeBytes), scale);
      if (type == kDateTimeOffsetN && n >= timeBytes + 5) {
        int64_t minutes = SignExtend(LittleEndian(b, timeBytes + 3, 2), 2);
        char offset[48];
        std::snprintf(offset, sizeof offset, " %c%02lld:%02lld", minutes < 0 ? '-' : '+',
                      static_cast<long long>((minutes < 0 ? -minutes : minutes) / 60),
                      static_cast<long long>((minutes < 0 ? -minutes : minutes) % 60));
        text += offset;
      }
      return Text(text);
    }
    case kGuid: {
      if (n != 16) return Status::Error("GUID value not 16 bytes");
      static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      std::string text;
      char hex[3];
      for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(b[kOrder[i]]));
        text += hex;
      }
      return Text(text);
    }
    case kDecimalN:
    case kNumericN: {
      std::vector<uint8_t> magnitude(b.begin() + 1, b.end());
      return Text(ScaledText(b[0] == 0, MagnitudeDigits(magnitude), scale));
    }
    default:
      return Status::Error("unsupported fixed type");
  }
}

std::string HexText(const std::string& b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (char c : b) {
    text += kDigits[static_cast<unsigned char>(c) >> 4];
    text += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return text;
}

std::string CharacterText(uint8_t type, const std::string& b) {
  if (type == kNVarChar || type == kNChar || type == kNText) return Utf16LeToUtf8(b);
  if (type == kBigVarChar || type == kBigChar || type == kText) return Cp1252ToUtf8(b);
  return HexText(b);
}

// Partially length-prefixed data: a total length, then chunks until an empty one.
Result<Text> ReadPlp(ByteReader& in, uint8_t type) {
  uint64_t total = in.U64();
  if (!in.ok()) return Status::Error("parameter cut short");
  if (total == kPlpNull) return Text();
  std::string data;
  for (;;) {
    uint32_t chunk = in.U32();
    if (!in.ok()) return Status::Error("parameter cut short");
    if (chunk == 0) break;
    data += in.Bytes(chunk);
    if (!in.ok()) return Status::Error("parameter cut short");
  }
  return Text(CharacterText(type, data));
}

size_t FixedSize(uint8_t type) {
  switch (type) {
    case kNull:
      return 0;
    case kInt1:
    case kBit:
      return 1;
    case kInt2:
      return 2;
    case kInt4:
    case kFlt4:
    case kMoney4:
    case kDateTime4:
      return 4;
    case kInt8:
    case kFlt8:
    case kMoney:
    case kDateTime:
      return 8;
    default:
      return std::numeric_limits<size_t>::max();
  }
}

// Values that T-SQL writes between quotes: text, dates, GUIDs.
bool IsQuoted(uint8_t type) {
  switch (type) {
    case kBigVarChar:
    case kBigChar:
    case kNVarChar:
    case kNChar:
    case kText:
    case kNText:
    case kGuid:
    case kDateTime:
    case kDateTime4:
    case kDateTimeN:
    case kDateN:
    case kTimeN:
    case kDateTime2N:
    case kDateTimeOffsetN:
      return true;
    default:
      return false;
  }
}

Result<Text> ReadValueText(ByteReader& in, uint8_t type) {
  const Status cutShort = Status::Error("parameter cut short");

  if (size_t size = FixedSize(type); size != std::numeric_limits<size_t>::max()) {
    if (size == 0) return Text();
    std::string bytes = in.Bytes(size);
    if (!in.ok()) return cutShort;
    return Render(type, bytes, 0);
  }

  switch (type) {
    case kIntN:
    case kBitN:
    case kFltN:
    case kMoneyN:
    case kDateTimeN:
    case kGuid:
    case kDecimalN:
    case kNumericN:
    case kDateN:
    case kTimeN:
    case kDateTime2N:
    case kDateTimeOffsetN: {
      unsigned scale = 0;
      if (type == kDecimalN || type == kNumericN) {
        in.U8();  // max length
        in.U8();  // precision
        scale = in.U8();
      } else if (type == kTimeN || type == kDateTime2N || type == kDateTimeOffsetN) {
        scale = in.U8();
        if (scale > 7) return Status::Error("time scale above 7");
      } else if (type != kDateN) {
        in.U8();  // max length
      }
      uint8_t length = in.U8();
      std::string bytes = in.Bytes(length);
      if (!in.ok()) return cutShort;
      if (length == 0) return Text();
      return Render(type, bytes, scale);
    }
    case kBigVarChar:
    case kBigChar:
    case kNVarChar:
    case kNChar:
    case kBigVarBinary:
    case kBigBinary: {
      uint16_t maxLength = in.U16();
      if (type != kBigVarBinary && type != kBigBinary) in.Skip(5);  // collation
      if (!in.ok()) return cutShort;
      if (maxLength == 0xFFFF) return ReadPlp(in, type);
      uint16_t length = in.U16();
      if (length == 0xFFFF) return Text();
      std::string bytes = in.Bytes(length);
      if (!in.ok()) return cutShort;
      return Text(CharacterText(type, bytes));
    }
    case kText:
    case kNText:
    case kImage: {
      in.U32();  // max length
      if (type != kImage) in.Skip(5);
      uint32_t length = in.U32();
      if (!in.ok()) return cutShort;
      if (length == kLongNull) return Text();
      std::string bytes = in.Bytes(length);
      if (!in.ok()) return cutShort;
      return Text(CharacterText(type, bytes));
    }
    default: {
      char message[64];
      std::snprintf(message, sizeof message, "data type 0x%02X is unknown", type);
      return Status::Error(message);
    }
  }
}

}  // namespace

Result<ParameterValue> ReadParameterValue(ByteReader& in) {
  const uint8_t type = in.U8();
  if (!in.ok()) return Status::Error("parameter cut short");
  Result<Text> text = ReadValueText(in, type);
  if (!text) return text.status();
  return ParameterValue{std::move(text).value(), IsQuoted(type)};
}

}  // namespace pelvane::standin::tds
