// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "settings/Status.h"

namespace pelvane::standin::tds {

/// The parts of an NTLMSSP AUTHENTICATE (type 3) message the server checks; names in UTF-8.
struct NtlmAuthenticate {
  std::string domain;
  std::string user;
  std::string ntResponse;  // NTLMv2: NTProofStr (16 bytes), then the client's blob
};

/// True for an NTLMSSP NEGOTIATE (type 1) message.
bool IsNtlmNegotiate(const std::string& token);

/// The CHALLENGE (type 2) message with the server's 8-byte challenge and its own names.
std::string NtlmChallenge(const std::string& serverChallenge);

/// Parses an AUTHENTICATE message; every field is checked against the message.
Result<NtlmAuthenticate> ParseNtlmAuthenticate(const std::string& token);

/// True when response is the NTLMv2 answer of someone who knows password for domain\user to
/// serverChallenge: HMAC_MD5(NTOWFv2, serverChallenge + blob) equals its NTProofStr, where
/// NTOWFv2 = HMAC_MD5(MD4(UTF-16LE(password)), UTF-16LE(UPPER(user) + domain)). Shorter
/// (NTLMv1) answers are refused.
bool NtlmV2ResponseMatches(const NtlmAuthenticate& answer, const std::string& password,
                           const std::string& serverChallenge);

/// NTProofStr + blob for the given client blob: what a client that knows the password sends.
std::string NtlmV2Response(const std::string& domain, const std::string& user,
                           const std::string& password, const std::string& serverChallenge,
                           const std::string& blob);

}  // namespace pelvane::standin::tds
