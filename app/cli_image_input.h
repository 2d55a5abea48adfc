#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "engine/image_records.h"
#include "platform/scratch_file.h"

namespace tessimor::cli {

// A record as the engine will send it: where it starts and how many bytes it carries.
struct RecordStep {
  std::uint32_t address = 0;
  std::size_t bytes = 0;
};

// An image given to write or verify, checked record by record before anything is sent.
struct ImageInput {
  std::string error;        // the message when the file cannot be used
  bool unreadable = false;  // the error is that the file could not be opened
  std::string engine_path;  // the text file the engine writes from
  ScratchFile scratch;      // holds engine_path when it is not the user's file
  EepromImage image;        // what the records put where
  std::vector<RecordStep> steps;
  std::size_t Bytes() const;
};

bool IsBinaryName(const std::string& path);
// "-" reads text from `in`; a .bin name a raw image; anything else the text image.
ImageInput LoadImageInput(const std::string& path, std::istream& in);
// Checks a text image file, naming it `shown` in messages.
ImageInput CheckTextImage(const std::string& path, const std::string& shown);

}  // namespace tessimor::cli
