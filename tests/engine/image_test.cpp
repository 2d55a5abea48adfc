#include "engine/image.h"

#include <gtest/gtest.h>

#include "tests/kit/expected.h"

namespace tessimor {
namespace {

TEST(ImageTest, RecordsAreParsedPlacedMadeFromBytesAndCompared) {
  // Half a pair, no data, no address, not hex, five digits, a space or a tab inside, two colons.
  const char* const not_records[] = {"0010:0",   "0010:",      ":00",       "00G0:00",
                                     "00010:00", "0010:00 FF", "\t0010:00", "0010:00:FF"};
  for (const char* text : not_records) EXPECT_FALSE(ParseImageRecord(text)) << text;
  const std::tuple<const char*, bool, std::uint32_t, std::vector<std::uint8_t>> cases[] = {
      {"  7ff0:aB  ", true, 0x7FF0, {0xAB}}, {"1:0A0b", true, 0x1, {0x0A, 0x0B}},
      {"7FFF:12", true, 0x7FFF, {0x12}},     {"7FFF:1234", false, 0x7FFF, {0x12, 0x34}},
      {"8000:12", false, 0x8000, {0x12}},    {"FFFF:12", false, 0xFFFF, {0x12}},
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
  const EepromImage image = EepromImage::FromBytes({memory.begin(), memory.end()});
  std::string text;
  for (const ImageRecord& record : image.Records()) text += record.text + "\r\n";
  EXPECT_EQ(text, testing::ImageText(memory));
  EXPECT_FALSE(image.FirstGap());
  EXPECT_EQ(image.Bytes(), std::vector<std::uint8_t>(memory.begin(), memory.end()));
  // Compared only where the expected image has bytes, the first ten differences kept.
  EepromImage expected, actual = EepromImage::Filled(0x00);
  expected.Place(MakeImageRecord(0x0100, std::vector<std::uint8_t>(32, 0x00)));
  actual.Place(MakeImageRecord(0x0104, std::vector<std::uint8_t>(12, 0x5A)));
  actual.Place(MakeImageRecord(0x0000, {0x77}));  // outside what the file covers: not compared
  const CompareReport report = CompareImages(expected, actual);
  EXPECT_EQ(std::tie(report.compared, report.differing), std::tuple(32u, 12u));
  ASSERT_EQ(report.first.size(), 10u);
  EXPECT_EQ(std::tie(report.first[0].address, report.first[0].actual), std::tuple(0x0104u, 0x5A));
  EXPECT_EQ(CompareImages(expected, EepromImage()).first.at(0).actual, std::nullopt);
  // The lines holding a covered byte: one byte at each end of a line, and a run across two.
  EepromImage sparse;
  for (const char* text : {"001F:01", "0100:02", "7FF8:0102030405060708"}) {
    sparse.Place(*ParseImageRecord(text));
  }
  EXPECT_EQ(sparse.CoveredLines(), (std::vector<std::int32_t>{0x0010, 0x0100, 0x7FF0}));
  EXPECT_EQ(expected.CoveredLines(), (std::vector<std::int32_t>{0x0100, 0x0110}));
}

}  // namespace
}  // namespace tessimor
