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

// "0,1 WAITING|reason|1 passed  0 failed|start" and the like: each tile's row and column in the
// grid and what it shows, without the reason when `detail` is false.
Strings Shown(const StationWindow& window, bool detail = true) {
  const auto* grid = window.findChild<QGridLayout*>();
  Strings shown;
  for (TileWidget* tile : window.TileWidgets()) {
    int row, column, rows, columns;
    grid->getItemPosition(grid->indexOf(tile), &row, &column, &rows, &columns);
    shown.push_back(std::to_string(row) + "," + std::to_string(column) + " " +
                    Label(*tile, "state") + "|" + (detail ? Label(*tile, "detail") + "|" : "") +
                    Label(*tile, "counts") + (tile->StartButton().isEnabled() ? "|start" : ""));
  }
  return shown;
}

bool WaitUntilIdle(const Station& station) {
  return QTest::qWaitFor([&] { return !station.Programming(); }, 20000);
}

// Which tile goes gone or comes back on which device is the model's test; here how tiles show it.
TEST(StationWindowTest, TilesShowTheirAdaptersAndReflowIntoASquare) {
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
  } steps[] = {
      {{adapter("A1", "COM3"), adapter("B2", "COM4")},
       false,
       {"0,0 WAITING||0 passed  0 failed|start", "0,1 WAITING||0 passed  0 failed|start"}},
      // A third tile reflows two columns into a square. In Auto a new one starts at once, and
      // here no device answers.
      {{adapter("A1", "COM3"), adapter("C3", "COM6")},
       true,
       {"0,0 WAITING||0 passed  0 failed|start", "0,1 GONE||0 passed  0 failed",
        "1,0 FAIL|/dev/fake6: no such device.|0 passed  1 failed|start"}},
      {{adapter("A1", "COM3")},
       false,
       {"0,0 WAITING||0 passed  0 failed|start", "0,1 GONE||0 passed  0 failed",
        "1,0 GONE|Last: FAIL, /dev/fake6: no such device.|0 passed  1 failed"}},
  };
  for (const auto& step : steps) {
    inventory.ports = step.ports;
    station.SetAuto(step.auto_start);
    station.Look();
    EXPECT_EQ(Shown(window), step.shown);
  }
  const TileWidget& gone = *window.TileWidgets()[2];
  EXPECT_EQ(gone.accessibleName(), "Socket /dev/fake6");
  EXPECT_EQ(gone.StartButton().accessibleName(), "Start /dev/fake6");
  EXPECT_EQ(gone.accessibleDescription(), "Gone: Last: FAIL, /dev/fake6: no such device.");
}

TEST(StationWindowTest, SpaceStartsEveryWaitingTileAndTabReachesEachStart) {
  testing::ProductionLine line;
  FakeInventory unused;
  testing::SimulatedAdapters bench(3, 1, {.mute_after = 0});
  Station station(*line.production, unused, bench.ports);
  StationWindow window(station);
  station.Look();
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  // Focus on no button: the window's own Space.
  window.setFocus();
  QTest::keyClick(&window, Qt::Key_Space);
  for (const production::Tile& tile : station.Tiles()) {
    EXPECT_EQ(tile.state, TileState::kProgramming);
  }
  EXPECT_EQ(window.TileWidgets()[0]->accessibleDescription().left(13), "Programming: ");
  ASSERT_TRUE(WaitUntilIdle(station));
  EXPECT_EQ(Shown(window, false),
            (Strings{"0,0 PASS|1 passed  0 failed|start", "0,1 FAIL|0 passed  1 failed|start",
                     "1,0 PASS|1 passed  0 failed|start"}));
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
