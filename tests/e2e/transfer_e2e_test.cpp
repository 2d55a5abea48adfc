#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <string>
#include <vector>

#include "engine/image_files.h"
#include "engine/transfer_engine.h"
#include "link/protocol.h"
#include "link/receiver.h"
#include "platform/qt_serial_port.h"
#include "sim/pty_server.h"
#include "tests/platform/core_app.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_dir.h"

namespace tessimor {
namespace {

using testing::ReadWholeFile;
using Strings = std::vector<std::string>;

constexpr int kRecords = protocol::kEepromSize / protocol::kBytesPerLine;

AdapterSimulator::Memory Pattern() {
  AdapterSimulator::Memory memory;
  for (std::size_t i = 0; i < memory.size(); ++i) {
    memory[i] = static_cast<std::uint8_t>(i * 31 + (i >> 8));
  }
  return memory;
}

// The image file's text for all of `memory`.
std::string Records(const AdapterSimulator::Memory& memory) {
  std::string text;
  for (int address = 0; address < kRecords * protocol::kBytesPerLine;) {
    text += Hex4(static_cast<std::uint16_t>(address)) + ":";
    for (int i = 0; i < protocol::kBytesPerLine; ++i) text += Hex4(memory[address++]).substr(2);
    text += ImageFiles::kLineEnd;
  }
  return text;
}

// The program's link and engine on a real serial port, with a simulated adapter behind a pty.
struct Rig {
  explicit Rig(const AdapterSimulator::Memory& memory, PtyFaults faults = {})
      : adapter(memory), server(adapter, faults) {
    server.Start();
    port.SetPortNumber(1);
    port.Open();
  }

  // Starts a read or a write of `image`, then drives the receiver from a real 10 ms precise
  // timer, as the window does, until the engine is idle or three ticks a record have passed.
  void Run(const std::string& image, bool read) {
    read ? engine.StartRead(image) : engine.StartWrite(image);
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      const int changes = window.status_changes;
      ++ticks;
      receiver.PollReceiver();
      if (window.status_changes != changes) last_line_tick = ticks;
      if (!engine.IsBusy() || ticks >= 3 * kRecords) loop.quit();
    });
    timer.start(protocol::kTickMs);
    loop.exec();
  }

  void ExpectEnded(const Strings& messages) {
    EXPECT_FALSE(engine.IsBusy()) << "still busy after " << ticks << " ticks";
    EXPECT_EQ(window.messages, messages);
    EXPECT_EQ(window.status == protocol::kDoneText, messages.empty()) << window.status;
    EXPECT_TRUE(window.buttons_enabled);
    EXPECT_EQ(engine.FileNo, 0);
  }

  AdapterSimulator adapter;
  PtyServer server;
  QtSerialPort port{[this](int number) { return number == 1 ? server.SlavePath() : ""; }};
  testing::FakeWindow window;
  ImageFiles files;
  TransferEngine engine{port, window, files};
  Receiver receiver{port, engine, window};
  int ticks = 0;
  int last_line_tick = 0;
};

TEST(EndToEnd, ReadsCompleteOrTimeOutAndTheFullImageWritesBackIntoAFreshAdapter) {
  struct Case {
    PtyFaults faults;
    Strings messages;
  };
  const Strings timeout = {std::string(protocol::kTimeoutText)};
  testing::TempDir dir;
  const std::string image = dir.File("eeprom.txt");
  const std::string old_image = "the image that was there\r\n";
  testing::WriteWholeFile(image, old_image);
  // With LF, every reply after the first starts with it. A read that times out leaves the file
  // as it was; the last read leaves the full image.
  for (const Case& c : {Case{{.mute_after = 5}, timeout}, Case{{.lf = true}, timeout},
                        Case{{.split = true}, {}}, Case{{}, {}}}) {
    Rig rig(Pattern(), c.faults);
    ASSERT_TRUE(rig.port.IsOpen());
    rig.Run(image, true);
    rig.ExpectEnded(c.messages);
    EXPECT_EQ(rig.ticks - rig.last_line_tick, c.messages.empty() ? 0 : 100);
    EXPECT_EQ(rig.server.Received().substr(0, 9), "!$0000\rR\r");
    EXPECT_TRUE(ReadWholeFile(image) == (c.messages.empty() ? Records(Pattern()) : old_image));
  }
  Rig fresh(AdapterSimulator().memory());
  ASSERT_TRUE(fresh.port.IsOpen());
  fresh.Run(image, false);
  fresh.ExpectEnded({});
  fresh.server.Stop();
  EXPECT_EQ(fresh.server.Received().substr(0, 8), "!$0000\rW");
  EXPECT_EQ(fresh.server.Replies(), kRecords);
  EXPECT_TRUE(fresh.adapter.memory() == Pattern());
}

}  // namespace
}  // namespace tessimor
