#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "production/qt/setup.h"
#include "sim/pty_server.h"
#include "tests/kit/files.h"

namespace tessimor::testing {

// A production opened from a recipe in a folder of its own: a two-line golden image, so a part
// takes a few replies, with a u32le serial at 0x0010 from 100000 and its CRC-16 at 0x001C. The
// recipe names no record, which is then tessimor-production.db beside it.
struct ProductionLine {
  ProductionLine();
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
