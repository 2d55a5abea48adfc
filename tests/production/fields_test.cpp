#include "production/fields.h"

#include <gtest/gtest.h>

namespace tessimor::production {
namespace {

using Crcs = std::vector<std::string>;

// A layout is told in one stable text; each refusal has its own words.
TEST(FieldsTest, LayoutsAreToldInOneStableTextOrRefusedInTheirOwnWords) {
  const struct {
    const char* serial;
    std::string told;
    Crcs crcs = {};
  } cases[] = {
      {"16:dec:8",
       "serial 0x0010 dec:8; crc16 0x001C over 0x0000-0x001C; crc32 0x0020 over 0x0000-0x001E",
       {"0x001C:crc16:0x0000-0x001C", "0x20:crc32:0-0x1E"}},
      {"0x7FFF:u8", "serial 0x7FFF u8; crc32 0x0000 over 0x0010-0x8000", {"0:crc32:0x10-0x8000"}},
      {"0X7fc0:bytes:64", "serial 0x7FC0 bytes:64"},
      {"0:u64be", "serial 0x0000 u64be"},
      // Refused, each in its own words.
      {"0x0010", R"("0x0010" is not a serial field: give ADDRESS:ENCODING, as 0x0010:u32le.)"},
      {"0xZZ:u8", R"("0xZZ:u8" is not a serial field: give ADDRESS:ENCODING, as 0x0010:u32le.)"},
      {"0x10:u24le",
       R"(Unknown serial encoding "u24le": use u8, u16le, u16be, u32le, u32be, u64le, u64be, )"
       R"(dec:WIDTH, hex:WIDTH or bytes:N.)"},
      {"0x10:dec:21", R"(Serial encoding "dec:21" takes a width of 1 to 20.)"},
      {"0x10:hex:0", R"(Serial encoding "hex:0" takes a width of 1 to 16.)"},
      {"0x10:bytes:65", R"(Serial encoding "bytes:65" takes a width of 1 to 64.)"},
      {"0x10:u8",
       R"("0x1C:crc16:0x0000" is not a checksum field: give ADDRESS:ALGORITHM:START-END, as )"
       R"(0x001C:crc16:0x0000-0x001C.)",
       {"0x1C:crc16:0x0000"}},
      {"0x10:u8", R"(Unknown checksum "crc8": use crc16 or crc32.)", {"0x1C:crc8:0-0x1C"}},
      // The last byte outside is enough.
      {"0x7FFE:u32le",
       "The serial number at 0x7FFE (4 bytes) runs past the EEPROM's last address, 0x7FFF."},
      {"0x8000:u8",
       "The serial number at 0x8000 (1 byte) runs past the EEPROM's last address, 0x7FFF."},
      {"0x10:u8",
       "The crc16 at 0x7FFF (2 bytes) runs past the EEPROM's last address, 0x7FFF.",
       {"0x7FFF:crc16:0-0x10"}},
      {"0x10:u8",
       "The crc16 at 0x001C sums an empty or reversed range, 0x0010-0x0010.",
       {"0x1C:crc16:0x10-0x10"}},
      {"0x10:u8",
       "The crc32 at 0x001C sums an empty or reversed range, 0x0020-0x0010.",
       {"0x1C:crc32:0x20-0x10"}},
      {"0x10:u8",
       "The crc16 at 0x001C sums 0x7000-0x8001, past the EEPROM's end: a range ends at 0x8000 at "
       "most.",
       {"0x1C:crc16:0x7000-0x8001"}},
      {"0x10:u32le",
       "The serial number at 0x0010 and the crc16 at 0x0013 overlap.",
       {"0x13:crc16:0-0x10"}},
      {"0x10:u8",
       "The crc16 at 0x0020 and the crc32 at 0x0021 overlap.",
       {"0x20:crc16:0-0x10", "0x21:crc32:0-0x10"}},
      {"0x10:u8",
       "The crc16 at 0x001C lies in its own range 0x0000-0x001D.",
       {"0x1C:crc16:0-0x1D"}},
      {"0x10:u8",
       "The crc32 at 0x001C lies in its own range 0x001F-0x0040.",
       {"0x1C:crc32:0x1F-0x40"}},
      {"0x10:u8",
       "The crc16 at 0x0100 sums the crc32 at 0x0020, which comes after it: give that one first.",
       {"0x100:crc16:0-0x40", "0x20:crc32:0x40-0x80"}},
  };
  for (const auto& c : cases) {
    const auto layout = ParseLayout(c.serial, c.crcs);
    EXPECT_EQ(layout.value ? LayoutText(*layout.value) : layout.error, c.told) << c.serial;
  }
}

}  // namespace
}  // namespace tessimor::production
