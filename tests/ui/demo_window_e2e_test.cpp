// The window as the demo runs it: a pty served by the simulator, the real serial port and the
// real Timer1.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <set>

#include "platform/bound_inventory.h"
#include "sim/pty_server.h"
#include "tests/support/port_activity.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;

constexpr int kWholeReadMs = 120000;

struct DemoWindow {
  explicit DemoWindow(PtyFaults faults = {}) : server(adapter, faults) {
    for (std::size_t i = 0; i < adapter.memory().size(); ++i)
      adapter.memory()[i] = static_cast<std::uint8_t>((i >> 4) ^ i);
    EXPECT_TRUE(server.Start(/*hold_slave=*/true));
    window.emplace(QtParts(std::make_unique<BoundInventory>(server.SlavePath())));
  }
  ~DemoWindow() {
    // The port closes before the simulator stops.
    window.reset();
    server.Stop();
  }

  AdapterSimulator adapter;
  PtyServer server;
  std::optional<testing::WindowHarness> window;
};

TEST(DemoWindowEndToEnd, ReadsTheWholeEepromIntoTheFileALinkLeadsTo) {
  DemoWindow demo;
  testing::TempDir dir;
  testing::WriteWholeFile(dir.File("eeprom.txt"), "the image that was there\r\n");
  fs::create_symlink("eeprom.txt", dir.File("link.txt"));
  demo.window->dialogs->answer = dir.File("link.txt");

  demo.window->Button("cmdRead").click();
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return demo.window->Status() == "** Done! **"; }, kWholeReadMs));
  EXPECT_EQ(demo.window->EnabledMainButtons(), 3);
  EXPECT_TRUE(demo.window->messages->shown.empty());
  EXPECT_TRUE(fs::is_symlink(dir.File("link.txt")));
  EXPECT_EQ(ReadWholeFile(dir.File("eeprom.txt")), testing::ImageOf(demo.adapter.memory()));
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"eeprom.txt", "link.txt"}));
}

TEST(DemoWindowEndToEnd, UnpluggedMidReadTimesOutAndLeavesTheOldFileAsItWas) {
  DemoWindow demo(PtyFaults{.unplug_after = 300});
  testing::TempDir dir;
  const std::string image = "the image that was there\r\n";
  testing::WriteWholeFile(dir.File("eeprom.txt"), image);
  demo.window->dialogs->answer = dir.File("eeprom.txt");

  demo.window->Button("cmdRead").click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !demo.window->messages->shown.empty(); }, kWholeReadMs));
  EXPECT_EQ(demo.window->messages->shown, std::vector<std::string>{"Time out waiting for reply."});
  EXPECT_FALSE(demo.window->form->port().IsOpen());
  EXPECT_EQ(demo.window->EnabledMainButtons(), 3);
  EXPECT_EQ(ReadWholeFile(dir.File("eeprom.txt")), image);
  EXPECT_EQ(dir.Names(), std::set<std::string>{"eeprom.txt"});
}

TEST(DemoWindowEndToEnd, UnpluggedWhileIdleStopsPollingAndALaterFillTimesOutOnTick100) {
  DemoWindow demo;
  testing::WindowHarness& window = *demo.window;
  demo.server.Unplug();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.form->port().IsOpen(); }, 5000));
  // A port left open on the dead device would be notified thousands of times here.
  EXPECT_LT(testing::CountDescriptorNotifications(200), 5);

  window.Button("cmdFF").click();
  EXPECT_EQ(window.EnabledMainButtons(), 0);
  for (int tick = 1; tick < 100; ++tick) window.form->receiver().PollReceiver();
  EXPECT_TRUE(window.messages->shown.empty());
  window.form->receiver().PollReceiver();
  EXPECT_EQ(window.messages->shown, std::vector<std::string>{"Time out waiting for reply."});
  EXPECT_EQ(window.EnabledMainButtons(), 3);
}

}  // namespace
}  // namespace tessimor
