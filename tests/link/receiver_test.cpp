#include "link/receiver.h"

#include <gtest/gtest.h>

#include "engine/transfer_engine.h"
#include "tests/kit/fakes.h"
#include "tests/kit/files.h"

namespace tessimor {
namespace {

using Strings = std::vector<std::string>;

// The fixture is the receiver's sink: it logs each line handed over, and each timeout with the
// count as it stood then.
class ReceiverTest : public ::testing::Test, public ReplySink {
 protected:
  bool IsBusy() const override { return busy; }
  void HandleReply(const std::string& line) override {
    lines.push_back(line);
    if (!in_box.empty()) Tick(std::exchange(in_box, ""));
  }
  void TimeOut() override {
    busy = false;
    lines.push_back("time out at " + std::to_string(receiver.Ticks));
  }
  void Tick(const std::string& arriving = "") {
    port.incoming += arriving;
    receiver.PollReceiver();
  }

  testing::FakeSerialPort port;
  Receiver receiver{port, *this};
  bool busy = false;
  Strings lines;
  std::string in_box;  // arrives in a tick run by a box opened while a line is handed over
};

TEST_F(ReceiverTest, AssemblesLinesAcrossBatchesAndBoxesKeepingAt1024Bytes) {
  struct Case {
    Strings batches;
    Strings lines;
    std::string left;
    std::string in_box = {};
  };
  const std::vector<Case> cases = {
      {{"R00", "10:AB", "\r"}, {"R0010:AB"}, ""},
      {{"\r\r"}, {"", ""}, ""},
      {{"W1\r\n", "R1\r"}, {"W1", "\nR1"}, ""},
      {{std::string("A\0B\xff\x80\r", 6)}, {std::string("A\0B\xff\x80", 5)}, ""},
      {{"W1\rR00", "00:FF\r"}, {"W1", "R0000:FF"}, ""},
      // What comes past 1024 bytes is dropped, and the line still ends at its CR.
      {{std::string(1524, 'x'), std::string(10, 'y')}, {}, std::string(1024, 'x')},
      {{std::string(1524, 'x'), "yy", "\rW1\r"}, {std::string(1024, 'x'), "W1"}, ""},
      // A tick in the box carries on with the batch, keeping arrival order.
      {{"A\rB\rC"}, {"A", "B", "CD"}, "E", "D\rE"},
  };
  for (const Case& c : cases) {
    lines.clear();
    receiver.RxLine.clear();
    in_box = c.in_box;
    for (const std::string& batch : c.batches) Tick(batch);
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(receiver.RxLine, c.left);
  }
}

TEST_F(ReceiverTest, TimesOutOnTheHundredthQuietTickOnly) {
  for (int tick = 0; tick < 300; ++tick) Tick();
  EXPECT_EQ(receiver.Ticks, 0);  // idle ticks never count
  busy = true;
  for (int tick = 1; tick <= 90; ++tick) Tick();
  Tick("?\r");  // any reply line restarts the count, fitting or not
  EXPECT_EQ(receiver.Ticks, 0);
  for (int tick = 1; tick <= 99; ++tick) Tick(tick == 50 ? "R0000" : "");  // no CR: no reply
  EXPECT_EQ(receiver.Ticks, 99);
  EXPECT_EQ(lines, Strings{"?"});
  // The count resets before the timeout; a reply arriving on the 100th tick is handed over after.
  Tick(":FF\r");
  EXPECT_EQ(lines, (Strings{"?", "time out at 0", "R0000:FF"}));
}

TEST(ReceiverWithEngineTest, TimeoutKeepsTheOldFileAndTicksInTheBoxAreSafe) {
  testing::TempDir dir;
  testing::SimulatedPort port;
  testing::FakeWindow window;
  ImageFiles files;
  TransferEngine engine(port, window, files);
  Receiver receiver(port, engine);
  const std::string path = dir.File("image.txt");
  ASSERT_TRUE(testing::WriteWholeFile(path, "old\r\n"));
  engine.StartRead(path);
  for (int i = 0; i < 3; ++i) receiver.PollReceiver();
  // The adapter falls silent; while the box is open, ticks run and a late reply comes in.
  port.on_write = nullptr;
  port.incoming.clear();
  window.while_message_open = [&](const std::string&) {
    EXPECT_EQ(engine.Mode, ModeIdle);
    port.incoming = "R0030:00112233445566778899AABBCCDDEEFF\r";
    for (int i = 0; i < 5; ++i) receiver.PollReceiver();
  };
  for (int i = 0; i < 100; ++i) receiver.PollReceiver();
  EXPECT_EQ(window.messages, Strings{"Time out waiting for reply."});
  EXPECT_EQ(engine.FileNo, 0);
  EXPECT_TRUE(window.buttons_enabled);
  EXPECT_EQ(window.status, "R0030:00112233445566778899AABBCCDDEEFF");
  EXPECT_EQ(testing::ReadWholeFile(path), "old\r\n");
  EXPECT_EQ(dir.Names(), std::set<std::string>{"image.txt"});
}

}  // namespace
}  // namespace tessimor
