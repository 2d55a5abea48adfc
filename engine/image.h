#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/image_text.h"
#include "link/protocol.h"

namespace tessimor {

// A picture of the EEPROM: the bytes at the addresses something was placed at, and the records
// they came from, in order. Every image format reads into one and writes out of one.
class EepromImage {
 public:
  static constexpr std::size_t kSize = protocol::kEepromSize;

  // False, and nothing placed, when the record reaches outside the EEPROM.
  bool Place(ImageRecord record);
  bool Covers(std::size_t address) const { return address < kSize && covered_[address]; }
  std::uint8_t At(std::size_t address) const { return bytes_[address]; }
  // Lowest address nothing was placed at; nullopt when all are covered.
  std::optional<std::size_t> FirstGap() const;
  // Every byte, as a raw image; uncovered addresses give 0xFF.
  std::vector<std::uint8_t> Bytes() const;
  const std::vector<ImageRecord>& Records() const { return records_; }

  static EepromImage Filled(std::uint8_t value);
  // In records of 16 bytes, as a full read saves them.
  static EepromImage FromBytes(const std::vector<std::uint8_t>& bytes);

 private:
  std::array<std::uint8_t, kSize> bytes_{};
  std::array<bool, kSize> covered_{};
  std::vector<ImageRecord> records_;
};

struct ByteDifference {
  std::uint32_t address = 0;
  std::uint8_t expected = 0;
  std::optional<std::uint8_t> actual;  // nullopt: the other side had nothing there
};

struct CompareReport {
  std::size_t compared = 0;
  std::size_t differing = 0;
  std::vector<ByteDifference> first;  // in address order, at most the number asked for
};

// Compares over the addresses `expected` covers.
CompareReport CompareImages(const EepromImage& expected, const EepromImage& actual,
                            std::size_t keep = 10);

}  // namespace tessimor
