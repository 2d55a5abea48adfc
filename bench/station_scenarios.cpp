#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <set>

#include "bench/gang.h"
#include "bench/scenarios.h"
#include "platform/qt/device_inventory.h"
#include "production/qt/setup.h"
#include "production/qt/station.h"
#include "sim/pty_server.h"
#include "station/station_window.h"

namespace tessimor::bench {

namespace {

using production::Station;
using production::TileState;

constexpr double kMaxRoundRatio = 1.05;
constexpr double kMaxRoundCpuPercent = 5.0;
constexpr int kIdleMs = 10000;
constexpr int kSettleMs = 500;
constexpr double kMaxIdleCpuPercent = 1.0;
constexpr char kGoldenFile[] = "golden.bin";

// Eight blank simulated adapters, each on a pty of its own, as --port names them.
struct Adapters {
  Adapters() {
    for (int i = 0; i < kGangSize; ++i) {
      simulators.push_back(std::make_unique<AdapterSimulator>());
      servers.push_back(std::make_unique<PtyServer>(*simulators.back()));
      serving = servers.back()->Start() && serving;
      ports.push_back(servers.back()->SlavePath());
    }
  }
  ~Adapters() {
    for (const auto& server : servers) server->Stop();
  }
  std::vector<std::unique_ptr<AdapterSimulator>> simulators;  // outlive their servers
  std::vector<std::unique_ptr<PtyServer>> servers;
  std::vector<std::string> ports;
  bool serving = true;
};

// The golden's set-up as a recipe would give it, its record in `dir`.
std::unique_ptr<production::Production> OpenGolden(const testing::TempDir& dir,
                                                   const Golden& golden) {
  testing::WriteWholeFile(dir.File(kGoldenFile), golden.bytes);
  production::Recipe recipe;
  recipe.image = dir.File(kGoldenFile);
  recipe.serial = kSerialField;
  recipe.serial_start = std::to_string(kFirstSerial);
  recipe.crcs = {kCrcField};
  recipe.db = dir.File("record.db");
  std::string error;
  auto production = production::OpenProduction(recipe, false, {}, &error);
  if (!production) std::fprintf(stderr, "production: %s\n", error.c_str());
  return production;
}

// Runs the event loop until no tile programs.
void Serve(Station& station) {
  QEventLoop loop;
  QObject::connect(&station, &Station::TotalsChanged, &loop, [&] {
    if (!station.Programming()) loop.quit();
  });
  if (station.Programming()) loop.exec();
}

void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

bool StationRound() {
  const std::optional<Golden> golden = MakeGolden();
  if (!golden) return false;
  const GangMeasurement cli = ProgramGang(kGangSize, *golden);

  const testing::TempDir dir;
  const std::unique_ptr<production::Production> production = OpenGolden(dir, *golden);
  Adapters adapters;
  if (!production || !adapters.serving) return false;
  QtDeviceInventory inventory;
  Station station(*production, inventory, adapters.ports);
  StationWindow window(station);
  window.show();
  station.Watch();
  // Its first paint, fonts loaded and all, belongs to opening the window, not to the round.
  RunEventsFor(kSettleMs);
  const Measurement round =
      Measure("station window, one round on " + std::to_string(kGangSize) + " adapters", 0, [&] {
        station.StartAll();
        Serve(station);
        std::set<std::string> serials;
        int holding = 0;
        for (std::size_t i = 0; i < station.Tiles().size(); ++i) {
          holding += PartHolds(station.Tiles()[i].part, *golden, *adapters.simulators[i]);
          serials.insert(station.Tiles()[i].part.serial);
        }
        return holding == kGangSize && serials.size() == static_cast<std::size_t>(kGangSize);
      });
  const Measurement idle =
      Measure("station window idle with " + std::to_string(kGangSize) + " adapters (10 s)",
              kIdleMs / 1000.0, [] {
                RunEventsFor(kIdleMs);
                return true;
              });

  // Adapters looked for in the system's listing, as a bench without --port does, twice a second.
  Station looking(*production, inventory, {});
  looking.Watch();
  const Measurement discovery =
      Measure("station looking for adapters in the system's listing (10 s)", kIdleMs / 1000.0, [] {
        RunEventsFor(kIdleMs);
        return true;
      });
  const double ratio = round.wall_seconds / cli.m.wall_seconds;
  const double round_cpu = 100.0 * round.program_cpu_seconds / round.wall_seconds;
  const double idle_cpu = 100.0 * idle.cpu_seconds / idle.wall_seconds;
  const bool parts_ok = cli.m.completed && round.completed;
  const bool ratio_ok = ratio <= kMaxRoundRatio;
  const bool round_cpu_ok = round_cpu <= kMaxRoundCpuPercent;
  const double discovery_cpu = 100.0 * discovery.cpu_seconds / discovery.wall_seconds;
  const bool idle_ok = idle_cpu <= kMaxIdleCpuPercent;
  const bool discovery_ok = discovery_cpu <= kMaxIdleCpuPercent;
  std::printf(
      "the station's round against the command-line tool's: a whole 32 KB image, %s and %s\n",
      kSerialField, kCrcField);
  PrintRun(cli);
  std::printf("  %s\n    wall        %8.3f s\n", round.name.c_str(), round.wall_seconds);
  std::printf("  parts       %s\n", Verdict(parts_ok));
  std::printf("  wall station / program %8.4f    target <= %.2f   %s\n", ratio, kMaxRoundRatio,
              Verdict(ratio_ok));
  std::printf("  window thread %6.3f %% of wall (%.3f s)  target <= %.0f %%  %s\n", round_cpu,
              round.program_cpu_seconds, kMaxRoundCpuPercent, Verdict(round_cpu_ok));
  std::printf(
      "  %s\n    whole process %.3f %% (%.3f s), window thread %.3f s  target <= %.0f %%  %s\n",
      idle.name.c_str(), idle_cpu, idle.cpu_seconds, idle.program_cpu_seconds, kMaxIdleCpuPercent,
      Verdict(idle_ok));
  std::printf("  %s\n    whole process %.3f %% (%.3f s)  target <= %.0f %%  %s\n",
              discovery.name.c_str(), discovery_cpu, discovery.cpu_seconds, kMaxIdleCpuPercent,
              Verdict(discovery_ok));
  std::printf("  peak memory %8.1f MB\n", discovery.peak_rss_kb / 1024.0);
  std::fflush(stdout);
  return parts_ok && ratio_ok && round_cpu_ok && idle_ok && discovery_ok;
}

}  // namespace tessimor::bench
