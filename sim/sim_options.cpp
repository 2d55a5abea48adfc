#include "sim/sim_options.h"

#include <charconv>
#include <climits>

namespace tessimor {

const char kSimUsage[] =
    "Usage: tessimor-sim [options]\n"
    "Serves a simulated Tessimor adapter on a pseudo-terminal and prints its path first.\n"
    "Runs until interrupted (Ctrl-C, SIGTERM, SIGHUP), as a plugged-in adapter stays: programs\n"
    "may open and close the port in turn, each finding it as a port just opened.\n"
    "\n"
    "  --image FILE     keep the EEPROM in FILE (32768 bytes): loaded at start if it exists,\n"
    "                   saved at exit\n"
    "  --mute-after N   stop answering after N replies\n"
    "  --lf             send LF after each reply's CR\n"
    "  --split          send each reply in two parts a few milliseconds apart\n"
    "  --delay MS       answer each command MS milliseconds late\n"
    "  --unplug-after N close the port after N replies, as pulling the adapter out does, and end\n"
    "  --once           end when the first program that opened the port closes it\n"
    "  --help           show this text\n"
    "  --version        show the version\n";

namespace {

constexpr int kMaxDelayMs = 60000;

std::optional<int> ParseCount(const std::string& text, int max) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < 0 || value > max) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                          std::string* error) {
  SimOptions options;
  const auto fail = [error](const std::string& text) {
    if (error) *error = text;
    return std::nullopt;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--once") {
      options.once = true;
    } else if (arg == "--lf") {
      options.faults.lf = true;
    } else if (arg == "--split") {
      options.faults.split = true;
    } else if (arg == "--image" || arg == "--mute-after" || arg == "--delay" ||
               arg == "--unplug-after") {
      if (i + 1 >= args.size()) return fail(arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--image") {
        if (value.empty()) return fail("--image needs a file name");
        options.image_path = value;
        continue;
      }
      const auto number = ParseCount(value, arg == "--delay" ? kMaxDelayMs : INT_MAX);
      if (!number) return fail(arg + ": not a usable number: " + value);
      if (arg == "--delay") {
        options.faults.delay_ms = *number;
      } else if (arg == "--mute-after") {
        options.faults.mute_after = *number;
      } else {
        options.faults.unplug_after = *number;
      }
    } else {
      return fail("unknown option: " + arg);
    }
  }
  return options;
}

}  // namespace tessimor
