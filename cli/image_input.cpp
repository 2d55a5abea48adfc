#include "cli/image_input.h"

#include <iterator>

#include "link/messages.h"
#include "platform/file_bytes.h"

namespace tessimor::cli {

ImageInput LoadImageInput(const std::string& path, std::istream& in) {
  if (path == kStandardStream) {
    return ReadImage(ImageFormat::kText,
                     {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, path);
  }
  std::string contents;
  if (const FileProblem problem = ReadFileBytes(path, &contents)) {
    ImageInput input;
    input.error =
        std::string(messages::kCouldNotOpenText) + path + '\n' + FileProblemLine(path, problem);
    return input;
  }
  return ReadImage(FormatOf(path), std::move(contents), path);
}

}  // namespace tessimor::cli
