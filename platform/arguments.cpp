#include "platform/arguments.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace tessimor {

namespace {

constexpr char kEndOfOptions[] = "--";

const OptionRule* FindRule(const std::vector<OptionRule>& rules, const std::string& name) {
  const auto found = std::find_if(rules.begin(), rules.end(), [&name](const OptionRule& rule) {
    return rule.name == name || rule.alias == name;
  });
  return found == rules.end() ? nullptr : &*found;
}

}  // namespace

bool ParsedCommandLine::Has(const std::string& name) const {
  return std::any_of(options.begin(), options.end(),
                     [&name](const GivenOption& option) { return option.name == name; });
}

std::string ParsedCommandLine::Value(const std::string& name) const {
  const auto last =
      std::find_if(options.rbegin(), options.rend(),
                   [&name](const GivenOption& option) { return option.name == name; });
  return last == options.rend() ? std::string() : last->value;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                                   const std::vector<OptionRule>& rules) {
  ParsedCommandLine parsed;
  const auto fault = [&parsed](ArgumentFault kind, const std::string& culprit, std::string error) {
    if (parsed.fault != ArgumentFault::kNone) return;
    parsed.fault = kind;
    parsed.culprit = culprit;
    parsed.error = std::move(error);
  };
  bool options_ended = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      parsed.words.push_back(argument);
      continue;
    }
    if (argument == kEndOfOptions) {
      options_ended = true;
      continue;
    }
    std::string name = argument;
    std::optional<std::string> value;
    if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    const OptionRule* rule = FindRule(rules, name);
    if (!rule) {
      fault(ArgumentFault::kUnknownOption, argument, "unknown option " + argument);
    } else if (rule->takes_value && !value && i + 1 >= arguments.size()) {
      fault(ArgumentFault::kNeedsValue, argument, name + " needs a value");
    } else if (!rule->takes_value && value) {
      fault(ArgumentFault::kTakesNoValue, argument, name + " takes no value");
    } else {
      if (rule->takes_value && !value) value = arguments[++i];
      parsed.options.push_back({rule->name, value.value_or("")});
    }
  }
  return parsed;
}

}  // namespace tessimor
