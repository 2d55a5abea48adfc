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

std::size_t EepromImage::CoveredCount() const {
  std::size_t count = 0;
  for (const bool covered : covered_) count += covered;
  return count;
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

std::vector<ImageRecord> EepromImage::LineRecords() const {
  std::vector<ImageRecord> records;
  constexpr std::size_t kStep = protocol::kBytesPerLine;
  for (std::size_t line = 0; line < kSize; line += kStep) {
    std::size_t address = line;
    while (address < line + kStep) {
      if (!covered_[address]) {
        ++address;
        continue;
      }
      std::vector<std::uint8_t> run;
      const std::size_t start = address;
      for (; address < line + kStep && covered_[address]; ++address) run.push_back(bytes_[address]);
      records.push_back(MakeImageRecord(static_cast<std::uint32_t>(start), std::move(run)));
    }
  }
  return records;
}

std::vector<std::int32_t> EepromImage::CoveredLines() const {
  std::vector<std::int32_t> lines;
  for (std::size_t line = 0; line < kSize; line += protocol::kBytesPerLine) {
    const auto first = covered_.begin() + static_cast<std::ptrdiff_t>(line);
    if (std::find(first, first + protocol::kBytesPerLine, true) != first + protocol::kBytesPerLine) {
      lines.push_back(static_cast<std::int32_t>(line));
    }
  }
  return lines;
}

EepromImage EepromImage::Filled(std::uint8_t value) {
  return FromBytes(std::vector<std::uint8_t>(kSize, value));
}

EepromImage EepromImage::FromBytes(const std::vector<std::uint8_t>& bytes) {
  ImageAssembly assembly;
  for (std::size_t address = 0; address < bytes.size(); ++address) {
    assembly.Place(address, bytes[address]);
  }
  return assembly.Image();
}

ImageAssembly::Put ImageAssembly::Place(std::uint64_t address, std::uint8_t byte) {
  if (address >= EepromImage::kSize) return Put::kOutside;
  if (image_.Covers(address)) return image_.At(address) == byte ? Put::kPlaced : Put::kConflict;
  image_.bytes_[address] = byte;
  image_.covered_[address] = true;
  any_ = true;
  return Put::kPlaced;
}

EepromImage ImageAssembly::Image() const {
  EepromImage image = image_;
  image.records_ = image_.LineRecords();
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
