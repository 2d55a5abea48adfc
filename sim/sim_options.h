#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/pty_server.h"

namespace tessimor {

struct SimOptions {
  std::string image_path;  // empty: memory starts erased and is not kept
  PtyFaults faults;
  bool once = false;  // end when the first program that opened the port closes it
  bool help = false;
  bool version = false;
};

// The arguments after the program name; nullopt with `error` set when they make no sense.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string* error);

extern const char kSimUsage[];

}  // namespace tessimor
