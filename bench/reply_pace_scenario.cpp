#include "bench/reply_pace_scenario.h"

#include <stdlib.h>
#include <unistd.h>

#include <iostream>
#include <sstream>

#include "app/cli_link.h"
#include "app/cli_progress.h"
#include "app/cli_window.h"
#include "engine/image_records.h"
#include "link/protocol.h"
#include "platform/bound_inventory.h"
#include "sim/pty_server.h"

namespace tessimor::bench {

namespace {

constexpr int kRecords = protocol::kEepromSize / protocol::kBytesPerLine;
constexpr double kTickPaceFloorSeconds = kRecords * protocol::kTickMs / 1000.0;
constexpr const char* kName = "EEPROM -> File at reply pace (command-line tool)";

AdapterSimulator::Memory Pattern() {
  AdapterSimulator::Memory memory;
  for (std::size_t i = 0; i < memory.size(); ++i) {
    memory[i] = static_cast<std::uint8_t>(i * 13 + (i >> 9));
  }
  return memory;
}

// True when the file holds exactly the records of `memory`, in order.
bool HoldsRecordsOf(const std::string& path, const AdapterSimulator::Memory& memory) {
  ImageFiles files;
  const ImageFiles::Handle handle = files.OpenForReading(path);
  if (handle == 0) return false;
  EepromImage image;
  int records = 0;
  while (!files.AtEnd(handle)) {
    const auto record = ParseImageRecord(files.ReadLine(handle));
    if (!record || !image.Place(*record)) return false;
    ++records;
  }
  files.Close(handle);
  const std::vector<std::uint8_t> expected(memory.begin(), memory.end());
  return records == kRecords && image.Bytes() == expected;
}

}  // namespace

Measurement FullReadAtReplyPace() {
  char dir[] = "/tmp/tessimor-bench-XXXXXX";
  if (!mkdtemp(dir)) return Measurement{kName, false, kTickPaceFloorSeconds};
  const std::string image = std::string(dir) + "/eeprom.txt";

  AdapterSimulator adapter(Pattern());
  PtyServer server(adapter);
  const bool serving = server.Start();
  BoundInventory inventory(server.SlavePath());
  std::ostringstream no_progress;
  cli::Progress progress(no_progress, {}, cli::SteadyClock());
  cli::TerminalWindow window(std::cerr, progress);
  cli::Link link(inventory, window);
  const bool connected = serving && link.Connect();

  Measurement m = Measure(kName, kTickPaceFloorSeconds, [&] {
    if (!connected) return false;
    return link.Run(cli::Pace::Reply, [&](TransferEngine& engine) { engine.StartRead(image); }) ==
           cli::Outcome::Done;
  });
  m.completed = m.completed && HoldsRecordsOf(image, adapter.memory());
  ::unlink(image.c_str());
  ::rmdir(dir);
  return m;
}

}  // namespace tessimor::bench
