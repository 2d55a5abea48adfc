#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "bench/scenarios.h"
#include "cli/progress.h"
#include "cli/window.h"
#include "link/protocol.h"
#include "platform/bound_inventory.h"
#include "tests/kit/expected.h"
#include "tests/kit/files.h"
#include "tests/kit/pty/rig.h"

namespace tessimor::bench {

namespace {

using testing::Pattern;
using testing::PtyRig;

constexpr int kRecords = protocol::kEepromSize / protocol::kBytesPerLine;
constexpr double kFloorSeconds = kRecords * protocol::kTickMs / 1000.0;
// Room for a stall, without letting a broken run go on for ever.
constexpr int kTickLimit = 2 * kRecords;

// Says what the engine told the user, since a run that fails must say why.
bool EndedDone(const PtyRig& rig) {
  for (const std::string& message : rig.window.messages) {
    std::fprintf(stderr, "message: %s\n", message.c_str());
  }
  return rig.EndedDone();
}

// Measures `read(path)` saving the simulator's memory into a fresh image file, then checks it.
Measurement MeasureRead(const std::string& name,
                        const std::function<bool(const std::string&)>& read,
                        const AdapterSimulator& adapter) {
  testing::TempDir dir;
  const std::string image = dir.File("eeprom.txt");
  Measurement m = Measure(name, kFloorSeconds, [&] { return read(image); });
  m.completed =
      m.completed && testing::ReadWholeFile(image) == testing::ImageText(adapter.memory());
  return m;
}

}  // namespace

Measurement FullRead() {
  PtyRig rig(Pattern());
  return MeasureRead(
      "EEPROM -> File (full read)",
      [&](const std::string& image) {
        if (!rig.Ready()) return false;
        rig.Run([&](TransferEngine& engine) { engine.StartRead(image); }, kTickLimit);
        return EndedDone(rig);
      },
      rig.adapter);
}

Measurement FullFill() {
  PtyRig rig(Pattern());
  Measurement m = Measure("$FF -> EEPROM (full fill)", kFloorSeconds, [&] {
    if (!rig.Ready()) return false;
    rig.Run([](TransferEngine& engine) { engine.StartFill(); }, kTickLimit);
    return EndedDone(rig);
  });
  rig.server.Stop();
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
  AdapterSession session(inventory, window);
  const bool connected = serving && session.Connect();
  return MeasureRead(
      "EEPROM -> File at reply pace (command-line tool)",
      [&](const std::string& image) {
        return connected && session.Run(Pace::Reply, [&](TransferEngine& engine) {
                              engine.StartRead(image);
                            }) == RunResult::kDone;
      },
      adapter);
}

}  // namespace tessimor::bench
