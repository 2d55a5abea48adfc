#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "production/qt/setup.h"
#include "sim/pty_server.h"
#include "tests/kit/files.h"

namespace tessimor::testing {

// Two 16-byte lines, so a part takes a few replies; the serial and its CRC-16 go into the second.
inline constexpr char kLineGolden[] =
    ":10000000000102030405060708090A0B0C0D0E0F78\n"
    ":10001000101112131415161718191A1B1C1D1E1F68\n"
    ":00000001FF\n";

// A production opened from a recipe in a folder of its own: a two-line golden image, so a part
// takes a few replies, with a u32le serial at 0x0010 from 100000 and its CRC-16 at 0x001C. With
// no `db` the recipe names no record, which is then tessimor-production.db beside it; a server's
// record keeps its journal in the folder too.
struct ProductionLine {
  explicit ProductionLine(const std::string& db = "");
  // What sqlite3, a reader apart from the program, finds in the record.
  std::string Sql(const std::string& query) const;

  TempDir dir;
  std::unique_ptr<production::Production> production;
};

// Simulated adapters on pseudo-terminals, named as --port names them; the one at `faulty` with
// `faults`.
class SimulatedAdapters {
 public:
  SimulatedAdapters(std::size_t count, std::size_t faulty = kNone, PtyFaults faults = {});
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  std::vector<std::string> ports;

 private:
  std::vector<std::unique_ptr<AdapterSimulator>> adapters_;  // outlive their servers
  std::vector<std::unique_ptr<PtyServer>> servers_;
};

}  // namespace tessimor::testing
