// SPDX-License-Identifier: GPL-3.0-or-later
// Unscrambling never fails on any text, and scrambling always round-trips.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/PasswordScrambler.h"

using namespace pelvane::settings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string plain = UnscramblePassword(text, PasswordKey);
  if (plain.size() != (size + 1) / 2) std::abort();
  std::string scrambled = ScramblePassword(text, PasswordKey);
  if (scrambled.size() != 2 * size) std::abort();
  if (UnscramblePassword(scrambled, PasswordKey) != text) std::abort();
  return 0;
}
