#include "engine/record_lines.h"

#include <cstdio>

namespace tessimor {

namespace {

// Where the AVR toolchain's linker puts the .eeprom section, and so where its objcopy writes it.
constexpr std::uint64_t kAvrEepromSectionStart = 0x810000;
constexpr std::uint64_t kAvrEepromSectionEnd = kAvrEepromSectionStart + 0x8000;

std::string AddressHex(std::uint64_t address) {
  char text[24];
  std::snprintf(text, sizeof text, "%04llX", static_cast<unsigned long long>(address));
  return text;
}

}  // namespace

RecordLines::RecordLines(std::string contents, std::string shown)
    : handle_(files_.OpenText(std::move(contents))), shown_(std::move(shown)) {}

bool RecordLines::Next() {
  while (!files_.AtEnd(handle_)) {
    line_ = files_.ReadLine(handle_);
    ++number_;
    if (!IsBlankLine(line_)) return true;
  }
  return false;
}

ImageInput RecordLines::Refuse(std::string message) const {
  ImageInput input;
  input.error = std::move(message);
  return input;
}

ImageInput RecordLines::RefuseLine(const std::string& what) const {
  return Refuse("Line " + std::to_string(number_) + " of file " + shown_ + what);
}

ImageInput RecordLines::RefuseFile(const std::string& what) const {
  return Refuse("File " + shown_ + what);
}

ImageInput RecordLines::RefuseChecksum(std::uint8_t found, std::uint8_t expected) const {
  return RefuseLine(" has checksum " + HexByte(found) + " where its bytes give " +
                    HexByte(expected) + ".");
}

ImageInput RecordLines::Finish(const ImageAssembly& assembly, bool ended,
                               const std::string& end_record) const {
  if (!ended) return RefuseFile(" ends without an end record (" + end_record + ").");
  if (assembly.Empty()) return RefuseFile(" holds no data.");
  ImageInput input;
  input.image = assembly.Image();
  return input;
}

std::optional<ImageInput> RecordLines::Place(ImageAssembly& assembly, std::uint64_t address,
                                             const std::vector<std::uint8_t>& data) const {
  for (std::size_t i = 0; i < data.size(); ++i) {
    const std::uint64_t at = address + i;
    switch (assembly.Place(at, data[i])) {
      case ImageAssembly::Put::kPlaced:
        continue;
      case ImageAssembly::Put::kOutside: {
        ImageInput refused =
            RefuseLine(" puts data at " + AddressHex(at) + ", outside 0000 to 7FFF.");
        // The data is not moved for the user: the file may mean another address on purpose.
        if (at >= kAvrEepromSectionStart && at < kAvrEepromSectionEnd) {
          refused.error +=
              "\nThat is where the AVR toolchain puts the .eeprom section: add "
              "--change-section-lma .eeprom=0 to the objcopy command to move it to 0000.";
        }
        return refused;
      }
      case ImageAssembly::Put::kConflict:
        return RefuseLine(" puts " + HexByte(data[i]) + " at " + AddressHex(at) +
                          ", where an earlier line put " + HexByte(assembly.At(at)) + ".");
    }
  }
  return std::nullopt;
}

std::uint8_t LowByteOfSum(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (const std::uint8_t byte : bytes) sum += byte;
  return static_cast<std::uint8_t>(sum);
}

}  // namespace tessimor
