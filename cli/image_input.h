#pragma once

#include <istream>
#include <string>
#include <string_view>

#include "engine/image_formats.h"

namespace tessimor::cli {

// The FILE that stands for standard input or output.
inline constexpr std::string_view kStandardStream = "-";

// "-" reads the text image from `in`, any other name the file in its format.
ImageInput LoadImageInput(const std::string& path, std::istream& in);

}  // namespace tessimor::cli
