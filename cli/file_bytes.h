#pragma once

#include <string>

namespace tessimor::cli {

// Whole-file helpers; false when the file could not be read or written completely.
bool ReadFileBytes(const std::string& path, std::string* contents);
bool WriteFileBytes(const std::string& path, const std::string& contents);

}  // namespace tessimor::cli
