// The window as the demo runs it: a pty served by the simulator, the real serial port and the
// real Timer1.
#include <gtest/gtest.h>

#include <QTest>

#include "platform/bound_inventory.h"
#include "sim/pty_server.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

TEST(DemoWindowEndToEnd, ReadsTheWholeSimulatedEepromIntoAFile) {
  AdapterSimulator adapter;
  for (std::size_t i = 0; i < adapter.memory().size(); ++i)
    adapter.memory()[i] = static_cast<std::uint8_t>((i >> 4) ^ i);
  PtyServer server(adapter);
  ASSERT_TRUE(server.Start(/*hold_slave=*/true));
  testing::TempDir dir;
  testing::WindowHarness window(QtParts(std::make_unique<BoundInventory>(server.SlavePath())));
  window.dialogs->answer = dir.File("eeprom.txt");

  window.Button("cmdRead").click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.Status() == "** Done! **"; }, 120000));
  EXPECT_EQ(window.EnabledMainButtons(), 3);
  EXPECT_TRUE(window.messages->shown.empty());
  // The port closes before the simulator stops.
  window.form.reset();
  server.Stop();
  EXPECT_EQ(testing::ReadWholeFile(dir.File("eeprom.txt")), testing::ImageOf(adapter.memory()));
}

}  // namespace
}  // namespace tessimor
