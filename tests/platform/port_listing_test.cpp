#include "platform/port_listing.h"

#include <gtest/gtest.h>

#include "link/discovery.h"
#include "link/protocol.h"
#include "platform/bound_inventory.h"
#include "platform/qt_device_inventory.h"

namespace tessimor {
namespace {

PortFacts Usb(const std::string& location, std::uint16_t vendor, std::uint16_t product,
              const std::string& serial, const std::string& description = "USB serial") {
  const std::string name = location.substr(location.rfind('/') + 1);
  return PortFacts{location, name, description, true, vendor, product, serial};
}

PortFacts Plain(const std::string& location, const std::string& description = "") {
  const std::string name = location.substr(location.rfind('/') + 1);
  return PortFacts{location, name, description, false, 0, 0, ""};
}

std::vector<std::string> Names(const DeviceRecord& record) {
  std::vector<std::string> names;
  for (const auto& property : record.properties) names.push_back(property.name);
  return names;
}

std::string Value(const DeviceRecord& record, const std::string& name) {
  for (const auto& property : record.properties) {
    if (property.name == name) return property.value.value_or("<none>");
  }
  return "<missing>";
}

TEST(PnpDeviceId, FollowsTheUsbPattern) {
  struct Case {
    PortFacts port;
    std::string id;
  };
  const std::vector<Case> cases = {
      {Usb("/dev/ttyACM0", 0x04D8, 0x000A, "A1B2"), "USB\\VID_04D8&PID_000A\\A1B2"},
      {Usb("/dev/ttyUSB3", 0xabcd, 0x00ef, ""), "USB\\VID_ABCD&PID_00EF\\ttyUSB3"},
      {Usb("/dev/ttyACM1", 0x0001, 0xFFFF, "x"), "USB\\VID_0001&PID_FFFF\\x"},
      {Plain("/dev/ttyS0"), "TTY\\ttyS0"},
  };
  for (const Case& c : cases) EXPECT_EQ(PnpDeviceId(c.port), c.id) << c.port.system_location;
}

TEST(BuildPortListing, SortsByLocationAndNumbersFromOne) {
  std::vector<std::string> locations = {"stale"};
  const auto records = BuildPortListing(
      {Plain("/dev/ttyS0", "ttyS0"), Usb("/dev/ttyUSB0", 0x1A86, 0x7523, "", "CH340"),
       Usb("/dev/ttyACM0", 0x04D8, 0x000A, "T1", "Tessimor")},
      &locations);
  EXPECT_EQ(locations, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}));
  ASSERT_EQ(records.size(), 3u);
  const std::vector<std::vector<std::string>> expected = {
      {"USB\\VID_04D8&PID_000A\\T1", "COM1", "Tessimor"},
      {"TTY\\ttyS0", "COM2", "ttyS0"},
      {"USB\\VID_1A86&PID_7523\\ttyUSB0", "COM3", "CH340"},
  };
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(Names(records[i]), (std::vector<std::string>{"PNPDeviceID", "DeviceID", "Name"}));
    EXPECT_EQ(Value(records[i], "PNPDeviceID"), expected[i][0]);
    EXPECT_EQ(Value(records[i], "DeviceID"), expected[i][1]);
    EXPECT_EQ(Value(records[i], "Name"), expected[i][2]);
  }
  // The adapter is found where the listing puts it.
  const auto match = FindAdapterRecord(records);
  ASSERT_TRUE(match.has_value());
  EXPECT_EQ(match->index, 0u);
  EXPECT_EQ(match->number, 1);
}

TEST(BuildPortListing, EmptyListingAndNoLocationsWanted) {
  EXPECT_TRUE(BuildPortListing({}, nullptr).empty());
  EXPECT_EQ(BuildPortListing({Plain("/dev/ttyS1")}, nullptr).size(), 1u);
}

TEST(QtDeviceInventory, NumbersOutsideTheListingResolveToNothing) {
  QtDeviceInventory inventory;
  EXPECT_EQ(inventory.ResolvePort(0), "");
  EXPECT_EQ(inventory.ResolvePort(1), "");
  const auto ports = inventory.ListSerialPorts();
  ASSERT_TRUE(ports.has_value());
  EXPECT_EQ(inventory.ResolvePort(0), "");
  EXPECT_EQ(inventory.ResolvePort(-1), "");
  EXPECT_EQ(inventory.ResolvePort(static_cast<int>(ports->size()) + 1), "");
  for (std::size_t i = 0; i < ports->size(); ++i) {
    EXPECT_FALSE(inventory.ResolvePort(static_cast<int>(i) + 1).empty());
  }
}

TEST(BoundInventory, ListsOneAdapterOnItsDevice) {
  BoundInventory inventory("/dev/pts/7");
  const auto ports = inventory.ListSerialPorts();
  ASSERT_TRUE(ports.has_value());
  ASSERT_EQ(ports->size(), 1u);
  EXPECT_EQ(Value(ports->front(), "DeviceID"), "COM1");
  EXPECT_EQ(Value(ports->front(), "Name"), "/dev/pts/7");
  EXPECT_EQ(std::string(BoundInventory::kBoundPnpId).rfind(protocol::kAdapterPnpId, 0), 0u);
  EXPECT_EQ(FindAdapterPort(inventory), 1);
  EXPECT_EQ(inventory.ResolvePort(1), "/dev/pts/7");
  EXPECT_EQ(inventory.ResolvePort(0), "");
  EXPECT_EQ(inventory.ResolvePort(2), "");
}

}  // namespace
}  // namespace tessimor
