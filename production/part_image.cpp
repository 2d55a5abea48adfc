#include "production/part_image.h"

#include <span>
#include <vector>

#include "engine/image_text.h"
#include "production/checksums.h"

namespace tessimor::production {

namespace {

constexpr int kBitsPerByte = 8;

std::string UncoveredMessage(const CrcField& crc, std::size_t address) {
  return "The " + FieldName(crc) + " sums " + AddressText(address) +
         ", which neither the image nor a field writes.";
}

// What the EEPROM will hold once the part is written: the bytes and whether they are written.
struct Contents {
  std::vector<std::uint8_t> bytes;
  std::vector<bool> written;

  void Put(std::size_t address, const std::vector<std::uint8_t>& field) {
    for (std::size_t i = 0; i < field.size(); ++i) {
      bytes[address + i] = field[i];
      written[address + i] = true;
    }
  }
};

// CRC-16 big-endian, CRC-32 little-endian.
std::vector<std::uint8_t> ChecksumBytes(Algorithm algorithm, std::span<const std::uint8_t> data) {
  if (algorithm == Algorithm::kCrc16) {
    const std::uint16_t crc = Crc16(data);
    return {static_cast<std::uint8_t>(crc >> kBitsPerByte), static_cast<std::uint8_t>(crc)};
  }
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t crc = Crc32(data); bytes.size() < sizeof(crc); crc >>= kBitsPerByte) {
    bytes.push_back(static_cast<std::uint8_t>(crc));
  }
  return bytes;
}

}  // namespace

Checked<PartImage> MakePartImage(const EepromImage& golden, const Layout& layout,
                                 const SerialValue& value) {
  const auto serial = Encode(layout.serial, value);
  if (!serial.value) return Refusal{serial.error};
  Contents contents{golden.Bytes(), std::vector<bool>(EepromImage::kSize)};
  for (std::size_t address = 0; address < EepromImage::kSize; ++address) {
    contents.written[address] = golden.Covers(address);
  }
  // A checksum may sum one given before it, so all are known to be written from the start.
  contents.Put(layout.serial.address, *serial.value);
  for (const CrcField& crc : layout.crcs) {
    for (std::size_t i = 0; i < FieldSize(crc); ++i) contents.written[crc.address + i] = true;
  }
  for (const CrcField& crc : layout.crcs) {
    for (std::size_t address = crc.start; address < crc.end; ++address) {
      if (!contents.written[address]) return Refusal{UncoveredMessage(crc, address)};
    }
    const std::span<const std::uint8_t> range(contents.bytes.data() + crc.start,
                                              crc.end - crc.start);
    contents.Put(crc.address, ChecksumBytes(crc.algorithm, range));
  }
  ImageAssembly assembly;
  std::vector<std::uint8_t> written;
  for (std::size_t address = 0; address < EepromImage::kSize; ++address) {
    if (!contents.written[address]) continue;
    assembly.Place(address, contents.bytes[address]);
    written.push_back(contents.bytes[address]);
  }
  return PartImage{assembly.Image(), Crc32(written)};
}

}  // namespace tessimor::production
