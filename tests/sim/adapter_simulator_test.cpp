#include "sim/adapter_simulator.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace tessimor {
namespace {

const std::string kErased(32, 'F');

struct Case {
  const char* name;
  std::string input;
  std::string replies;
  std::uint16_t pointer;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class AdapterSimulatorTable : public ::testing::TestWithParam<Case> {};

TEST_P(AdapterSimulatorTable, AnswersAndMovesThePointer) {
  AdapterSimulator adapter;
  EXPECT_EQ(adapter.Feed(GetParam().input), GetParam().replies);
  EXPECT_EQ(adapter.pointer(), GetParam().pointer);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, AdapterSimulatorTable,
    ::testing::Values(Case{"MarkIsDropped", "!$0010\r", "", 0x10},
                      Case{"MarkBeforePointerQuery", "!$\r", "$0000\r", 0},
                      Case{"SeveralMarks", "!!R\r", "R0000:" + kErased + "\r", 0x10},
                      Case{"AddressSetsPointerSilently", "$1234\r", "", 0x1234},
                      Case{"AddressMaskedTo15Bits", "$FFFF\r", "", 0x7FFF},
                      Case{"AddressLowerCaseHex", "$abcd\r", "", 0x2BCD},
                      Case{"AddressAloneReportsPointer", "$7FF0\r$\r", "$7FF0\r", 0x7FF0},
                      Case{"AddressNotHex", "$12G4\r", "?$12G4\r", 0},
                      Case{"ReadMovesSixteen", "$0100\rR\rR\r",
                           "R0100:" + kErased + "\rR0110:" + kErased + "\r", 0x120},
                      Case{"WriteAnswersFirstAddress", "$0042\rW0102\r", "W0042\r", 0x44},
                      Case{"WriteOddDigits", "W012\r", "?W012\r", 0},
                      Case{"WriteNotHex", "W0G\r", "?W0G\r", 0},
                      Case{"LowerCaseReadUnknown", "r\r", "?r\r", 0},
                      Case{"UnknownCommand", "XYZ\r", "?XYZ\r", 0},
                      Case{"LineFeedIgnored", "R\r\n$\r\n", "R0000:" + kErased + "\r$0010\r", 0x10},
                      Case{"ReadWrapsAtTop", "$7FF8\rR\r", "R7FF8:" + kErased + "\r", 0x0008}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AdapterSimulator, EveryReplyEndsWithCr) {
  AdapterSimulator adapter;
  for (const char* command : {"$", "R", "W00", "W0", "?", ""}) {
    const std::string reply = adapter.Feed(std::string(command) + "\r");
    ASSERT_FALSE(reply.empty()) << command;
    EXPECT_EQ(reply.find('\r'), reply.size() - 1) << command;
  }
}

TEST(AdapterSimulator, WriteStoresBytesReadBackInUpperCase) {
  AdapterSimulator adapter;
  EXPECT_EQ(adapter.Feed("$0200\rWabcdef00\r"), "W0200\r");
  EXPECT_EQ(adapter.memory()[0x200], 0xAB);
  EXPECT_EQ(adapter.memory()[0x203], 0x00);
  EXPECT_EQ(adapter.memory()[0x204], 0xFF);
  EXPECT_EQ(adapter.Feed("$0200\rR\r"), "R0200:ABCDEF00" + std::string(24, 'F') + "\r");
}

TEST(AdapterSimulator, RejectedWriteChangesNothing) {
  AdapterSimulator adapter;
  const AdapterSimulator::Memory before = adapter.memory();
  adapter.Feed("W0102X3\r");
  EXPECT_EQ(adapter.memory(), before);
  EXPECT_EQ(adapter.pointer(), 0);
}

TEST(AdapterSimulator, WriteWrapsFromTopToBottom) {
  AdapterSimulator adapter;
  EXPECT_EQ(adapter.Feed("$7FFE\rW01020304\r"), "W7FFE\r");
  EXPECT_EQ(adapter.memory()[0x7FFE], 0x01);
  EXPECT_EQ(adapter.memory()[0x7FFF], 0x02);
  EXPECT_EQ(adapter.memory()[0x0000], 0x03);
  EXPECT_EQ(adapter.memory()[0x0001], 0x04);
  EXPECT_EQ(adapter.pointer(), 2);
}

TEST(AdapterSimulator, CommandSplitAcrossFeedsAnswersOnce) {
  AdapterSimulator adapter;
  adapter.memory()[0x10] = 0x5A;
  EXPECT_EQ(adapter.Feed("!$00"), "");
  EXPECT_EQ(adapter.Feed("10\rR"), "");
  EXPECT_EQ(adapter.Feed("\r"), "R0010:5A" + std::string(30, 'F') + "\r");
}

TEST(AdapterSimulator, ReadShowsGivenMemory) {
  AdapterSimulator::Memory memory;
  for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>(i);
  AdapterSimulator adapter(memory);
  EXPECT_EQ(adapter.Feed("$0FF0\rR\r"), "R0FF0:F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF\r");
}

}  // namespace
}  // namespace tessimor
