#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/image_files.h"
#include "engine/image_formats.h"

namespace tessimor {

// An image file's lines, ended as the image files end them and numbered from 1, blank ones
// skipped; and how the readers word what is wrong with one.
class RecordLines {
 public:
  RecordLines(std::string contents, std::string shown);

  // To the next line that is not blank; false at the end.
  bool Next();
  // Without the spaces around it.
  std::string_view Line() const { return TrimSpaces(line_); }
  int Number() const { return number_; }

  ImageInput Refuse(std::string message) const;
  // "Line N of file F" followed by `what`.
  ImageInput RefuseLine(const std::string& what) const;
  // "File F" followed by `what`.
  ImageInput RefuseFile(const std::string& what) const;
  ImageInput RefuseChecksum(std::uint8_t found, std::uint8_t expected) const;
  // The image gathered; or, for a file cut short before its end record (`end_record` names it)
  // or holding no data, why it is none.
  ImageInput Finish(const ImageAssembly& assembly, bool ended, const std::string& end_record) const;
  // `data` placed from `address` on; a refusal names the line and the first byte that will not go.
  std::optional<ImageInput> Place(ImageAssembly& assembly, std::uint64_t address,
                                  const std::vector<std::uint8_t>& data) const;

 private:
  ImageFiles files_;
  ImageFiles::Handle handle_;
  std::string shown_;
  std::string line_;
  int number_ = 0;
};

// What the toolchain formats' checksums are made from.
std::uint8_t LowByteOfSum(std::span<const std::uint8_t> bytes);

}  // namespace tessimor
