#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/kit/files.h"

namespace tessimor::fuzz {

// Aborts with the broken invariant named, so libFuzzer keeps the input as a crash.
inline void Require(bool ok, const char* invariant) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

// A directory of the process's own, removed at exit.
inline const std::string& ScratchDir() {
  static const testing::TempDir dir;
  return dir.path();
}

inline void WriteScratchFile(const std::string& path, const std::string& contents) {
  Require(testing::WriteWholeFile(path, contents), "scratch file can be written");
}

}  // namespace tessimor::fuzz
