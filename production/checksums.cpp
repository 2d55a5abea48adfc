#include "production/checksums.h"

#include <array>

namespace tessimor::production {

namespace {

constexpr std::uint16_t kCrc16Poly = 0x1021;
constexpr std::uint16_t kCrc16Init = 0xFFFF;
constexpr std::uint32_t kCrc32Poly = 0xEDB88320;
constexpr std::uint32_t kCrc32Init = 0xFFFFFFFF;
constexpr int kBitsPerByte = 8;
constexpr std::size_t kTableSize = 256;

constexpr std::array<std::uint16_t, kTableSize> MakeCrc16Table() {
  std::array<std::uint16_t, kTableSize> table{};
  for (std::size_t i = 0; i < kTableSize; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i << kBitsPerByte);
    for (int bit = 0; bit < kBitsPerByte; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ kCrc16Poly : crc << 1);
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<std::uint32_t, kTableSize> MakeCrc32Table() {
  std::array<std::uint32_t, kTableSize> table{};
  for (std::size_t i = 0; i < kTableSize; ++i) {
    std::uint32_t crc = static_cast<std::uint32_t>(i);
    for (int bit = 0; bit < kBitsPerByte; ++bit)
      crc = (crc & 1) ? (crc >> 1) ^ kCrc32Poly : crc >> 1;
    table[i] = crc;
  }
  return table;
}

constexpr auto kCrc16Table = MakeCrc16Table();
constexpr auto kCrc32Table = MakeCrc32Table();

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = kCrc16Init;
  for (const std::uint8_t byte : bytes) {
    crc = static_cast<std::uint16_t>((crc << kBitsPerByte) ^
                                     kCrc16Table[((crc >> kBitsPerByte) ^ byte) & 0xFF]);
  }
  return crc;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = kCrc32Init;
  for (const std::uint8_t byte : bytes)
    crc = (crc >> kBitsPerByte) ^ kCrc32Table[(crc ^ byte) & 0xFF];
  return crc ^ kCrc32Init;
}

}  // namespace tessimor::production
