#include "app/cli_scratch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tessimor::cli {

namespace {

constexpr mode_t kNewFileMode = 0666;

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

ScratchFile ScratchFile::Make(std::string pattern) {
  ScratchFile file;
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return file;
  ::close(fd);
  file.path_ = pattern;
  return file;
}

ScratchFile ScratchFile::Beside(const std::string& target) {
  const std::filesystem::path path(target);
  const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
  // Built piece by piece: GCC 12 warns falsely on "." + std::string.
  std::string name(1, '.');
  name += path.filename().string();
  name += ".part-XXXXXX";
  return Make((dir / name).string());
}

ScratchFile ScratchFile::InTempDir() {
  return Make((std::filesystem::temp_directory_path() / "tessimor-cli-XXXXXX").string());
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
  if (this != &other) {
    if (!path_.empty()) std::remove(path_.c_str());
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

ScratchFile::~ScratchFile() {
  if (!path_.empty()) std::remove(path_.c_str());
}

bool ScratchFile::Replace(const std::string& target) {
  if (path_.empty()) return false;
  struct stat existing {};
  const mode_t mode = ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777)
                                                             : (kNewFileMode & ~CurrentUmask());
  ::chmod(path_.c_str(), mode);
  if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
  path_.clear();
  return true;
}

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
