#pragma once

#include <string>

#include "engine/image_formats.h"

namespace tessimor {

// Motorola S-records (.srec, .s19, .s28, .s37, .mot).
ImageInput ReadSrec(std::string contents, const std::string& shown);
// An empty S0 header, S1 records of 16 data bytes at most, none crossing a 16-byte line, and
// an S9 end; CR LF line ends.
std::string WriteSrec(const EepromImage& image);

}  // namespace tessimor
