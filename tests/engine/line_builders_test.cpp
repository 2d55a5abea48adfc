#include <gtest/gtest.h>

#include "engine/transfer_engine.h"
#include "tests/support/fakes.h"

namespace tessimor {
namespace {

std::string Repeat(const std::string& pair, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += pair;
  return text;
}

TEST(LineBuildersTest, PatternLinesAtGivenAddresses) {
  testing::FakeSerialPort port;
  testing::FakeWindow window;
  ImageFiles files;
  TransferEngine engine(port, window, files);
  struct Case {
    std::int32_t address;
    std::string byte_line;
    std::string page_line;
  };
  const std::vector<Case> cases = {
      {0x0000, "W000102030405060708090A0B0C0D0E0F", "W" + Repeat("00", 16)},
      {0x0010, "W101112131415161718191A1B1C1D1E1F", "W" + Repeat("00", 16)},
      {0x0340, "W404142434445464748494A4B4C4D4E4F", "W" + Repeat("03", 16)},
      {0x7FF0, "WF0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF", "W" + Repeat("7F", 16)},
  };
  for (const Case& c : cases) {
    engine.CurAddr = c.address;
    port.writes.clear();
    engine.SendByteTestLine();
    engine.SendPageTestLine();
    engine.SendFillLine();
    ASSERT_EQ(port.writes.size(), 3u);
    EXPECT_EQ(port.writes[0], c.byte_line + "\r");
    EXPECT_EQ(port.writes[1], c.page_line + "\r");
    EXPECT_EQ(port.writes[2], "W" + Repeat("FF", 16) + "\r");
    EXPECT_EQ(engine.TxLine.size(), 33u);
  }
}

TEST(LineBuildersTest, FileLineToCommandSplitsAtTheFirstColon) {
  testing::FakeSerialPort port;
  testing::FakeWindow window;
  ImageFiles files;
  TransferEngine engine(port, window, files);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0010:00FF", "$0010\rW00FF"},   {"  0000:FF  ", "$0000\rWFF"},
      {"0000:AB:CD", "$0000\rWAB:CD"}, {":01", "$\rW01"},
      {"\t0000:ff", "$\t0000\rWff"},   {"12:", "$12\rW"},
  };
  for (const auto& [line, command] : cases) {
    engine.CurAddr = 99;
    engine.FileLine = line;
    engine.FileLineToCommand();
    EXPECT_EQ(engine.TxLine, command) << line;
    EXPECT_EQ(engine.CurAddr, 0);
  }
  EXPECT_TRUE(port.written.empty());
}

}  // namespace
}  // namespace tessimor
