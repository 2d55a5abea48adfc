#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/pty_server.h"

namespace tessimor {

struct SimAdapter {
  std::string image_path;  // empty: memory starts erased and is not kept
  PtyFaults faults;
};

struct SimOptions {
  std::vector<SimAdapter> adapters;  // each served on a pty of its own
  bool once = false;  // end when each adapter's first program that opened its port closes it
  bool help = false;
  bool version = false;
};

// The arguments after the program name; nullopt with `error` set when they make no sense.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string* error);

extern const char kSimUsage[];

}  // namespace tessimor
