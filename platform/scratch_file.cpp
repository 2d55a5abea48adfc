#include "platform/scratch_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace tessimor {

namespace {

namespace fs = std::filesystem;

constexpr mode_t kNewFileMode = 0666;
// As the kernel's own limit on links in a row.
constexpr int kMaxLinkHops = 40;

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// The path a chain of symbolic links ends at, whether or not a file is there yet.
fs::path FollowLinks(fs::path path) {
  std::error_code error;
  for (int hop = 0; hop < kMaxLinkHops && fs::is_symlink(path, error); ++hop) {
    const fs::path next = fs::read_symlink(path, error);
    if (error) break;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return path;
}

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

bool SyncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  return ::close(fd) == 0 && synced;
}

// Creates a fresh file from a mkstemp pattern; its path, or empty (errno says why) when none
// could be made.
std::string MakeFile(std::string pattern) {
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return {};
  ::close(fd);
  return pattern;
}

}  // namespace

ScratchFile ScratchFile::Beside(const std::string& target) {
  ScratchFile file;
  const fs::path final_path = FollowLinks(target);
  struct stat existing {};
  if (::stat(final_path.c_str(), &existing) == 0) {
    // Never rename over a folder or a device, and never take over a file we may not write.
    using enum FileProblem::Kind;
    if (S_ISDIR(existing.st_mode)) {
      file.problem_ = FileProblemFromErrno(final_path.string(), EISDIR);
    } else if (!S_ISREG(existing.st_mode)) {
      file.problem_ = {kNotRegularFile, 0};
    } else if (::access(final_path.c_str(), W_OK) != 0) {
      file.problem_ = FileProblemFromErrno(final_path.string(), errno);
    }
    if (file.problem_) return file;
  }
  const fs::path dir = FolderOf(final_path);
  // Built piece by piece: GCC 12 warns falsely on "." + std::string.
  std::string name(1, '.');
  name += final_path.filename().string();
  name += ".part-XXXXXX";
  file.path_ = MakeFile((dir / name).string());
  if (file.Valid()) {
    file.target_ = final_path.string();
  } else {
    file.problem_ = FileProblemFromErrno(final_path.string(), errno, /*creating=*/true);
  }
  return file;
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept
    : path_(std::move(other.path_)), target_(std::move(other.target_)), problem_(other.problem_) {
  other.path_.clear();
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::move(other.path_);
    target_ = std::move(other.target_);
    problem_ = other.problem_;
    other.path_.clear();
  }
  return *this;
}

ScratchFile::~ScratchFile() {
  Remove();
}

void ScratchFile::Remove() {
  if (!path_.empty()) std::remove(path_.c_str());
  path_.clear();
}

bool ScratchFile::Replace() {
  if (path_.empty() || target_.empty()) return false;
  struct stat existing {};
  const mode_t mode = ::stat(target_.c_str(), &existing) == 0 ? (existing.st_mode & 07777)
                                                              : (kNewFileMode & ~CurrentUmask());
  // Data first, then the name: a crash leaves either the old file or the whole new one.
  if (::chmod(path_.c_str(), mode) != 0 || !SyncPath(path_, O_RDONLY) ||
      std::rename(path_.c_str(), target_.c_str()) != 0) {
    return false;
  }
  path_.clear();
  // The rename is done; a folder that cannot be flushed only loses durability, not the file.
  SyncPath(FolderOf(target_).string(), O_RDONLY | O_DIRECTORY);
  return true;
}

}  // namespace tessimor
