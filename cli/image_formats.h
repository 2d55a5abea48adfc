#pragma once

#include <istream>
#include <string>

#include "engine/image.h"

namespace tessimor::cli {

// The formats an image file may have, told by its name: each has a reader into the one image
// model and a writer out of it.
enum class ImageFormat {
  kText,    // the window's "address:data" records
  kBinary,  // .bin: the 32768 raw bytes
};

ImageFormat FormatOf(const std::string& path);

// An image given to write or verify, checked record by record before anything is sent.
struct ImageInput {
  std::string error;  // the message when it cannot be used
  EepromImage image;  // what the records put where, with the records themselves
};

// `contents` in `format`, named `shown` in messages.
ImageInput ReadImage(ImageFormat format, std::string contents, const std::string& shown);
std::string WriteImage(ImageFormat format, const EepromImage& image);

// "-" reads the text image from `in`, any other name the file in its format.
ImageInput LoadImageInput(const std::string& path, std::istream& in);

}  // namespace tessimor::cli
