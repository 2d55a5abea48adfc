#pragma once

#include <string>

#include "platform/file_problem.h"

namespace tessimor {

// A file of our own that is removed when the object goes, unless it has taken its target's
// place. Writers fill it by its path, close it, then Replace: until then the target is untouched.
class ScratchFile {
 public:
  // Beside the file `target` names, so a rename can put it there; a symbolic link is followed,
  // so its target is what gets replaced and the link stays. Invalid when `target` exists and is
  // no regular file, when it cannot be written, or when its folder cannot be.
  static ScratchFile Beside(const std::string& target);

  ScratchFile() = default;
  ScratchFile(ScratchFile&& other) noexcept;
  ScratchFile& operator=(ScratchFile&& other) noexcept;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();

  const std::string& path() const { return path_; }
  bool Valid() const { return !path_.empty(); }
  // Why Beside gave no file; none for a valid one.
  const FileProblem& Problem() const { return problem_; }
  // Flushes the data to disk, gives it the target's permissions (or the usual ones for a new
  // file), renames it over the target and flushes the folder. False leaves the target as it was.
  bool Replace();

 private:
  void Remove();

  std::string path_;
  std::string target_;
  FileProblem problem_;
};

}  // namespace tessimor
