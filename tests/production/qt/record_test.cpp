#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/kit/files.h"
#include "tests/kit/full_disk.h"
#include "tests/production/qt/station.h"

namespace tessimor::production {
namespace {

using testing::Begun;
using testing::kStationPlan;
using testing::Next;
using testing::Numbers;
using testing::Sql;
using testing::TempDir;

// A passed number's rework is the command line's test; here what is refused.
TEST(RecordTest, HandsOutNumbersInOrderWithTheirStepEachIndexOnceAndReworksNoneThatFailed) {
  TempDir dir;
  auto record = Begun(dir.File("r.db"));
  std::vector<std::pair<std::uint64_t, std::string>> got;
  std::string error;
  for (int i = 0; i < 3; ++i) {
    const auto reservation = record->Reserve(Numbers(100000, 5), "pty", "", &error);
    ASSERT_TRUE(reservation && record->Finish(*reservation, {false, "", 0}, &error)) << error;
    got.emplace_back(reservation->index, reservation->serial);
  }
  EXPECT_EQ(got, (decltype(got){{0, "100000"}, {1, "100005"}, {2, "100010"}}));
  for (const std::string refused : {"100005", "999"}) {
    error = "left";
    EXPECT_FALSE(record->ReserveRework(refused, "pty", "", &error)) << refused;
    EXPECT_EQ(error, "") << refused;
  }
  EXPECT_EQ(Sql(dir.File("r.db"), "PRAGMA integrity_check"), "ok\n");
}

TEST(RecordTest, SkipsANumberAnyRowOfTheRecordHolds) {
  TempDir dir;
  auto first = Begun(dir.File("r.db"), {}, {}, {"aa", "l", "start 100001 step 1"});
  EXPECT_EQ(Next(*first, Numbers(100001)), "100001");
  first.reset();
  auto second = Begun(dir.File("r.db"), {}, {}, {"aa", "l", "start 100000 step 1", true});
  EXPECT_EQ(Next(*second), "100000");
  EXPECT_EQ(Next(*second), "100002");
}

TEST(RecordTest, AnotherImageLayoutOrNumberingTakesANewSeries) {
  const struct {
    SeriesPlan plan;
    std::string refusal;
  } cases[] = {
      {{"other", "serial 0x0010:u32le", "start 100000 step 1"}, "another image"},
      {{"9f86d081884c7d65", "serial 0x0020:u32le", "start 100000 step 1"}, "another layout"},
      {{"9f86d081884c7d65", "serial 0x0010:u32le", "start 5 step 1"}, "another numbering"},
      {{"other", "serial 0x0020:u32le", "start 5 step 1"}, "another image, layout and numbering"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    Begun(dir.File("r.db"));
    std::string error;
    int interrupted = 0;
    auto record = Record::Open(dir.File("r.db"), &error);
    EXPECT_FALSE(record->BeginRun(c.plan, FailPolicy::kVoid, &error, &interrupted));
    EXPECT_EQ(error,
              "series 1 of the record has " + c.refusal + "; only a new series can change it");
    SeriesPlan fresh = c.plan;
    fresh.new_series = true;
    EXPECT_TRUE(record->BeginRun(fresh, FailPolicy::kVoid, &error, &interrupted)) << error;
    EXPECT_EQ(Sql(dir.File("r.db"), "SELECT id FROM series"), "1\n2\n");
  }
}

// A file shut to the program, a folder shut to it and a file of random bytes: the command
// line's refusals.
TEST(RecordOpenTest, RefusesANewerProgramsRecordOrAFullDiskLeavingTheFileAsItWas) {
  const struct {
    bool made;
    std::string change;
    bool full_disk;
    std::string reason;
  } cases[] = {
      {true, "UPDATE record_schema SET version = 3", false,
       "made by a newer program (record version 3; this one knows up to 2)"},
      {false, "", true, "writing to it failed; is the disk full?"},
      {true, "", true, "writing to it failed; is the disk full?"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string db = dir.File("r.db");
    if (c.made) Begun(db);
    if (!c.change.empty()) Sql(db, c.change);
    const std::string before = testing::ReadWholeFile(db);
    std::string error;
    {
      std::optional<testing::FullDisk> full;
      if (c.full_disk) full.emplace(1024);
      EXPECT_FALSE(Record::Open(db, &error)) << c.made;
    }
    EXPECT_EQ(error, "production record " + db + ": " + c.reason) << c.made;
    EXPECT_EQ(testing::ReadWholeFile(db), before) << c.made;
  }
}

// A record the first program made: its runs and parts take their hosts' names as stations.
TEST(RecordOpenTest, ARecordOfTheFirstVersionIsBroughtUpToDateItsHostsItsStations) {
  TempDir dir;
  const std::string db = dir.File("r.db");
  Sql(db,
      "CREATE TABLE record_schema (version INTEGER NOT NULL); INSERT INTO record_schema VALUES (1);"
      "CREATE TABLE series (id INTEGER PRIMARY KEY, image_sha256 TEXT NOT NULL, layout TEXT NOT "
      "NULL, numbering TEXT NOT NULL, created TEXT NOT NULL);"
      "CREATE TABLE runs (id INTEGER PRIMARY KEY, host TEXT NOT NULL, boot TEXT NOT NULL, pid "
      "BIGINT NOT NULL, process_start BIGINT NOT NULL, started TEXT NOT NULL, ended TEXT);"
      "CREATE TABLE parts (id INTEGER PRIMARY KEY, series_id BIGINT NOT NULL, run_id BIGINT NOT "
      "NULL, idx BIGINT NOT NULL, serial TEXT NOT NULL, state TEXT NOT NULL, rework INTEGER NOT "
      "NULL, reusable INTEGER NOT NULL, port TEXT NOT NULL, usb_serial TEXT NOT NULL, started TEXT "
      "NOT NULL, ended TEXT, seconds DOUBLE PRECISION, crc32 BIGINT, error TEXT);"
      "INSERT INTO series VALUES (1, '9f86d081884c7d65', 'serial 0x0010:u32le', "
      "'start 100000 step 1', 'T');"
      "INSERT INTO runs VALUES (1, 'oldhost', 'b', 1, 1, 'T', 'T');"
      "INSERT INTO parts VALUES (1, 1, 1, 0, '100000', 'passed', 0, 0, 'pty', '', 'T', 'T', 1.5, "
      "0, NULL);");
  auto record = Begun(db);
  EXPECT_EQ(Next(*record), "100001");
  record.reset();
  EXPECT_EQ(Sql(db,
                "SELECT version FROM record_schema; SELECT station FROM runs;"
                "SELECT station = (SELECT host FROM runs WHERE id = 2) FROM parts"),
            "2\noldhost\n" + Sql(db, "SELECT host FROM runs WHERE id = 2") + "0\n1\n");
}

// A station holding `count` numbers in a process of its own, killed at the latest when it goes.
struct HeldStation {
  HeldStation(const std::string& db, int count)
      : out(::popen(
            ("exec '" TESSIMOR_STATION "' '" + db + "' " + std::to_string(count) + " hold").c_str(),
            "r")) {
    if (out && std::fscanf(out, "ready %d", &pid) != 1) pid = -1;
  }
  ~HeldStation() { Kill(); }
  // Its wait status.
  int Kill() {
    if (!out) return -1;
    if (pid > 0) ::kill(pid, SIGKILL);  // never kill(-1): that would reach every process
    const int status = ::pclose(out);
    out = nullptr;
    return status;
  }

  FILE* out;
  pid_t pid = -1;
};

TEST(RecordProcessesTest, AKilledRunsNumbersAreInterruptedForGoodALiveRunsStayReserved) {
  TempDir dir;
  const std::string db = dir.File("r.db");
  HeldStation killed(db, 2);
  HeldStation live(db, 1);
  ASSERT_TRUE(killed.pid > 0 && live.pid > 0);
  EXPECT_TRUE(WIFSIGNALED(killed.Kill()));
  std::string error;
  int interrupted = -1;
  auto record = Record::Open(db, &error);
  ASSERT_TRUE(record && record->BeginRun(kStationPlan, FailPolicy::kReuse, &error, &interrupted))
      << error;
  EXPECT_EQ(interrupted, 2);
  EXPECT_EQ(Next(*record), "100003");
  EXPECT_EQ(Sql(db, "SELECT serial, state FROM parts ORDER BY id"),
            "100000|interrupted\n100001|interrupted\n100002|reserved\n100003|reserved\n");
  EXPECT_EQ(Sql(db, "PRAGMA integrity_check"), "ok\n");
}

TEST(RecordProcessesTest, StationsOpeningANewRecordAndReservingAtOnceNeverShareANumber) {
  // Each round on a fresh file, the two started by one shell line as closely together as
  // processes start, so they also meet while turning it to WAL.
  for (int round = 0; round < 10; ++round) {
    TempDir dir;
    const std::string db = dir.File("r.db");
    const std::string station = std::string("'") + TESSIMOR_STATION + "' '" + db + "' 100 pass";
    EXPECT_EQ(testing::Shell("{ " + station + " & " + station + " & wait; } 2>&1"),
              "ready\nready\n");
    EXPECT_EQ(Sql(db,
                  "SELECT COUNT(DISTINCT serial), MIN(serial), MAX(serial), COUNT(DISTINCT"
                  " run_id) FROM parts WHERE state = 'passed'"),
              "200|100000|100199|2\n");
    EXPECT_EQ(Sql(db, "PRAGMA integrity_check"), "ok\n");
  }
}

}  // namespace
}  // namespace tessimor::production
