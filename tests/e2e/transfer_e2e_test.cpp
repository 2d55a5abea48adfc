#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/image_files.h"
#include "engine/transfer_engine.h"
#include "link/protocol.h"
#include "link/receiver.h"
#include "platform/qt_serial_port.h"
#include "sim/adapter_simulator.h"
#include "sim/pty_server.h"
#include "tests/e2e/tick_loop.h"
#include "tests/platform/core_app.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_dir.h"

namespace tessimor {
namespace {

using testing::FakeWindow;
using testing::ReadWholeFile;
using testing::TempDir;
using testing::TickRun;

constexpr int kRecords = protocol::kEepromSize / protocol::kBytesPerLine;
// A full transfer needs kRecords ticks; split replies may need two each.
constexpr int kTickLimit = 3 * kRecords;

AdapterSimulator::Memory Pattern() {
  AdapterSimulator::Memory memory;
  for (std::size_t i = 0; i < memory.size(); ++i) {
    memory[i] = static_cast<std::uint8_t>(i * 31 + (i >> 8));
  }
  return memory;
}

AdapterSimulator::Memory Erased() {
  AdapterSimulator::Memory memory;
  memory.fill(0xFF);
  return memory;
}

// The record the image file holds for the 16 bytes at `address`.
std::string Record(const AdapterSimulator::Memory& memory, int address) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string record = Hex4(static_cast<std::uint16_t>(address)) + ":";
  for (int i = 0; i < protocol::kBytesPerLine; ++i) {
    const std::uint8_t byte = memory[static_cast<std::size_t>(address + i)];
    record += kDigits[byte >> 4];
    record += kDigits[byte & 0xF];
  }
  return record;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find(ImageFiles::kLineEnd); end != std::string::npos;
       end = text.find(ImageFiles::kLineEnd, start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + ImageFiles::kLineEnd.size();
  }
  EXPECT_EQ(start, text.size()) << "text after the last line end";
  return lines;
}

// The program's link and engine on a real serial port, with a simulated adapter behind a pty.
class Rig {
 public:
  explicit Rig(const AdapterSimulator::Memory& memory, PtyFaults faults = {})
      : adapter(memory), server(adapter, faults) {
    testing::CoreApp();
    if (server.Start()) {
      port.SetPortNumber(1);
      port.Open();
    }
  }

  bool Ready() const { return port.IsOpen(); }

  // Ticks until the operation ends; `last_reply_tick` is the tick that showed the last line.
  TickRun RunToEnd() {
    int seen = window.status_changes;
    return testing::RunTicks(
        receiver,
        [&](int tick) {
          if (window.status_changes != seen) {
            seen = window.status_changes;
            last_reply_tick = tick;
          }
          return !engine.IsBusy();
        },
        kTickLimit);
  }

  AdapterSimulator adapter;
  PtyServer server;
  QtSerialPort port{[this](int number) { return number == 1 ? server.SlavePath() : ""; }};
  FakeWindow window;
  ImageFiles files;
  TransferEngine engine{port, window, files};
  Receiver receiver{port, engine, window};
  int last_reply_tick = 0;
};

void ExpectDone(Rig& rig, const TickRun& run) {
  EXPECT_TRUE(run.stopped) << "still busy after " << run.ticks << " ticks";
  EXPECT_TRUE(rig.window.messages.empty());
  EXPECT_EQ(rig.window.status, protocol::kDoneText);
  EXPECT_TRUE(rig.window.buttons_enabled);
  EXPECT_EQ(rig.engine.FileNo, 0);
}

void ExpectRecords(const std::string& path, const AdapterSimulator::Memory& memory, int count) {
  const std::vector<std::string> lines = Lines(ReadWholeFile(path));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(lines[static_cast<std::size_t>(i)], Record(memory, i * protocol::kBytesPerLine))
        << "record " << i;
  }
}

TEST(EndToEnd, ReadSavesEveryRecordAndWritingItBackGivesTheSameMemory) {
  TempDir dir;
  const std::string image = dir.File("eeprom.txt");
  const AdapterSimulator::Memory memory = Pattern();
  {
    Rig rig(memory);
    ASSERT_TRUE(rig.Ready());
    rig.engine.StartRead(image);
    const TickRun run = rig.RunToEnd();
    ExpectDone(rig, run);
    rig.server.Stop();
    EXPECT_EQ(rig.server.Received().substr(0, 9), "!$0000\rR\r");
    EXPECT_EQ(rig.server.Replies(), kRecords);
  }
  ExpectRecords(image, memory, kRecords);

  Rig fresh(Erased());
  ASSERT_TRUE(fresh.Ready());
  fresh.engine.StartWrite(image);
  const TickRun run = fresh.RunToEnd();
  ExpectDone(fresh, run);
  fresh.server.Stop();
  EXPECT_EQ(fresh.server.Received().substr(0, 8), "!$0000\rW");
  EXPECT_TRUE(fresh.adapter.memory() == memory);
}

TEST(EndToEnd, SplitRepliesStillCompleteARead) {
  TempDir dir;
  const std::string image = dir.File("split.txt");
  Rig rig(Pattern(), PtyFaults{.split = true});
  ASSERT_TRUE(rig.Ready());
  rig.engine.StartRead(image);
  const TickRun run = rig.RunToEnd();
  ExpectDone(rig, run);
  ExpectRecords(image, Pattern(), kRecords);
}

struct SilentCase {
  const char* name;
  PtyFaults faults;
  int records;
};

void PrintTo(const SilentCase& c, std::ostream* os) {
  *os << c.name;
}

class EndToEndTimeout : public ::testing::TestWithParam<SilentCase> {};

TEST_P(EndToEndTimeout, EndsAHundredTicksAfterTheLastLineWithThePartialFileClosed) {
  TempDir dir;
  const std::string image = dir.File("partial.txt");
  Rig rig(Pattern(), GetParam().faults);
  ASSERT_TRUE(rig.Ready());
  rig.engine.StartRead(image);
  const TickRun run = rig.RunToEnd();
  ASSERT_TRUE(run.stopped);
  EXPECT_EQ(rig.window.messages, std::vector<std::string>{std::string(protocol::kTimeoutText)});
  EXPECT_EQ(run.ticks - rig.last_reply_tick, 100);
  EXPECT_TRUE(rig.window.buttons_enabled);
  EXPECT_EQ(rig.engine.FileNo, 0);
  ExpectRecords(image, Pattern(), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(Faults, EndToEndTimeout,
                         ::testing::Values(SilentCase{"MuteAfterFive", {.mute_after = 5}, 5},
                                           // Every reply after the first starts with LF.
                                           SilentCase{"LfAfterCr", {.lf = true}, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessimor
