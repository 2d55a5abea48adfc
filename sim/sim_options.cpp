#include "sim/sim_options.h"

#include <charconv>
#include <climits>

#include "platform/arguments.h"

namespace tessimor {

const char kSimUsage[] =
    "Usage: tessimor-sim [options]\n"
    "Serves simulated Tessimor adapters, each on a pseudo-terminal of its own, and prints their\n"
    "paths first, one a line. Runs until interrupted (Ctrl-C, SIGTERM, SIGHUP), as a plugged-in\n"
    "adapter stays: programs may open and close a port in turn, each finding it as a port just\n"
    "opened.\n"
    "\n"
    "  --count N        serve N adapters, 1 to 64 (default 1)\n"
    "  --image FILE     keep the EEPROM in FILE (32768 bytes): loaded at start if it exists,\n"
    "                   saved at exit; %d in FILE is the adapter's number, needed when N > 1\n"
    "  --once           end when each port's first program closes it\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Faults, for every adapter, or for adapter K alone after --adapter K:\n"
    "  --adapter K      the faults that follow are adapter K's (1 to N)\n"
    "  --mute-after N   stop answering after N replies\n"
    "  --lf             send LF after each reply's CR\n"
    "  --split          send each reply in two parts a few milliseconds apart\n"
    "  --delay MS       answer each command MS milliseconds late\n"
    "  --unplug-after N close the port after N replies, as pulling the adapter out does; the\n"
    "                   program ends when no adapter is left\n";

namespace {

constexpr int kMaxDelayMs = 60000;
constexpr int kMaxAdapters = 64;
constexpr char kAdapterNumber[] = "%d";

constexpr char kHelpOption[] = "--help";
constexpr char kVersionOption[] = "--version";
constexpr char kOnceOption[] = "--once";
constexpr char kCountOption[] = "--count";
constexpr char kImageOption[] = "--image";
constexpr char kAdapterOption[] = "--adapter";

// A fault option without a number.
constexpr int kFlag = -1;

struct FaultOption {
  const char* name;
  int max;  // kFlag for a flag
  void (*set)(PtyFaults& faults, int number);
};

constexpr FaultOption kFaultOptions[] = {
    {"--mute-after", INT_MAX, [](PtyFaults& faults, int n) { faults.mute_after = n; }},
    {"--lf", kFlag, [](PtyFaults& faults, int) { faults.lf = true; }},
    {"--split", kFlag, [](PtyFaults& faults, int) { faults.split = true; }},
    {"--delay", kMaxDelayMs, [](PtyFaults& faults, int n) { faults.delay_ms = n; }},
    {"--unplug-after", INT_MAX, [](PtyFaults& faults, int n) { faults.unplug_after = n; }},
};

std::vector<OptionRule> OptionRules() {
  std::vector<OptionRule> rules = {
      {kHelpOption, "-h", false}, {kVersionOption, "", false}, {kOnceOption, "", false},
      {kCountOption, "", true},   {kImageOption, "", true},    {kAdapterOption, "", true},
  };
  for (const FaultOption& fault : kFaultOptions) {
    rules.push_back({fault.name, "", fault.max != kFlag});
  }
  return rules;
}

const FaultOption* FindFault(const std::string& name) {
  for (const FaultOption& fault : kFaultOptions) {
    if (name == fault.name) return &fault;
  }
  return nullptr;
}

std::optional<int> NumberIn(const std::string& text, int min, int max) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

std::string Between(const std::string& option, int max, const std::string& value) {
  return option + " must be 1 to " + std::to_string(max) + ", not " + value;
}

// Every %d in `pattern` becomes `number`.
std::string NumberedPath(std::string pattern, int number) {
  const std::string text = std::to_string(number);
  for (std::size_t at = pattern.find(kAdapterNumber); at != std::string::npos;
       at = pattern.find(kAdapterNumber, at + text.size())) {
    pattern.replace(at, sizeof kAdapterNumber - 1, text);
  }
  return pattern;
}

}  // namespace

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                          std::string* error) {
  const auto fail = [error](const std::string& text) {
    if (error) *error = text;
    return std::nullopt;
  };
  const ParsedCommandLine line = ParseCommandLine(args, OptionRules());
  if (line.fault == ArgumentFault::kUnknownOption) return fail("unknown option: " + line.culprit);
  if (!line.error.empty()) return fail(line.error);
  if (!line.words.empty()) return fail("unknown option: " + line.words.front());

  SimOptions options;
  options.help = line.Has(kHelpOption);
  options.version = line.Has(kVersionOption);
  options.once = line.Has(kOnceOption);
  const std::string count_text = line.Has(kCountOption) ? line.Value(kCountOption) : "1";
  const auto count = NumberIn(count_text, 1, kMaxAdapters);
  if (!count) return fail(Between(kCountOption, kMaxAdapters, count_text));
  options.adapters.resize(*count);

  if (line.Has(kImageOption)) {
    const std::string pattern = line.Value(kImageOption);
    if (pattern.empty()) return fail("--image needs a file name");
    if (*count > 1 && pattern.find(kAdapterNumber) == std::string::npos) {
      return fail("--image needs %d in FILE, the adapter's number, when --count is above 1");
    }
    for (int i = 0; i < *count; ++i) options.adapters[i].image_path = NumberedPath(pattern, i + 1);
  }

  // Fault options apply to every adapter until an --adapter picks one.
  auto first = options.adapters.begin(), last = options.adapters.end();
  for (const GivenOption& given : line.options) {
    if (given.name == kAdapterOption) {
      const auto number = NumberIn(given.value, 1, *count);
      if (!number) return fail(Between(kAdapterOption, *count, given.value));
      first = options.adapters.begin() + (*number - 1);
      last = first + 1;
      continue;
    }
    const FaultOption* fault = FindFault(given.name);
    if (!fault) continue;
    int number = 0;
    if (fault->max != kFlag) {
      const auto parsed = NumberIn(given.value, 0, fault->max);
      if (!parsed) return fail(given.name + ": not a usable number: " + given.value);
      number = *parsed;
    }
    for (auto adapter = first; adapter != last; ++adapter) fault->set(adapter->faults, number);
  }
  return options;
}

}  // namespace tessimor
