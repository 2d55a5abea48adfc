#include "link/discovery.h"

#include <gtest/gtest.h>

#include "tests/support/fakes.h"

namespace tessimor {
namespace {

using testing::FakeInventory;
using testing::FakeSerialPort;
using testing::FakeWindow;

constexpr const char* kAdapter = "USB\\VID_04D8&PID_000A\\6&2F5A1C3&0&0000";

TEST(DiscoveryTest, FindsTheAdapterPortNumber) {
  struct Case {
    const char* what;
    std::vector<DeviceRecord> ports;
    std::int32_t number;
  };
  const std::vector<Case> cases = {
      {"no ports", {}, 0},
      {"identity followed by an instance path", {FakeInventory::Port(kAdapter, "COM3")}, 3},
      {"bare identity", {FakeInventory::Port("USB\\VID_04D8&PID_000A", "COM7")}, 7},
      {"two digits", {FakeInventory::Port(kAdapter, "COM12")}, 12},
      {"no digits", {FakeInventory::Port(kAdapter, "COMX")}, 0},
      {"digits stop at a letter", {FakeInventory::Port(kAdapter, "COM4a5")}, 4},
      {"name too short", {FakeInventory::Port(kAdapter, "CO")}, 0},
      {"lower-case identity", {FakeInventory::Port("usb\\vid_04d8&pid_000a\\1", "COM5")}, 0},
      {"other device", {FakeInventory::Port("USB\\VID_0403&PID_6001\\A", "COM6")}, 0},
      {"identity cut short", {FakeInventory::Port("USB\\VID_04D8&PID_000", "COM6")}, 0},
      {"two adapters, first taken",
       {FakeInventory::Port("ACPI\\PNP0501\\1", "COM1"), FakeInventory::Port(kAdapter, "COM8"),
        FakeInventory::Port(kAdapter, "COM9")},
       8},
  };
  for (const Case& c : cases) {
    FakeInventory inventory;
    inventory.ports = c.ports;
    EXPECT_EQ(FindAdapterPort(inventory), c.number) << c.what;
  }
}

TEST(DiscoveryTest, UnreadableValuesAndAMissingInventoryAreSkipped) {
  FakeInventory inventory;
  inventory.ports = std::nullopt;
  EXPECT_EQ(FindAdapterPort(inventory), 0);

  // An unreadable identity never makes its port the adapter; an unreadable name leaves no number.
  inventory.ports = std::vector<DeviceRecord>{
      DeviceRecord{{{"PNPDeviceID", std::nullopt}, {"DeviceID", "COM2"}}},
      DeviceRecord{{{"Name", std::nullopt}, {"PNPDeviceID", kAdapter}, {"DeviceID", "COM4"}}},
  };
  EXPECT_EQ(FindAdapterPort(inventory), 4);
  inventory.ports = std::vector<DeviceRecord>{
      DeviceRecord{{{"PNPDeviceID", kAdapter}, {"DeviceID", std::nullopt}}}};
  EXPECT_EQ(FindAdapterPort(inventory), 0);
  // Names are compared exactly.
  inventory.ports =
      std::vector<DeviceRecord>{DeviceRecord{{{"PnpDeviceId", kAdapter}, {"DeviceID", "COM4"}}}};
  EXPECT_EQ(FindAdapterPort(inventory), 0);
}

TEST(DiscoveryTest, ConnectOpensTheFoundPortOrSaysNotFoundAndEnds) {
  struct Case {
    const char* what;
    std::vector<DeviceRecord> ports;
    bool refuse_open;
    int opens;
    bool found;
  };
  const std::vector<Case> cases = {
      {"adapter on COM3", {FakeInventory::Port(kAdapter, "COM3")}, false, 1, true},
      {"no adapter", {FakeInventory::Port("TTY\\ttyS0", "COM1")}, false, 0, false},
      {"port refuses to open", {FakeInventory::Port(kAdapter, "COM3")}, true, 1, false},
      {"adapter without a number", {FakeInventory::Port(kAdapter, "COMX")}, false, 0, false},
      {"number beyond 16 bits", {FakeInventory::Port(kAdapter, "COM40000")}, false, 0, false},
  };
  for (const Case& c : cases) {
    FakeInventory inventory;
    inventory.ports = c.ports;
    FakeSerialPort port;
    port.refuse_open = c.refuse_open;
    FakeWindow window;
    std::vector<std::string> messages_at_end;
    int ends = 0;
    ConnectAdapter(inventory, port, window, [&] {
      messages_at_end = window.messages;
      ++ends;
    });
    EXPECT_EQ(ends, c.found ? 0 : 1) << c.what;
    EXPECT_EQ(messages_at_end, c.found ? std::vector<std::string>{}
                                       : std::vector<std::string>{"Tessimor adapter not found!"})
        << c.what;
    EXPECT_EQ(port.opens, c.opens) << c.what;
    EXPECT_EQ(port.IsOpen(), c.found) << c.what;
    DisconnectAdapter(port);
    EXPECT_FALSE(port.IsOpen());
  }
}

}  // namespace
}  // namespace tessimor
