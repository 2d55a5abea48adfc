#include "station/station_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <regex>

#include "station/tile_widget.h"
#include "tests/kit/fakes.h"
#include "tests/kit/line/line.h"
#include "tests/station/app.h"

namespace tessimor {
namespace {

using production::Station;
using production::TileState;
using testing::FakeInventory;
using Strings = std::vector<std::string>;

std::string Label(const TileWidget& tile, const char* name) {
  return tile.findChild<QLabel*>(name)->text().toStdString();
}

// "WAITING|reason|1 passed  0 failed|start" and the like, one per tile, as the tile shows it;
// without the reason when `detail` is false.
Strings Shown(const StationWindow& window, bool detail = true) {
  Strings shown;
  for (const TileWidget* tile : window.TileWidgets()) {
    shown.push_back(Label(*tile, "state") + "|" + (detail ? Label(*tile, "detail") + "|" : "") +
                    Label(*tile, "counts") + (tile->StartButton().isEnabled() ? "|start" : ""));
  }
  return shown;
}

// Row and column of each tile in the grid.
std::vector<std::pair<int, int>> Places(const StationWindow& window) {
  const auto* grid = window.findChild<QGridLayout*>();
  std::vector<std::pair<int, int>> places;
  for (TileWidget* tile : window.TileWidgets()) {
    int row, column, rows, columns;
    grid->getItemPosition(grid->indexOf(tile), &row, &column, &rows, &columns);
    places.push_back({row, column});
  }
  return places;
}

bool WaitUntilIdle(const Station& station) {
  return QTest::qWaitFor([&] { return !station.Programming(); }, 20000);
}

void ShowActive(StationWindow& window) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST(StationWindowTest, TilesAppearAreMarkedGoneAndComeBackAsAdaptersDo) {
  testing::ProductionLine line;
  FakeInventory inventory;
  const auto adapter = [](const std::string& serial, const std::string& com) {
    return FakeInventory::Port("USB\\VID_04D8&PID_000A\\" + serial, com);
  };
  Station station(*line.production, inventory, {});
  StationWindow window(station);
  const struct {
    std::vector<DeviceRecord> ports;
    bool auto_start;
    Strings shown;
    std::vector<std::pair<int, int>> places;
  } steps[] = {
      {{adapter("A1", "COM3"), adapter("B2", "COM4")},
       false,
       {"WAITING||0 passed  0 failed|start", "WAITING||0 passed  0 failed|start"},
       {{0, 0}, {0, 1}}},
      {{adapter("A1", "COM3")},
       false,
       {"WAITING||0 passed  0 failed|start", "GONE||0 passed  0 failed"},
       {{0, 0}, {0, 1}}},
      // A third adapter reflows two columns into a square; B2 is back on another device. In Auto
      // each new one starts at once, and here no device answers.
      {{adapter("A1", "COM3"), adapter("B2", "COM5"), adapter("C3", "COM6")},
       true,
       {"WAITING||0 passed  0 failed|start",
        "FAIL|/dev/fake5: no such device.|0 passed  1 failed|start",
        "FAIL|/dev/fake6: no such device.|0 passed  1 failed|start"},
       {{0, 0}, {0, 1}, {1, 0}}},
      {{adapter("A1", "COM3"), adapter("C3", "COM6")},
       false,
       {"WAITING||0 passed  0 failed|start",
        "GONE|Last: FAIL, /dev/fake5: no such device.|0 passed  1 failed",
        "FAIL|/dev/fake6: no such device.|0 passed  1 failed|start"},
       {{0, 0}, {0, 1}, {1, 0}}},
  };
  for (const auto& step : steps) {
    inventory.ports = step.ports;
    station.SetAuto(step.auto_start);
    station.Look();
    EXPECT_EQ(Shown(window), step.shown);
    EXPECT_EQ(Places(window), step.places);
  }
  const TileWidget& gone = *window.TileWidgets()[1];
  EXPECT_EQ(gone.accessibleName(), "Socket /dev/fake5");
  EXPECT_EQ(gone.StartButton().accessibleName(), "Start /dev/fake5");
  EXPECT_EQ(gone.accessibleDescription(), "Gone: Last: FAIL, /dev/fake5: no such device.");
}

TEST(StationWindowTest, SpaceStartsEveryWaitingTileAndTabReachesEachStart) {
  testing::ProductionLine line;
  FakeInventory unused;
  testing::SimulatedAdapters bench(3, 1, {.mute_after = 0});
  Station station(*line.production, unused, bench.ports);
  StationWindow window(station);
  station.Look();
  ShowActive(window);

  // Focus on no button: the window's own Space.
  window.setFocus();
  QTest::keyClick(&window, Qt::Key_Space);
  for (const production::Tile& tile : station.Tiles()) {
    EXPECT_EQ(tile.state, TileState::kProgramming);
  }
  EXPECT_EQ(window.TileWidgets()[0]->accessibleDescription().left(13), "Programming: ");
  ASSERT_TRUE(WaitUntilIdle(station));
  EXPECT_EQ(Shown(window, false),
            (Strings{"PASS|1 passed  0 failed|start", "FAIL|0 passed  1 failed|start",
                     "PASS|1 passed  0 failed|start"}));
  // The number it took is named with the reason, as the record keeps it.
  EXPECT_TRUE(std::regex_match(Label(*window.TileWidgets()[1], "detail"),
                               std::regex("serial 10000[0-2]: Time out waiting for reply\\.")));
  EXPECT_TRUE(std::regex_match(Label(*window.TileWidgets()[0], "detail"),
                               std::regex("serial 10000[01], [0-9]+\\.[0-9] s")));

  // Tab goes from Start all through Auto, then each tile's Start in grid order.
  const auto focused = [] {
    const QWidget* focus = QApplication::focusWidget();
    return (focus->accessibleName().isEmpty() ? focus->property("text").toString()
                                              : focus->accessibleName())
        .toStdString();
  };
  window.findChild<QPushButton*>()->setFocus();
  ASSERT_EQ(focused(), "Start all");
  Strings reached;
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached.push_back(focused());
  }
  EXPECT_EQ(reached, (Strings{"Auto", "Start " + bench.ports[0], "Start " + bench.ports[1],
                              "Start " + bench.ports[2], "Start all"}));
  for (int i = 0; i < 4; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);

  // A focused Start takes Enter itself: its tile alone starts.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(station.Tiles()[2].state, TileState::kProgramming);
  EXPECT_EQ(station.Tiles()[0].state, TileState::kPassed);
  ASSERT_TRUE(WaitUntilIdle(station));
  EXPECT_EQ(station.TotalsNow().passed, 3);
}

TEST(StationWindowTest, ClosingWhileProgrammingAsksAndFailsThePartsOnlyOnYes) {
  for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
    testing::ProductionLine line;
    FakeInventory unused;
    testing::SimulatedAdapters bench(2, 0, {.mute_after = 0});
    Station station(*line.production, unused, bench.ports);
    StationWindow window(station);
    station.Look();
    window.show();
    station.StartAll();
    std::string asked;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      asked = box->text().toStdString();
      box->button(answer)->click();
    });
    EXPECT_EQ(window.close(), answer == QMessageBox::Yes);
    EXPECT_EQ(asked, "2 parts are being programmed. Close and fail them?");
    EXPECT_EQ(station.Programming(), answer == QMessageBox::No);
    if (answer == QMessageBox::Yes) {
      EXPECT_EQ(station.Tiles()[0].part.error, "Interrupted.");
      EXPECT_EQ(Label(*window.TileWidgets()[1], "state"), "FAIL");
    }
    ASSERT_TRUE(WaitUntilIdle(station));
  }
}

}  // namespace
}  // namespace tessimor
