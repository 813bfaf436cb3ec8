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

/// The four keys and their values as the window's closing steps store them, in this order.
std::vector<std::pair<std::string, std::string>> PlacementValues(const QWidget& window);

}  // namespace pelvane::shell
