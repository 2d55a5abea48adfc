#include "sim/memory_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/scratch_file.h"

namespace tessimor {

namespace {

bool ReadAll(int fd, std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

ImageLoad LoadMemoryImage(const std::string& path, AdapterSimulator::Memory& memory) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ImageLoad::kMissing : ImageLoad::kUnreadable;
  struct stat info {};
  ImageLoad result = ImageLoad::kUnreadable;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    if (static_cast<std::size_t>(info.st_size) != memory.size()) {
      result = ImageLoad::kWrongSize;
    } else {
      AdapterSimulator::Memory loaded;
      if (ReadAll(fd, loaded.data(), loaded.size())) {
        memory = loaded;
        result = ImageLoad::kLoaded;
      }
    }
  }
  ::close(fd);
  return result;
}

bool SaveMemoryImage(const std::string& path, const AdapterSimulator::Memory& memory) {
  ScratchFile scratch = ScratchFile::Beside(path);
  if (!scratch.Valid()) return false;
  const int fd = ::open(scratch.path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, memory.data(), memory.size());
  return ::close(fd) == 0 && written && scratch.Replace();
}

}  // namespace tessimor
