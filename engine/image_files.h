#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>

namespace tessimor {

// Sequential text files for EEPROM images. Lines are written with CR LF; CR LF, a lone LF or a
// lone CR end a line on reading, and a last line without an end still counts.
class ImageFiles {
 public:
  using Handle = std::int16_t;  // 0 names no file

  ImageFiles() = default;
  ImageFiles(const ImageFiles&) = delete;
  ImageFiles& operator=(const ImageFiles&) = delete;
  ~ImageFiles();

  // Creates the file or empties an existing one; 0 on failure.
  Handle OpenForWriting(const std::string& path);
  // The file must exist; 0 on failure.
  Handle OpenForReading(const std::string& path);
  // False when the text could not be written.
  bool WriteLine(Handle handle, std::string_view text);
  std::string ReadLine(Handle handle);
  bool AtEnd(Handle handle);
  // False when buffered text could not be written out.
  bool Close(Handle handle);

  static constexpr std::string_view kLineEnd = "\r\n";

 private:
  Handle Add(std::FILE* file);
  std::FILE* Find(Handle handle) const;

  std::map<Handle, std::FILE*> files_;
  Handle last_ = 0;
};

}  // namespace tessimor
