#include "production/part_image.h"

#include <gtest/gtest.h>

#include "production/checksums.h"

namespace tessimor::production {
namespace {

using Bytes = std::vector<std::uint8_t>;

Layout Parsed(const char* serial, const std::vector<std::string>& crcs) {
  return *ParseLayout(serial, crcs).value;
}

TEST(PartImageTest, ChecksumsGiveTheirPublishedCheckValues) {
  const std::string_view text = "123456789";
  const Bytes check(text.begin(), text.end());
  EXPECT_EQ(Crc16(check), 0x29B1);
  EXPECT_EQ(Crc32(check), 0xCBF43926u);
}

TEST(PartImageTest, TheSerialGoesInThenEachChecksumOverWhatTheEepromWillHold) {
  // The golden image leaves 0x0010-0x0011 to the serial number, and has other bytes under its
  // upper half.
  EepromImage golden;
  golden.Place(MakeImageRecord(0x0000, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  golden.Place(
      MakeImageRecord(0x0012, {0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B}));
  const Layout layout = Parsed("0x0010:u32le", {"0x001C:crc16:0x0000-0x001C", "0x20:crc32:0-0x1E"});
  const auto part = MakePartImage(golden, layout, 100000u);
  ASSERT_TRUE(part.value) << part.error;
  std::vector<std::string> records;
  for (const ImageRecord& record : part.value->image.Records()) records.push_back(record.text);
  // crc16 C6BD big-endian; crc32 654E6220 little-endian, over the crc16 too.
  EXPECT_EQ(records,
            (std::vector<std::string>{"0000:000102030405060708090A0B0C0D0E0F",
                                      "0010:A08601001415161718191A1BC6BD", "0020:20624E65"}));
  EXPECT_EQ(part.value->written_crc32, 0x2144DF1Cu);
}

TEST(PartImageTest, RefusesValuesThatDoNotFitAndSumsOfUnknownBytes) {
  EepromImage golden;
  golden.Place(MakeImageRecord(0x0000, Bytes(16, 0x00)));
  const Layout layout = Parsed("0x0010:u32le", {"0x001C:crc16:0x0000-0x001C"});
  EXPECT_EQ(MakePartImage(golden, layout, 100000u).error,
            "The crc16 at 0x001C sums 0x0014, which neither the image nor a field writes.");
  EXPECT_EQ(MakePartImage(golden, Parsed("0x0010:u8", {}), 256u).error,
            "256 is too wide for its encoding u8.");
}

}  // namespace
}  // namespace tessimor::production
