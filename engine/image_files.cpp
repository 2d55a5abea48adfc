#include "engine/image_files.h"

#include <sys/stat.h>

namespace tessimor {

ImageFiles::~ImageFiles() {
  for (auto& [handle, open] : files_) std::fclose(open.file);
}

ImageFiles::Handle ImageFiles::Add(std::FILE* file, ScratchFile scratch,
                                   std::unique_ptr<std::string> text) {
  if (!file) return 0;
  Handle handle = last_;
  do {
    handle = handle >= INT16_MAX ? 1 : static_cast<Handle>(handle + 1);
  } while (files_.count(handle) != 0);
  files_[handle] = Open{file, std::move(scratch), std::move(text)};
  last_ = handle;
  return handle;
}

std::FILE* ImageFiles::Find(Handle handle) const {
  const auto it = files_.find(handle);
  return it == files_.end() ? nullptr : it->second.file;
}

ImageFiles::Handle ImageFiles::OpenForWriting(const std::string& path) {
  ScratchFile scratch = ScratchFile::Beside(path);
  if (!scratch.Valid()) return 0;
  std::FILE* file = std::fopen(scratch.path().c_str(), "wb");
  return Add(file, std::move(scratch));
}

ImageFiles::Handle ImageFiles::OpenForReading(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return 0;
  // A directory opens on Linux but has no lines to give.
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return 0;
  }
  return Add(file);
}

ImageFiles::Handle ImageFiles::OpenText(std::string text) {
  auto buffer = std::make_unique<std::string>(std::move(text));
  // glibc reads a buffer of no bytes as an empty file.
  std::FILE* file = fmemopen(buffer->data(), buffer->size(), "r");
  return Add(file, {}, std::move(buffer));
}

bool ImageFiles::WriteLine(Handle handle, std::string_view text) {
  std::FILE* file = Find(handle);
  if (!file) return false;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) return false;
  if (std::fwrite(kLineEnd.data(), 1, kLineEnd.size(), file) != kLineEnd.size()) return false;
  return std::ferror(file) == 0;
}

std::string ImageFiles::ReadLine(Handle handle) {
  std::FILE* file = Find(handle);
  std::string line;
  if (!file) return line;
  int c;
  while ((c = std::getc(file)) != EOF) {
    if (c == '\n') break;
    if (c == '\r') {
      const int next = std::getc(file);
      if (next != '\n' && next != EOF) std::ungetc(next, file);
      break;
    }
    line += static_cast<char>(c);
  }
  return line;
}

bool ImageFiles::AtEnd(Handle handle) {
  std::FILE* file = Find(handle);
  if (!file) return true;
  const int c = std::getc(file);
  if (c == EOF) return true;
  std::ungetc(c, file);
  return false;
}

bool ImageFiles::Close(Handle handle) {
  const auto it = files_.find(handle);
  if (it == files_.end()) return false;
  Open& open = it->second;
  const bool ok = std::ferror(open.file) == 0;
  const bool closed = std::fclose(open.file) == 0;
  const bool replaced = !open.scratch.Valid() || (ok && closed && open.scratch.Replace());
  files_.erase(it);
  return ok && closed && replaced;
}

void ImageFiles::Discard(Handle handle) {
  const auto it = files_.find(handle);
  if (it == files_.end()) return;
  std::fclose(it->second.file);
  // The scratch file goes with the entry.
  files_.erase(it);
}

}  // namespace tessimor
