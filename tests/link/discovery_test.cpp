#include "link/discovery.h"

#include <gtest/gtest.h>

#include "tests/kit/fakes.h"

namespace tessimor {
namespace {

constexpr const char* kAdapter = "USB\\VID_04D8&PID_000A\\6&2F5A1C3&0&0000";

DeviceRecord Port(const std::string& device_id, const std::string& pnp_id = kAdapter) {
  return testing::FakeInventory::Port(pnp_id, device_id);
}

TEST(DiscoveryTest, FindsTheAdapterPortAndOpensItOrSaysNotFoundAndEnds) {
  // Unreadable values are passed over; an unreadable identity never makes its port the adapter.
  const DeviceRecord no_id{{{"PNPDeviceID", std::nullopt}, {"DeviceID", "COM2"}}};
  const DeviceRecord no_name{{{"Name", {}}, {"PNPDeviceID", kAdapter}, {"DeviceID", "COM4"}}};
  const DeviceRecord no_port_name{{{"PNPDeviceID", kAdapter}, {"DeviceID", std::nullopt}}};
  const DeviceRecord misspelt{{{"PnpDeviceId", kAdapter}, {"DeviceID", "COM5"}}};
  // The port number found, whether connecting tries it, what the case is, the ports listed.
  const std::tuple<std::int32_t, bool, const char*, std::optional<std::vector<DeviceRecord>>>
      cases[] = {
          {0, false, "no inventory", std::nullopt},
          {0, false, "no ports", std::vector<DeviceRecord>{}},
          {12, true, "instance path; two digits, then a letter", {{Port("COM12x3")}}},
          {7, true, "bare identity", {{Port("COM7", "USB\\VID_04D8&PID_000A")}}},
          {0, false, "no digits", {{Port("COMX")}}},
          {0, false, "name too short", {{Port("CO")}}},
          {65537, false, "number beyond 16 bits", {{Port("COM65537")}}},
          {0, false, "lower-case identity", {{Port("COM5", "usb\\vid_04d8&pid_000a\\1")}}},
          {8, true, "first", {{Port("COM1", "USB\\VID_04D8&PID_000"), Port("COM8"), Port("COM9")}}},
          {4, true, "unreadable values, names compared exactly", {{no_id, misspelt, no_name}}},
          {0, false, "unreadable port name", {{no_port_name}}},
      };
  for (const auto& [number, opens, what, ports] : cases) {
    SCOPED_TRACE(what);
    testing::FakeInventory inventory;
    inventory.ports = ports;
    EXPECT_EQ(FindAdapterPort(inventory), number);
    for (const bool refuse : {false, true}) {  // a port that opens, and one that refuses
      testing::FakeSerialPort port;
      port.refuse_open = refuse;
      testing::FakeWindow window;
      std::vector<std::vector<std::string>> ends;  // the messages shown by each end of the program
      ConnectAdapter(inventory, port, window, [&] { ends.push_back(window.messages); });
      const bool found = opens && !refuse;
      EXPECT_EQ(std::pair(port.opens, port.IsOpen()), std::pair(opens ? 1 : 0, found));
      EXPECT_EQ(ends, decltype(ends)(found ? 0 : 1, {"Tessimor adapter not found!"}));
      DisconnectAdapter(port);
      EXPECT_FALSE(port.IsOpen());
    }
  }
}

TEST(DiscoveryTest, FindsEveryAdapterWithTheSerialNumberAfterItsIdentity) {
  const std::vector<DeviceRecord> ports = {Port("COM1", "USB\\VID_1234&PID_000A\\X"),
                                           Port("COM2", "USB\\VID_04D8&PID_000A\\A17"),
                                           Port("COM3", "USB\\VID_04D8&PID_000A"), Port("COM4")};
  std::vector<std::pair<std::int32_t, std::string>> found;
  for (const AdapterMatch& match : FindAdapterRecords(ports)) {
    found.emplace_back(match.number, match.usb_serial);
  }
  EXPECT_EQ(found, (decltype(found){{2, "A17"}, {3, ""}, {4, "6&2F5A1C3&0&0000"}}));
}

}  // namespace
}  // namespace tessimor
