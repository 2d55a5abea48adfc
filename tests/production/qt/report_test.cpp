#include "production/qt/report.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "tests/kit/files.h"
#include "tests/production/qt/station.h"

namespace tessimor::production {
namespace {

std::string HostName() {
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

// Four parts, each step of the clock 1.5 s from 2023-11-14T22:13:20Z: one passed, one failed,
// a rework of the first, and one the run ended without finishing.
void RecordFourParts(const std::string& db) {
  std::int64_t ms = 1700000000000;
  auto record = testing::Begun(db, {"bench-1", ""}, [&ms] { return (ms += 1500) - 1500; });
  std::string error;
  const auto first = record->Reserve(testing::Numbers(100000), "/dev/ttyACM0", "A1", &error);
  ASSERT_TRUE(first && record->Finish(*first, {true, "", 0xCBF43926}, &error)) << error;
  const auto second = record->Reserve(testing::Numbers(100000), "/dev/ttyACM1", "B2", &error);
  ASSERT_TRUE(second && record->Finish(*second, {false, "no reply, \"ready\" expected", 0}, &error))
      << error;
  const auto rework = record->ReserveRework("100000", "/dev/ttyACM0", "A1", &error);
  ASSERT_TRUE(rework && record->Finish(*rework, {true, "", 0xCBF43926}, &error)) << error;
  ASSERT_TRUE(record->Reserve(testing::Numbers(100000), "/dev/ttyACM1", "B2", &error)) << error;
}

TEST(ReportTest, EveryPartAsCsvWithQuotedFieldsAndCrlfAndTheSummaryRatesThePassedSpan) {
  testing::TempDir dir;
  RecordFourParts(dir.File("r.db"));
  std::ostringstream out;
  std::string error;
  ASSERT_TRUE(WriteCsv(dir.File("r.db"), out, &error)) << error;
  std::string csv =
      "part,series,run,host,index,serial,state,rework,port,usb_serial,started,ended,seconds,crc32,"
      "error,station\r\n1,1,1,HOST,0,100000,passed,0,/dev/ttyACM0,A1,2023-11-14T22:13:23.000Z,"
      "2023-11-14T22:13:24.500Z,1.500,CBF43926,,bench-1\r\n2,1,1,HOST,1,100001,failed,0,"
      "/dev/ttyACM1,B2,2023-11-14T22:13:26.000Z,2023-11-14T22:13:27.500Z,1.500,00000000,"
      "\"no reply, \"\"ready\"\" expected\",bench-1\r\n3,1,1,HOST,0,100000,passed,1,/dev/ttyACM0,"
      "A1,2023-11-14T22:13:29.000Z,2023-11-14T22:13:30.500Z,1.500,CBF43926,,bench-1\r\n4,1,1,HOST,"
      "2,100002,interrupted,0,/dev/ttyACM1,B2,2023-11-14T22:13:32.000Z,,,,,bench-1\r\n";
  for (std::size_t at; (at = csv.find("HOST")) != std::string::npos;)
    csv.replace(at, 4, HostName());
  EXPECT_EQ(out.str(), csv);
  out.str("");
  ASSERT_TRUE(WriteSummary(dir.File("r.db"), out, &error)) << error;
  // Two passed parts from 22:13:23.000 to 22:13:30.500: 7.5 s.
  EXPECT_EQ(out.str(),
            "parts: 4\npassed: 2\nfailed: 1\ninterrupted: 1\nreserved: 0\nreworks: 1\n"
            "first number: 100000\nlast number: 100002\nparts per hour: 960.0\n"
            "station bench-1: 4 parts, 2 passed, 1 failed, 1 interrupted, 0 reserved\n");
  EXPECT_FALSE(WriteSummary(dir.File("none.db"), out, &error));
  EXPECT_EQ(error, "production record " + dir.File("none.db") + ": no such file");
}

}  // namespace
}  // namespace tessimor::production
