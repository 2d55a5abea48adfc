#include "platform/bound_inventory.h"

namespace tessimor {

std::optional<std::vector<DeviceRecord>> BoundInventory::ListSerialPorts() {
  return std::vector<DeviceRecord>{
      DeviceRecord{{{"PNPDeviceID", kBoundPnpId}, {"DeviceID", "COM1"}, {"Name", path_}}}};
}

std::string BoundInventory::ResolvePort(int number) const {
  return number == 1 ? path_ : "";
}

}  // namespace tessimor
