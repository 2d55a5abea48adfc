#pragma once

#include <string>

#include "engine/image.h"

namespace tessimor {

// The formats an image file may have, told by its name: each has a reader into the one image
// model and a writer out of it.
enum class ImageFormat {
  kText,      // the window's "address:data" records
  kBinary,    // .bin: the 32768 raw bytes
  kIntelHex,  // .hex, .ihex, .eep
  kSrec,      // .srec, .s19, .s28, .s37, .mot
};

// By the name's ending, in either case; any name the others do not claim is a text image.
ImageFormat FormatOf(const std::string& path);

// An image read from a file, checked record by record before anything is sent.
struct ImageInput {
  std::string error;  // the message when it cannot be used
  EepromImage image;  // what the records put where, with the records themselves
};

// `contents` in `format`, named `shown` in messages.
ImageInput ReadImage(ImageFormat format, std::string contents, const std::string& shown);
// A raw image gives 0xFF, the erased value, where `image` covers nothing.
std::string WriteImage(ImageFormat format, const EepromImage& image);

}  // namespace tessimor
