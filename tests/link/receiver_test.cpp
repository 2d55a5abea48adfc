#include "link/receiver.h"

#include <gtest/gtest.h>

#include "engine/transfer_engine.h"
#include "tests/kit/fakes.h"

namespace tessimor {
namespace {

using Strings = std::vector<std::string>;

// The receiver's sink: logs each line handed over, and each timeout with the count as it was then.
class ReceiverTest : public ::testing::Test, public ReplySink {
 protected:
  bool IsBusy() const override { return busy; }
  void HandleReply(const std::string& line) override {
    lines.push_back(line);
    if (!in_box.empty()) Tick(std::exchange(in_box, ""));
  }
  void TimeOut() override { lines.push_back("time out at " + std::to_string(receiver.Ticks)); }
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
  // The batches arriving, the lines handed over, what arrives in a box.
  const std::tuple<Strings, Strings, std::string> cases[] = {
      {{"\r\rW1\rR00", "10:AB", "\r"}, {"", "", "W1", "R0010:AB"}, ""},
      {{"W1\r\n", std::string("A\0B\xff\x80\r", 6)}, {"W1", std::string("\nA\0B\xff\x80", 6)}, ""},
      // What comes past 1024 bytes is dropped, and the line still ends at its CR.
      {{std::string(1524, 'x'), "yy", "\rW1\r"}, {std::string(1024, 'x'), "W1"}, ""},
      // A tick in the box carries on with the batch, keeping arrival order.
      {{"A\rB\rC"}, {"A", "B", "CD", "E"}, "D\rE\r"},
  };
  for (const auto& [batches, handed_over, arriving_in_box] : cases) {
    lines.clear();
    in_box = arriving_in_box;
    for (const std::string& batch : batches) Tick(batch);
    EXPECT_EQ(lines, handed_over);
  }
}

TEST_F(ReceiverTest, TimesOutOnTheHundredthQuietTickOnly) {
  busy = true;
  for (int tick = 1; tick <= 90; ++tick) Tick();
  Tick("?\r");  // any reply line restarts the count, fitting or not
  for (int tick = 1; tick <= 90; ++tick) Tick();
  busy = false;
  for (int tick = 1; tick <= 300; ++tick) Tick();  // idle ticks never count, and restart the count
  busy = true;
  for (int tick = 1; tick <= 99; ++tick) Tick(tick == 50 ? "R0000" : "");  // no CR: no reply
  EXPECT_EQ(receiver.Ticks, 99);
  // The count resets before the timeout; a reply arriving on the 100th tick is handed over after.
  Tick(":FF\r");
  EXPECT_EQ(lines, (Strings{"?", "time out at 0", "R0000:FF"}));
}

TEST(ReceiverWithEngineTest, TimesOutARunningFillOnceAndTicksInTheBoxAreSafe) {
  testing::SimulatedPort port;
  testing::FakeWindow window;
  ImageFiles files;
  TransferEngine engine(port, window, files);
  Receiver receiver(port, engine);
  engine.StartFill();
  for (int i = 0; i < 3; ++i) receiver.PollReceiver();
  // The adapter falls silent; while the box is open, ticks run and a late reply comes in.
  port.on_write = nullptr;
  port.incoming.clear();
  window.while_message_open = [&](const std::string&) {
    EXPECT_EQ(engine.Mode, ModeIdle);
    port.incoming = "W0030\r";
    for (int i = 0; i < 5; ++i) receiver.PollReceiver();
  };
  for (int i = 0; i < 100; ++i) receiver.PollReceiver();
  EXPECT_EQ(window.messages, Strings{"Time out waiting for reply."});
  EXPECT_EQ(window.status, "W0030");
}

}  // namespace
}  // namespace tessimor
