#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "tests/support/temp_dir.h"

namespace tessimor {
namespace {

using testing::ReadWholeFile;

constexpr const char* kGroup = "[Desktop Entry]";

// Keys of the one group; a line that is neither comment nor Key=Value fails the test.
std::map<std::string, std::string> ReadEntry(const std::string& path) {
  std::map<std::string, std::string> entry;
  std::istringstream in(ReadWholeFile(path));
  std::string line;
  bool in_group = false;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    if (!in_group) {
      EXPECT_EQ(line, kGroup) << "line " << number << ": the group must come first";
      in_group = true;
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos || equals == 0 || line[equals - 1] == ' ') {
      ADD_FAILURE() << "line " << number << " is not Key=Value: " << line;
      continue;
    }
    const bool fresh = entry.emplace(line.substr(0, equals), line.substr(equals + 1)).second;
    EXPECT_TRUE(fresh) << "line " << number << " repeats a key: " << line;
  }
  return entry;
}

TEST(DesktopEntryTest, StartsTheWindowProgramFromTheMenu) {
  const auto entry = ReadEntry(TESSIMOR_PACKAGING_DIR "/tessimor-eeprom.desktop");
  const std::map<std::string, std::string> wanted = {
      {"Type", "Application"},
      {"Name", "Tessimor EEPROM"},
      {"Exec", "tessimor-eeprom"},
      {"Terminal", "false"},
      {"Categories", "Development;Electronics;"},
  };
  for (const auto& [key, value] : wanted) {
    const auto found = entry.find(key);
    ASSERT_NE(found, entry.end()) << key << " missing";
    EXPECT_EQ(found->second, value) << key;
  }
  EXPECT_FALSE(entry.count("Comment") == 0 || entry.at("Comment").empty());
}

}  // namespace
}  // namespace tessimor
