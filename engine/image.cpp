#include "engine/image.h"

#include <algorithm>

namespace tessimor {

bool EepromImage::Place(ImageRecord record) {
  if (record.address >= kSize || record.bytes.size() > kSize - record.address) return false;
  for (std::size_t i = 0; i < record.bytes.size(); ++i) {
    bytes_[record.address + i] = record.bytes[i];
    covered_[record.address + i] = true;
  }
  records_.push_back(std::move(record));
  return true;
}

std::optional<std::size_t> EepromImage::FirstGap() const {
  for (std::size_t address = 0; address < kSize; ++address) {
    if (!covered_[address]) return address;
  }
  return std::nullopt;
}

std::vector<std::uint8_t> EepromImage::Bytes() const {
  std::vector<std::uint8_t> bytes(kSize, 0xFF);
  for (std::size_t address = 0; address < kSize; ++address) {
    if (covered_[address]) bytes[address] = bytes_[address];
  }
  return bytes;
}

EepromImage EepromImage::Filled(std::uint8_t value) {
  return FromBytes(std::vector<std::uint8_t>(kSize, value));
}

EepromImage EepromImage::FromBytes(const std::vector<std::uint8_t>& bytes) {
  EepromImage image;
  constexpr std::size_t kStep = protocol::kBytesPerLine;
  for (std::size_t address = 0; address < bytes.size(); address += kStep) {
    const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(address);
    const auto last =
        bytes.begin() + static_cast<std::ptrdiff_t>(std::min(address + kStep, bytes.size()));
    image.Place(MakeImageRecord(static_cast<std::uint32_t>(address), {first, last}));
  }
  return image;
}

CompareReport CompareImages(const EepromImage& expected, const EepromImage& actual,
                            std::size_t keep) {
  CompareReport report;
  for (std::size_t address = 0; address < EepromImage::kSize; ++address) {
    if (!expected.Covers(address)) continue;
    ++report.compared;
    const bool same = actual.Covers(address) && actual.At(address) == expected.At(address);
    if (same) continue;
    ++report.differing;
    if (report.first.size() < keep) {
      ByteDifference difference{static_cast<std::uint32_t>(address), expected.At(address), {}};
      if (actual.Covers(address)) difference.actual = actual.At(address);
      report.first.push_back(difference);
    }
  }
  return report;
}

}  // namespace tessimor
