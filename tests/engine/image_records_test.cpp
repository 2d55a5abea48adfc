#include "engine/image_records.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tessimor {
namespace {

TEST(ImageRecordsTest, TextBecomesPlacedBytesOrIsRefusedAndBytesBecomeText) {
  enum Outcome { kNotARecord, kOutside, kPlaced };
  const std::tuple<const char*, Outcome, std::uint32_t, std::vector<std::uint8_t>> cases[] = {
      {"  7ff0:aB  ", kPlaced, 0x7FF0, {0xAB}},
      {"1:0A0b", kPlaced, 0x1, {0x0A, 0x0B}},
      {"7FFF:12", kPlaced, 0x7FFF, {0x12}},
      {"7FFF:1234", kOutside, 0, {}},
      {"8000:12", kOutside, 0, {}},
      {"0010:0", kNotARecord, 0, {}},      // half a pair
      {"0010:", kNotARecord, 0, {}},       // no data
      {":00", kNotARecord, 0, {}},         // no address
      {"00G0:00", kNotARecord, 0, {}},     // not hex
      {"00010:00", kNotARecord, 0, {}},    // five address digits
      {"0010:00 FF", kNotARecord, 0, {}},  // space inside the data
      {"\t0010:00", kNotARecord, 0, {}},   // tabs are not trimmed
      {"0010:00:FF", kNotARecord, 0, {}},  // second colon
  };
  for (const auto& [text, outcome, address, bytes] : cases) {
    SCOPED_TRACE(text);
    const auto record = ParseImageRecord(text);
    ASSERT_EQ(record.has_value(), outcome != kNotARecord);
    if (!record) continue;
    EepromImage image;
    EXPECT_EQ(image.Place(*record), outcome == kPlaced);
    EXPECT_EQ(image.CoveredCount(), bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(image.At(address + i), bytes[i]);
  }
  // And back: the records a full read saves, in upper-case hex, 16 bytes each.
  std::vector<std::uint8_t> bytes(EepromImage::kSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const auto records = RecordsFromBytes(bytes);
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
  actual.Place({0x0104, std::vector<std::uint8_t>(12, 0x5A)});
  actual.Place({0x0000, {0x77}});  // outside what the file covers: not compared
  const CompareReport report = CompareImages(expected, actual);
  EXPECT_EQ(report.compared, 32u);
  EXPECT_EQ(report.differing, 12u);
  ASSERT_EQ(report.first.size(), 10u);
  EXPECT_EQ(report.first.front().address, 0x0104u);
  EXPECT_EQ(report.first.back().address, 0x010Du);
  // Its expected and actual bytes are checked where verify prints them.
  const CompareReport missing = CompareImages(expected, EepromImage());
  EXPECT_EQ(missing.differing, 32u);
  EXPECT_FALSE(missing.first.front().actual.has_value());
}

}  // namespace
}  // namespace tessimor
