#include "engine/transfer_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "link/protocol.h"
#include "tests/support/fakes.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_dir.h"

namespace tessimor {
namespace {

using testing::FakeWindow;
using testing::ReadWholeFile;
using testing::SimulatedPort;
using testing::TempDir;
using testing::WriteWholeFile;

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

class TransferEngineTest : public ::testing::Test {
 protected:
  // Hands the adapter's replies to the engine until it stops answering; returns how many.
  int Pump(int limit = 100000) {
    int replies = 0;
    for (std::size_t cr; replies < limit && (cr = port.incoming.find('\r')) != std::string::npos;) {
      const std::string line = port.incoming.substr(0, cr);
      port.incoming.erase(0, cr + 1);
      engine.HandleReply(line);
      ++replies;
    }
    return replies;
  }

  // Memory with every byte different from its neighbours, so misplaced lines show.
  void FillAdapterWithPattern() {
    std::mt19937 random(7);
    for (auto& byte : port.adapter.memory()) byte = static_cast<std::uint8_t>(random());
  }

  std::string SimulatorRecords() {
    std::string text;
    for (int address = 0; address < protocol::kEepromSize; address += 16) {
      text += Hex4(static_cast<std::uint16_t>(address)) + ":";
      for (int i = 0; i < 16; ++i) text += HexByte(port.adapter.memory()[address + i]);
      text += "\r\n";
    }
    return text;
  }

  TempDir dir;
  SimulatedPort port;
  FakeWindow window;
  ImageFiles files;
  TransferEngine engine{port, window, files};
};

TEST_F(TransferEngineTest, ReadSavesTheWholeEeprom) {
  FillAdapterWithPattern();
  const std::string path = dir.File("read.txt");
  engine.StartRead(path);
  EXPECT_EQ(port.written, "!$0000\rR\r");
  EXPECT_EQ(engine.Mode, ModeRead);
  EXPECT_EQ(Pump(10), 10);
  EXPECT_FALSE(window.buttons_enabled);
  EXPECT_EQ(window.status, "R" + SimulatorRecords().substr(9 * 39, 37));

  Pump();
  EXPECT_EQ(Count(port.written, "R\r"), 2048u);
  EXPECT_EQ(port.writes.size(), 2049u);
  EXPECT_EQ(ReadWholeFile(path), SimulatorRecords());
  EXPECT_EQ(window.status, protocol::kDoneText);
  EXPECT_TRUE(window.buttons_enabled);
  EXPECT_EQ(window.disables, 1);
  EXPECT_EQ(engine.Mode, ModeIdle);
  EXPECT_EQ(engine.FileNo, 0);
  EXPECT_EQ(engine.CurAddr, 32768);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(TransferEngineTest, FillAndPatternTestsCoverTheWholeEeprom) {
  port.adapter.memory().fill(0x12);
  engine.StartFill();
  const std::string fill_line = "W" + std::string(32, 'F') + "\r";
  EXPECT_EQ(port.writes[0], "!$0000\r");
  EXPECT_FALSE(window.buttons_enabled);
  Pump();
  EXPECT_EQ(port.writes.size(), 2049u);
  EXPECT_EQ(Count(port.written, fill_line), 2048u);
  for (const auto byte : port.adapter.memory()) ASSERT_EQ(byte, 0xFF);
  EXPECT_EQ(window.status, protocol::kDoneText);
  EXPECT_TRUE(window.buttons_enabled);

  // The pattern tests send no mark or address, leave the buttons and end on the last reply.
  const int button_calls = window.enables + window.disables;
  for (const bool by_page : {false, true}) {
    port.writes.clear();
    by_page ? engine.StartPageTest() : engine.StartByteTest();
    Pump();
    EXPECT_EQ(port.writes.size(), 2048u);
    EXPECT_EQ(port.writes[0].front(), 'W');
    for (int address = 0; address < 32768; ++address) {
      ASSERT_EQ(port.adapter.memory()[address], by_page ? address >> 8 : address & 0xFF);
    }
    EXPECT_EQ(engine.Mode, ModeIdle);
    EXPECT_EQ(window.status, "W7FF0");
  }
  EXPECT_EQ(window.enables + window.disables, button_calls);
}

TEST_F(TransferEngineTest, WritesFileRecordsInOrderSkippingBlankLines) {
  const std::string path = dir.File("three.txt");
  WriteWholeFile(path, "\r\n0010:00FF\r\n  \r\n  0020:ABCD  \r\n:01\r\n\r\n");
  engine.StartWrite(path);
  EXPECT_EQ(port.written, "!$0010\rW00FF\r");
  EXPECT_EQ(engine.Mode, ModeWrite);
  EXPECT_FALSE(window.buttons_enabled);
  EXPECT_EQ(Pump(1), 1);
  EXPECT_EQ(port.writes.back(), "$0020\rWABCD\r");
  // "$" alone is answered with the pointer, which is only shown; the third W reply ends it.
  Pump();
  EXPECT_EQ(port.writes.back(), "$\rW01\r");
  EXPECT_EQ(port.writes.size(), 3u);
  EXPECT_EQ(engine.Mode, ModeIdle);
  EXPECT_EQ(window.status, protocol::kDoneText);
  EXPECT_TRUE(window.buttons_enabled);
  EXPECT_EQ(engine.FileNo, 0);
  EXPECT_EQ(engine.CurAddr, 0);
  EXPECT_EQ(port.adapter.memory()[0x11], 0xFF);
  EXPECT_EQ(port.adapter.memory()[0x21], 0xCD);
}

TEST_F(TransferEngineTest, RefusedWritesSendNothingAndLeaveTheWindowAsItWas) {
  struct Case {
    const char* contents;  // nullptr: no such file
    std::string message;
  };
  const std::string path = dir.File("image.txt");
  const std::vector<Case> cases = {
      {"", ""},
      {"   \r\n\n  \r", ""},
      {"0000:01\r\n\r\n0010 02\r\n0020:03\r\n", "Line 3 of file " + path + " has no colon."},
      {nullptr, "Could not open file " + path},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(path);
    if (c.contents) WriteWholeFile(path, c.contents);
    window.messages.clear();
    engine.CurAddr = 1234;
    engine.StartWrite(path);
    EXPECT_EQ(window.messages,
              c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(engine.Mode, ModeIdle);
    EXPECT_EQ(engine.FileNo, 0);
    EXPECT_EQ(engine.CurAddr, 1234);
    EXPECT_EQ(window.disables + window.status_changes, 0);
  }
  engine.StartRead(dir.File("no/such/dir/read.txt"));
  EXPECT_EQ(window.messages.back(), "Could not open file " + dir.File("no/such/dir/read.txt"));
  EXPECT_TRUE(port.written.empty());
}

TEST_F(TransferEngineTest, FileChangedAfterTheCheckStopsTheWrite) {
  const std::string path = dir.File("changing.txt");
  std::string contents;
  for (int i = 0; i < 2000; ++i) contents += "0000:01\r\n";
  WriteWholeFile(path, contents);
  engine.StartWrite(path);
  // Same length, changed in place far beyond what the reader has buffered.
  contents.replace(1500 * 9, 7, "0000 01");
  WriteWholeFile(path, contents);
  Pump();
  EXPECT_EQ(Count(port.written, "W01\r"), 1500u);
  EXPECT_EQ(window.messages,
            std::vector<std::string>{"Line 1501 of file " + path + " has no colon."});
  EXPECT_EQ(engine.Mode, ModeIdle);
  EXPECT_EQ(engine.FileNo, 0);
  EXPECT_TRUE(window.buttons_enabled);
  EXPECT_NE(window.status, protocol::kDoneText);
}

TEST_F(TransferEngineTest, RepliesThatDoNotFitAreOnlyShown) {
  struct Case {
    std::int32_t mode;
    std::string reply;
  };
  const std::vector<Case> cases = {
      {ModeRead, "W0000"},      {ModeRead, "r0000:00"}, {ModeRead, ""},
      {ModeRead, "\nR0000:00"}, {ModeFill, "R0000:FF"}, {ModeWrite, "R0000"},
      {ModeByteTest, "w"},      {ModeIdle, "R0000:00"}, {ModeIdle, "W0000"},
  };
  for (const Case& c : cases) {
    engine.Mode = c.mode;
    engine.CurAddr = 32;
    engine.HandleReply(c.reply);
    EXPECT_EQ(window.status, c.reply);
    EXPECT_TRUE(port.written.empty()) << c.reply;
    EXPECT_EQ(engine.Mode, c.mode);
    EXPECT_EQ(engine.CurAddr, 32);
  }
}

TEST_F(TransferEngineTest, PanelReadAfterFinishedOperations) {
  const std::string path = dir.File("read.txt");
  engine.StartRead(path);
  Pump();
  // After a finished read one more line is read and the operation ends at once.
  port.writes.clear();
  engine.StartPanelRead();
  EXPECT_EQ(Pump(), 1);
  EXPECT_EQ(port.writes, std::vector<std::string>{"R\r"});
  EXPECT_EQ(engine.Mode, ModeIdle);
  EXPECT_EQ(ReadWholeFile(path).size(), 2048u * 39);

  // After a write CurAddr is 0, so a panel read runs a whole loop, to the status line only.
  WriteWholeFile(dir.File("one.txt"), "0000:AA\r\n");
  engine.StartWrite(dir.File("one.txt"));
  Pump();
  port.writes.clear();
  engine.StartPanelRead();
  EXPECT_EQ(Pump(), 2048);
  EXPECT_EQ(port.writes.size(), 2048u);
  EXPECT_EQ(engine.FileNo, 0);
}

TEST_F(TransferEngineTest, AFullDiskStopsTheReadWithoutDoneAndKeepsTheOldImage) {
  const std::string path = dir.File("image.txt");
  WriteWholeFile(path, "the image that was there\r\n");
  {
    testing::FullDisk full(4096);
    engine.StartRead(path);
    Pump();
  }
  EXPECT_EQ(window.messages, std::vector<std::string>{"Could not write file " + path});
  EXPECT_NE(window.status, protocol::kDoneText);
  EXPECT_EQ(engine.Mode, ModeIdle);
  EXPECT_EQ(engine.FileNo, 0);
  EXPECT_TRUE(window.buttons_enabled);
  EXPECT_LT(Count(port.written, "R\r"), 2048u);
  EXPECT_EQ(ReadWholeFile(path), "the image that was there\r\n");
  EXPECT_EQ(dir.Names(), std::set<std::string>{"image.txt"});
}

TEST_F(TransferEngineTest, AbandonedReadLeavesTheFileAsItWasAndNoScratchFile) {
  // Ended by the timeout, or cut off by a fill; over an existing file or where there was none.
  for (const bool by_fill : {false, true}) {
    for (const bool existing : {false, true}) {
      const std::string path = dir.File("image.txt");
      std::filesystem::remove(path);
      if (existing) WriteWholeFile(path, "old\r\n");
      engine.StartRead(path);
      Pump(5);
      by_fill ? engine.StartFill() : engine.EndOperation();
      EXPECT_EQ(engine.FileNo, 0);
      EXPECT_EQ(std::filesystem::exists(path) ? ReadWholeFile(path) : "(absent)",
                existing ? "old\r\n" : "(absent)");
      EXPECT_EQ(dir.Names().size(), existing ? 1u : 0u);
      port.incoming.clear();
      engine.Mode = ModeIdle;
    }
  }
}

}  // namespace
}  // namespace tessimor
