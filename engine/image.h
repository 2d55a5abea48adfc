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
  std::size_t CoveredCount() const;
  // Lowest address nothing was placed at; nullopt when all are covered.
  std::optional<std::size_t> FirstGap() const;
  // Every byte, as a raw image; uncovered addresses give 0xFF.
  std::vector<std::uint8_t> Bytes() const;
  const std::vector<ImageRecord>& Records() const { return records_; }
  // The covered bytes as records that each keep to one 16-byte line of the EEPROM, the way a
  // full read saves them: a gap starts a new record.
  std::vector<ImageRecord> LineRecords() const;
  // The start of each 16-byte line of the EEPROM that holds a covered byte, in order.
  std::vector<std::int32_t> CoveredLines() const;

  static EepromImage Filled(std::uint8_t value);
  // In records of 16 bytes, as a full read saves them.
  static EepromImage FromBytes(const std::vector<std::uint8_t>& bytes);

 private:
  friend class ImageAssembly;

  std::array<std::uint8_t, kSize> bytes_{};
  std::array<bool, kSize> covered_{};
  std::vector<ImageRecord> records_;
};

// Bytes gathered one at a time, as a toolchain's image file gives them; the image made of them
// holds its line records, so that no write crosses a 16-byte line of the EEPROM.
class ImageAssembly {
 public:
  enum class Put { kPlaced, kOutside, kConflict };
  // The same byte again at an address is no conflict; a different one is, and changes nothing.
  Put Place(std::uint64_t address, std::uint8_t byte);
  std::uint8_t At(std::size_t address) const { return image_.At(address); }
  bool Empty() const { return !any_; }
  EepromImage Image() const;

 private:
  EepromImage image_;  // records are made only at the end
  bool any_ = false;
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
