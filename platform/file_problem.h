#pragma once

#include <string>

namespace tessimor {

// Why a file could not be opened, in the few kinds a user can act on.
struct FileProblem {
  enum class Kind {
    kNone,
    kNoSuchFile,
    kNoSuchFolder,
    kFolder,
    kNotRegularFile,  // a device or a pipe where a file is to be replaced
    kPermissionDenied,
    kOther,  // `error` tells
  };
  Kind kind = Kind::kNone;
  int error = 0;  // the errno behind it

  explicit operator bool() const { return kind != Kind::kNone; }
};

// What the errno `error` of a failed open of `path` means. A missing `path` is told apart from
// a missing folder on its way; `creating` says the file itself was not expected to exist.
FileProblem FileProblemFromErrno(const std::string& path, int error, bool creating = false);

// The problem in a few words that stand mid-line: "no such file", "permission denied", or the
// system's own in lower case.
std::string FileProblemReason(const FileProblem& problem);

}  // namespace tessimor
