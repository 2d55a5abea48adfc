#include "engine/image_records.h"

#include "engine/transfer_engine.h"

namespace tessimor {

namespace {

constexpr std::size_t kMaxAddressDigits = 4;

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == text.npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::optional<ImageRecord> ParseImageRecord(std::string_view text) {
  const std::string_view record = TrimSpaces(text);
  const std::size_t colon = record.find(':');
  if (colon == record.npos || colon == 0 || colon > kMaxAddressDigits) return std::nullopt;
  ImageRecord result;
  for (const char c : record.substr(0, colon)) {
    const auto digit = HexDigit(c);
    if (!digit) return std::nullopt;
    result.address = result.address * 16 + static_cast<std::uint32_t>(*digit);
  }
  const std::string_view data = record.substr(colon + 1);
  if (data.empty() || data.size() % 2 != 0) return std::nullopt;
  for (std::size_t i = 0; i < data.size(); i += 2) {
    const auto high = HexDigit(data[i]);
    const auto low = HexDigit(data[i + 1]);
    if (!high || !low) return std::nullopt;
    result.bytes.push_back(static_cast<std::uint8_t>(*high * 16 + *low));
  }
  return result;
}

bool EepromImage::Place(const ImageRecord& record) {
  if (record.address >= kSize || record.bytes.size() > kSize - record.address) return false;
  for (std::size_t i = 0; i < record.bytes.size(); ++i) {
    bytes_[record.address + i] = record.bytes[i];
    covered_[record.address + i] = true;
  }
  return true;
}

std::size_t EepromImage::CoveredCount() const {
  std::size_t count = 0;
  for (const bool covered : covered_) count += covered ? 1 : 0;
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

EepromImage EepromImage::Filled(std::uint8_t value) {
  return FromBytes(std::vector<std::uint8_t>(kSize, value));
}

EepromImage EepromImage::FromBytes(const std::vector<std::uint8_t>& bytes) {
  EepromImage image;
  image.Place(ImageRecord{0, bytes});
  return image;
}

std::vector<std::string> RecordsFromBytes(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::string> records;
  for (std::size_t address = 0; address < bytes.size(); address += protocol::kBytesPerLine) {
    std::string record = HexByte(static_cast<std::int32_t>(address >> 8)) +
                         HexByte(static_cast<std::int32_t>(address)) + ":";
    for (std::size_t i = address; i < bytes.size() && i < address + protocol::kBytesPerLine; ++i) {
      record += HexByte(bytes[i]);
    }
    records.push_back(std::move(record));
  }
  return records;
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
