#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "bench/scenarios.h"
#include "bench/transfer_rig.h"
#include "link/protocol.h"

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

// "AAAA:" and 32 hex digits per record, each line ended by CR LF.
std::size_t ImageFileSize() {
  return kRecords * (4 + 1 + 2 * protocol::kBytesPerLine + ImageFiles::kLineEnd.size());
}

}  // namespace

Measurement FullRead() {
  char dir[] = "/tmp/tessimor-bench-XXXXXX";
  if (!mkdtemp(dir)) return Measurement{"EEPROM -> File (full read)", false, kFloorSeconds};
  const std::string image = std::string(dir) + "/eeprom.txt";
  TransferRig rig(Pattern());
  const Measurement m = Measure("EEPROM -> File (full read)", kFloorSeconds, [&] {
    if (!rig.Ready()) return false;
    rig.engine.StartRead(image);
    rig.RunToEnd(kTickLimit);
    return rig.EndedDone();
  });
  std::ifstream in(image, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ::unlink(image.c_str());
  ::rmdir(dir);
  Measurement checked = m;
  checked.completed = m.completed && text.size() == ImageFileSize();
  return checked;
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

}  // namespace tessimor::bench
