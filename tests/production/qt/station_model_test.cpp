#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <regex>

#include "production/qt/station.h"
#include "tests/kit/fakes.h"
#include "tests/kit/line/line.h"
#include "tests/kit/pg/pg_server.h"
#include "tests/kit/pty/core_app.h"

namespace tessimor::production {
namespace {

using testing::FakeInventory;

constexpr char kTimeout[] = "Time out waiting for reply.";

// "WAITING /dev/fake3 A1" and the like, one per tile.
std::vector<std::string> Seen(const Station& station) {
  static const char* const kWords[] = {"WAITING", "PROGRAMMING", "PASS", "FAIL", "GONE"};
  std::vector<std::string> seen;
  for (const Tile& tile : station.Tiles()) {
    seen.push_back(std::string(kWords[static_cast<int>(tile.state)]) + " " + tile.socket.port +
                   " " + tile.socket.usb_serial);
  }
  return seen;
}

TEST(StationTest, TilesFollowAdaptersAsTheyComeGoAndComeBack) {
  testing::ProductionLine line;
  FakeInventory inventory;
  const auto adapter = [](const std::string& serial, const std::string& com) {
    return FakeInventory::Port("USB\\VID_04D8&PID_000A\\" + serial, com);
  };
  Station station(*line.production, inventory, {});
  int added = 0;
  QObject::connect(&station, &Station::TileAdded, [&added] { ++added; });
  using Tiles = std::vector<std::string>;
  const struct {
    std::optional<std::vector<DeviceRecord>> ports;
    bool auto_start;
    Tiles seen;
  } steps[] = {
      {{{adapter("A1", "COM3"), adapter("B2", "COM4")}},
       false,
       {"WAITING /dev/fake3 A1", "WAITING /dev/fake4 B2"}},
      {{{adapter("A1", "COM3")}}, false, {"WAITING /dev/fake3 A1", "GONE /dev/fake4 B2"}},
      // An inventory that cannot be read marks nothing gone.
      {std::nullopt, false, {"WAITING /dev/fake3 A1", "GONE /dev/fake4 B2"}},
      // Back on another device, in its own tile.
      {{{adapter("A1", "COM3"), adapter("B2", "COM5")}},
       false,
       {"WAITING /dev/fake3 A1", "WAITING /dev/fake5 B2"}},
      // A part that carries its adapter takes the tile of the one pulled from that device, and
      // in Auto starts at once: here no device answers.
      {{{adapter("C3", "COM3"), adapter("B2", "COM5")}},
       true,
       {"FAIL /dev/fake3 C3", "WAITING /dev/fake5 B2"}},
  };
  for (const auto& step : steps) {
    inventory.ports = step.ports;
    station.SetAuto(step.auto_start);
    station.Look();
    EXPECT_EQ(Seen(station), step.seen);
  }
  EXPECT_EQ(added, 2);
  EXPECT_EQ(station.Tiles()[0].part.error, "/dev/fake3: no such device.");
  EXPECT_EQ(station.Tiles()[0].failed, 1);
  EXPECT_EQ(line.Sql("SELECT COUNT(*) FROM parts"), "0\n");
}

// The third of four adapters falls silent after its first reply, in each of two rounds.
TEST(StationTest, RoundsOnFourAdaptersEndInTheirTilesAndTheRecord) {
  testing::ProductionLine line;
  FakeInventory unused;
  testing::SimulatedAdapters bench(4, 2, {.mute_after = 1});
  Station station(*line.production, unused, bench.ports);
  station.Watch();
  ASSERT_EQ(station.Tiles().size(), 4u);
  for (int round = 0; round < 2; ++round) {
    station.StartAll();
    EXPECT_TRUE(station.Programming());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !station.Programming(); }, 30000));
    std::set<std::string> serials;
    for (std::size_t i = 0; i < 4; ++i) {
      const Tile& tile = station.Tiles()[i];
      EXPECT_EQ(tile.state, i == 2 ? TileState::kFailed : TileState::kPassed) << i;
      EXPECT_EQ(tile.part.error, i == 2 ? kTimeout : "") << i;
      EXPECT_EQ(tile.passed + tile.failed, round + 1);
      serials.insert(tile.part.serial);
    }
    EXPECT_EQ(serials,
              (round == 0 ? std::set<std::string>{"100000", "100001", "100002", "100003"}
                          : std::set<std::string>{"100004", "100005", "100006", "100007"}));
    EXPECT_EQ(line.Sql("SELECT state, COUNT(*) FROM parts GROUP BY state"),
              round == 0 ? "failed|1\npassed|3\n" : "failed|2\npassed|6\n");
  }
  EXPECT_EQ(station.NextNumberText(), "100008");
  EXPECT_EQ(station.TotalsNow().passed, 6);
  EXPECT_GT(station.TotalsNow().parts_per_hour, 0);
}

TEST(StationTest, AnAdapterPulledMidPartIsGoneItsPartFailedAndRecorded) {
  testing::ProductionLine line;
  FakeInventory unused;
  testing::SimulatedAdapters bench(1, 0, {.unplug_after = 2});
  Station station(*line.production, unused, bench.ports);
  station.Watch();
  station.Start(0);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return station.Tiles()[0].state == TileState::kGone && !station.Programming(); },
      5000));
  const Tile& tile = station.Tiles()[0];
  EXPECT_TRUE(std::regex_match(
      tile.part.error, std::regex("The port /dev/pts/[0-9]+ was closed: the adapter is gone\\.|"
                                  "The adapter on /dev/pts/[0-9]+ was unplugged\\.")))
      << tile.part.error;
  EXPECT_EQ(tile.failed, 1);
  EXPECT_FALSE(station.Startable(0));
  EXPECT_EQ(line.Sql("SELECT serial, state, error <> '' FROM parts"), "100000|failed|1\n");
}

// Parts wait while the record's server is away, the station says so, and Auto starts them once
// it is back.
TEST(StationTest, NoPartStartsWhileTheServerIsAwayAndAutoStartsThemWhenItIsBack) {
  testing::PgServer server;
  ::setenv("PGPASSFILE", server.PassFile().c_str(), 1);
  std::string said;
  std::string error;
  ASSERT_TRUE(Record::Init(server.Url(), &said, &error)) << error;
  testing::ProductionLine line(server.Url());
  FakeInventory unused;
  testing::SimulatedAdapters bench(2);
  Station station(*line.production, unused, bench.ports);
  station.SetAuto(true);
  server.Stop();
  station.Watch();
  ASSERT_TRUE(QTest::qWaitFor([&] { return station.RecordAway(); }, 3000));
  const std::string away = "production record " + server.Url() + ": the server cannot be reached: ";
  EXPECT_EQ(station.RecordText().substr(0, away.size()), away);
  EXPECT_NE(station.RecordText().find("\nNo new part starts until it is back; outcomes wait in the "
                                      "journal " +
                                      line.dir.File("journal.db") + "."),
            std::string::npos);
  EXPECT_EQ(Seen(station), (std::vector<std::string>{"WAITING " + bench.ports[0] + " ",
                                                     "WAITING " + bench.ports[1] + " "}));
  EXPECT_FALSE(station.Startable(0));
  EXPECT_EQ(station.NextNumberText(), "none while the record server is away");
  server.Start();
  // Tried again after 1, 2, 4... seconds.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return !station.RecordAway() && station.TotalsNow().passed == 2; }, 20000));
  EXPECT_EQ(station.RecordText(),
            "The record server " + server.Url() + " is back; parts start again.");
  EXPECT_EQ(server.Sql("SELECT serial, state FROM parts ORDER BY serial"),
            "100000|passed\n100001|passed");
}

}  // namespace
}  // namespace tessimor::production
