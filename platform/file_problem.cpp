#include "platform/file_problem.h"

#include <cerrno>
#include <filesystem>

namespace tessimor {

FileProblem FileProblemFromErrno(const std::string& path, int error, bool creating) {
  namespace fs = std::filesystem;
  using enum FileProblem::Kind;
  switch (error) {
    case 0:
      return {};
    case ENOENT: {
      // The kernel says ENOENT for either; only the folder tells which.
      const fs::path folder = fs::path(path).parent_path();
      std::error_code ignored;
      const bool folder_there = folder.empty() || fs::is_directory(folder, ignored);
      return {creating || !folder_there ? kNoSuchFolder : kNoSuchFile, error};
    }
    case ENOTDIR:
      return {kNoSuchFolder, error};
    case EISDIR:
      return {kFolder, error};
    case EACCES:
    case EPERM:
      return {kPermissionDenied, error};
    default:
      return {kOther, error};
  }
}

}  // namespace tessimor
