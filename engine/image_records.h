#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/protocol.h"

namespace tessimor {

// One "address:data" record with its text turned into numbers.
struct ImageRecord {
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
};

// Spaces around the record are ignored and hex case does not matter; nullopt unless the record
// is 1 to 4 hex digits, a colon and at least one hex pair. The range is not checked here.
std::optional<ImageRecord> ParseImageRecord(std::string_view text);

// A picture of the EEPROM that knows which addresses something was placed at.
class EepromImage {
 public:
  static constexpr std::size_t kSize = protocol::kEepromSize;

  // False, and nothing placed, when the record reaches outside the EEPROM.
  bool Place(const ImageRecord& record);
  bool Covers(std::size_t address) const { return address < kSize && covered_[address]; }
  std::uint8_t At(std::size_t address) const { return bytes_[address]; }
  std::size_t CoveredCount() const;
  // Lowest address nothing was placed at; nullopt when all are covered.
  std::optional<std::size_t> FirstGap() const;
  // Every byte, as a raw image; uncovered addresses give 0xFF.
  std::vector<std::uint8_t> Bytes() const;

  static EepromImage Filled(std::uint8_t value);
  static EepromImage FromBytes(const std::vector<std::uint8_t>& bytes);

 private:
  std::array<std::uint8_t, kSize> bytes_{};
  std::array<bool, kSize> covered_{};
};

// The records a full read would have saved for these bytes: 16 per record, upper-case hex.
std::vector<std::string> RecordsFromBytes(const std::vector<std::uint8_t>& bytes);

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
