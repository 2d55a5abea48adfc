#pragma once

#include <string>

#include "platform/device_inventory.h"

namespace tessimor {

// One adapter-like port bound to a given device file: for the demo and the tests, which talk
// to pseudo-terminals that no system listing shows.
class BoundInventory : public DeviceInventory {
 public:
  explicit BoundInventory(std::string device_path) : path_(std::move(device_path)) {}

  std::optional<std::vector<DeviceRecord>> ListSerialPorts() override;
  std::string ResolvePort(int number) const override;

  static constexpr const char* kBoundPnpId = "USB\\VID_04D8&PID_000A\\BOUND";

 private:
  std::string path_;
};

}  // namespace tessimor
