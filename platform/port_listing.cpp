#include "platform/port_listing.h"

#include <algorithm>
#include <cstdio>

namespace tessimor {

namespace {

std::string Hex4(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::string PnpDeviceId(const PortFacts& port) {
  if (!port.has_usb_identity) return "TTY\\" + port.port_name;
  const std::string instance = port.serial_number.empty() ? port.port_name : port.serial_number;
  return "USB\\VID_" + Hex4(port.vendor_id) + "&PID_" + Hex4(port.product_id) + "\\" + instance;
}

std::vector<DeviceRecord> BuildPortListing(std::vector<PortFacts> ports,
                                           std::vector<std::string>* locations) {
  std::sort(ports.begin(), ports.end(), [](const PortFacts& a, const PortFacts& b) {
    return a.system_location < b.system_location;
  });
  std::vector<DeviceRecord> records;
  if (locations) locations->clear();
  int number = 0;
  for (const PortFacts& port : ports) {
    ++number;
    records.push_back(DeviceRecord{{{"PNPDeviceID", PnpDeviceId(port)},
                                    {"DeviceID", "COM" + std::to_string(number)},
                                    {"Name", port.description}}});
    if (locations) locations->push_back(port.system_location);
  }
  return records;
}

}  // namespace tessimor
