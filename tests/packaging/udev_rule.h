#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessimor::testing {

// One KEY{attr} OP "value" item of a udev rule.
struct RuleItem {
  std::string key;
  std::string attr;
  std::string op;
  std::string value;
  bool operator==(const RuleItem&) const = default;
};

// A rule line with its line number in the file; comments and blank lines are left out and
// backslash continuations joined.
struct RuleLine {
  int number = 0;
  std::string text;
};

std::vector<RuleLine> RuleLines(const std::string& contents);

// Items separated by ", ", each a known key with the operators udev allows for it. On failure
// `error` says what is wrong.
std::optional<std::vector<RuleItem>> ParseRuleLine(std::string_view line, std::string* error);

}  // namespace tessimor::testing
