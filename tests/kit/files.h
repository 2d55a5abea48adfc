#pragma once

#include <set>
#include <string>

namespace tessimor::testing {

// A fresh directory removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // The names of what it holds, so a scratch file left behind shows.
  std::set<std::string> Names() const;

 private:
  std::string path_;
};

std::string ReadWholeFile(const std::string& path);
// False when the file could not be written whole.
bool WriteWholeFile(const std::string& path, const std::string& contents);

}  // namespace tessimor::testing
