#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/scratch_file.h"

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

  // Lines go to a scratch file beside `path`, which takes its place only on Close: until then
  // what was there stays. 0 when `path` cannot be replaced.
  Handle OpenForWriting(const std::string& path);
  // The file must exist; 0 on failure.
  Handle OpenForReading(const std::string& path);
  // Reads `text` as if it were a file's contents.
  Handle OpenText(std::string text);
  // False when the text could not be written.
  bool WriteLine(Handle handle, std::string_view text);
  std::string ReadLine(Handle handle);
  bool AtEnd(Handle handle);
  // False when the text could not be written out, or could not take the place of the file.
  bool Close(Handle handle);
  // Closes without keeping anything written: the file opened for writing stays as it was.
  void Discard(Handle handle);

  static constexpr std::string_view kLineEnd = "\r\n";

 private:
  struct Open {
    std::FILE* file = nullptr;
    ScratchFile scratch;                // only for writing
    std::unique_ptr<std::string> text;  // what an opened text reads from
  };

  Handle Add(std::FILE* file, ScratchFile scratch = {}, std::unique_ptr<std::string> text = {});
  std::FILE* Find(Handle handle) const;

  std::map<Handle, Open> files_;
  Handle last_ = 0;
};

}  // namespace tessimor
