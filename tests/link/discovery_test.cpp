#include "link/discovery.h"

#include <gtest/gtest.h>

#include "tests/kit/fakes.h"

namespace tessimor {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kAdapter = "USB\\VID_04D8&PID_000A\\6&2F5A1C3&0&0000";

DeviceRecord Port(const std::string& device_id, const std::string& pnp_id = kAdapter) {
  return testing::FakeInventory::Port(pnp_id, device_id);
}

// Each listing is searched, then connected to through a port that opens and one that refuses.
TEST(DiscoveryTest, FindsTheAdapterPortAndOpensItOrSaysNotFoundAndEnds) {
  // An unreadable identity never makes its port the adapter; other unreadable values are skipped.
  const DeviceRecord no_id{{{"PNPDeviceID", std::nullopt}, {"DeviceID", "COM2"}}};
  const DeviceRecord no_name{{{"Name", {}}, {"PNPDeviceID", kAdapter}, {"DeviceID", "COM4"}}};
  const DeviceRecord no_port_name{{{"PNPDeviceID", kAdapter}, {"DeviceID", std::nullopt}}};
  const DeviceRecord misspelt{{{"PnpDeviceId", kAdapter}, {"DeviceID", "COM4"}}};
  struct Case {
    std::int32_t number;
    bool opens;  // whether connecting tries the port
    const char* what;
    std::optional<std::vector<DeviceRecord>> ports;
  };
  const std::vector<Case> cases = {
      {0, false, "no inventory", std::nullopt},
      {0, false, "no ports", std::vector<DeviceRecord>{}},
      {3, true, "identity followed by an instance path", {{Port("COM3")}}},
      {7, true, "bare identity", {{Port("COM7", "USB\\VID_04D8&PID_000A")}}},
      {12, true, "two digits", {{Port("COM12")}}},
      {0, false, "no digits", {{Port("COMX")}}},
      {4, true, "digits stop at a letter", {{Port("COM4a5")}}},
      {0, false, "name too short", {{Port("CO")}}},
      {40000, false, "number beyond 16 bits", {{Port("COM40000")}}},
      {0, false, "lower-case identity", {{Port("COM5", "usb\\vid_04d8&pid_000a\\1")}}},
      {0, false, "other device", {{Port("COM6", "USB\\VID_0403&PID_6001\\A")}}},
      {0, false, "identity cut short", {{Port("COM6", "USB\\VID_04D8&PID_000")}}},
      {8, true, "first adapter", {{Port("COM1", "TTY\\S0"), Port("COM8"), Port("COM9")}}},
      {4, true, "unreadable values", {{no_id, no_name}}},
      {0, false, "unreadable port name", {{no_port_name}}},
      {0, false, "names compared exactly", {{misspelt}}},
  };
  for (const Case& c : cases) {
    testing::FakeInventory inventory;
    inventory.ports = c.ports;
    EXPECT_EQ(FindAdapterPort(inventory), c.number) << c.what;
    for (const bool refuse : {false, true}) {
      testing::FakeSerialPort port;
      port.refuse_open = refuse;
      testing::FakeWindow window;
      std::vector<Strings> ends;  // the messages shown by each end of the program
      ConnectAdapter(inventory, port, window, [&] { ends.push_back(window.messages); });
      const bool found = c.opens && !refuse;
      EXPECT_EQ(port.opens, c.opens ? 1 : 0) << c.what;
      EXPECT_EQ(port.IsOpen(), found) << c.what;
      EXPECT_EQ(ends, std::vector<Strings>(found ? 0 : 1, {"Tessimor adapter not found!"}))
          << c.what;
      DisconnectAdapter(port);
      EXPECT_FALSE(port.IsOpen()) << c.what;
    }
  }
}

}  // namespace
}  // namespace tessimor
