#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/gang.h"
#include "bench/scenarios.h"
#include "production/qt/record.h"
#include "tests/kit/files.h"
#include "tests/kit/pg/pg_server.h"

namespace tessimor::bench {

namespace {

using production::Record;

constexpr int kRecordParts = 200;
// The server's first parts fill its caches and plans; the figure is for a station well under way.
constexpr int kServerWarmUpParts = 20;
constexpr int kServerParts = 500;
constexpr double kMaxMedianReserveMs = 20.0;
constexpr double kTailShare = 0.99;
constexpr double kMedianShare = 0.5;
constexpr char kBenchPort[] = "bench";
constexpr char kStation[] = "bench";
constexpr char kPassFileVariable[] = "PGPASSFILE";

struct PartTimes {
  double median_ms = 0;
  double tail_ms = 0;
  double max_ms = 0;
};

// The q-quantile of `sorted`, by nearest rank.
double Quantile(const std::vector<double>& sorted, double q) {
  const auto rank = static_cast<std::size_t>(std::ceil(q * sorted.size()));
  return sorted[std::max<std::size_t>(rank, 1) - 1];
}

// Reserves and finishes `warm_up` parts untimed, then `parts` timed, each as a station does it:
// a committed reservation, then its outcome. nullopt once a failure is printed.
std::optional<PartTimes> TimeParts(Record& record, int warm_up, int parts) {
  const production::NumberAt numbers = [](std::uint64_t index, std::string*) {
    return std::optional<std::string>(std::to_string(kFirstSerial + index));
  };
  std::vector<double> ms;
  std::string error;
  for (int i = 0; i < warm_up + parts; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const auto reservation = record.Reserve(numbers, kBenchPort, {}, &error);
    if (!reservation || !record.Finish(*reservation, {true, {}, 0}, &error)) {
      std::fprintf(stderr, "part %d: %s\n", i, error.c_str());
      return std::nullopt;
    }
    const auto took = std::chrono::steady_clock::now() - start;
    if (i >= warm_up) ms.push_back(std::chrono::duration<double, std::milli>(took).count());
  }
  std::sort(ms.begin(), ms.end());
  return PartTimes{Quantile(ms, kMedianShare), Quantile(ms, kTailShare), ms.back()};
}

// The figures at `indent`; true when the median meets its target.
bool PrintTimes(const PartTimes& t, const char* indent) {
  const bool median_ok = t.median_ms <= kMaxMedianReserveMs;
  std::printf("%smedian      %8.2f ms  target <= %.0f ms  %s\n", indent, t.median_ms,
              kMaxMedianReserveMs, Verdict(median_ok));
  std::printf("%s99th        %8.2f ms\n", indent, t.tail_ms);
  std::printf("%smax         %8.2f ms\n", indent, t.max_ms);
  return median_ok;
}

// The server's release and whether a commit waits for its disk, as it reports them itself.
std::string ServerSettings(const testing::PgServer& server) {
  return "PostgreSQL " + server.Sql("SHOW server_version") +
         " over its Unix socket, fsync=" + server.Sql("SHOW fsync") +
         ", synchronous_commit=" + server.Sql("SHOW synchronous_commit");
}

}  // namespace

bool RecordCost() {
  const std::optional<Golden> golden = MakeGolden();
  if (!golden) return false;
  const testing::TempDir dir;
  const std::unique_ptr<Record> record = BegunRecord(dir.File(kRecordFile), *golden);
  if (!record) return false;
  const std::optional<PartTimes> times = TimeParts(*record, 0, kRecordParts);
  if (!times) return false;
  std::printf("record a part: reserve + finish on SQLite, WAL, synchronous=FULL, %d parts\n",
              kRecordParts);
  const bool median_ok = PrintTimes(*times, "  ");
  std::fflush(stdout);
  return median_ok;
}

bool RecordOnServer() {
  const std::optional<Golden> golden = MakeGolden();
  if (!golden) return false;
  std::optional<testing::PgServer> server;
  std::string settings;
  try {
    server.emplace();
    settings = ServerSettings(*server);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "server: %s\n", e.what());
    return false;
  }
  setenv(kPassFileVariable, server->PassFile().c_str(), 1);
  std::string said;
  std::string error;
  if (!Record::Init(server->Url(), &said, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  const testing::TempDir station_dir;
  const std::unique_ptr<Record> on_server = BegunRecord(
      server->Url(), *golden, {kStation, station_dir.File(production::kDefaultJournal)});
  if (!on_server) return false;
  const std::optional<PartTimes> server_times =
      TimeParts(*on_server, kServerWarmUpParts, kServerParts);
  const std::unique_ptr<Record> in_file = BegunRecord(station_dir.File(kRecordFile), *golden);
  if (!server_times || !in_file) return false;
  const std::optional<PartTimes> file_times = TimeParts(*in_file, kServerWarmUpParts, kServerParts);
  if (!file_times) return false;

  std::printf(
      "record a part on a server and in a file: reserve + finish, %d parts each after %d "
      "untimed\n",
      kServerParts, kServerWarmUpParts);
  std::printf("  server      %s\n", settings.c_str());
  const bool server_ok = PrintTimes(*server_times, "    ");
  std::printf("  file        SQLite, WAL, synchronous=FULL\n");
  const bool file_ok = PrintTimes(*file_times, "    ");
  std::printf("  server/file %8.2f x median, %.2f x 99th\n",
              server_times->median_ms / file_times->median_ms,
              server_times->tail_ms / file_times->tail_ms);
  std::fflush(stdout);
  return server_ok && file_ok;
}

}  // namespace tessimor::bench
