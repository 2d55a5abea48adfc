#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "production/checked.h"

// Where each part's own bytes go in the image: its serial number, then checksums over ranges
// that may hold it. Addresses are decimal or 0x-hex.
namespace tessimor::production {

// How the serial number is stored: binary in either byte order, zero-padded ASCII digits, or
// raw bytes as a serials file gives them.
enum class Form { kLittleEndian, kBigEndian, kDecimal, kHex, kBytes };

struct SerialField {
  std::uint32_t address = 0;
  Form form = Form::kLittleEndian;
  std::size_t size = 0;  // bytes in the EEPROM: the width of ASCII digits, N of bytes:N
};

enum class Algorithm { kCrc16, kCrc32 };

// A checksum over [start, end), stored at `address`: a CRC-16 big-endian, a CRC-32
// little-endian.
struct CrcField {
  std::uint32_t address = 0;
  Algorithm algorithm = Algorithm::kCrc16;
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

// The checksums are computed in their order, after the serial number is in.
struct Layout {
  SerialField serial;
  std::vector<CrcField> crcs;
};

// Decimal or 0x-hex, nothing around it, at most 64 bits.
std::optional<std::uint64_t> ParseNumber(std::string_view text);

// "0x0010:u32le", "16:dec:8": ADDRESS:ENCODING.
Checked<SerialField> ParseSerialField(std::string_view text);
// "0x001C:crc16:0x0000-0x001C": ADDRESS:ALGORITHM:START-END.
Checked<CrcField> ParseCrcField(std::string_view text);
// The fields may not overlap, a checksum may not sum its own bytes, and one that sums another
// must come after it.
Checked<Layout> MakeLayout(SerialField serial, std::vector<CrcField> crcs);
Checked<Layout> ParseLayout(std::string_view serial, const std::vector<std::string>& crcs);

std::size_t FieldSize(const CrcField& field);
// As it is written on the command line: "u32le", "dec:8", "bytes:6".
std::string EncodingText(const SerialField& field);
// "crc16 at 0x001C", as refusals name it.
std::string FieldName(const CrcField& field);
// Stable, to tell one series' layout from another's:
// "serial 0x0010 u32le; crc16 0x001C over 0x0000-0x001C".
std::string LayoutText(const Layout& layout);

}  // namespace tessimor::production
