#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session/pace.h"

namespace tessimor::cli {

enum class Command {
  None,
  Read,
  Write,
  Fill,
  Verify,
  Convert,
  Ports,
  Program,
  Report,
  DbInit,
  DbRecover
};

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
  // program and report
  std::vector<std::string> ports;  // every --port given, in order
  bool all = false;
  std::string serial;
  std::string serial_start;
  std::string serial_step;
  std::string serials;
  std::vector<std::string> crcs;
  std::string db;       // --db, or db init's and db recover's URL
  std::string station;  // empty: the host's name
  std::string on_fail;
  bool keep_existing = false;
  bool new_series = false;
  std::string csv;
  std::string recipe;       // program's set-up from this file, under the options given
  std::string save_recipe;  // program writes its set-up here instead of running
};

// `error` is empty when the arguments make sense.
struct ParsedArguments {
  Options options;
  std::string error;
};

// Options may stand before or after the command; "--" ends them.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments);
// What program lacks or has at odds, worded by the options; empty when it can run. A recipe's
// values are checked by this once they are in.
std::string ProgramOptionsProblem(const Options& options);

// Reads change nothing on the adapter and go as fast as it answers; writes keep the pace its
// write cycle is known to keep up with.
Pace DefaultPace(Command command);
std::string CommandName(Command command);
std::string UsageText();

}  // namespace tessimor::cli
