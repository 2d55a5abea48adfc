#include "engine/image_records.h"

#include <gtest/gtest.h>

namespace tessimor {
namespace {

struct RecordCase {
  const char* text;
  bool parses;
  std::uint32_t address;
  std::vector<std::uint8_t> bytes;
};

TEST(ImageRecordsTest, ParsesOnlyHexAddressColonAndHexPairs) {
  const RecordCase cases[] = {
      {"0010:00FF", true, 0x10, {0x00, 0xFF}},
      {"  7ff0:ab  ", true, 0x7FF0, {0xAB}},
      {"1:0A0b", true, 0x1, {0x0A, 0x0B}},
      {"0010:0", false, 0, {}},       // half a pair
      {"0010:", false, 0, {}},        // no data
      {":00", false, 0, {}},          // no address
      {"00G0:00", false, 0, {}},      // not hex
      {"00010:00", false, 0, {}},     // five address digits
      {"0010:00 FF", false, 0, {}},   // space inside the data
      {"0010:00\tFF", false, 0, {}},  // tabs are not trimmed
      {"0010:00:FF", false, 0, {}},   // second colon
      {"0010 :00", false, 0, {}},     // space before the colon
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.text);
    const auto record = ParseImageRecord(c.text);
    ASSERT_EQ(record.has_value(), c.parses);
    if (!record) continue;
    EXPECT_EQ(record->address, c.address);
    EXPECT_EQ(record->bytes, c.bytes);
  }
}

TEST(ImageRecordsTest, PlaceRefusesRecordsReachingPastTheEnd) {
  EepromImage image;
  EXPECT_TRUE(image.Place({0x7FFF, {0x12}}));
  EXPECT_FALSE(image.Place({0x7FFF, {0x12, 0x34}}));
  EXPECT_FALSE(image.Place({0x8000, {0x12}}));
  EXPECT_EQ(image.CoveredCount(), 1u);
  EXPECT_EQ(image.At(0x7FFF), 0x12);
  EXPECT_EQ(image.FirstGap(), 0u);
}

TEST(ImageRecordsTest, BytesBecomeTheRecordsAReadSavesAndBack) {
  std::vector<std::uint8_t> bytes(EepromImage::kSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const auto records = RecordsFromBytes(bytes);
  ASSERT_EQ(records.size(), 2048u);
  EXPECT_EQ(records[1], "0010:737A81888F969DA4ABB2B9C0C7CED5DC");
  EepromImage image;
  for (const std::string& text : records) ASSERT_TRUE(image.Place(*ParseImageRecord(text)));
  EXPECT_FALSE(image.FirstGap());
  EXPECT_EQ(image.Bytes(), bytes);
}

TEST(ImageRecordsTest, CompareCountsOnlyCoveredAddressesAndKeepsTheFirstTen) {
  EepromImage expected;
  expected.Place({0x0100, std::vector<std::uint8_t>(32, 0x00)});
  EepromImage actual = EepromImage::Filled(0x00);
  for (std::uint32_t address = 0x0104; address < 0x0110; ++address) {
    actual.Place({address, {0x5A}});
  }
  actual.Place({0x0000, {0x77}});  // outside what the file covers: not compared
  const CompareReport report = CompareImages(expected, actual);
  EXPECT_EQ(report.compared, 32u);
  EXPECT_EQ(report.differing, 12u);
  ASSERT_EQ(report.first.size(), 10u);
  EXPECT_EQ(report.first.front().address, 0x0104u);
  EXPECT_EQ(report.first.back().address, 0x010Du);
  EXPECT_EQ(report.first.front().expected, 0x00);
  EXPECT_EQ(report.first.front().actual, 0x5A);

  const CompareReport missing = CompareImages(expected, EepromImage());
  EXPECT_EQ(missing.differing, 32u);
  EXPECT_FALSE(missing.first.front().actual.has_value());
}

}  // namespace
}  // namespace tessimor
