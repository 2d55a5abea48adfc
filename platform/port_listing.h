#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device_inventory.h"

namespace tessimor {

// What Linux tells of one serial port, before it becomes an inventory record.
struct PortFacts {
  std::string system_location;  // e.g. /dev/ttyACM0
  std::string port_name;        // e.g. ttyACM0
  std::string description;
  bool has_usb_identity = false;
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::string serial_number;
};

// Sorts by system location, then gives each port PNPDeviceID, DeviceID ("COM" + position from 1)
// and Name, in that order. `locations` receives the sorted system locations.
std::vector<DeviceRecord> BuildPortListing(std::vector<PortFacts> ports,
                                           std::vector<std::string>* locations);

std::string PnpDeviceId(const PortFacts& port);

}  // namespace tessimor
