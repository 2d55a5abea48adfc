#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session/pace.h"

namespace tessimor::cli {

enum class Command { None, Read, Write, Fill, Verify, Convert, Ports };

struct Options {
  Command command = Command::None;
  std::string file;
  std::string output;  // convert's second FILE
  bool verify = false;
  std::string port;
  std::optional<Pace> pace;  // nullopt: the command's own default
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// `error` is empty when the arguments make sense.
struct ParsedArguments {
  Options options;
  std::string error;
};

// Options may stand before or after the command; "--" ends them.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments);

// Reads change nothing on the adapter and go as fast as it answers; writes keep the pace its
// write cycle is known to keep up with.
Pace DefaultPace(Command command);
std::string CommandName(Command command);
std::string UsageText();

}  // namespace tessimor::cli
