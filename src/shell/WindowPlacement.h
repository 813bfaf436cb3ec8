// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "settings/SettingsStore.h"

namespace pelvane::shell {

/// Twips (1/1440 inch) per pixel on the window's screen: 15 at 96 dpi.
double TwipsPerPixel(const QWidget& window);

/// Places a top-level window from "Top", "Left", "Height" and "Width" of the section (twips).
/// An empty value, or one that is no number, keeps that coordinate as it is. A place that no
/// screen shows any more (a monitor unplugged since) keeps the window's current position.
void RestorePlacement(QWidget& window, const settings::SettingsStore& store,
                      const std::string& section);

/// Places a top-level window beside `anchor` (to its right, else to its left), wholly on the
/// screen that shows the anchor; where neither side has room it overlaps the anchor, and a
/// window larger than that screen is made smaller.
void PlaceBeside(QWidget& window, const QWidget& anchor);

/// Whether the window, its frame included, covers any of these widgets (hidden ones aside).
bool Covers(const QWidget& window, const std::vector<const QWidget*>& uncovered);

/// Places a top-level window so that it covers none of `uncovered` (such as the main window's
/// menu bar and the run log): beside `main` where its screen has room, else in the top right
/// corner of `area` (the main window's inner area).
void PlaceClearOf(QWidget& window, const QWidget& main, const QWidget& area,
                  const std::vector<const QWidget*>& uncovered);

/// Whether some screen shows the whole window, its frame included.
bool WhollyOnAScreen(const QWidget& window);

/// The four keys and their values as the window's closing steps store them, in this order.
std::vector<std::pair<std::string, std::string>> PlacementValues(const QWidget& window);

}  // namespace pelvane::shell
