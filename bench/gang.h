#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/scenario.h"
#include "engine/image.h"
#include "production/plan.h"
#include "production/qt/part_run.h"
#include "production/qt/record.h"
#include "sim/adapter_simulator.h"
#include "tests/kit/files.h"

// What the production scenarios share: the golden image, the command-line tool's round on it,
// and the check that a part holds its image.
namespace tessimor::bench {

inline constexpr int kGangSize = 8;
inline constexpr std::uint64_t kFirstSerial = 100000;
inline constexpr char kSerialField[] = "0x0010:u32le";
inline constexpr char kCrcField[] = "0x001C:crc16:0x0000-0x001C";
inline constexpr char kRecordFile[] = "record.db";

const char* Verdict(bool pass);

// Every byte of the EEPROM covered, so each part is a whole 2048-line write.
struct Golden {
  std::string bytes;
  EepromImage image;
  production::Plan plan;
};
std::optional<Golden> MakeGolden();

// The record at `location`, a file's path or a server's URL, its run begun on the golden's series;
// nullptr once the reason is printed.
std::unique_ptr<production::Record> BegunRecord(const std::string& location, const Golden& golden,
                                                const production::StationSettings& station = {});

// The part passed, and its adapter holds exactly the image made for its number.
bool PartHolds(const production::PartStatus& part, const Golden& golden,
               const AdapterSimulator& adapter);

struct GangMeasurement {
  Measurement m;
  std::vector<double> part_seconds;  // each from its own start, after those begun before it
  int parts = 0;
  int holding = 0;        // parts passed whose adapter holds their image
  bool distinct = false;  // no number went to two parts
};
// One part on each of `adapters` blank simulated adapters, as `program` does it by default.
GangMeasurement ProgramGang(int adapters, const Golden& golden);
void PrintRun(const GangMeasurement& g);

}  // namespace tessimor::bench
