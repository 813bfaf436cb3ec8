// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/tds/NtlmMessages.h"

#include <nettle/hmac.h>
#include <nettle/md4.h>

#include <cctype>
#include <cstdint>

#include "standin/tds/ByteReader.h"
#include "standin/tds/ByteWriter.h"
#include "standin/tds/TextEncoding.h"

namespace pelvane::standin::tds {
namespace {

const std::string kSignature("NTLMSSP\0", 8);
constexpr uint32_t kNegotiate = 1;
constexpr uint32_t kChallenge = 2;
constexpr uint32_t kAuthenticate = 3;

// UNICODE, REQUEST_TARGET, NTLM, ALWAYS_SIGN, TARGET_TYPE_DOMAIN, EXTENDED_SESSIONSECURITY,
// TARGET_INFO.
constexpr uint32_t kChallengeFlags =
    0x00000001 | 0x00000004 | 0x00000200 | 0x00008000 | 0x00010000 | 0x00080000 | 0x00800000;
constexpr uint32_t kUnicodeFlag = 0x00000001;
constexpr size_t kProofSize = 16;

const char kDomain[] = "STANDIN";
const char kComputer[] = "SQLSTANDIN";

bool HasHeader(const std::string& token, uint32_t type) {
  ByteReader reader(token);
  const std::string signature = reader.Bytes(8);
  return reader.ok() && signature == kSignature && reader.U32() == type && reader.ok();
}

std::string HmacMd5(const std::string& key, const std::string& data) {
  hmac_md5_ctx context;
  hmac_md5_set_key(&context, key.size(), reinterpret_cast<const uint8_t*>(key.data()));
  hmac_md5_update(&context, data.size(), reinterpret_cast<const uint8_t*>(data.data()));
  std::string digest(MD5_DIGEST_SIZE, '\0');
  hmac_md5_digest(&context, MD5_DIGEST_SIZE, reinterpret_cast<uint8_t*>(digest.data()));
  return digest;
}

std::string Md4(const std::string& data) {
  md4_ctx context;
  md4_init(&context);
  md4_update(&context, data.size(), reinterpret_cast<const uint8_t*>(data.data()));
  std::string digest(MD4_DIGEST_SIZE, '\0');
  md4_digest(&context, MD4_DIGEST_SIZE, reinterpret_cast<uint8_t*>(digest.data()));
  return digest;
}

std::string AsciiUpper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

/// An AV pair of the target information: id, length, UTF-16LE value.
void AvPair(ByteWriter& out, uint16_t id, const std::string& utf16) {
  out.U16(id);
  out.U16(static_cast<uint16_t>(utf16.size()));
  for (char c : utf16) out.U8(static_cast<uint8_t>(c));
}

/// A (length, length, offset) field's bytes, checked against the message.
bool FieldAt(const std::string& token, size_t at, std::string& out) {
  ByteReader field(token, at);
  const uint16_t length = field.U16();
  field.U16();
  const uint32_t offset = field.U32();
  if (!field.ok()) return false;
  ByteReader data(token, offset);
  out = data.Bytes(length);
  return data.ok();
}

}  // namespace

bool IsNtlmNegotiate(const std::string& token) {
  return HasHeader(token, kNegotiate);
}

std::string NtlmChallenge(const std::string& serverChallenge) {
  const std::string target = Utf8ToUtf16Le(kDomain);
  ByteWriter info;
  AvPair(info, 2, target);                    // MsvAvNbDomainName
  AvPair(info, 1, Utf8ToUtf16Le(kComputer));  // MsvAvNbComputerName
  AvPair(info, 0, "");                        // MsvAvEOL
  const std::string targetInfo = info.Take();

  constexpr uint32_t kPayload = 48;
  ByteWriter out;
  for (char c : kSignature) out.U8(static_cast<uint8_t>(c));
  out.U32(kChallenge);
  out.U16(static_cast<uint16_t>(target.size()));
  out.U16(static_cast<uint16_t>(target.size()));
  out.U32(kPayload);
  out.U32(kChallengeFlags);
  for (char c : serverChallenge.substr(0, 8)) out.U8(static_cast<uint8_t>(c));
  out.U64(0);  // reserved
  out.U16(static_cast<uint16_t>(targetInfo.size()));
  out.U16(static_cast<uint16_t>(targetInfo.size()));
  out.U32(kPayload + static_cast<uint32_t>(target.size()));
  for (char c : target + targetInfo) out.U8(static_cast<uint8_t>(c));
  return out.Take();
}

Result<NtlmAuthenticate> ParseNtlmAuthenticate(const std::string& token) {
  if (!HasHeader(token, kAuthenticate)) return Status::Error("not an NTLM AUTHENTICATE message");
  NtlmAuthenticate answer;
  std::string domain, user;
  ByteReader flags(token, 60);
  const uint32_t negotiated = flags.U32();
  if (!flags.ok() || !FieldAt(token, 20, answer.ntResponse) || !FieldAt(token, 28, domain) ||
      !FieldAt(token, 36, user))
    return Status::Error("NTLM AUTHENTICATE field points outside the message");
  const bool unicode = (negotiated & kUnicodeFlag) != 0;
  answer.domain = unicode ? Utf16LeToUtf8(domain) : domain;
  answer.user = unicode ? Utf16LeToUtf8(user) : user;
  return answer;
}

std::string NtlmV2Response(const std::string& domain, const std::string& user,
                           const std::string& password, const std::string& serverChallenge,
                           const std::string& blob) {
  const std::string ntowf =
      HmacMd5(Md4(Utf8ToUtf16Le(password)), Utf8ToUtf16Le(AsciiUpper(user) + domain));
  return HmacMd5(ntowf, serverChallenge + blob) + blob;
}

bool NtlmV2ResponseMatches(const NtlmAuthenticate& answer, const std::string& password,
                           const std::string& serverChallenge) {
  // An NTLMv1 answer is 24 bytes; a v2 one carries at least the blob's fixed 28 bytes.
  if (answer.ntResponse.size() < kProofSize + 28) return false;
  const std::string expected = NtlmV2Response(answer.domain, answer.user, password, serverChallenge,
                                              answer.ntResponse.substr(kProofSize));
  // Not a secret comparison worth hardening: the stand-in serves tests only.
  return expected == answer.ntResponse;
}

}  // namespace pelvane::standin::tds
