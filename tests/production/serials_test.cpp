#include "production/serials.h"

#include <gtest/gtest.h>

namespace tessimor::production {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ascii(std::string_view text) {
  return {text.begin(), text.end()};
}

SerialField Field(const char* text) {
  return *ParseSerialField(text).value;
}

TEST(SerialsTest, ValuesAreEncodedOrFoundTooWide) {
  const struct {
    const char* field;
    SerialValue value;
    Bytes bytes;
    std::string error = "";
  } cases[] = {
      {"0:u8", 0xABu, {0xAB}},
      {"0:u16le", 0x1234u, {0x34, 0x12}},
      {"0:u16be", 0x1234u, {0x12, 0x34}},
      {"0:u32le", 100000u, {0xA0, 0x86, 0x01, 0x00}},
      {"0:u32be", 100000u, {0x00, 0x01, 0x86, 0xA0}},
      {"0:u64le", 0x0102030405060708u, {8, 7, 6, 5, 4, 3, 2, 1}},
      {"0:u64be", 0x0102030405060708u, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"0:dec:8", 100000u, Ascii("00100000")},
      {"0:hex:6", 0xABCDEu, Ascii("0ABCDE")},
      {"0:hex:16", ~0ull, Ascii("FFFFFFFFFFFFFFFF")},
      {"0:dec:20", ~0ull, Ascii("18446744073709551615")},
      {"0:bytes:2", Bytes{0x00, 0x1A}, {0x00, 0x1A}},
      {"0:u8", 256u, {}, "256 is too wide for its encoding u8."},
      {"0:u16be", 65536u, {}, "65536 is too wide for its encoding u16be."},
      {"0:u32le", 0x100000000u, {}, "4294967296 is too wide for its encoding u32le."},
      {"0:dec:4", 100000u, {}, "100000 is too wide for its encoding dec:4."},
      {"0:hex:4", 0x10000u, {}, "65536 is too wide for its encoding hex:4."},
      {"0:bytes:6", 5u, {}, "5 is a number; bytes:6 takes raw bytes from a serials file."},
      {"0:bytes:6", Bytes{0x00, 0x1A, 0x2B}, {}, "001A2B is 3 bytes, not the 6 of bytes:6."},
      {"0:u32le", Bytes{0x01, 0x02}, {}, "0102 is raw bytes; u32le takes a number."},
  };
  for (const auto& c : cases) {
    const auto encoded = Encode(Field(c.field), c.value);
    EXPECT_EQ(encoded.value.value_or(Bytes{}), c.bytes) << c.field;
    EXPECT_EQ(encoded.error, c.error) << c.field;
  }
}

TEST(SerialsTest, CountersStopShortOf64Bits) {
  EXPECT_EQ(CounterValue({100000, 1}, 5).value, 100005u);
  EXPECT_EQ(CounterValue({~0ull - 10, 5}, 2).value, ~0ull);
  EXPECT_EQ(CounterValue({~0ull - 10, 5}, 3).error,
            "Serial number 18446744073709551605 + 3 * 5 does not fit in 64 bits.");
}

TEST(SerialsTest, FilesGiveOneValueALineOnce) {
  // The values read, each as it is told, or the refusal.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"0:u32le", "# batch 7\r\n100000\r\n\r\n  0x186A1  \r\n100002", "100000 100001 100002"},
      {"0:bytes:6", "00:1a:2b:3c:4d:5e\n00-1a-2b-3c-4d-5f\n001A2B3C4D60\n",
       "001A2B3C4D5E 001A2B3C4D5F 001A2B3C4D60"},
      {"0:u8", "1\n2\n256\n", "serials.txt line 3: 256 is too wide for its encoding u8."},
      {"0:u32le", "100000\n#\n0x186A0\n", "serials.txt line 3: 100000 repeats line 1."},
      {"0:bytes:2", "00:1a\n001A\n", "serials.txt line 2: 001A repeats line 1."},
      {"0:u32le", "12a\n",
       R"(serials.txt line 1: "12a" is not a decimal or 0x-hex number of at most 64 bits.)"},
      {"0:u64le", "18446744073709551616",
       R"(serials.txt line 1: "18446744073709551616" is not a decimal or 0x-hex number of at )"
       R"(most 64 bits.)"},
      {"0:bytes:6", "00:1A:2B-3C:4D:5E",
       R"(serials.txt line 1: "00:1A:2B-3C:4D:5E" is not hex bytes, as 00:1A:2B, 00-1A-2B or )"
       R"(001A2B.)"},
      {"0:bytes:2", "00:1A:",
       R"(serials.txt line 1: "00:1A:" is not hex bytes, as 00:1A:2B, 00-1A-2B or 001A2B.)"},
      {"0:bytes:6", "001A2B", "serials.txt line 1: 001A2B is 3 bytes, not the 6 of bytes:6."},
      {"0:u32le", "# none\r\n\r\n", "serials.txt holds no serial numbers."},
      {"0:u32le", "", "serials.txt holds no serial numbers."},
  };
  for (const auto& [field, text, told] : cases) {
    const auto serials = ParseSerials("serials.txt", text, Field(field));
    std::string shown = serials.error;
    for (const SerialValue& value : serials.value.value_or(std::vector<SerialValue>{})) {
      shown += (shown.empty() ? "" : " ") + ValueText(value);
    }
    EXPECT_EQ(shown, told) << text;
  }
}

}  // namespace
}  // namespace tessimor::production
