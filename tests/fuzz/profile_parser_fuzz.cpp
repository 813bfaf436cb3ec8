// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes parse; what is parsed writes back unchanged; a value written reads back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ProfileDocument.h"
#include "settings/SettingsStore.h"

using pelvane::settings::ProfileDocument;
using pelvane::settings::ReadValue;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  ProfileDocument doc = ProfileDocument::Parse(bytes);
  if (doc.Serialize() != bytes) std::abort();

  // Names and a value taken from the input itself, so that they hit existing sections.
  size_t third = size / 3;
  std::string section = bytes.substr(0, third), key = bytes.substr(third, third),
              value = bytes.substr(2 * third);
  (void)ReadValue(doc, section, key);
  if (doc.Set(section, key, value)) {
    ProfileDocument reread = ProfileDocument::Parse(doc.Serialize());
    std::string expected = ReadValue(ProfileDocument::Parse("[s]\nk=" + value + "\n"), "s", "k");
    if (ReadValue(reread, section, key) != expected) std::abort();
  }
  doc.RemoveSection(section);
  if (ProfileDocument::Parse(doc.Serialize()).Find(section, key)) std::abort();
  return 0;
}
