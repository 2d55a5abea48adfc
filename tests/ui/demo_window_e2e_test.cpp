// The window as the demo runs it: a pty served by the simulator, the real serial port and the
// real Timer1.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdio>

#include "platform/bound_inventory.h"
#include "sim/pty_server.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

using testing::FakeFileDialogs;
using testing::FakeMessageBoxes;
using testing::ReadWholeFile;
using testing::TempDir;

TEST(DemoWindowEndToEnd, ReadsTheWholeSimulatedEepromIntoAFile) {
  testing::EnsureApplication();
  AdapterSimulator adapter;
  for (std::size_t i = 0; i < adapter.memory().size(); ++i) {
    adapter.memory()[i] = static_cast<std::uint8_t>((i >> 4) ^ i);
  }
  std::string expected;
  char text[8];
  for (std::size_t address = 0; address < AdapterSimulator::kSize; address += 16) {
    std::snprintf(text, sizeof text, "%04X:", static_cast<unsigned>(address));
    expected += text;
    for (std::size_t i = 0; i < 16; ++i) {
      std::snprintf(text, sizeof text, "%02X", adapter.memory()[address + i]);
      expected += text;
    }
    expected += "\r\n";
  }
  PtyServer server(adapter);
  ASSERT_TRUE(server.Start(/*hold_slave=*/true));

  TempDir dir;
  Form1Parts parts = QtParts(std::make_unique<BoundInventory>(server.SlavePath()));
  auto dialogs = std::make_unique<FakeFileDialogs>();
  dialogs->answer = dir.File("eeprom.txt");
  auto messages = std::make_unique<FakeMessageBoxes>();
  FakeMessageBoxes* shown = messages.get();
  int ends = 0;
  parts.dialogs = std::move(dialogs);
  parts.messages = std::move(messages);
  parts.end_program = [&ends] { ++ends; };
  {
    Form1 form(std::move(parts));
    form.show();
    form.Load();
    ASSERT_EQ(ends, 0);
    ASSERT_TRUE(form.port().IsOpen());

    form.findChild<QPushButton*>("cmdRead")->click();
    auto* status = form.findChild<QLabel*>("lblStatus");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == "** Done! **"; }, 120000));
    EXPECT_TRUE(form.findChild<QPushButton*>("cmdRead")->isEnabled());
    EXPECT_TRUE(shown->shown.empty());
  }
  server.Stop();
  EXPECT_EQ(ReadWholeFile(dir.File("eeprom.txt")), expected);
}

}  // namespace
}  // namespace tessimor
