#include "tests/packaging/udev_rule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "link/protocol.h"
#include "tests/support/temp_dir.h"

namespace tessimor {
namespace {

using testing::ParseRuleLine;
using testing::ReadWholeFile;
using testing::RuleItem;
using testing::RuleLines;

namespace fs = std::filesystem;

// 73-seat-late.rules turns the uaccess tag into an ACL; a rule sorted after it is too late.
constexpr int kSeatLateRulesNumber = 73;

fs::path RuleFile() {
  std::vector<fs::path> rules;
  for (const auto& entry : fs::directory_iterator(TESSIMOR_PACKAGING_DIR)) {
    if (entry.path().extension() == ".rules") rules.push_back(entry.path());
  }
  EXPECT_EQ(rules.size(), 1u);
  return rules.empty() ? fs::path() : rules.front();
}

// sysfs shows idVendor and idProduct in lower case; the discovery identity has them in upper.
std::string IdentityPart(std::string_view prefix) {
  const auto at = protocol::kAdapterPnpId.find(prefix) + prefix.size();
  std::string part(protocol::kAdapterPnpId.substr(at, 4));
  std::transform(part.begin(), part.end(), part.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return part;
}

TEST(UdevRuleTest, FileSortsBeforeTheSeatRules) {
  const std::string name = RuleFile().filename().string();
  ASSERT_GE(name.size(), 3u);
  ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(name[0])) &&
              std::isdigit(static_cast<unsigned char>(name[1])) && name[2] == '-')
      << name;
  EXPECT_LT(std::stoi(name.substr(0, 2)), kSeatLateRulesNumber) << name;
}

TEST(UdevRuleTest, EveryLineIsWellFormed) {
  const auto lines = RuleLines(ReadWholeFile(RuleFile().string()));
  EXPECT_FALSE(lines.empty());
  for (const auto& line : lines) {
    std::string error;
    EXPECT_TRUE(ParseRuleLine(line.text, &error)) << "line " << line.number << ": " << error;
  }
}

TEST(UdevRuleTest, TagsThePortAndKeepsModemManagerAway) {
  const std::string vendor = IdentityPart("VID_");
  const std::string product = IdentityPart("PID_");
  const RuleItem ignore{"ENV", "ID_MM_DEVICE_IGNORE", "=", "1"};
  struct Case {
    const char* what;
    std::vector<RuleItem> wanted;
  };
  const std::vector<Case> cases = {
      {"the serial port",
       {{"SUBSYSTEM", "", "==", "tty"},
        {"ATTRS", "idVendor", "==", vendor},
        {"ATTRS", "idProduct", "==", product},
        {"TAG", "", "+=", "uaccess"},
        ignore}},
      {"the USB device",
       {{"SUBSYSTEM", "", "==", "usb"},
        {"ENV", "DEVTYPE", "==", "usb_device"},
        {"ATTR", "idVendor", "==", vendor},
        {"ATTR", "idProduct", "==", product},
        ignore}},
  };
  const auto lines = RuleLines(ReadWholeFile(RuleFile().string()));
  for (const Case& c : cases) {
    const bool found = std::any_of(lines.begin(), lines.end(), [&](const auto& line) {
      const auto items = ParseRuleLine(line.text, nullptr);
      return items && std::all_of(c.wanted.begin(), c.wanted.end(), [&](const RuleItem& w) {
               return std::find(items->begin(), items->end(), w) != items->end();
             });
    });
    EXPECT_TRUE(found) << "no rule line for " << c.what;
  }
}

TEST(UdevRuleTest, ParserRejectsTheMistakesUdevWouldNotApply) {
  struct Case {
    const char* line;
    bool good;
  };
  const std::vector<Case> cases = {
      {R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="04d8", TAG+="uaccess")", true},
      {R"(KERNEL=="ttyACM[0-9]*", MODE="0660", GROUP="dialout")", true},
      {R"(ENV{ID_X}="a \"quoted\" value")", true},
      {R"(ATTRS{idVendor}="04d8")", false},           // assigns to a read-only key
      {R"(SUBSYSTEM="tty")", false},                  // same
      {R"(ENV="1")", false},                          // ENV needs a name
      {R"(SUBSYSTEM{x}=="tty")", false},              // SUBSYSTEM takes none
      {R"(SUBSYTEM=="tty")", false},                  // misspelt key
      {R"(SUBSYSTEM==tty)", false},                   // unquoted
      {R"(SUBSYSTEM=="tty)", false},                  // unclosed
      {R"(SUBSYSTEM=="tty" TAG+="uaccess")", false},  // no comma
      {R"(SUBSYSTEM=="tty", )", false},               // trailing separator
      {R"(ATTRS{idVendor=="04d8")", false},           // unclosed brace
      {R"(LABEL=="end")", false},                     // LABEL only assigns
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseRuleLine(c.line, nullptr).has_value(), c.good) << c.line;
  }
}

TEST(UdevRuleTest, LinesSkipCommentsAndJoinContinuations) {
  const auto lines = RuleLines("# note\n\nA==\"1\", \\\n  B==\"2\"\n  # indented note\nC==\"3\"\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].number, 3);
  EXPECT_EQ(lines[0].text, "A==\"1\", B==\"2\"");
  EXPECT_EQ(lines[1].number, 6);
  EXPECT_EQ(lines[1].text, "C==\"3\"");
}

}  // namespace
}  // namespace tessimor
