#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include "ui/app_icon.h"

namespace tessimor {
namespace {

// Points in the drawing's own 64-unit grid: a corner left empty, the chip's dark body and the
// light shell of the plug.
TEST(AppIconTest, ShowsTheChipAndThePlugAtEverySize) {
  int argc = 1;
  char name[] = "icon_tests";
  char* argv[] = {name, nullptr};
  const QGuiApplication app(argc, argv);
  const QIcon icon = AppIcon();
  ASSERT_FALSE(icon.isNull());
  for (const int size : {16, 32, 64}) {
    const QImage image = icon.pixmap(size).toImage();
    ASSERT_EQ(image.size(), QSize(size, size));
    const auto at = [&](int x, int y) { return image.pixelColor(x * size / 64, y * size / 64); };
    EXPECT_EQ(at(0, 0).alpha(), 0) << size;
    EXPECT_EQ(at(22, 32).alpha(), 255) << size;
    EXPECT_LT(at(22, 32).lightness(), 96) << size;
    EXPECT_EQ(at(50, 32).alpha(), 255) << size;
    EXPECT_GT(at(50, 32).lightness(), 160) << size;
  }
}

}  // namespace
}  // namespace tessimor
