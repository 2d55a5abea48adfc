#include "platform/file_problem.h"

#include <cctype>
#include <cerrno>
#include <cstring>
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

std::string FileProblemReason(const FileProblem& problem) {
  using enum FileProblem::Kind;
  switch (problem.kind) {
    case kNone:
      break;
    case kNoSuchFile:
      return "no such file";
    case kNoSuchFolder:
      return "no such folder";
    case kFolder:
      return "a folder";
    case kNotRegularFile:
      return "not a regular file";
    case kPermissionDenied:
      return "permission denied";
    case kOther: {
      // Mid-line, as the other reasons stand: "Read-only file system" reads "read-only ...".
      std::string reason = std::strerror(problem.error);
      if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(reason[0]));
      return reason;
    }
  }
  return {};
}

}  // namespace tessimor
