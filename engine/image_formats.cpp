#include "engine/image_formats.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "engine/image_files.h"
#include "engine/intel_hex.h"
#include "engine/record_lines.h"
#include "engine/srec.h"

namespace tessimor {

namespace {

struct Suffix {
  std::string_view text;
  ImageFormat format;
};

constexpr std::array<Suffix, 9> kSuffixes{{
    {".bin", ImageFormat::kBinary},
    {".hex", ImageFormat::kIntelHex},
    {".ihex", ImageFormat::kIntelHex},
    {".eep", ImageFormat::kIntelHex},
    {".srec", ImageFormat::kSrec},
    {".s19", ImageFormat::kSrec},
    {".s28", ImageFormat::kSrec},
    {".s37", ImageFormat::kSrec},
    {".mot", ImageFormat::kSrec},
}};

bool EndsWith(const std::string& path, std::string_view suffix) {
  if (path.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), path.end() - suffix.size(), [](char a, char b) {
    return a == std::tolower(static_cast<unsigned char>(b));
  });
}

ImageInput ReadText(std::string contents, const std::string& shown) {
  RecordLines lines(std::move(contents), shown);
  ImageInput input;
  while (lines.Next()) {
    if (auto refusal = RefuseWithoutColon(lines.Line(), lines.Number(), shown)) {
      return lines.Refuse(std::move(*refusal));
    }
    auto record = ParseImageRecord(lines.Line());
    if (!record) return lines.RefuseLine(" is not a hex address, a colon and hex pairs.");
    if (!input.image.Place(std::move(*record))) {
      return lines.RefuseLine(" lies outside 0000 to 7FFF.");
    }
  }
  if (input.image.Records().empty()) return lines.RefuseFile(" holds no records.");
  return input;
}

ImageInput ReadBinary(const std::string& bytes, const std::string& shown) {
  ImageInput input;
  if (bytes.size() != EepromImage::kSize) {
    input.error = "File " + shown + " holds " + std::to_string(bytes.size()) + " bytes, not " +
                  std::to_string(EepromImage::kSize) + ".";
    return input;
  }
  input.image = EepromImage::FromBytes({bytes.begin(), bytes.end()});
  return input;
}

}  // namespace

ImageFormat FormatOf(const std::string& path) {
  for (const Suffix& suffix : kSuffixes) {
    if (EndsWith(path, suffix.text)) return suffix.format;
  }
  return ImageFormat::kText;
}

ImageInput ReadImage(ImageFormat format, std::string contents, const std::string& shown) {
  switch (format) {
    case ImageFormat::kBinary:
      return ReadBinary(contents, shown);
    case ImageFormat::kIntelHex:
      return ReadIntelHex(std::move(contents), shown);
    case ImageFormat::kSrec:
      return ReadSrec(std::move(contents), shown);
    case ImageFormat::kText:
      break;
  }
  return ReadText(std::move(contents), shown);
}

std::string WriteImage(ImageFormat format, const EepromImage& image) {
  switch (format) {
    case ImageFormat::kBinary: {
      const std::vector<std::uint8_t> bytes = image.Bytes();
      return {bytes.begin(), bytes.end()};
    }
    case ImageFormat::kIntelHex:
      return WriteIntelHex(image);
    case ImageFormat::kSrec:
      return WriteSrec(image);
    case ImageFormat::kText:
      break;
  }
  std::string text;
  for (const ImageRecord& record : image.Records()) {
    text += record.text;
    text += ImageFiles::kLineEnd;
  }
  return text;
}

}  // namespace tessimor
