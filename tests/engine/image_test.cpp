#include "engine/image.h"

#include <gtest/gtest.h>

#include "tests/kit/expected.h"

namespace tessimor {
namespace {

TEST(ImageTest, RecordsAreParsedPlacedMadeFromBytesAndCompared) {
  // Half a pair, no data, no address, not hex, five digits, a space or a tab inside, two colons.
  for (const char* text :
       {"0010:0", "0010:", ":00", "00G0:00", "00010:00", "0010:00 FF", "\t0010:00", "0010:00:FF"}) {
    EXPECT_FALSE(ParseImageRecord(text)) << text;
  }
  const std::tuple<const char*, bool, std::uint32_t, std::vector<std::uint8_t>> cases[] = {
      {"  7ff0:aB  ", true, 0x7FF0, {0xAB}}, {"1:0A0b", true, 0x1, {0x0A, 0x0B}},
      {"7FFF:12", true, 0x7FFF, {0x12}},     {"7FFF:1234", false, 0x7FFF, {0x12, 0x34}},
      {"8000:12", false, 0x8000, {0x12}},
  };
  for (const auto& [text, fits, address, bytes] : cases) {
    const auto record = ParseImageRecord(text);
    ASSERT_TRUE(record) << text;
    EXPECT_EQ(std::tie(record->address, record->bytes), std::tie(address, bytes)) << text;
    EepromImage image;
    EXPECT_EQ(image.Place(*record), fits) << text;
    EXPECT_EQ(image.Covers(address) && image.At(address) == bytes[0], fits) << text;
  }
  EXPECT_EQ(ParseImageRecord("  7ff0:aB  ")->text, "7ff0:aB");
  // And back: the records a full read saves.
  const auto memory = testing::Pattern();
  const std::vector<std::uint8_t> bytes(memory.begin(), memory.end());
  const EepromImage image = EepromImage::FromBytes(bytes);
  std::string text;
  for (const ImageRecord& record : image.Records()) text += record.text + "\r\n";
  EXPECT_EQ(text, testing::ImageText(memory));
  EXPECT_FALSE(image.FirstGap());
  EXPECT_EQ(image.Bytes(), bytes);
  // Compared only where the expected image has bytes, the first ten differences kept.
  EepromImage expected, actual = EepromImage::Filled(0x00);
  expected.Place(MakeImageRecord(0x0100, std::vector<std::uint8_t>(32, 0x00)));
  actual.Place(MakeImageRecord(0x0104, std::vector<std::uint8_t>(12, 0x5A)));
  actual.Place(MakeImageRecord(0x0000, {0x77}));  // outside what the file covers: not compared
  const CompareReport report = CompareImages(expected, actual);
  EXPECT_EQ(std::tie(report.compared, report.differing), std::tuple(32u, 12u));
  ASSERT_EQ(report.first.size(), 10u);
  EXPECT_EQ(report.first.front().address, 0x0104u);
  EXPECT_EQ(report.first.front().actual, std::optional<std::uint8_t>(0x5A));
  EXPECT_EQ(report.first.back().address, 0x010Du);
  const CompareReport missing = CompareImages(expected, EepromImage());
  EXPECT_EQ(missing.differing, 32u);
  EXPECT_FALSE(missing.first.front().actual.has_value());
}

}  // namespace
}  // namespace tessimor
