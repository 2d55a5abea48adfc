#include "cli/file_bytes.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tessimor::cli {

bool ReadFileBytes(const std::string& path, std::string* contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path)) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *contents = buffer.str();
  return !in.bad();
}

bool WriteFileBytes(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace tessimor::cli
