#pragma once

#include <QString>

#include "sim/adapter_simulator.h"

namespace tessimor {

// The demo's simulated EEPROM, kept between runs under the user's data directory.
class DemoMemory {
 public:
  DemoMemory();

  // Starts erased when there is no image yet; says on stderr when one cannot be used.
  void Load(AdapterSimulator::Memory& memory);
  // Writes only when something changed since Load; false when it could not be kept.
  bool Save(const AdapterSimulator::Memory& memory);

 private:
  QString path_;
  AdapterSimulator::Memory loaded_{};
};

}  // namespace tessimor
