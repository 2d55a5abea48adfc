#pragma once

#include <string>

#include "sim/adapter_simulator.h"

namespace tessimor {

enum class ImageLoad { kLoaded, kMissing, kWrongSize, kUnreadable };

// The simulator's EEPROM kept between runs as exactly 32768 raw bytes. `memory` changes only
// when the whole image was read.
ImageLoad LoadMemoryImage(const std::string& path, AdapterSimulator::Memory& memory);
// Writes a scratch file beside `path` and renames it over, so a crash never leaves half an
// image behind.
bool SaveMemoryImage(const std::string& path, const AdapterSimulator::Memory& memory);

}  // namespace tessimor
