#include "app/cli_image_input.h"

#include <iterator>

#include "app/cli_file_bytes.h"
#include "engine/image_files.h"
#include "engine/transfer_engine.h"
#include "link/protocol.h"

namespace tessimor::cli {

namespace {

constexpr std::string_view kBinarySuffix = ".bin";
constexpr std::string_view kStandardStream = "-";

ImageInput Refuse(std::string message, bool unreadable = false) {
  ImageInput input;
  input.error = std::move(message);
  input.unreadable = unreadable;
  return input;
}

std::string LineText(int number, const std::string& shown) {
  return "Line " + std::to_string(number) + " of file " + shown;
}

ImageInput FromScratchText(const std::string& text, const std::string& shown) {
  ScratchFile scratch = ScratchFile::InTempDir();
  if (!scratch.Valid() || !WriteFileBytes(scratch.path(), text)) {
    return Refuse(std::string(protocol::kCouldNotOpenText) + shown, true);
  }
  ImageInput input = CheckTextImage(scratch.path(), shown);
  input.scratch = std::move(scratch);
  return input;
}

ImageInput LoadBinary(const std::string& path) {
  std::string bytes;
  if (!ReadFileBytes(path, &bytes)) {
    return Refuse(std::string(protocol::kCouldNotOpenText) + path, true);
  }
  if (bytes.size() != EepromImage::kSize) {
    return Refuse("File " + path + " holds " + std::to_string(bytes.size()) + " bytes, not " +
                  std::to_string(EepromImage::kSize) + ".");
  }
  std::string text;
  for (const std::string& record :
       RecordsFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()))) {
    text += record;
    text += ImageFiles::kLineEnd;
  }
  return FromScratchText(text, path);
}

}  // namespace

std::size_t ImageInput::Bytes() const {
  std::size_t total = 0;
  for (const RecordStep& step : steps) total += step.bytes;
  return total;
}

bool IsBinaryName(const std::string& path) {
  return path.size() >= kBinarySuffix.size() &&
         path.compare(path.size() - kBinarySuffix.size(), kBinarySuffix.size(), kBinarySuffix) == 0;
}

ImageInput CheckTextImage(const std::string& path, const std::string& shown) {
  ImageFiles files;
  const ImageFiles::Handle handle = files.OpenForReading(path);
  if (handle == 0) return Refuse(std::string(protocol::kCouldNotOpenText) + shown, true);
  ImageInput input;
  input.engine_path = path;
  int number = 0;
  while (!files.AtEnd(handle)) {
    const std::string line = files.ReadLine(handle);
    ++number;
    if (IsBlankLine(line)) continue;
    if (line.find(':') == std::string::npos) return Refuse(NoColonMessage(number, shown));
    const auto record = ParseImageRecord(line);
    if (!record) {
      return Refuse(LineText(number, shown) + " is not a hex address, a colon and hex pairs.");
    }
    if (!input.image.Place(*record)) {
      return Refuse(LineText(number, shown) + " lies outside 0000 to 7FFF.");
    }
    input.steps.push_back(RecordStep{record->address, record->bytes.size()});
  }
  if (input.steps.empty()) return Refuse("File " + shown + " holds no records.");
  return input;
}

ImageInput LoadImageInput(const std::string& path, std::istream& in) {
  if (path == kStandardStream) {
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return FromScratchText(text, path);
  }
  if (IsBinaryName(path)) return LoadBinary(path);
  return CheckTextImage(path, path);
}

}  // namespace tessimor::cli
