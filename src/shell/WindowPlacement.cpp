#include "shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <optional>

#include "engine/VbNumber.h"

namespace pelvane::shell {

namespace {

constexpr double kTwipsPerInch = 1440.0;

std::optional<int> StoredPixels(const settings::SettingsStore& store, const std::string& section,
                                const char* key, double twipsPerPixel) {
  std::optional<float> twips = engine::ToSingle(store.GetINIValue(section, key));
  if (!twips) return std::nullopt;
  return static_cast<int>(std::lround(static_cast<double>(*twips) / twipsPerPixel));
}

std::string TwipsText(int pixels, double twipsPerPixel) {
  return std::to_string(std::lround(pixels * twipsPerPixel));
}

bool AnyScreenShows(const QRect& rect) {
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().intersects(rect)) return true;
  return false;
}

}  // namespace

double TwipsPerPixel(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  double dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
  return kTwipsPerInch / (dpi > 0 ? dpi : 96.0);
}

void RestorePlacement(QWidget& window, const settings::SettingsStore& store,
                      const std::string& section) {
  const double twipsPerPixel = TwipsPerPixel(window);
  QPoint pos = window.pos();
  QSize size = window.size();
  bool placed = false;  // without a stored position the window system places the window
  if (auto top = StoredPixels(store, section, "Top", twipsPerPixel)) {
    pos.setY(*top);
    placed = true;
  }
  if (auto left = StoredPixels(store, section, "Left", twipsPerPixel)) {
    pos.setX(*left);
    placed = true;
  }
  if (auto height = StoredPixels(store, section, "Height", twipsPerPixel))
    size.setHeight(std::max(*height, 0));
  if (auto width = StoredPixels(store, section, "Width", twipsPerPixel))
    size.setWidth(std::max(*width, 0));
  window.resize(size);
  if (placed && AnyScreenShows(QRect(pos, window.size()))) window.move(pos);
}

std::vector<std::pair<std::string, std::string>> PlacementValues(const QWidget& window) {
  const double twipsPerPixel = TwipsPerPixel(window);
  return {{"Top", TwipsText(window.pos().y(), twipsPerPixel)},
          {"Left", TwipsText(window.pos().x(), twipsPerPixel)},
          {"Height", TwipsText(window.height(), twipsPerPixel)},
          {"Width", TwipsText(window.width(), twipsPerPixel)}};
}

}  // namespace pelvane::shell
