#include "engine/image_text.h"

#include <cstdio>

namespace tessimor {

namespace {

constexpr char kColon = ':';
constexpr char kSpace = ' ';
constexpr std::size_t kMaxAddressDigits = 4;
constexpr char kDigits[] = "0123456789ABCDEF";

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

}  // namespace

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == text.npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::string HexByte(std::int32_t value) {
  const unsigned low = static_cast<unsigned>(value) & 0xFFu;
  return {kDigits[low >> 4], kDigits[low & 0xFu]};
}

std::string HexAddress(std::int32_t address) {
  return HexByte(address >> 8) + HexByte(address);
}

std::string HexText(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes) text += HexByte(byte);
  return text;
}

bool IsBlankLine(std::string_view line) {
  return TrimSpaces(line).empty();
}

std::optional<std::string> RefuseWithoutColon(std::string_view line, int line_number,
                                              const std::string& name) {
  if (line.find(kColon) != line.npos) return std::nullopt;
  return "Line " + std::to_string(line_number) + " of file " + name + " has no colon.";
}

std::optional<std::vector<std::uint8_t>> ParseHexPairs(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const auto high = HexDigit(text[i]);
    const auto low = HexDigit(text[i + 1]);
    if (!high || !low) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*high * 16 + *low));
  }
  return bytes;
}

RecordParts SplitRecord(std::string_view line) {
  const std::string_view record = TrimSpaces(line);
  const std::size_t colon = record.find(kColon);
  if (colon == record.npos) return {record, {}};
  return {record.substr(0, colon), record.substr(colon + 1)};
}

std::optional<ImageRecord> ParseImageRecord(std::string_view line) {
  const auto [address, data] = SplitRecord(line);
  if (address.empty() || address.size() > kMaxAddressDigits) return std::nullopt;
  if (data.empty()) return std::nullopt;
  auto bytes = ParseHexPairs(data);
  if (!bytes) return std::nullopt;
  ImageRecord result;
  for (const char c : address) {
    const auto digit = HexDigit(c);
    if (!digit) return std::nullopt;
    result.address = result.address * 16 + static_cast<std::uint32_t>(*digit);
  }
  result.bytes = std::move(*bytes);
  result.text = TrimSpaces(line);
  return result;
}

ImageRecord MakeImageRecord(std::uint32_t address, std::vector<std::uint8_t> bytes) {
  ImageRecord record{address, std::move(bytes), {}};
  record.text = HexAddress(static_cast<std::int32_t>(address)) + kColon + HexText(record.bytes);
  return record;
}

std::string AddressText(std::uint64_t address) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%04llX", static_cast<unsigned long long>(address));
  return text;
}

}  // namespace tessimor
