// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/Login7.h"

#include "standin/tds/ByteReader.h"
#include "standin/tds/TextEncoding.h"

namespace pelvane::standin::tds {
namespace {

// Up to the attach-file field, which every 7.x client sends; 7.2 adds eight more bytes.
constexpr size_t kFixedPartSize = 86;
constexpr size_t kOptionFlags3 = 27;
constexpr uint8_t kChangePasswordFlag = 0x01;
constexpr size_t kChangePasswordField = 86;

// Reads the offset/length pair at `field` and returns the UTF-16LE bytes it points at.
bool StringAt(const std::string& payload, size_t field, std::string& out) {
  ByteReader pair(payload, field);
  uint16_t offset = pair.U16();
  uint16_t chars = pair.U16();
  if (!pair.ok()) return false;
  ByteReader data(payload, offset);
  out = data.Bytes(size_t{chars} * 2);
  return data.ok();
}

}  // namespace

std::string UnscramblePassword(const std::string& bytes) {
  std::string out(bytes.size(), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned b = static_cast<unsigned char>(bytes[i]) ^ 0xA5u;
    out[i] = static_cast<char>(((b << 4) | (b >> 4)) & 0xFF);
  }
  return out;
}

Result<Login7Request> ParseLogin7(const std::string& payload) {
  if (payload.size() < kFixedPartSize) return Status::Error("LOGIN7 shorter than its fixed part");
  ByteReader head(payload);
  uint32_t declared = head.U32();
  if (declared > payload.size() || declared < kFixedPartSize)
    return Status::Error("LOGIN7 length does not match the message");
  // Offsets beyond the declared length belong to no field.
  const std::string body = payload.substr(0, declared);

  Login7Request login;
  login.tdsVersion = head.U32();
  login.packetSize = head.U32();

  struct Field {
    size_t at;
    std::string* text;
  };
  std::string host, user, password, app, server, database;
  const Field fields[] = {{36, &host}, {40, &user},   {44, &password},
                          {48, &app},  {52, &server}, {68, &database}};
  for (const Field& field : fields)
    if (!StringAt(body, field.at, *field.text))
      return Status::Error("LOGIN7 field points outside the message");

  login.hostName = Utf16LeToUtf8(host);
  login.userName = Utf16LeToUtf8(user);
  login.password = Utf16LeToUtf8(UnscramblePassword(password));
  login.appName = Utf16LeToUtf8(app);
  login.serverName = Utf16LeToUtf8(server);
  login.database = Utf16LeToUtf8(database);
  login.changePassword = (static_cast<uint8_t>(body[kOptionFlags3]) & kChangePasswordFlag) != 0;
  if (login.changePassword) {
    std::string changed;
    if (body.size() < kChangePasswordField + 4 || !StringAt(body, kChangePasswordField, changed))
      return Status::Error("LOGIN7 asks to change the password but carries no new one");
    login.newPassword = Utf16LeToUtf8(UnscramblePassword(changed));
  }
  return login;
}

}  // namespace pelvane::standin::tds
