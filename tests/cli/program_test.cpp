#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <regex>
#include <thread>

#include "tests/cli/cli_runner.h"
#include "tests/cli/gang.h"
#include "tests/kit/expected.h"
#include "tests/kit/files.h"

// The real program's production commands against simulated adapters on pseudo-terminals.
namespace tessimor {
namespace {

using testing::Gang, testing::kAsNobody, testing::PartMemory, testing::ReadWholeFile,
    testing::Result, testing::Shell, testing::WriteWholeFile;
using namespace std::chrono_literals;

// Gaps for the serial number at 0x0010 and its CRC-16 at 0x001C, and two bytes far off.
constexpr char kGolden[] =
    "0000:000102030405060708090A0B0C0D0E0F\r\n0010:0000000010111213141516170000\r\n0200:CAFE\r\n";
const std::string kProgram =
    "program golden.txt --serial 0x0010:u32le --serial-start 100000 "
    "--crc 0x001C:crc16:0x0000-0x001C";
const std::string kHeader = "PORT USB SERIAL SERIAL RESULT SECONDS\n";
const std::string kCsvHeader =
    "part,series,run,host,index,serial,state,rework,port,usb_serial,started,ended,seconds,crc32,"
    "error,station\r\n";

// Where a memory first differs from what it should hold; empty when nowhere.
std::string Difference(const std::string& memory, const std::string& expected) {
  const auto [at, _] = std::ranges::mismatch(memory, expected);
  if (at == memory.end()) return "";
  char text[64];
  std::snprintf(text, sizeof text, "0x%04zX holds 0x%02X",
                static_cast<std::size_t>(at - memory.begin()), static_cast<unsigned char>(*at));
  return text;
}

// Times, hosts and pty numbers differ from run to run; the table's columns with them.
std::string Tidy(const std::string& original) {
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  // A station is named by its host unless told otherwise.
  std::string text = std::regex_replace(
      original, std::regex("\\b" + std::regex_replace(host, std::regex("\\."), "\\.") + "\\b"),
      "H");
  for (const auto& [pattern, by] : {std::pair{"/dev/pts/[0-9]+", "pty"},
                                    {"[0-9]{4}-[0-9-]+T[0-9:.]+Z", "T"},
                                    {",[0-9]+\\.[0-9]{3},", ",S,"},
                                    {"(^|\n)([0-9]+,[0-9]+,[0-9]+,)[^,]*", "$1$2H"},
                                    {"  +", " "},
                                    {" [0-9]+\\.[0-9]\n", " S\n"},
                                    {"\nUsage:[\\s\\S]*", ""}}) {
    text = std::regex_replace(text, std::regex(pattern), by);
  }
  return text;
}

// The program in a folder with kGolden as golden.txt.
class Station : public testing::Cli {
 public:
  Station() : Cli(Tidy) { WriteWholeFile(dir.File("golden.txt"), kGolden); }
  // What sqlite3, a reader apart from the program, finds in rec.db.
  std::string Sql(const std::string& query) const {
    Shell("cd " + dir.path() + " && sqlite3 rec.db \"" + query + "\" >sql 2>&1");
    return ReadWholeFile(dir.File("sql"));
  }
  // 0 too before a run made the record, which sqlite3 must not make first.
  int Count(const std::string& query) const {
    const std::string text = dir.Names().contains("rec.db") ? Sql(query) : "";
    return std::isdigit(static_cast<unsigned char>(text[0])) ? std::stoi(text) : 0;
  }
};

TEST(CliProgramTest, FourAdaptersEachHoldTheImageWithTheirOwnNumberAndCrcAndNothingElse) {
  Station station;
  Gang gang(4);
  EXPECT_EQ(station.Run(kProgram + " --db rec.db --pace reply" + gang.Ports()),
            Result(0, "",
                   kHeader + "pty - 100000 PASS S\npty - 100001 PASS S\npty - 100002 PASS S\n"
                             "pty - 100003 PASS S\n"));
  // u32le numbers, and the CRC-16/CCITT-FALSE of 0x0000-0x001B (python3, by hand).
  const std::pair<const char*, const char*> parts[] = {
      {"A0860100", "3903"}, {"A1860100", "3A76"}, {"A2860100", "3FE9"}, {"A3860100", "3C9C"}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Difference(gang.Memory(i), PartMemory(parts[i].first, parts[i].second)), "") << i;
  }
  // Each record within one 16-byte line, then only the lines written read back.
  const std::string write =
      "!$0000\rW000102030405060708090A0B0C0D0E0F\r"
      "$0010\rWA186010010111213141516173A76\r$0200\rWCAFE\r";
  const std::string wire = gang.Received(1);
  EXPECT_EQ(wire.substr(0, write.size()), write);
  EXPECT_EQ(wire.substr(write.size()), "!$0000\rR\rR\r$0200\rR\r");
}

TEST(CliProgramTest, AMutedAdapterFailsAloneAndItsNumberIsVoidedOrGivenAgainAsAsked) {
  Station station;
  const std::string timeout = "Time out waiting for reply.";
  for (const std::string policy : {"void", "reuse"}) {
    const std::string args =
        kProgram + " --pace reply --on-fail " + policy + " --db rec-" + policy + ".db";
    Gang gang(4, {{}, {.mute_after = 1}});  // answers the first line written, no more
    EXPECT_EQ(station.Run(args + gang.Ports()),
              Result(1, "",
                     kHeader +
                         "pty - 100000 PASS S\npty - 100001 FAIL S\npty - 100002 PASS S\n"
                         "pty - 100003 PASS S\npty: " +
                         timeout + "\n"))
        << policy;
    Gang next(2);
    const bool reuse = policy == "reuse";
    EXPECT_EQ(station.Run(args + next.Ports()),
              Result(0, "",
                     kHeader + (reuse ? "pty - 100001 PASS S\npty - 100004 PASS S\n"
                                      : "pty - 100004 PASS S\npty - 100005 PASS S\n")))
        << policy;
    // The crc32 column: zlib's CRC-32 of the 32 bytes written, in address order.
    EXPECT_EQ(station.Run("report --csv - --db rec-" + policy + ".db"),
              Result(0, "",
                     kCsvHeader +
                         "1,1,1,H,0,100000,passed,0,pty,,T,T,S,C8D18D99,,H\r\n"
                         "2,1,1,H,1,100001,failed,0,pty,,T,T,S,2636195D," +
                         timeout +
                         ",H\r\n"
                         "3,1,1,H,2,100002,passed,0,pty,,T,T,S,CE6FA250,,H\r\n"
                         "4,1,1,H,3,100003,passed,0,pty,,T,T,S,20883694,,H\r\n" +
                         (reuse ? "5,1,2,H,1,100001,passed,0,pty,,T,T,S,2636195D,,H\r\n"
                                  "6,1,2,H,4,100004,passed,0,pty,,T,T,S,640A842F,,H\r\n"
                                : "5,1,2,H,4,100004,passed,0,pty,,T,T,S,640A842F,,H\r\n"
                                  "6,1,2,H,5,100005,passed,0,pty,,T,T,S,8AED10EB,,H\r\n")))
        << policy;
  }
}

// At the default pace; a run killed mid-part leaves its number reserved until the next run.
TEST(CliProgramTest, RunsKilledAtRandomLeaveNoNumberTwiceAndAnIntactRecordAndImage) {
  Station station;
  const std::string big = testing::ImageText(testing::Pattern()).substr(0, 128 * 39);
  WriteWholeFile(station.dir.File("big.txt"), big);
  const std::string args =
      "program big.txt --serial 0x0010:u32le --serial-start 100000 --crc "
      "0x001C:crc16:0x0000-0x001C --db rec.db";
  const std::string reserved = "SELECT COUNT(*) FROM parts WHERE state = 'reserved'",
                    runs = "SELECT COUNT(*) FROM runs";
  const auto said = [](int marked) {
    return marked == 0 ? std::string()
                       : std::to_string(marked) + (marked == 1 ? " part" : " parts") +
                             " of a run that ended without finishing marked interrupted; their "
                             "numbers are not handed out again.\n";
  };
  Gang gang(2);  // held open: what a killed run left half said awaits the next run
  std::mt19937 random(7);
  int kills_mid_part = 0;
  for (int run = 0; run < 5; ++run) {
    const int marked = station.Count(reserved), runs_before = station.Count(runs);
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(std::uniform_int_distribution(50, 1500)(random));
    const std::string err = std::get<1>(station.Signalled(args + gang.Ports(), SIGKILL, [until] {
      return std::chrono::steady_clock::now() >= until;
    }));
    // A run that got as far as its own row marked every earlier one's, and said so.
    if (station.Count(runs) > runs_before) {
      EXPECT_EQ(station.Sql(reserved + " AND run_id < (SELECT MAX(id) FROM runs)"), "0\n") << run;
      EXPECT_EQ(err, said(marked)) << run;
    }
    kills_mid_part += station.Count(reserved) > 0;
  }
  const int marked = station.Count(reserved), parts = station.Count("SELECT COUNT(*) FROM parts");
  EXPECT_EQ(station.Run(args + gang.Ports()),
            Result(0, said(marked),
                   kHeader + "pty - " + std::to_string(100000 + parts) + " PASS S\npty - " +
                       std::to_string(100001 + parts) + " PASS S\n"));
  EXPECT_GT(kills_mid_part, 0);
  EXPECT_EQ(station.Sql(reserved), "0\n");
  EXPECT_EQ(station.Sql("SELECT serial FROM parts GROUP BY serial HAVING COUNT(*) > 1"), "");
  EXPECT_EQ(station.Sql("PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(ReadWholeFile(station.dir.File("big.txt")), big);
}

TEST(CliProgramTest, TwoProcessesOnOneRecordNeverShareANumber) {
  Station station;
  Gang first(2), second(2);
  WriteWholeFile(station.dir.File("in"), "");
  std::string lines;
  for (const Gang* gang : {&first, &second}) {
    lines += "(for i in 1 2 3 4 5 6 7 8 9 10; do (" +
             station.Line(kProgram + " --pace reply --db rec.db" + gang->Ports()) +
             ") || exit 1; done) & " + (gang == &first ? "a=$!; " : "b=$!; ");
  }
  EXPECT_EQ(Shell(lines + "wait $a; first=$?; wait $b && exit $first"), 0);
  EXPECT_EQ(station.Sql("SELECT COUNT(*), COUNT(DISTINCT serial), MIN(serial), MAX(serial) "
                        "FROM parts WHERE state = 'passed'; SELECT COUNT(*) FROM parts"),
            "40|40|100000|100039\n40\n");
}

// Each refused before an adapter hears a byte, and before the record is made.
TEST(CliProgramTest, RefusalsSayWhyAndSendNothing) {
  Station station;
  WriteWholeFile(station.dir.File("two.txt"), "100\n101\n");
  WriteWholeFile(station.dir.File("empty.txt"), "# none yet\n\n");
  WriteWholeFile(station.dir.File("other.txt"), std::string(kGolden).replace(5, 2, "FF"));
  std::mt19937 random(5);
  std::string noise(4096, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  WriteWholeFile(station.dir.File("bad.db"), noise);
  ASSERT_EQ(Shell("cd " + station.dir.path() +
                  " && mkdir locked && chmod 555 locked && touch ro.db && chmod 444 ro.db"),
            0);
  const std::string from_file =
      "program golden.txt --serial 0x0010:u32le --crc 0x001C:crc16:0x0000-0x001C --pace reply";
  {
    Gang gang(2);  // the series of rec.db, and two.txt used up in used.db
    ASSERT_EQ(std::get<0>(station.Run(kProgram + " --pace reply --db rec.db" + gang.Ports())), 0);
    ASSERT_EQ(
        std::get<0>(station.Run(from_file + " --serials two.txt --db used.db" + gang.Ports())), 0);
  }
  const std::string plain = "program golden.txt --serial-start 1 --db new.db --serial ";
  const struct {
    std::string args;
    int status;
    std::string err, out = "", wrapper = "";
  } cases[] = {
      {plain + "0x7FFE:u32le", 2,
       "The serial number at 0x7FFE (4 bytes) runs past the EEPROM's last address, 0x7FFF.\n"},
      {plain + "0x0010:u32le --crc 0x001C:crc16:0x0000-0x001E", 2,
       "The crc16 at 0x001C lies in its own range 0x0000-0x001E.\n"},
      {"program golden.txt --serial 0x10:u8 --serial-start 300 --db new.db", 2,
       "300 is too wide for its encoding u8.\n"},
      {from_file + " --serials empty.txt --db new.db", 2, "empty.txt holds no serial numbers.\n"},
      // Known once the record is read, still before any adapter is touched.
      {from_file + " --serials two.txt --db used.db", 2,
       "Every number of two.txt has been handed out: the serials file is used up.\n", ""},
      {kProgram + " --db ro.db", 2, "production record ro.db: permission denied\n", "", kAsNobody},
      {kProgram + " --db locked/rec.db", 2,
       "production record locked/rec.db: its folder cannot be written: permission denied\n", "",
       kAsNobody},
      {kProgram + " --db bad.db", 2, "production record bad.db: not a database\n"},
      {"program other.txt --serial 0x0010:u32le --serial-start 100000 --crc "
       "0x001C:crc16:0x0000-0x001C --db rec.db",
       2, "series 1 of the record has another image; only a new series can change it\n"},
  };
  for (const auto& c : cases) {
    Gang gang(1);
    EXPECT_EQ(station.Run(c.args + gang.Ports(), "", c.wrapper), Result(c.status, c.err, c.out))
        << c.args;
    std::this_thread::sleep_for(50ms);  // for bytes sent late
    EXPECT_EQ(gang.Received(0).substr(0, 40), "") << c.args;
  }
  EXPECT_EQ(ReadWholeFile(station.dir.File("bad.db")), noise);
  EXPECT_FALSE(station.dir.Names().contains("new.db"));
  // A new series for the other image, numbered past every number the record holds.
  Gang gang(1);
  EXPECT_EQ(station.Run("program other.txt --serial 0x0010:u32le --serial-start 100000 --crc "
                        "0x001C:crc16:0x0000-0x001C --new-series --pace reply --db rec.db" +
                        gang.Ports()),
            Result(0, "", kHeader + "pty - 100002 PASS S\n"));
  // Only a device that is not there: no adapter, as for the other commands.
  EXPECT_EQ(std::get<0>(station.Run(kProgram + " --db none.db --port " + station.dir.File("none"))),
            3);
}

TEST(CliProgramTest, KeepExistingReworksAPassedPartWithItsNumberBesideAFreshOne) {
  Station station;
  const std::string args = kProgram + " --pace reply --db rec.db";
  Gang passed(1), erased(1);
  EXPECT_EQ(station.Run(args + passed.Ports()), Result(0, "", kHeader + "pty - 100000 PASS S\n"));
  EXPECT_EQ(station.Run(args + " --keep-existing" + passed.Ports() + erased.Ports()),
            Result(0, "", kHeader + "pty - 100000 PASS (rework) S\npty - 100001 PASS S\n"));
  EXPECT_EQ(Difference(passed.Memory(0), PartMemory("A0860100", "3903")), "");
  EXPECT_EQ(Difference(erased.Memory(0), PartMemory("A1860100", "3A76")), "");
  EXPECT_EQ(station.Run("report --db rec.db"),
            Result(0, "",
                   "parts: 3\npassed: 3\nfailed: 0\ninterrupted: 0\nreserved: 0\nreworks: 1\n"
                   "first number: 100000\nlast number: 100001\nparts per hour: S\n"
                   "station H: 3 parts, 3 passed, 0 failed, 0 interrupted, 0 reserved\n"));
}

TEST(CliProgramTest, ARecipeCarriesTheSetUpTheCommandLineWinsAndAChangedImageIsRefused) {
  Station station;
  ASSERT_EQ(Shell("mkdir " + station.dir.File("line")), 0);
  EXPECT_EQ(station.Run(kProgram + " --db rec.db --save-recipe line/line.json"),
            Result(0, "Recipe saved to line/line.json; no adapter or record was touched.\n", ""));
  EXPECT_FALSE(station.dir.Names().contains("rec.db"));
  // Paths from the recipe's folder; the hash is sha256sum's of kGolden.
  EXPECT_EQ(ReadWholeFile(station.dir.File("line/line.json")),
            "{\n"
            "    \"crc\": [\n"
            "        \"0x001C:crc16:0x0000-0x001C\"\n"
            "    ],\n"
            "    \"db\": \"../rec.db\",\n"
            "    \"image\": \"../golden.txt\",\n"
            "    \"image-sha256\": "
            "\"e0c222fd95f9db073a19879ccd820931c34919898438ed0614ce903998a030d3\",\n"
            "    \"keep-existing\": false,\n"
            "    \"serial\": \"0x0010:u32le\",\n"
            "    \"serial-start\": \"100000\",\n"
            "    \"tessimor-recipe\": 1\n"
            "}\n");
  WriteWholeFile(station.dir.File("newer.json"), "{\"tessimor-recipe\": 2}");
  WriteWholeFile(station.dir.File("typo.json"), "{\"tessimor-recipe\": 1, \"serial_start\": 5}");
  const struct {
    std::string args;
    Result result;
  } cases[] = {
      {"program --recipe line/line.json --pace reply",
       Result(0, "", kHeader + "pty - 100000 PASS S\n")},
      // Given beside it, a first number and a record win.
      {"program --recipe line/line.json --pace reply --serial-start 500 --db other.db",
       Result(0, "", kHeader + "pty - 500 PASS S\n")},
      {"program --recipe newer.json", Result(2,
                                             "Recipe newer.json: made by a newer program "
                                             "(format 2; this one reads 1).\n",
                                             "")},
      {"program --recipe typo.json",
       Result(2, "Recipe typo.json: unknown key \"serial_start\".\n", "")},
      {"program --recipe none.json", Result(2, "Recipe none.json: no such file.\n", "")},
  };
  for (const auto& c : cases) {
    Gang gang(1);
    EXPECT_EQ(station.Run(c.args + gang.Ports()), c.result) << c.args;
  }
  EXPECT_EQ(station.Sql("SELECT serial, state FROM parts"), "100000|passed\n");
  WriteWholeFile(station.dir.File("golden.txt"), std::string(kGolden).replace(15, 4, "FFFF"));
  Gang gang(1);
  EXPECT_EQ(station.Run("program --recipe line/line.json" + gang.Ports()),
            Result(2,
                   "golden.txt has changed since the recipe was saved: its SHA-256 was "
                   "e0c222fd95f9db073a19879ccd820931c34919898438ed0614ce903998a030d3, now "
                   "5ccea097ece2e07daa304a3facf94d5c5254ab7ef2fefc1dbf345b65c2b0338b.\n",
                   ""));
  EXPECT_EQ(gang.Received(0), "");
}

}  // namespace
}  // namespace tessimor
