#include "ui/app_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <array>

namespace tessimor {

namespace {

constexpr const char* kIconResource = ":/icons/tessimor-eeprom.svg";
constexpr std::array<int, 8> kIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

// Drawn here rather than left to QIcon's SVG engine, a plugin that nothing would make sure is
// installed.
QIcon AppIcon() {
  QSvgRenderer renderer{QString(kIconResource)};
  QIcon icon;
  for (const int size : kIconSizes) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace tessimor
