// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <algorithm>
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

/// The window's frame around its inner area; a guess from the style before it is first shown.
QMargins FrameMargins(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect inner = window.geometry();
  if (window.testAttribute(Qt::WA_WState_Created) && frame != inner)
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
  const int border = window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4;
  return {border, window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border, border};
}

}  // namespace

void PlaceBeside(QWidget& window, const QWidget& anchor) {
  const QRect anchorRect(anchor.mapToGlobal(QPoint(0, 0)), anchor.size());
  const QScreen* screen = QGuiApplication::screenAt(anchorRect.center());
  if (screen == nullptr) screen = anchor.screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  const QMargins frame = FrameMargins(window);
  const QSize most = room.size().shrunkBy(frame);
  window.resize(window.size().boundedTo(most));
  const QSize outer = window.size().grownBy(frame);
  constexpr int kGap = 8;
  int left = anchorRect.right() + 1 + kGap;
  if (left + outer.width() > room.right() + 1) left = anchorRect.left() - kGap - outer.width();
  if (left < room.left()) left = room.right() + 1 - outer.width();
  const int top = std::clamp(anchorRect.top(), room.top(), room.bottom() + 1 - outer.height());
  window.move(std::max(left, room.left()), std::max(top, room.top()));
}

bool Covers(const QWidget& window, const std::vector<const QWidget*>& uncovered) {
  const QRect frame(window.pos(), window.size().grownBy(FrameMargins(window)));
  for (const QWidget* widget : uncovered) {
    if (widget == nullptr || !widget->isVisible()) continue;
    if (frame.intersects(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()))) return true;
  }
  return false;
}

void PlaceClearOf(QWidget& window, const QWidget& main, const QWidget& area,
                  const std::vector<const QWidget*>& uncovered) {
  PlaceBeside(window, main);
  if (!Covers(window, uncovered)) return;
  constexpr int kGap = 8;
  const QMargins frame = FrameMargins(window);
  const QPoint corner = area.mapToGlobal(QPoint(area.width(), 0));
  window.move(std::max(0, corner.x() - kGap - window.width() - frame.left() - frame.right()),
              corner.y() + kGap);
}

bool WhollyOnAScreen(const QWidget& window) {
  const QRect frame(window.pos(), window.size().grownBy(FrameMargins(window)));
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().contains(frame)) return true;
  return false;
}

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
