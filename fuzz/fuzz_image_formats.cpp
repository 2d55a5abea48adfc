// Arbitrary bytes through the Intel HEX and S-record readers. What a reader takes must keep to
// the EEPROM and its 16-byte lines, and come back the same through either writer.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/image_formats.h"
#include "fuzz/require.h"

namespace tessimor::fuzz {
namespace {

bool SameBytes(const EepromImage& a, const EepromImage& b) {
  for (std::size_t address = 0; address < EepromImage::kSize; ++address) {
    if (a.Covers(address) != b.Covers(address)) return false;
    if (a.Covers(address) && a.At(address) != b.At(address)) return false;
  }
  return true;
}

void Check(ImageFormat format, const std::string& contents) {
  const ImageInput input = ReadImage(format, contents, "f");
  if (!input.error.empty()) {
    Require(input.error.rfind("Line ", 0) == 0 || input.error.rfind("File f ", 0) == 0,
            "a refusal names the line or the file");
    return;
  }
  const EepromImage& image = input.image;
  Require(!image.Records().empty(), "an image taken holds data");
  for (const ImageRecord& record : image.Records()) {
    Require(!record.bytes.empty() && record.bytes.size() <= 16, "1 to 16 bytes a record");
    Require(record.address / 16 == (record.address + record.bytes.size() - 1) / 16,
            "no record crosses a 16-byte line");
  }
  for (const ImageFormat out : {ImageFormat::kIntelHex, ImageFormat::kSrec}) {
    const ImageInput again = ReadImage(out, WriteImage(out, image), "again");
    Require(again.error.empty(), "what a writer gives reads back");
    Require(SameBytes(image, again.image), "written and read back, every byte is the same");
    Require(again.image.Records().size() == image.Records().size(), "the same records");
  }
}

}  // namespace
}  // namespace tessimor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string contents(reinterpret_cast<const char*>(data), size);
  tessimor::fuzz::Check(tessimor::ImageFormat::kIntelHex, contents);
  tessimor::fuzz::Check(tessimor::ImageFormat::kSrec, contents);
  return 0;
}
