#include "platform/port_listing.h"

#include <algorithm>
#include <cstdio>

namespace tessimor {

std::string PnpDeviceId(const PortFacts& port) {
  if (!port.has_usb_identity) return "TTY\\" + port.port_name;
  const std::string instance = port.serial_number.empty() ? port.port_name : port.serial_number;
  char identity[32];
  std::snprintf(identity, sizeof identity, "USB\\VID_%04X&PID_%04X\\",
                static_cast<unsigned>(port.vendor_id), static_cast<unsigned>(port.product_id));
  return identity + instance;
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
