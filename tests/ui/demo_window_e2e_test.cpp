// The window as the demo runs it: a pty served by the simulator, the real serial port and the
// real Timer1.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <set>

#include "platform/bound_inventory.h"
#include "sim/pty_server.h"
#include "tests/kit/expected.h"
#include "tests/kit/files.h"
#include "tests/kit/pty/port_activity.h"
#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

using testing::ReadWholeFile;
using Names = std::set<std::string>;

constexpr int kWholeReadMs = 120000;
const std::string kOldImage = "the image that was there\r\n";

// The window on the simulator, asked to read into eeprom.txt, or the link to it, which held
// kOldImage.
struct DemoWindow {
  explicit DemoWindow(PtyFaults faults = {})
      : adapter(testing::Pattern()), server(adapter, faults) {
    EXPECT_TRUE(server.Start(/*hold_slave=*/true));
    window.emplace(QtParts(std::make_unique<BoundInventory>(server.SlavePath())));
    testing::WriteWholeFile(dir.File("eeprom.txt"), kOldImage);
    std::filesystem::create_symlink("eeprom.txt", dir.File("link.txt"));
    window->dialogs->answer = dir.File("link.txt");
  }
  ~DemoWindow() {
    // The port closes before the simulator stops.
    window.reset();
    server.Stop();
  }

  AdapterSimulator adapter;
  PtyServer server;
  testing::TempDir dir;
  std::optional<testing::WindowHarness> window;
};

TEST(DemoWindowEndToEnd, ReadsTheWholeEepromIntoTheFileOrKeepsItWhenUnpluggedMidRead) {
  for (const bool unplugged : {false, true}) {
    SCOPED_TRACE(unplugged);
    DemoWindow demo(PtyFaults{.unplug_after = unplugged ? 300 : -1});
    QSignalSpy ends(demo.window->form.get(), &Form1::OperationEnded);
    demo.window->Button("cmdRead").click();
    ASSERT_TRUE(ends.wait(kWholeReadMs));
    const Outcome outcome = ends.at(0).at(0).value<Outcome>();
    EXPECT_EQ(outcome, unplugged ? Outcome::kTimedOut : Outcome::kDone);
    EXPECT_EQ(demo.window->messages->shown,
              std::vector<std::string>(unplugged, "Time out waiting for reply."));
    EXPECT_EQ(demo.window->Status() == "** Done! **", !unplugged);
    EXPECT_EQ(demo.window->port->IsOpen(), !unplugged);
    EXPECT_EQ(demo.window->EnabledMainButtons(), 3);
    EXPECT_TRUE(std::filesystem::is_symlink(demo.dir.File("link.txt")));
    EXPECT_EQ(ReadWholeFile(demo.dir.File("eeprom.txt")),
              unplugged ? kOldImage : testing::ImageText(demo.adapter.memory()));
    EXPECT_EQ(demo.dir.Names(), (Names{"eeprom.txt", "link.txt"}));
  }
}

TEST(DemoWindowEndToEnd, UnpluggedWhileIdleStopsPollingAndALaterFillTimesOutOnTick100) {
  DemoWindow demo;
  testing::WindowHarness& window = *demo.window;
  demo.server.Unplug();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.port->IsOpen(); }, 5000));
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
