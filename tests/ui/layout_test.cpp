#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <vector>

#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

using testing::WindowHarness;

struct Expected {
  const char* name;
  const char* caption;
  QRect pixels;
};

// The design in twips, at 15 twips a pixel.
const std::vector<Expected> kMain = {
    {"cmdRead", "EEPROM -> File", {16, 16, 105, 57}},
    {"cmdWrite", "File -> EEPROM", {144, 16, 105, 57}},
    {"cmdFF", "$FF -> EEPROM", {272, 16, 105, 57}},
};
const std::vector<Expected> kPanel = {
    {"Command5", "!", {32, 128, 65, 33}},           {"Command6", "$", {32, 176, 65, 33}},
    {"Command7", "$0000", {112, 176, 57, 33}},      {"Command1", "R", {32, 224, 65, 33}},
    {"Command3", "W Byte", {192, 128, 65, 33}},     {"Command4", "W Page", {192, 176, 65, 33}},
    {"Command9", "W Tessimor", {192, 224, 65, 33}},
};

bool FamilyAllowed(const QFont& font) {
  return font.family() == "MS Sans Serif" ||
         font.family() == QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

bool CaptionFits(const QPushButton& button) {
  return QFontMetricsF(button.font()).horizontalAdvance(button.text()) < button.width();
}

TEST(Form1Layout, ButtonsStandWhereDesignedWithTheirCaptions) {
  WindowHarness window;
  for (const auto* table : {&kMain, &kPanel}) {
    for (const Expected& e : *table) {
      SCOPED_TRACE(e.name);
      QPushButton& button = window.Button(e.name);
      EXPECT_EQ(button.geometry(), e.pixels);
      EXPECT_EQ(button.text(), e.caption);
      EXPECT_FALSE(button.autoDefault());
      EXPECT_FALSE(button.isDefault());
      EXPECT_TRUE(CaptionFits(button));
    }
  }
  auto* status = window.form->findChild<QLabel*>("lblStatus");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->geometry(), QRect(8, 88, 377, 25));
  EXPECT_TRUE(status->text().isEmpty());
}

TEST(Form1Layout, FontsAreTheDesignedOnesOrTheirClosestFit) {
  WindowHarness window;
  for (const Expected& e : kMain) {
    SCOPED_TRACE(e.name);
    const QFont font = window.Button(e.name).font();
    EXPECT_TRUE(FamilyAllowed(font)) << font.family().toStdString();
    EXPECT_TRUE(font.bold());
    EXPECT_LE(font.pointSizeF(), 9.75);
    EXPECT_GE(font.pointSizeF(), 6);
  }
  const QFont status = window.form->findChild<QLabel*>("lblStatus")->font();
  EXPECT_TRUE(FamilyAllowed(status));
  EXPECT_TRUE(status.bold());
  EXPECT_LE(status.pointSizeF(), 12);
  for (const Expected& e : kPanel) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(window.Button(e.name).font().family(), window.form->font().family());
    EXPECT_FALSE(window.Button(e.name).font().bold());
  }
}

TEST(Form1Layout, TabOrderFollowsTheTabIndexAndStartsOnTheHiddenMark) {
  WindowHarness window;
  const char* order[] = {"Command5", "Command6", "Command7", "Command1", "cmdRead",
                         "Command3", "Command4", "cmdFF",    "Command9", "cmdWrite"};
  std::vector<std::string> chain;
  QWidget* widget = &window.Button(order[0]);
  for (std::size_t i = 0; i < std::size(order); ++i) {
    chain.push_back(widget->objectName().toStdString());
    do {
      widget = widget->nextInFocusChain();
    } while (!(widget->focusPolicy() & Qt::TabFocus));
  }
  EXPECT_EQ(chain, std::vector<std::string>(std::begin(order), std::end(order)));
  EXPECT_EQ(window.form->findChild<QLabel*>("lblStatus")->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(window.form->focusWidget(), &window.Button("Command5"));
}

TEST(Form1Layout, StartHeightShowsTheWholeStatusLineAndHidesThePanel) {
  WindowHarness window;
  EXPECT_EQ(window.form->windowTitle(), "Tessimor EEPROM");
  EXPECT_EQ(window.form->width(), 395);
  EXPECT_EQ(window.form->minimumSize(), window.form->maximumSize());
  const int visible = window.form->height();
  EXPECT_GT(visible, window.form->findChild<QLabel*>("lblStatus")->geometry().bottom());
  for (const Expected& e : kPanel) {
    SCOPED_TRACE(e.name);
    EXPECT_GE(window.Button(e.name).y(), visible);
  }
}

}  // namespace
}  // namespace tessimor
