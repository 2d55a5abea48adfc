#include "platform/file_bytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace tessimor {

FileProblem ReadFileBytes(const std::string& path, std::string* contents) {
  // Read by hand, so a failure's errno is the system's own; a folder opens, then its read fails
  // with EISDIR.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileProblemFromErrno(path, errno);
  contents->clear();
  char buffer[65536];
  ssize_t got;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
    if (got > 0) contents->append(buffer, static_cast<std::size_t>(got));
  }
  const int error = got < 0 ? errno : 0;
  ::close(fd);
  return FileProblemFromErrno(path, error);
}

bool WriteFileBytes(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  out.flush();
  return static_cast<bool>(out);
}

std::string FileProblemLine(const std::string& path, const FileProblem& problem) {
  if (!problem) return {};
  return path + ": " + FileProblemReason(problem) + ".";
}

}  // namespace tessimor
