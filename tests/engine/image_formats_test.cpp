#include "engine/image_formats.h"

#include <gtest/gtest.h>

namespace tessimor {
namespace {

constexpr ImageFormat kHex = ImageFormat::kIntelHex, kSrec = ImageFormat::kSrec;

// What an image holds, as the window's text records.
std::string Records(const EepromImage& image) {
  std::string text;
  for (const ImageRecord& record : image.Records()) text += record.text + ";";
  return text;
}

TEST(ImageFormatsTest, ToolchainFilesAreCheckedRecordByRecordAndCutOnTheEepromsLines) {
  // A good first record, so the fault is told on line 2.
  const std::string hex = ":020000040000FA\n", srec = "S10500100102E7\n", line = "Line 2 of file f",
                    avr_hint =
                        "That is where the AVR toolchain puts the .eeprom section: add "
                        "--change-section-lma .eeprom=0 to the objcopy command to move it "
                        "to 0000.";
  const struct {
    ImageFormat format;
    std::string contents;
    std::string records_or_error;
  } cases[] = {
      // A segment base of 0x10, start addresses and a linear base of 0 ahead of data that
      // crosses the line at 0x20; lower case, blank lines, LF and CR LF ends.
      {kHex,
       ":020000020001FB\n\n:0400000300000100F8\r\n:03000e00aabbccbe\n:0400000500000100F6\n"
       ":03000E00AABBCCBE\n:00000001FF\n",
       "001E:AABB;0020:CC;"},
      {kHex, hex + ":02001E00AABB7C\n:00000001FF\n",
       line + " has checksum 7C where its bytes give 7B."},
      {kHex, hex + ":03001E00AABB7B\n:00000001FF\n",
       line + " holds 2 data bytes where its length says 3."},
      {kHex, hex + "020000040000FA\n", line + " does not start with a colon."},
      {kHex, hex + ":02001E00AABB7\n", line + " is not pairs of hex digits after its colon."},
      {kHex, hex + ":0200\n", line + " is too short for a record."},
      {kHex, hex + ":00000006FA\n", line + " has record type 06, which is none of 00 to 05."},
      {kHex, hex + ":0100000401FA\n", line + " is a type 04 record of 1 data bytes, not 2."},
      {kHex, hex + ":027FFF0001027D\n", line + " puts data at 8000, outside 0000 to 7FFF."},
      {kHex, ":020000040001F9\n:01001000559A\n",
       line + " puts data at 10010, outside 0000 to 7FFF."},
      // The AVR .eeprom section, 810000 to 817FFF, gets a word on how to move it; past it, not.
      {kHex, ":02000004008179\n:017FFF00552C\n",
       line + " puts data at 817FFF, outside 0000 to 7FFF.\n" + avr_hint},
      {kHex, ":02000004008179\n:01800000552A\n",
       line + " puts data at 818000, outside 0000 to 7FFF."},
      {kHex, ":01001000559A\n:01001000559A\n:010010005699\n",
       "Line 3 of file f puts 56 at 0010, where an earlier line put 55."},
      {kHex, ":00000001FF\n:01001000559A\n", line + " comes after the end record."},
      {kHex, ":01001000559A\n", "File f ends without an end record (type 01)."},
      {kHex, hex + ":00000001FF\n", "File f holds no data."},
      // Each data record type, the header and the count of data records; the same byte twice.
      {kSrec,
       "S0050000686929\nS10500100102E7\ns2060000110203e3\r\nS30700007FFE09086A\nS5030003F9\n"
       "S9030000FC\n",
       "0010:010203;7FFE:0908;"},
      {kSrec, "S0050000686929\nS804000000FB\n", "File f holds no data."},
      {kSrec, srec + "S70500000000FA\nS9030000FC\n",
       "Line 3 of file f comes after the end record."},
      {kSrec, srec + "S10500100102E8\n", line + " has checksum E8 where its bytes give E7."},
      {kSrec, srec + "S10600100102E7\n", line + " holds 5 bytes after its count, which says 6."},
      {kSrec, srec + "S4030000FC\n",
       line + " has record type S4, which is none of S0, S1, S2, S3, S5, S7, S8 or S9."},
      {kSrec, srec + "X10500100102E7\n", line + " does not start with S and a digit."},
      {kSrec, srec + "S1050010010G\n", line + " is not pairs of hex digits after its type."},
      {kSrec, srec + "S30300FC\n", line + " is too short for an S3 record."},
      {kSrec, srec + "S30700007FFF010277\n", line + " puts data at 8000, outside 0000 to 7FFF."},
      {kSrec, srec + "S306008100005523\n",
       line + " puts data at 810000, outside 0000 to 7FFF.\n" + avr_hint},
      {kSrec, srec + "S104001003E8\n", line + " puts 03 at 0010, where an earlier line put 01."},
      {kSrec, srec + "S5030002FA\n",
       line + " counts 2 data records where the file has 1 before it."},
      // A golden image with no start address: its count record, and no end record, ends it.
      {kSrec, "S0050000686929\nS106004011223353\nS1057FF0AABB26\nS5030002FA\n",
       "0040:112233;7FF0:AABB;"},
      {kSrec, "S106004011223353\nS1057FF0AABB26\nS5030003F9\n",
       "Line 3 of file f counts 3 data records where the file has 2 before it."},
      {kSrec, "S106004011223353\nS1057FF0AABB26\n",
       "File f ends without an end record (S7, S8 or S9)."},
      {kSrec, "S106004011223353\nS5030001FB\nS1057FF0AABB26\n",
       "File f ends without an end record (S7, S8 or S9)."},
  };
  for (const auto& c : cases) {
    const ImageInput input = ReadImage(c.format, c.contents, "f");
    EXPECT_EQ(input.error.empty() ? Records(input.image) : input.error, c.records_or_error)
        << c.contents;
  }
}

TEST(ImageFormatsTest, NamesTellTheFormatAndWritersGiveWhatTheToolchainsWrite) {
  const std::pair<ImageFormat, std::vector<const char*>> names[] = {
      {ImageFormat::kBinary, {"a.bin", "A.BIN"}},
      {kHex, {"a.hex", "a.ihex", "a.EEP"}},
      {kSrec, {"a.srec", "a.s19", "a.s28", "a.S37", "a.mot"}},
      {ImageFormat::kText, {"a.txt", "hex", "a.hex.txt"}}};
  for (const auto& [format, files] : names) {
    for (const char* name : files) EXPECT_EQ(FormatOf(name), format) << name;
  }

  EepromImage image;
  image.Place(*ParseImageRecord("001E:AABBCC"));
  EXPECT_EQ(WriteImage(kHex, image), ":02001E00AABB7B\r\n:01002000CC13\r\n:00000001FF\r\n");
  EXPECT_EQ(WriteImage(kSrec, image),
            "S0030000FC\r\nS105001EAABB77\r\nS1040020CC0F\r\nS9030000FC\r\n");
  EXPECT_EQ(WriteImage(ImageFormat::kText, image), "001E:AABBCC\r\n");
  const std::string raw = WriteImage(ImageFormat::kBinary, image);
  EXPECT_EQ(raw.substr(0x1C, 6), "\xFF\xFF\xAA\xBB\xCC\xFF");
  EXPECT_EQ(raw.size(), 32768u);
}

}  // namespace
}  // namespace tessimor
