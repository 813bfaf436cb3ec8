// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsStore.h"

namespace pelvane::engine {

/// The browser time-out when "BrowserTimeout" does not say.
constexpr int kDefaultBrowserMs = 2000;

/// "Pelvane"/"BrowserTimeout" in milliseconds: how long a named instance's SQL Browser may
/// take to answer. Seconds as stored; empty, unreadable or out of 1..60 reads as 2 seconds.
int StoredBrowserTimeoutMs(const settings::SettingsStore& store);

}  // namespace pelvane::engine
