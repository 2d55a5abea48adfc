#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "app/cli_link.h"
#include "app/cli_progress.h"
#include "app/cli_window.h"
#include "bench/scenarios.h"
#include "bench/transfer_rig.h"
#include "engine/image_records.h"
#include "link/protocol.h"
#include "platform/bound_inventory.h"

namespace tessimor::bench {

namespace {

constexpr int kRecords = protocol::kEepromSize / protocol::kBytesPerLine;
constexpr double kFloorSeconds = kRecords * protocol::kTickMs / 1000.0;
// Room for a stall, without letting a broken run go on for ever.
constexpr int kTickLimit = 2 * kRecords;

AdapterSimulator::Memory Pattern() {
  AdapterSimulator::Memory memory;
  for (std::size_t i = 0; i < memory.size(); ++i) {
    memory[i] = static_cast<std::uint8_t>(i * 31 + (i >> 8));
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

// Measures `read(path)` saving the simulator's memory into a fresh image file, then checks it.
Measurement MeasureRead(const std::string& name,
                        const std::function<bool(const std::string&)>& read,
                        const AdapterSimulator& adapter) {
  char dir[] = "/tmp/tessimor-bench-XXXXXX";
  if (!mkdtemp(dir)) return Measurement{name, false, kFloorSeconds};
  const std::string image = std::string(dir) + "/eeprom.txt";
  Measurement m = Measure(name, kFloorSeconds, [&] { return read(image); });
  m.completed = m.completed && HoldsRecordsOf(image, adapter.memory());
  ::unlink(image.c_str());
  ::rmdir(dir);
  return m;
}

}  // namespace

Measurement FullRead() {
  TransferRig rig(Pattern());
  return MeasureRead(
      "EEPROM -> File (full read)",
      [&](const std::string& image) {
        if (!rig.Ready()) return false;
        rig.engine.StartRead(image);
        rig.RunToEnd(kTickLimit);
        return rig.EndedDone();
      },
      rig.adapter);
}

Measurement FullFill() {
  TransferRig rig(Pattern());
  Measurement m = Measure("$FF -> EEPROM (full fill)", kFloorSeconds, [&] {
    if (!rig.Ready()) return false;
    rig.engine.StartFill();
    rig.RunToEnd(kTickLimit);
    return rig.EndedDone();
  });
  rig.StopAdapter();
  for (const std::uint8_t byte : rig.adapter.memory()) {
    if (byte != 0xFF) m.completed = false;
  }
  return m;
}

Measurement FullReadAtReplyPace() {
  AdapterSimulator adapter(Pattern());
  PtyServer server(adapter);
  const bool serving = server.Start();
  BoundInventory inventory(server.SlavePath());
  std::ostringstream no_progress;
  cli::Progress progress(no_progress, {}, cli::SteadyClock());
  cli::TerminalWindow window(std::cerr, progress);
  cli::Link link(inventory, window);
  const bool connected = serving && link.Connect();
  return MeasureRead(
      "EEPROM -> File at reply pace (command-line tool)",
      [&](const std::string& image) {
        return connected && link.Run(cli::Pace::Reply, [&](TransferEngine& engine) {
          engine.StartRead(image);
        }) == cli::Outcome::Done;
      },
      adapter);
}

}  // namespace tessimor::bench
