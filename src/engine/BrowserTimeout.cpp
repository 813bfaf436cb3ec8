// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BrowserTimeout.h"

#include <charconv>
#include <string>

#include "settings/ProfileText.h"

namespace pelvane::engine {
namespace {

constexpr int kDefaultSeconds = kDefaultBrowserMs / 1000;
constexpr int kMostSeconds = 60;

}  // namespace

int StoredBrowserTimeoutMs(const settings::SettingsStore& store) {
  const std::string stored(settings::TrimBlanks(store.GetINIValue("Pelvane", "BrowserTimeout")));
  int seconds = 0;
  const char* end = stored.data() + stored.size();
  const auto parsed = std::from_chars(stored.data(), end, seconds);
  if (parsed.ec != std::errc() || parsed.ptr != end || seconds < 1 || seconds > kMostSeconds)
    seconds = kDefaultSeconds;
  return seconds * 1000;
}

}  // namespace pelvane::engine
