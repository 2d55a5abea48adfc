#pragma once

#include <string>

namespace tessimor::cli {

// A file of our own that is removed when the object goes, unless it has taken a target's place.
class ScratchFile {
 public:
  // Beside `target`, so it can replace it by a rename; path() is empty when it cannot be made.
  static ScratchFile Beside(const std::string& target);
  static ScratchFile InTempDir();

  ScratchFile() = default;
  ScratchFile(ScratchFile&& other) noexcept;
  ScratchFile& operator=(ScratchFile&& other) noexcept;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();

  const std::string& path() const { return path_; }
  bool Valid() const { return !path_.empty(); }
  // Gives the file the target's permissions (or the usual ones for a new file) and renames it
  // over the target in one step.
  bool Replace(const std::string& target);

 private:
  static ScratchFile Make(std::string pattern);

  std::string path_;
};

// Whole-file helpers; false when the file could not be read or written completely.
bool ReadFileBytes(const std::string& path, std::string* contents);
bool WriteFileBytes(const std::string& path, const std::string& contents);

}  // namespace tessimor::cli
