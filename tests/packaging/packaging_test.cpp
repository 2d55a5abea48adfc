#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "tests/kit/files.h"

namespace tessimor {
namespace {

// The item exactly, between ", " separators or at either end of the line.
bool Has(const std::string& line, const std::string& item) {
  return (", " + line + ", ").find(", " + item + ", ") != std::string::npos;
}

TEST(PackagingTest, UdevRuleTagsThePortAndKeepsModemManagerAway) {
  std::filesystem::path rules;
  for (const auto& entry : std::filesystem::directory_iterator(TESSIMOR_PACKAGING_DIR)) {
    if (entry.path().extension() == ".rules") rules = entry.path();
  }
  // 73-seat-late.rules turns the uaccess tag into an ACL; a rule sorted after it is too late.
  const std::string name = rules.filename().string();
  ASSERT_TRUE(std::regex_match(name, std::regex("[0-9]{2}-.*"))) << name;
  EXPECT_LT(std::stoi(name), 73) << name;
  const std::string item = R"re([A-Z_]+(\{[^}]+\})?(==|!=|\+=|-=|:=|=)"[^"]*")re";
  const std::regex well_formed(item + "(, " + item + ")*");
  std::istringstream in(testing::ReadWholeFile(rules.string()));
  std::string usb, tty;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    EXPECT_TRUE(std::regex_match(line, well_formed)) << line;
    if (Has(line, R"(ENV{DEVTYPE}=="usb_device")")) usb = line;
    if (Has(line, R"(SUBSYSTEM=="tty")")) tty = line;
  }
  // sysfs shows idVendor and idProduct in lower case.
  for (const char* wanted : {R"(SUBSYSTEM=="usb")", R"(ATTR{idVendor}=="04d8")",
                             R"(ATTR{idProduct}=="000a")", R"(ENV{ID_MM_DEVICE_IGNORE}="1")"}) {
    EXPECT_TRUE(Has(usb, wanted)) << usb << " lacks " << wanted;
  }
  for (const char* wanted : {R"(ATTRS{idVendor}=="04d8")", R"(ATTRS{idProduct}=="000a")",
                             R"(ENV{ID_MM_DEVICE_IGNORE}="1")", R"(TAG+="uaccess")"}) {
    EXPECT_TRUE(Has(tty, wanted)) << tty << " lacks " << wanted;
  }
}

TEST(PackagingTest, DesktopEntriesStartTheirWindowPrograms) {
  // The file, its Name and its Exec.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"tessimor-eeprom.desktop", "Tessimor EEPROM", "tessimor-eeprom"},
      {"tessimor-eeprom-station.desktop", "Tessimor EEPROM Station", "tessimor-eeprom-station"},
  };
  for (const auto& [file, name, exec] : cases) {
    SCOPED_TRACE(file);
    const std::string entry = testing::ReadWholeFile(TESSIMOR_PACKAGING_DIR "/" + file);
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    for (const std::string& line :
         {std::string("Type=Application"), "Name=" + name, "Exec=" + exec,
          std::string("Icon=tessimor-eeprom"), std::string("Terminal=false"),
          std::string("Categories=Development;Electronics;")}) {
      EXPECT_NE(entry.find("\n" + line + "\n"), std::string::npos) << line;
    }
    EXPECT_TRUE(std::regex_search(entry, std::regex("\nComment=.+\n")));
  }
}

}  // namespace
}  // namespace tessimor
