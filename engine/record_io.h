#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/image_files.h"

namespace tessimor {

// Where a write takes its lines from: an image file, or an image held in memory.
class RecordSource {
 public:
  virtual ~RecordSource() = default;

  virtual bool AtEnd() = 0;
  virtual std::string ReadLine() = 0;
};

// Where a read keeps each reply's data: an image file, or an image held in memory.
class RecordSink {
 public:
  virtual ~RecordSink() = default;

  // The data of the reply to the read at `address`; false when it cannot be kept, and
  // Problem() then says why.
  virtual bool Put(std::int32_t address, std::string_view data) = 0;
  virtual std::string Problem() const = 0;
};

// One open image file, by its handle.
class FileRecords : public RecordSource, public RecordSink {
 public:
  FileRecords(ImageFiles& files, ImageFiles::Handle handle, std::string path)
      : files_(files), handle_(handle), path_(std::move(path)) {}

  bool AtEnd() override { return files_.AtEnd(handle_); }
  std::string ReadLine() override { return files_.ReadLine(handle_); }
  bool Put(std::int32_t, std::string_view data) override { return files_.WriteLine(handle_, data); }
  std::string Problem() const override;

 private:
  ImageFiles& files_;
  ImageFiles::Handle handle_;
  std::string path_;
};

// Lines held in memory, given out in order.
class LineList : public RecordSource {
 public:
  explicit LineList(std::vector<std::string> lines) : lines_(std::move(lines)) {}

  bool AtEnd() override { return next_ == lines_.size(); }
  std::string ReadLine() override { return AtEnd() ? std::string() : lines_[next_++]; }

 private:
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
};

// The refusal of the first line that is neither blank nor holds a colon, `name` naming the source
// in it; nullopt when there is none. `records` counts the lines that are not blank.
std::optional<std::string> FindLineWithoutColon(RecordSource& source, const std::string& name,
                                                int* records);

}  // namespace tessimor
