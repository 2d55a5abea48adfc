#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bench/gang.h"
#include "bench/scenarios.h"
#include "production/part_image.h"
#include "production/qt/gang_run.h"
#include "production/qt/series_plan.h"
#include "sim/pty_server.h"
#include "tests/kit/expected.h"
#include "tests/kit/files.h"

namespace tessimor::bench {

namespace {

using production::GangRun;
using production::PartStatus;
using production::Plan;
using production::Record;
using production::Socket;
using production::Stage;

constexpr double kMaxGangRatio = 1.05;
constexpr double kMaxCpuPercentPerAdapter = 2.0;

}  // namespace

const char* Verdict(bool pass) {
  return pass ? "PASS" : "MISS";
}

std::optional<Golden> MakeGolden() {
  const AdapterSimulator::Memory pattern = testing::Pattern();
  const std::vector<std::uint8_t> bytes(pattern.begin(), pattern.end());
  EepromImage image = EepromImage::FromBytes(bytes);
  production::Checked<Plan> plan = production::MakePlan(
      image, {kSerialField, {kCrcField}, std::to_string(kFirstSerial), {}, {}, {}});
  if (!plan.value) {
    std::fprintf(stderr, "plan: %s\n", plan.error.c_str());
    return std::nullopt;
  }
  return Golden{std::string(bytes.begin(), bytes.end()), std::move(image), std::move(*plan.value)};
}

std::unique_ptr<Record> BegunRecord(const std::string& location, const Golden& golden,
                                    const production::StationSettings& station) {
  std::string error;
  int interrupted = 0;
  std::unique_ptr<Record> record = Record::Open(location, &error, station);
  if (!record || !record->BeginRun(production::SeriesFor(golden.bytes, golden.plan, {}, false),
                                   production::FailPolicy::kVoid, &error, &interrupted)) {
    std::fprintf(stderr, "record: %s\n", error.c_str());
    return nullptr;
  }
  return record;
}

// The part passed, and its adapter holds exactly the image made for its number.
bool PartHolds(const PartStatus& part, const Golden& golden, const AdapterSimulator& adapter) {
  if (part.stage != Stage::kPassed) {
    std::fprintf(stderr, "%s: %s\n", part.socket.port.c_str(), part.error.c_str());
    return false;
  }
  const auto image = production::MakePartImage(golden.image, golden.plan.layout,
                                               production::SerialValue{std::stoull(part.serial)});
  const std::vector<std::uint8_t> expected =
      image.value ? image.value->image.Bytes() : std::vector<std::uint8_t>{};
  if (!std::equal(expected.begin(), expected.end(), adapter.memory().begin(),
                  adapter.memory().end())) {
    std::fprintf(stderr, "%s: memory differs from part %s's image\n", part.socket.port.c_str(),
                 part.serial.c_str());
    return false;
  }
  return true;
}

// One part on each of `adapters` blank simulated adapters, as `program` does it by default.
GangMeasurement ProgramGang(int adapters, const Golden& golden) {
  GangMeasurement g;
  g.parts = adapters;
  const testing::TempDir dir;
  const std::unique_ptr<Record> record = BegunRecord(dir.File(kRecordFile), golden);
  std::vector<std::unique_ptr<AdapterSimulator>> simulators;
  std::vector<std::unique_ptr<PtyServer>> servers;
  std::vector<Socket> sockets;
  bool serving = record != nullptr;
  for (int i = 0; i < adapters; ++i) {
    simulators.push_back(std::make_unique<AdapterSimulator>());
    servers.push_back(std::make_unique<PtyServer>(*simulators.back()));
    serving = servers.back()->Start() && serving;
    sockets.push_back(Socket{servers.back()->SlavePath(), {}});
  }
  const std::string name = adapters == 1
                               ? "program on 1 adapter"
                               : "program on " + std::to_string(adapters) + " adapters at once";
  if (!serving) {
    g.m.name = name;
    return g;
  }
  GangRun run(*record, golden.image, golden.plan, {}, sockets);
  g.m = Measure(name, 0, [&] {
    run.Run();
    return true;
  });
  std::set<std::string> serials;
  for (int i = 0; i < adapters; ++i) {
    servers[i]->Stop();
    g.holding += PartHolds(run.Parts()[i], golden, *simulators[i]);
    serials.insert(run.Parts()[i].serial);
    g.part_seconds.push_back(run.Parts()[i].seconds);
  }
  g.distinct = serials.size() == static_cast<std::size_t>(adapters);
  g.m.completed = g.holding == adapters && g.distinct;
  return g;
}

void PrintRun(const GangMeasurement& g) {
  std::printf("  %s\n", g.m.name.c_str());
  std::printf("    parts       %d of %d passed and hold their image; numbers %s\n", g.holding,
              g.parts, g.distinct ? "distinct" : "SHARED");
  std::printf("    wall        %8.3f s\n", g.m.wall_seconds);
  if (!g.part_seconds.empty()) {
    const auto [fastest, slowest] =
        std::minmax_element(g.part_seconds.begin(), g.part_seconds.end());
    // Parts begin one after another, each after its number is committed to the record.
    std::printf("    each part   %8.3f s to %.3f s; the last began %.3f s in\n", *fastest, *slowest,
                g.m.wall_seconds - g.part_seconds.back());
  }
  std::printf("    cpu         %8.3f s = %.3f %% of wall, program thread; whole process %.3f s\n",
              g.m.program_cpu_seconds, 100.0 * g.m.program_cpu_seconds / g.m.wall_seconds,
              g.m.cpu_seconds);
  std::printf("    peak memory %8.1f MB\n", g.m.peak_rss_kb / 1024.0);
}

bool GangProgram() {
  const std::optional<Golden> golden = MakeGolden();
  if (!golden) return false;
  const GangMeasurement one = ProgramGang(1, *golden);
  const GangMeasurement gang = ProgramGang(kGangSize, *golden);
  const double ratio = gang.m.wall_seconds / one.m.wall_seconds;
  const double cpu_percent = 100.0 * gang.m.program_cpu_seconds / gang.m.wall_seconds;
  const double per_adapter = cpu_percent / kGangSize;
  const bool ratio_ok = ratio <= kMaxGangRatio;
  const bool cpu_ok = per_adapter <= kMaxCpuPercentPerAdapter;
  const bool parts_ok = one.m.completed && gang.m.completed;
  std::printf("program a whole 32 KB image, %s and %s, write at tick pace\n", kSerialField,
              kCrcField);
  PrintRun(one);
  PrintRun(gang);
  std::printf("  parts       %s\n", Verdict(parts_ok));
  std::printf("  wall %d / 1  %8.4f    target <= %.2f   %s\n", kGangSize, ratio, kMaxGangRatio,
              Verdict(ratio_ok));
  std::printf(
      "  cpu/wall    %8.3f %%  for %d, %.3f %% an adapter  target <= %.1f %% an adapter  %s\n",
      cpu_percent, kGangSize, per_adapter, kMaxCpuPercentPerAdapter, Verdict(cpu_ok));
  std::fflush(stdout);
  return parts_ok && ratio_ok && cpu_ok;
}

}  // namespace tessimor::bench
