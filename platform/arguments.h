#pragma once

#include <string>
#include <vector>

namespace tessimor {

// An option a program takes, under its long name ("--port") and perhaps a short one ("-q").
struct OptionRule {
  std::string name;
  std::string alias;
  bool takes_value = false;
};

enum class ArgumentFault { kNone, kUnknownOption, kNeedsValue, kTakesNoValue };

struct GivenOption {
  std::string name;   // the rule's name, whichever of its names was used
  std::string value;  // empty for a flag
};

struct ParsedCommandLine {
  // In the order given, so a program can let one option govern those after it.
  std::vector<GivenOption> options;
  std::vector<std::string> words;
  // The first argument that fit no rule, as given, and the fault worded; empty when all fit.
  // The arguments after it are still parsed, so --help is heard even beside a wrong one.
  ArgumentFault fault = ArgumentFault::kNone;
  std::string culprit;
  std::string error;

  bool Has(const std::string& name) const;
  // The last one given wins; empty when none was.
  std::string Value(const std::string& name) const;
};

// Options may stand before or after words; "--" ends them; a lone "-" is a word, as it names
// standard input or output; "--name=value" and "--name value" both give a value.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                                   const std::vector<OptionRule>& rules);

}  // namespace tessimor
