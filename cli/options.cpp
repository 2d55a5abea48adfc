#include "cli/options.h"

#include <array>
#include <utility>

#include "platform/arguments.h"

namespace tessimor::cli {

namespace {

struct CommandInfo {
  const char* name;
  Command command;
  std::size_t files;
  bool may_verify;
};

constexpr std::array<CommandInfo, 6> kCommands{{
    {"read", Command::Read, 1, false},
    {"write", Command::Write, 1, true},
    {"fill", Command::Fill, 0, true},
    {"verify", Command::Verify, 1, false},
    {"convert", Command::Convert, 2, false},
    {"ports", Command::Ports, 0, false},
}};

const CommandInfo* FindCommand(Command command) {
  for (const CommandInfo& info : kCommands) {
    if (info.command == command) return &info;
  }
  return nullptr;
}

std::optional<Pace> PaceNamed(const std::string& name) {
  if (name == "tick") return Pace::Tick;
  if (name == "reply") return Pace::Reply;
  return std::nullopt;
}

constexpr char kPortOption[] = "--port";
constexpr char kPaceOption[] = "--pace";
constexpr char kVerifyOption[] = "--verify";
constexpr char kQuietOption[] = "--quiet";
constexpr char kHelpOption[] = "--help";
constexpr char kVersionOption[] = "--version";

const std::vector<OptionSpec> kOptionSpecs = {
    {kPortOption, "", true},     {kPaceOption, "", true},    {kVerifyOption, "", false},
    {kQuietOption, "-q", false}, {kHelpOption, "-h", false}, {kVersionOption, "", false},
};

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments) {
  ParsedArguments parsed;
  Options& options = parsed.options;
  auto fail = [&parsed](std::string error) {
    parsed.error = std::move(error);
    return parsed;
  };

  const ParsedCommandLine line = ParseCommandLine(arguments, kOptionSpecs);
  if (!line.error.empty()) return fail(line.error);
  if (line.Has(kPortOption)) {
    options.port = line.Value(kPortOption);
    if (options.port.empty()) return fail("--port needs a device path");
  }
  if (line.Has(kPaceOption)) {
    const std::string pace = line.Value(kPaceOption);
    options.pace = PaceNamed(pace);
    if (!options.pace) return fail("--pace must be tick or reply, not " + pace);
  }
  options.verify = line.Has(kVerifyOption);
  options.quiet = line.Has(kQuietOption);
  options.help = line.Has(kHelpOption);
  options.version = line.Has(kVersionOption);
  const std::vector<std::string>& words = line.words;

  if (options.help || options.version) return parsed;
  if (words.empty()) return fail("no command given");
  const CommandInfo* info = nullptr;
  for (const CommandInfo& candidate : kCommands) {
    if (words.front() == candidate.name) info = &candidate;
  }
  if (!info) return fail("unknown command " + words.front());
  options.command = info->command;
  const std::size_t expected_words = info->files + 1;
  if (words.size() < expected_words) {
    return fail(std::string(info->name) +
                (info->files > 1 ? " needs IN and OUT" : " needs a FILE"));
  }
  if (words.size() > expected_words) return fail("unexpected argument " + words[expected_words]);
  if (info->files > 0) options.file = words[1];
  if (info->files > 1) options.output = words[2];
  if (options.verify && !info->may_verify) {
    return fail(std::string("--verify does not go with ") + info->name);
  }
  return parsed;
}

Pace DefaultPace(Command command) {
  return command == Command::Read || command == Command::Verify ? Pace::Reply : Pace::Tick;
}

std::string CommandName(Command command) {
  const CommandInfo* info = FindCommand(command);
  return info ? info->name : "";
}

std::string UsageText() {
  return "Usage: tessimor-eeprom-cli COMMAND [FILE] [OPTIONS]\n"
         "\n"
         "Commands:\n"
         "  read FILE              EEPROM -> image file\n"
         "  write FILE [--verify]  image file -> EEPROM, --verify reads it back and compares\n"
         "  fill [--verify]        every byte 0xFF\n"
         "  verify FILE            compare the EEPROM with the image file\n"
         "  convert IN OUT         image file -> image file in another format; no adapter\n"
         "  ports                  the serial ports, the adapter's marked with *\n"
         "\n"
         "The format is told by FILE's name, in either case:\n"
         "  .bin                   the raw 32768 bytes\n"
         "  .hex .ihex .eep        Intel HEX\n"
         "  .srec .s19 .s28 .s37 .mot  Motorola S-records\n"
         "  any other name         the text image, as the window saves it\n"
         "A HEX or S-record file may cover part of the EEPROM: write sends only what it\n"
         "covers, verify compares only that; a .bin made from it has 0xFF elsewhere.\n"
         "- as FILE is standard input or output, in the text image.\n"
         "\n"
         "Options:\n"
         "  --port PATH        use this device, skip the search for the adapter\n"
         "  --pace tick|reply  tick: 10 ms polling as the window does; reply: next command\n"
         "                     as soon as the reply is in (default: reply for read and\n"
         "                     verify, tick for write and fill)\n"
         "  --quiet            no progress and no summary\n"
         "  --help, --version\n"
         "\n"
         "Exit status: 0 done, 1 failed on the way, 2 bad use or bad file (nothing sent),\n"
         "3 adapter not found or its port would not open, 130 interrupted.\n";
}

}  // namespace tessimor::cli
