#pragma once

#include <string>

#include "engine/image_formats.h"

namespace tessimor {

// Intel HEX, as toolchains write EEPROM contents (.hex, .eep).
ImageInput ReadIntelHex(std::string contents, const std::string& shown);
// 16 data bytes a record at most, none crossing a 16-byte line, CR LF line ends.
std::string WriteIntelHex(const EepromImage& image);

}  // namespace tessimor
