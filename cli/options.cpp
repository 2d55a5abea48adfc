#include "cli/options.h"

#include <array>
#include <utility>

#include "platform/arguments.h"
#include "production/qt/recipe.h"

namespace tessimor::cli {

namespace {

struct CommandInfo {
  const char* name;
  Command command;
  std::size_t files;
  bool may_verify;
};

constexpr std::array<CommandInfo, 10> kCommands{{
    {"read", Command::Read, 1, false},
    {"write", Command::Write, 1, true},
    {"fill", Command::Fill, 0, true},
    {"verify", Command::Verify, 1, false},
    {"convert", Command::Convert, 2, false},
    {"ports", Command::Ports, 0, false},
    {"program", Command::Program, 1, false},
    {"report", Command::Report, 0, false},
    {"db init", Command::DbInit, 1, false},
    {"db recover", Command::DbRecover, 1, false},
}};
// The word before a command's own: "db init".
constexpr char kDbWord[] = "db";

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
constexpr char kAllOption[] = "--all";
constexpr char kSerialOption[] = "--serial";
constexpr char kSerialStartOption[] = "--serial-start";
constexpr char kSerialStepOption[] = "--serial-step";
constexpr char kSerialsOption[] = "--serials";
constexpr char kCrcOption[] = "--crc";
constexpr char kDbOption[] = "--db";
constexpr char kOnFailOption[] = "--on-fail";
constexpr char kKeepExistingOption[] = "--keep-existing";
constexpr char kNewSeriesOption[] = "--new-series";
constexpr char kCsvOption[] = "--csv";
constexpr char kRecipeOption[] = "--recipe";
constexpr char kSaveRecipeOption[] = "--save-recipe";
constexpr char kStationOption[] = "--station";

const std::vector<OptionRule> kOptionRules = {
    {kPortOption, "", true},       {kPaceOption, "", true},    {kVerifyOption, "", false},
    {kQuietOption, "-q", false},   {kHelpOption, "-h", false}, {kVersionOption, "", false},
    {kAllOption, "", false},       {kSerialOption, "", true},  {kSerialStartOption, "", true},
    {kSerialStepOption, "", true}, {kSerialsOption, "", true}, {kCrcOption, "", true},
    {kDbOption, "", true},         {kOnFailOption, "", true},  {kKeepExistingOption, "", false},
    {kNewSeriesOption, "", false}, {kCsvOption, "", true},     {kRecipeOption, "", true},
    {kSaveRecipeOption, "", true}, {kStationOption, "", true},
};

// The options only `program` takes, and those only `report` takes besides --db.
const std::vector<const char*> kProgramOnly = {
    kAllOption,       kSerialOption, kSerialStartOption, kSerialStepOption,
    kSerialsOption,   kCrcOption,    kOnFailOption,      kKeepExistingOption,
    kNewSeriesOption, kRecipeOption, kSaveRecipeOption};
const std::vector<const char*> kReportOnly = {kCsvOption};

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments) {
  ParsedArguments parsed;
  Options& options = parsed.options;
  auto fail = [&parsed](std::string error) {
    parsed.error = std::move(error);
    return parsed;
  };

  const ParsedCommandLine line = ParseCommandLine(arguments, kOptionRules);
  if (!line.error.empty()) return fail(line.error);
  for (const GivenOption& given : line.options) {
    if (given.name == kPortOption) {
      if (given.value.empty()) return fail("--port needs a device path");
      options.port = given.value;
      options.ports.push_back(given.value);
    } else if (given.name == kCrcOption) {
      options.crcs.push_back(given.value);
    }
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
  options.all = line.Has(kAllOption);
  options.serial = line.Value(kSerialOption);
  options.serial_start = line.Value(kSerialStartOption);
  options.serial_step = line.Value(kSerialStepOption);
  options.serials = line.Value(kSerialsOption);
  options.db = line.Value(kDbOption);
  options.on_fail = line.Value(kOnFailOption);
  options.keep_existing = line.Has(kKeepExistingOption);
  options.new_series = line.Has(kNewSeriesOption);
  options.csv = line.Value(kCsvOption);
  options.recipe = line.Value(kRecipeOption);
  options.save_recipe = line.Value(kSaveRecipeOption);
  options.station = line.Value(kStationOption);
  std::vector<std::string> words = line.words;
  // "db init URL" is one command of two words.
  if (words.size() >= 2 && words[0] == kDbWord) {
    words[0] += ' ' + words[1];
    words.erase(words.begin() + 1);
  }

  if (options.help || options.version) return parsed;
  if (words.empty()) return fail("no command given");
  const CommandInfo* info = nullptr;
  for (const CommandInfo& candidate : kCommands) {
    if (words.front() == candidate.name) info = &candidate;
  }
  if (!info) return fail("unknown command " + words.front());
  options.command = info->command;
  const std::size_t expected_words = info->files + 1;
  // A recipe may name program's image.
  const bool file_optional = info->command == Command::Program && !options.recipe.empty();
  if (words.size() + (file_optional ? 1 : 0) < expected_words) {
    const bool on_record = info->command == Command::DbInit || info->command == Command::DbRecover;
    return fail(std::string(info->name) + (info->files > 1 ? " needs IN and OUT"
                                           : on_record     ? " needs the record's URL or PATH"
                                                           : " needs a FILE"));
  }
  if (words.size() > expected_words) return fail("unexpected argument " + words[expected_words]);
  const bool on_record = info->command == Command::DbInit || info->command == Command::DbRecover;
  if (info->files > 0 && words.size() > 1) (on_record ? options.db : options.file) = words[1];
  if (info->files > 1) options.output = words[2];
  if (options.verify && !info->may_verify) {
    return fail(std::string("--verify does not go with ") + info->name);
  }
  const auto refuse_others = [&](const std::vector<const char*>& names, Command owner) {
    for (const char* name : names) {
      if (options.command != owner && line.Has(name)) {
        return std::string(name) + " does not go with " + info->name;
      }
    }
    return std::string();
  };
  for (const std::string& error : {refuse_others(kProgramOnly, Command::Program),
                                   refuse_others(kReportOnly, Command::Report)}) {
    if (!error.empty()) return fail(error);
  }
  if (line.Has(kDbOption) && options.command != Command::Program &&
      options.command != Command::Report) {
    return fail(std::string("--db does not go with ") + info->name);
  }
  if (line.Has(kStationOption) && options.command != Command::Program &&
      options.command != Command::DbRecover) {
    return fail(std::string("--station does not go with ") + info->name);
  }
  if (options.command == Command::Program && options.recipe.empty()) {
    if (std::string problem = ProgramOptionsProblem(options); !problem.empty()) {
      return fail(std::move(problem));
    }
  }
  return parsed;
}

std::string ProgramOptionsProblem(const Options& options) {
  if (options.all && !options.ports.empty()) return "--all and --port do not go together";
  if (options.save_recipe.empty() && !options.all && options.ports.empty()) {
    return "program needs --all or --port";
  }
  if (options.file.empty()) return "program needs a FILE";
  if (options.serial.empty()) return "program needs --serial ADDR:ENCODING";
  if (options.serials.empty() == options.serial_start.empty()) {
    return "program needs either --serial-start N or --serials FILE";
  }
  if (!options.serials.empty() && !options.serial_step.empty()) {
    return "--serial-step goes with --serial-start, not --serials";
  }
  if (!options.on_fail.empty() && options.on_fail != production::kOnFailVoid &&
      options.on_fail != production::kOnFailReuse) {
    return "--on-fail must be void or reuse, not " + options.on_fail;
  }
  return {};
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
         "  program FILE           production: FILE with a serial number into every adapter\n"
         "                         at once, each read back; a record keeps every number\n"
         "  report                 the production record: counts, numbers, parts per hour,\n"
         "                         and each station's counts\n"
         "  db init URL|PATH       make the record's tables; run again, it changes nothing\n"
         "  db recover URL|PATH    mark a killed station's reserved parts interrupted\n"
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
         "Production (program, report, db):\n"
         "  --all                     every adapter plugged in; or --port PATH, repeated\n"
         "  --serial ADDR:ENCODING    where the serial number goes: u8 u16le u16be u32le\n"
         "                            u32be u64le u64be, dec:WIDTH, hex:WIDTH, bytes:N\n"
         "  --serial-start N          the first number of a new series\n"
         "  --serial-step K           between numbers (default 1)\n"
         "  --serials FILE            the numbers from FILE instead, one a line, each once\n"
         "  --crc ADDR:ALGO:START-END a checksum of [START, END) at ADDR, after the serial;\n"
         "                            ALGO crc16 (CCITT-FALSE, big-endian) or crc32 (IEEE,\n"
         "                            little-endian); repeatable\n"
         "  --db PATH|URL             the record (default tessimor-production.db), or a\n"
         "                            line's on a server: postgresql://USER@HOST:PORT/DB,\n"
         "                            ?host=/FOLDER for a Unix socket; the password from\n"
         "                            PGPASSFILE or ~/.pgpass\n"
         "  --station NAME            program, db recover: this station (default: the host\n"
         "                            name)\n"
         "  --on-fail void|reuse      a failed part's number: never again (default) or next\n"
         "  --keep-existing           a part that holds a passed number keeps it (rework)\n"
         "  --new-series              start a new series for another image or layout\n"
         "  --csv FILE                report: every part as CSV, - for standard output\n"
         "  --recipe FILE             program: the set-up from FILE, a JSON recipe; options\n"
         "                            given beside it win, and its image may stand for FILE\n"
         "  --save-recipe FILE        program: write the set-up the options make to FILE and\n"
         "                            touch no adapter and no record\n"
         "\n"
         "Exit status: 0 done (program: every part passed), 1 failed on the way (program:\n"
         "a part failed), 2 bad use, bad file or field (nothing sent), 3 adapter not found\n"
         "or its port would not open, 130 interrupted.\n";
}

}  // namespace tessimor::cli
