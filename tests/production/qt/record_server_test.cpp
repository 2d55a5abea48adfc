#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "production/qt/record.h"
#include "tests/kit/files.h"
#include "tests/kit/pg/pg_server.h"
#include "tests/production/qt/station.h"

// The record on a real server that goes away and comes back.
namespace tessimor::production {
namespace {

using testing::Begun;
using testing::Next;
using testing::Numbers;
using testing::Sql;

struct ServerLine {
  ServerLine() {
    ::setenv("PGPASSFILE", server.PassFile().c_str(), 1);
    std::string said;
    std::string error;
    EXPECT_TRUE(Record::Init(server.Url(), &said, &error)) << error;
  }

  testing::PgServer server;
  testing::TempDir dir;
  std::string journal = dir.File("journal.db");
  StationSettings station{"bench-1", journal};
};

// Outcomes of parts reserved before the server stopped wait in the journal and go in once,
// whatever the server's row says by then: sent before with the answer lost, or given up on by
// db recover.
TEST(RecordServerTest, OutcomesWaitInTheJournalWhileAwayAndGoInOnceWhenBack) {
  const struct {
    const char* row_meanwhile;  // what the first part's row is set to while its outcome waits
    const char* refused;        // news of an outcome that could not go in
    const char* sent;
    const char* first_row;
  } cases[] = {
      {"", "", "2 outcomes", "100000|passed|4660"},
      // As db recover leaves it: the outcome is worth more.
      {"UPDATE parts SET state = 'interrupted'", "", "2 outcomes", "100000|passed|4660"},
      // As a first sending leaves it when its answer was lost on the way.
      {"UPDATE parts SET state = 'passed', crc32 = 4660, ended = 'JOURNALED'", "", "2 outcomes",
       "100000|passed|4660"},
      {"UPDATE parts SET state = 'failed', ended = '2026-01-01T00:00:00.000Z'",
       "part 1 of the record is no longer reserved; its outcome was not recorded", "1 outcome",
       "100000|failed|"},
  };
  ServerLine line;
  const std::string url = line.server.Url();
  for (const auto& c : cases) {
    line.server.Sql("TRUNCATE parts, runs, series RESTART IDENTITY");
    auto record = Begun(url, line.station);
    std::string error;
    const auto first = record->Reserve(Numbers(100000), "pty0", "", &error);
    const auto second = record->Reserve(Numbers(100000), "pty1", "", &error);
    ASSERT_TRUE(first && second) << error;
    line.server.Stop();
    EXPECT_TRUE(record->Finish(*first, {true, "", 0x1234}, &error)) << error;
    EXPECT_TRUE(record->Finish(*second, {false, "Time out waiting for reply.", 0}, &error))
        << error;
    EXPECT_EQ(Sql(line.journal, "SELECT COUNT(*) FROM outcomes"), "2\n");
    const std::string away = "production record " + url + ": the server cannot be reached: ";
    EXPECT_EQ(record->Away().substr(0, away.size()), away);
    EXPECT_EQ(record->AwayText(), record->Away() +
                                      "\nNo new part starts until it is back; 2 outcomes wait in "
                                      "the journal " +
                                      line.journal + ".");
    EXPECT_EQ(Next(*record), "error: " + record->Away());
    line.server.Start();
    std::string meanwhile = c.row_meanwhile;
    if (const auto at = meanwhile.find("JOURNALED"); at != std::string::npos) {
      std::string ended = Sql(line.journal, "SELECT ended FROM outcomes WHERE part_id = 1");
      meanwhile.replace(at, 9, ended.substr(0, ended.size() - 1));
    }
    if (!meanwhile.empty()) line.server.Sql(meanwhile + " WHERE id = 1");
    record->TakeNews();
    record->Retry(/*now=*/true);
    EXPECT_EQ(record->Away(), "");
    EXPECT_EQ(Sql(line.journal, "SELECT COUNT(*) FROM outcomes"), "0\n");
    std::vector<std::string> news;
    if (*c.refused) news.push_back(c.refused + (" (from the journal " + line.journal + ")"));
    const std::string verb = *c.refused ? " is" : " are";
    news.push_back(c.sent + (" kept in the journal " + line.journal +
                             " while the record server was away" + verb + " now in the record."));
    news.push_back("The record server " + url + " is back; parts start again.");
    EXPECT_EQ(record->TakeNews(), news) << c.row_meanwhile;
    EXPECT_EQ(
        line.server.Sql("SELECT serial, state, crc32, error, station FROM parts ORDER BY id"),
        c.first_row + std::string("||bench-1\n100001|failed|0|Time out waiting for reply.|bench-1"))
        << c.row_meanwhile;
    EXPECT_EQ(Next(*record), "100002");
  }
}

// A server that stays away is tried again after 1, 2, 4... seconds, never more than 16 apart.
TEST(RecordServerTest, AServerStillAwayIsTriedLessAndLessOften) {
  ServerLine line;
  std::int64_t now = 0;
  auto record = Begun(line.server.Url(), line.station, [&now] { return now; });
  line.server.Stop();
  record->Check();
  ASSERT_NE(record->Away(), "");
  // Each try that fails doubles the wait, from the end of the try.
  for (const std::int64_t wait : {1000, 2000, 4000, 8000, 16000, 16000}) {
    now += wait - 1;
    record->Retry();
    now += 1;
    record->Retry();
  }
  line.server.Start();
  now += 15999;
  record->Retry();
  EXPECT_NE(record->Away(), "");
  now += 1;
  record->Retry();
  EXPECT_EQ(record->Away(), "");
}

}  // namespace
}  // namespace tessimor::production
