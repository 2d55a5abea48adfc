#include "cli/image_formats.h"

#include <iterator>

#include "cli/file_bytes.h"
#include "engine/image_files.h"
#include "link/messages.h"

namespace tessimor::cli {

namespace {

constexpr std::string_view kBinarySuffix = ".bin";
constexpr std::string_view kStandardStream = "-";

ImageInput Refuse(std::string message) {
  ImageInput input;
  input.error = std::move(message);
  return input;
}

std::string LineText(int number, const std::string& shown) {
  return "Line " + std::to_string(number) + " of file " + shown;
}

ImageInput ReadText(std::string contents, const std::string& shown) {
  ImageFiles files;
  const ImageFiles::Handle handle = files.OpenText(std::move(contents));
  ImageInput input;
  int number = 0;
  while (!files.AtEnd(handle)) {
    const std::string line = files.ReadLine(handle);
    ++number;
    if (IsBlankLine(line)) continue;
    if (!HasColon(line)) return Refuse(NoColonMessage(number, shown));
    auto record = ParseImageRecord(line);
    if (!record) {
      return Refuse(LineText(number, shown) + " is not a hex address, a colon and hex pairs.");
    }
    if (!input.image.Place(std::move(*record))) {
      return Refuse(LineText(number, shown) + " lies outside 0000 to 7FFF.");
    }
  }
  if (input.image.Records().empty()) return Refuse("File " + shown + " holds no records.");
  return input;
}

ImageInput ReadBinary(const std::string& bytes, const std::string& shown) {
  if (bytes.size() != EepromImage::kSize) {
    return Refuse("File " + shown + " holds " + std::to_string(bytes.size()) + " bytes, not " +
                  std::to_string(EepromImage::kSize) + ".");
  }
  ImageInput input;
  input.image = EepromImage::FromBytes({bytes.begin(), bytes.end()});
  return input;
}

}  // namespace

ImageFormat FormatOf(const std::string& path) {
  const bool binary =
      path.size() >= kBinarySuffix.size() &&
      path.compare(path.size() - kBinarySuffix.size(), kBinarySuffix.size(), kBinarySuffix) == 0;
  return binary ? ImageFormat::kBinary : ImageFormat::kText;
}

ImageInput ReadImage(ImageFormat format, std::string contents, const std::string& shown) {
  return format == ImageFormat::kBinary ? ReadBinary(contents, shown)
                                        : ReadText(std::move(contents), shown);
}

std::string WriteImage(ImageFormat format, const EepromImage& image) {
  if (format == ImageFormat::kBinary) {
    const std::vector<std::uint8_t> bytes = image.Bytes();
    return {bytes.begin(), bytes.end()};
  }
  std::string text;
  for (const ImageRecord& record : image.Records()) {
    text += record.text;
    text += ImageFiles::kLineEnd;
  }
  return text;
}

ImageInput LoadImageInput(const std::string& path, std::istream& in) {
  if (path == kStandardStream) {
    return ReadImage(ImageFormat::kText,
                     {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, path);
  }
  std::string contents;
  if (!ReadFileBytes(path, &contents)) {
    return Refuse(std::string(messages::kCouldNotOpenText) + path);
  }
  return ReadImage(FormatOf(path), std::move(contents), path);
}

}  // namespace tessimor::cli
