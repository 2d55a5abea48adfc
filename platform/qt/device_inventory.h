#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_inventory.h"

namespace tessimor {

// The serial ports Linux lists (QSerialPortInfo); pseudo-terminals are not among them. Asked
// again while nothing in /dev has changed, it gives the listing it took last.
class QtDeviceInventory : public DeviceInventory {
 public:
  std::optional<std::vector<DeviceRecord>> ListSerialPorts() override;
  std::string ResolvePort(int number) const override;

 private:
  std::optional<std::vector<DeviceRecord>> ListAnew();

  std::vector<std::string> locations_;
  std::optional<std::vector<DeviceRecord>> last_;
  std::int64_t changed_ = 0;  // /dev's last change, when last_ was taken
  std::int64_t listed_ = 0;   // when last_ was taken; both in ns of the real-time clock
};

}  // namespace tessimor
