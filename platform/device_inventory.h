#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessimor {

struct DeviceProperty {
  std::string name;
  std::optional<std::string> value;  // nullopt: the value could not be read
};

struct DeviceRecord {
  std::vector<DeviceProperty> properties;
};

// The serial ports the system knows of, each as its ordered properties.
class DeviceInventory {
 public:
  virtual ~DeviceInventory() = default;

  // nullopt when the inventory cannot be reached.
  virtual std::optional<std::vector<DeviceRecord>> ListSerialPorts() = 0;
  // Device file of port number n of the last listing; empty when there is none.
  virtual std::string ResolvePort(int number) const = 0;
};

}  // namespace tessimor
