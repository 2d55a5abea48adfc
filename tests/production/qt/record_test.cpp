#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/kit/files.h"
#include "tests/kit/full_disk.h"
#include "tests/production/qt/station.h"

namespace tessimor::production {
namespace {

using testing::kStationPlan;
using testing::Numbers;
using testing::TempDir;

// What the sqlite3 tool prints for `query` on the file.
std::string Sql(const std::string& db, const std::string& query) {
  const std::string command = "sqlite3 '" + db + "' \"" + query + "\"";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  for (int c; pipe && (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
  if (pipe) ::pclose(pipe);
  return out;
}

std::unique_ptr<Record> Begun(const std::string& db, const SeriesPlan& plan = kStationPlan,
                              FailPolicy policy = FailPolicy::kVoid, int* interrupted = nullptr) {
  std::string error;
  int count = 0;
  auto record = Record::Open(db, &error);
  if (!record || !record->BeginRun(plan, policy, &error, interrupted ? interrupted : &count)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  return record;
}

std::string Next(Record& record, const NumberAt& numbers = Numbers(100000)) {
  std::string error;
  const auto reservation = record.Reserve(numbers, "pty", "", &error);
  return reservation ? reservation->serial : "error: " + error;
}

std::string NextFinished(Record& record, bool passed) {
  std::string error;
  const auto reservation = record.Reserve(Numbers(100000), "pty", "", &error);
  if (!reservation || !record.Finish(*reservation, {passed, "", 0}, &error)) return error;
  return reservation->serial;
}

TEST(RecordTest, HandsOutNumbersInOrderWithTheirStepEachIndexOnce) {
  TempDir dir;
  auto record = Begun(dir.File("r.db"));
  std::vector<std::pair<std::uint64_t, std::string>> got;
  std::string error;
  for (int i = 0; i < 3; ++i) {
    const auto reservation = record->Reserve(Numbers(100000, 5), "pty", "", &error);
    ASSERT_TRUE(reservation) << error;
    got.emplace_back(reservation->index, reservation->serial);
  }
  EXPECT_EQ(got, (decltype(got){{0, "100000"}, {1, "100005"}, {2, "100010"}}));
  EXPECT_EQ(Sql(dir.File("r.db"), "PRAGMA integrity_check"), "ok\n");
}

TEST(RecordTest, SkipsANumberAnyRowOfTheRecordHolds) {
  TempDir dir;
  auto first = Begun(dir.File("r.db"), {"aa", "l", "start 100001 step 1"});
  EXPECT_EQ(Next(*first, Numbers(100001)), "100001");
  first.reset();
  auto second = Begun(dir.File("r.db"), {"aa", "l", "start 100000 step 1", true});
  EXPECT_EQ(Next(*second), "100000");
  EXPECT_EQ(Next(*second), "100002");
}

TEST(RecordTest, AFailedNumberIsVoidedOrGivenOnceToTheNextPartEitherRowKept) {
  const struct {
    FailPolicy policy;
    std::string after_failure, then, rows_of_failed;
  } cases[] = {
      {FailPolicy::kVoid, "100001", "100002", "failed\n"},
      {FailPolicy::kReuse, "100000", "100001", "failed\npassed\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    auto record = Begun(dir.File("r.db"), kStationPlan, c.policy);
    EXPECT_EQ(NextFinished(*record, false), "100000");
    EXPECT_EQ(NextFinished(*record, true), c.after_failure);
    EXPECT_EQ(NextFinished(*record, true), c.then);
    EXPECT_EQ(Sql(dir.File("r.db"), "SELECT state FROM parts WHERE serial = '100000' ORDER BY id"),
              c.rows_of_failed);
  }
}

TEST(RecordTest, ReworksOnlyANumberThatPassedInThisSeries) {
  TempDir dir;
  auto record = Begun(dir.File("r.db"));
  ASSERT_EQ(NextFinished(*record, true), "100000");
  ASSERT_EQ(NextFinished(*record, false), "100001");
  std::string error;
  const auto rework = record->ReserveRework("100000", "pty", "", &error);
  ASSERT_TRUE(rework) << error;
  EXPECT_EQ(rework->index, 0u);
  EXPECT_TRUE(rework->rework);
  EXPECT_TRUE(record->Finish(*rework, {true, "", 0}, &error)) << error;
  for (const std::string refused : {"100001", "999"}) {
    error = "left";
    EXPECT_FALSE(record->ReserveRework(refused, "pty", "", &error)) << refused;
    EXPECT_EQ(error, "") << refused;
  }
  EXPECT_EQ(Next(*record), "100002");
  EXPECT_EQ(Sql(dir.File("r.db"), "SELECT serial, rework FROM parts ORDER BY id"),
            "100000|0\n100001|0\n100000|1\n100002|0\n");
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

// Root writes any file; without CAP_DAC_OVERRIDE this thread is held to the modes as others are.
class HeldToFileModes {
 public:
  HeldToFileModes() {
    ::syscall(SYS_capget, &header_, before_);
    __user_cap_data_struct held[2] = {before_[0], before_[1]};
    held[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    ::syscall(SYS_capset, &header_, held);
  }
  ~HeldToFileModes() { ::syscall(SYS_capset, &header_, before_); }
  HeldToFileModes(const HeldToFileModes&) = delete;
  HeldToFileModes& operator=(const HeldToFileModes&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct before_[2]{};
};

TEST(RecordOpenTest, RefusesAFileItCannotKeepTheRecordInLeavingItAsItWas) {
  const std::string kNoise(4096, '\x5A');
  const struct {
    std::string name, db;  // db under the test's folder
    std::function<void(const std::string& dir)> prepare;
    std::string reason;
    bool full_disk = false;
  } cases[] = {
      {"read-only file", "r.db",
       [](const std::string& dir) {
         Begun(dir + "/r.db");
         ::chmod((dir + "/r.db").c_str(), 0444);
       },
       "permission denied"},
      {"read-only folder", "ro/r.db",
       [](const std::string& dir) { ::mkdir((dir + "/ro").c_str(), 0555); },
       "its folder cannot be written: permission denied"},
      {"random bytes", "r.db",
       [&](const std::string& dir) { testing::WriteWholeFile(dir + "/r.db", kNoise); },
       "not a database"},
      {"newer program", "r.db",
       [](const std::string& dir) {
         Begun(dir + "/r.db");
         Sql(dir + "/r.db", "UPDATE record_schema SET version = 2");
       },
       "made by a newer program (record version 2; this one knows up to 1)"},
      {"full disk, new file", "r.db", [](const std::string&) {},
       "writing to it failed; is the disk full?", true},
      {"full disk", "r.db", [](const std::string& dir) { Begun(dir + "/r.db"); },
       "writing to it failed; is the disk full?", true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string db = dir.File(c.db);
    c.prepare(dir.path());
    const std::string before = testing::ReadWholeFile(db);
    std::string error;
    {
      HeldToFileModes held;
      std::optional<testing::FullDisk> full;
      if (c.full_disk) full.emplace(1024);
      EXPECT_FALSE(Record::Open(db, &error)) << c.name;
    }
    EXPECT_EQ(error, "production record " + db + ": " + c.reason) << c.name;
    EXPECT_EQ(testing::ReadWholeFile(db), before) << c.name;
  }
}

// A station run as a process of its own, its output read from a pipe.
struct Station {
  pid_t pid = -1;
  int out = -1;

  Station(const std::string& db, int count, const char* mode) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    const std::string number = std::to_string(count);
    char* const argv[] = {const_cast<char*>(TESSIMOR_STATION), const_cast<char*>(db.c_str()),
                          const_cast<char*>(number.c_str()), const_cast<char*>(mode), nullptr};
    ::posix_spawn(&pid, TESSIMOR_STATION, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_ends[1]);
    out = pipe_ends[0];
  }
  ~Station() {
    if (pid > 0) Stop(SIGKILL);
    ::close(out);
  }
  // What it said until it closed its output or said "ready".
  std::string Said() {
    std::string text;
    char c;
    while (text.find('\n') == std::string::npos && ::read(out, &c, 1) == 1) text += c;
    return text;
  }
  int Stop(int signal) {
    if (pid <= 0) return -1;  // never kill(-1): that would reach every process
    if (signal != 0) ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return status;
  }
};

TEST(RecordProcessesTest, AKilledRunsNumbersAreInterruptedForGoodALiveRunsStayReserved) {
  TempDir dir;
  const std::string db = dir.File("r.db");
  Station killed(db, 2, "hold");
  ASSERT_EQ(killed.Said(), "ready\n");
  Station live(db, 1, "hold");
  ASSERT_EQ(live.Said(), "ready\n");
  EXPECT_TRUE(WIFSIGNALED(killed.Stop(SIGKILL)));
  int interrupted = -1;
  auto record = Begun(db, kStationPlan, FailPolicy::kReuse, &interrupted);
  EXPECT_EQ(interrupted, 2);
  EXPECT_EQ(Next(*record), "100003");
  EXPECT_EQ(Sql(db, "SELECT serial, state FROM parts ORDER BY id"),
            "100000|interrupted\n100001|interrupted\n100002|reserved\n100003|reserved\n");
  EXPECT_EQ(Sql(db, "PRAGMA integrity_check"), "ok\n");
}

TEST(RecordProcessesTest, TwoStationsReservingAtOnceNeverShareANumber) {
  TempDir dir;
  const std::string db = dir.File("r.db");
  Station first(db, 100, "pass");
  Station second(db, 100, "pass");
  EXPECT_EQ(first.Said(), "ready\n");
  EXPECT_EQ(second.Said(), "ready\n");
  EXPECT_EQ(first.Stop(0), 0);
  EXPECT_EQ(second.Stop(0), 0);
  EXPECT_EQ(Sql(db,
                "SELECT COUNT(DISTINCT serial), MIN(serial), MAX(serial), COUNT(DISTINCT"
                " run_id) FROM parts WHERE state = 'passed'"),
            "200|100000|100199|2\n");
  EXPECT_EQ(Sql(db, "PRAGMA integrity_check"), "ok\n");
}

}  // namespace
}  // namespace tessimor::production
