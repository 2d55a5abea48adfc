#include "link/receiver.h"

#include <gtest/gtest.h>

#include "engine/transfer_engine.h"
#include "link/protocol.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_dir.h"

namespace tessimor {
namespace {

using testing::FakeSerialPort;
using testing::FakeWindow;
using testing::ReadWholeFile;
using testing::TempDir;

// Records what the receiver hands over, so the line assembly is seen on its own.
class RecordingSink : public ReplySink {
 public:
  bool IsBusy() const override { return busy; }
  void HandleReply(const std::string& line) override {
    lines.push_back(line);
    if (on_reply) on_reply(line);
  }
  void EndOperation() override {
    busy = false;
    ++ends;
  }

  bool busy = false;
  int ends = 0;
  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_reply;
};

class ReceiverTest : public ::testing::Test {
 protected:
  void Tick(const std::string& arriving = "") {
    port.incoming += arriving;
    receiver.PollReceiver();
  }

  FakeSerialPort port;
  FakeWindow window;
  RecordingSink sink;
  Receiver receiver{port, sink, window};
};

TEST_F(ReceiverTest, AssemblesLinesAcrossBatches) {
  struct Case {
    std::vector<std::string> batches;
    std::vector<std::string> lines;
    std::string left;
  };
  const std::vector<Case> cases = {
      {{"W1\rRx"}, {"W1"}, "Rx"},
      {{"R00", "10:AB", "\r"}, {"R0010:AB"}, ""},
      {{"\r\r"}, {"", ""}, ""},
      {{"\nR1\r"}, {"\nR1"}, ""},
      {{std::string("A\0B\r", 4)}, {std::string("A\0B", 3)}, ""},
      {{"W1\r\n"}, {"W1"}, "\n"},
      {{"\xff\x80\r"}, {"\xff\x80"}, ""},
      {{"W1\rR00", "00:FF\r"}, {"W1", "R0000:FF"}, ""},
  };
  for (const Case& c : cases) {
    sink.lines.clear();
    receiver.RxLine.clear();
    for (const std::string& batch : c.batches) Tick(batch);
    EXPECT_EQ(sink.lines, c.lines);
    EXPECT_EQ(receiver.RxLine, c.left);
    EXPECT_EQ(port.WaitingCount(), 0);
  }
}

TEST_F(ReceiverTest, LongLineIsBoundedAndHandedOverAtItsCr) {
  Tick(std::string(protocol::kMaxRxLine + 500, 'x'));
  EXPECT_EQ(receiver.RxLine.size(), protocol::kMaxRxLine);
  Tick(std::string(10, 'y'));
  EXPECT_EQ(receiver.RxLine.size(), protocol::kMaxRxLine);
  Tick("\rW1\r");
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_EQ(sink.lines[0], std::string(protocol::kMaxRxLine, 'x'));
  EXPECT_EQ(sink.lines[1], "W1");
}

TEST_F(ReceiverTest, TimesOutOnTheHundredthTickWithoutAReplyLine) {
  for (int tick = 0; tick < 300; ++tick) Tick();
  EXPECT_EQ(receiver.Ticks, 0);  // idle ticks never count
  sink.busy = true;
  window.buttons_enabled = false;
  for (int tick = 1; tick <= 90; ++tick) Tick();
  Tick("?\r");  // any reply line restarts the count, fitting or not
  EXPECT_EQ(receiver.Ticks, 0);
  for (int tick = 1; tick <= 99; ++tick) Tick(tick == 50 ? "R0000" : "");  // no CR: no reply
  ASSERT_TRUE(window.messages.empty());
  // A reply arriving on the hundredth tick is handed over after the operation has ended.
  std::vector<bool> busy_when_handled;
  sink.on_reply = [&](const std::string&) { busy_when_handled.push_back(sink.busy); };
  Tick(":FF\r");
  EXPECT_EQ(window.messages, std::vector<std::string>{"Time out waiting for reply."});
  EXPECT_EQ(busy_when_handled, std::vector<bool>{false});
  EXPECT_EQ(sink.ends, 1);
  EXPECT_TRUE(window.buttons_enabled);
  for (int tick = 0; tick < 300; ++tick) Tick();
  EXPECT_EQ(window.messages.size(), 1u);
}

TEST_F(ReceiverTest, TicksInsideAMessageBoxKeepArrivalOrder) {
  // A box opened while a batch is being handed over runs ticks, with more bytes arriving.
  port.incoming = "A\rB\rC";
  int nested = 0;
  sink.on_reply = [&](const std::string& line) {
    if (line == "A" && nested++ == 0) {
      port.incoming += "D\rE";
      receiver.PollReceiver();
    }
  };
  receiver.PollReceiver();
  EXPECT_EQ(sink.lines, (std::vector<std::string>{"A", "B", "CD"}));
  EXPECT_EQ(receiver.RxLine, "E");
}

TEST(ReceiverWithEngineTest, TimeoutKeepsTheOldFileAndTicksInTheBoxAreSafe) {
  TempDir dir;
  testing::SimulatedPort port;
  FakeWindow window;
  ImageFiles files;
  TransferEngine engine(port, window, files);
  Receiver receiver(port, engine, window);
  const std::string path = dir.File("image.txt");
  testing::WriteWholeFile(path, "old\r\n");

  engine.StartRead(path);
  for (int i = 0; i < 3; ++i) receiver.PollReceiver();
  // The adapter falls silent; while the box is open, ticks run and a late reply comes in.
  port.on_write = nullptr;
  port.incoming.clear();
  std::vector<std::int32_t> modes_in_box;
  window.while_message_open = [&] {
    modes_in_box.push_back(engine.Mode);
    port.incoming = "R0030:00112233445566778899AABBCCDDEEFF\r";
    for (int i = 0; i < 5; ++i) receiver.PollReceiver();
  };
  for (int i = 0; i < 100; ++i) receiver.PollReceiver();

  EXPECT_EQ(window.messages, std::vector<std::string>{"Time out waiting for reply."});
  EXPECT_EQ(modes_in_box, std::vector<std::int32_t>{ModeIdle});
  EXPECT_EQ(engine.Mode, ModeIdle);
  EXPECT_EQ(engine.FileNo, 0);
  EXPECT_TRUE(window.buttons_enabled);
  EXPECT_EQ(window.status, "R0030:00112233445566778899AABBCCDDEEFF");
  EXPECT_EQ(ReadWholeFile(path), "old\r\n");
  EXPECT_EQ(dir.Names(), std::set<std::string>{"image.txt"});
}

}  // namespace
}  // namespace tessimor
