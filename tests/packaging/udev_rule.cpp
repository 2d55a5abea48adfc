#include "tests/packaging/udev_rule.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace tessimor::testing {

namespace {

enum class Attr { kNone, kOptional, kRequired };

struct KeyRule {
  Attr attr;
  bool match;   // == and !=
  bool assign;  // = += -= :=
};

// The keys udev knows and what it accepts for each; a read-only key given "=" is the classic
// typo that silently makes a rule never apply.
const std::map<std::string, KeyRule, std::less<>>& Keys() {
  static const std::map<std::string, KeyRule, std::less<>> keys = {
      {"ACTION", {Attr::kNone, true, false}},       {"DEVPATH", {Attr::kNone, true, false}},
      {"KERNEL", {Attr::kNone, true, false}},       {"SUBSYSTEM", {Attr::kNone, true, false}},
      {"DRIVER", {Attr::kNone, true, false}},       {"KERNELS", {Attr::kNone, true, false}},
      {"SUBSYSTEMS", {Attr::kNone, true, false}},   {"DRIVERS", {Attr::kNone, true, false}},
      {"TAGS", {Attr::kNone, true, false}},         {"RESULT", {Attr::kNone, true, false}},
      {"ATTRS", {Attr::kRequired, true, false}},    {"CONST", {Attr::kRequired, true, false}},
      {"TEST", {Attr::kOptional, true, false}},     {"PROGRAM", {Attr::kNone, true, true}},
      {"NAME", {Attr::kNone, true, true}},          {"SYMLINK", {Attr::kNone, true, true}},
      {"OWNER", {Attr::kNone, true, true}},         {"GROUP", {Attr::kNone, true, true}},
      {"MODE", {Attr::kNone, true, true}},          {"TAG", {Attr::kNone, true, true}},
      {"ENV", {Attr::kRequired, true, true}},       {"ATTR", {Attr::kRequired, true, true}},
      {"SYSCTL", {Attr::kRequired, true, true}},    {"IMPORT", {Attr::kRequired, false, true}},
      {"RUN", {Attr::kOptional, false, true}},      {"OPTIONS", {Attr::kNone, false, true}},
      {"SECLABEL", {Attr::kRequired, false, true}}, {"LABEL", {Attr::kNone, false, true}},
      {"GOTO", {Attr::kNone, false, true}},
  };
  return keys;
}

bool IsKeyChar(char c) {
  return (c >= 'A' && c <= 'Z') || c == '_';
}

std::optional<std::vector<RuleItem>> Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return std::nullopt;
}

}  // namespace

std::vector<RuleLine> RuleLines(const std::string& contents) {
  std::vector<RuleLine> lines;
  std::istringstream in(contents);
  std::string line;
  std::string joined;
  int number = 0;
  int first = 0;
  while (std::getline(in, line)) {
    ++number;
    // Like udev, leading blanks go from every physical line, continued ones too.
    line.erase(0, std::min(line.size(), line.find_first_not_of(" \t")));
    if (joined.empty()) first = number;
    const bool continues = !line.empty() && line.back() == '\\';
    joined += continues ? line.substr(0, line.size() - 1) : line;
    if (continues) continue;
    if (!joined.empty() && joined.front() != '#') lines.push_back({first, joined});
    joined.clear();
  }
  return lines;
}

std::optional<std::vector<RuleItem>> ParseRuleLine(std::string_view line, std::string* error) {
  std::vector<RuleItem> items;
  std::size_t at = 0;
  while (true) {
    RuleItem item;
    const std::size_t key_start = at;
    while (at < line.size() && IsKeyChar(line[at])) ++at;
    item.key = line.substr(key_start, at - key_start);
    const auto known = Keys().find(item.key);
    if (known == Keys().end()) return Fail(error, "unknown key '" + item.key + "'");
    if (at < line.size() && line[at] == '{') {
      const std::size_t close = line.find('}', at);
      if (close == std::string_view::npos) return Fail(error, "unclosed { after " + item.key);
      item.attr = line.substr(at + 1, close - at - 1);
      at = close + 1;
    }
    const Attr attr = known->second.attr;
    if (item.attr.empty() && attr == Attr::kRequired) return Fail(error, item.key + " needs {}");
    if (!item.attr.empty() && attr == Attr::kNone) return Fail(error, item.key + " takes no {}");

    static const std::vector<std::string_view> kOps = {"==", "!=", "+=", "-=", ":=", "="};
    const auto op = std::find_if(kOps.begin(), kOps.end(), [&](std::string_view o) {
      return line.substr(at, o.size()) == o;
    });
    if (op == kOps.end()) return Fail(error, "no operator after " + item.key);
    item.op = *op;
    at += op->size();
    const bool is_match = item.op == "==" || item.op == "!=";
    if (is_match ? !known->second.match : !known->second.assign) {
      return Fail(error, item.key + " does not take " + item.op);
    }

    if (at >= line.size() || line[at] != '"') return Fail(error, item.key + " value not quoted");
    ++at;
    while (at < line.size() && line[at] != '"') {
      if (line[at] == '\\' && at + 1 < line.size()) ++at;
      item.value += line[at++];
    }
    if (at >= line.size()) return Fail(error, item.key + " value not closed");
    ++at;
    items.push_back(std::move(item));

    if (at == line.size()) return items;
    if (line.substr(at, 2) != ", " || at + 2 == line.size()) {
      return Fail(error, "items must be separated by \", \"");
    }
    at += 2;
  }
}

}  // namespace tessimor::testing
