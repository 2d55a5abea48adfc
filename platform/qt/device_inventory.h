#pragma once

#include <string>
#include <vector>

#include "platform/device_inventory.h"

namespace tessimor {

// The serial ports Linux lists (QSerialPortInfo); pseudo-terminals are not among them.
class QtDeviceInventory : public DeviceInventory {
 public:
  std::optional<std::vector<DeviceRecord>> ListSerialPorts() override;
  std::string ResolvePort(int number) const override;

 private:
  std::vector<std::string> locations_;
};

}  // namespace tessimor
