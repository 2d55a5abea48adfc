#pragma once

#include <cstdint>

#include "engine/image.h"
#include "production/checked.h"
#include "production/fields.h"
#include "production/serials.h"

namespace tessimor::production {

struct PartImage {
  // The golden image with the fields filled in, in records that each keep to one 16-byte line
  // of the EEPROM: a write sends exactly these bytes.
  EepromImage image;
  // CRC-32 of the bytes written, in address order.
  std::uint32_t written_crc32 = 0;
};

// For a layout MakeLayout accepted. The serial number goes in first, then each checksum in turn
// over what the EEPROM will hold. Refused when the value does not fit its field, or a checksum's
// range holds a byte that neither the image nor a field writes: the EEPROM's contents there are
// unknown.
Checked<PartImage> MakePartImage(const EepromImage& golden, const Layout& layout,
                                 const SerialValue& value);

}  // namespace tessimor::production
