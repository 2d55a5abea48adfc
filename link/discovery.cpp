#include "link/discovery.h"

#include <limits>

#include "link/messages.h"
#include "link/protocol.h"

namespace tessimor {

std::int32_t PortNumberOf(const std::string& device_name) {
  if (device_name.size() <= protocol::kPortDigitsAt) return 0;
  std::int64_t number = 0;
  for (std::size_t i = protocol::kPortDigitsAt; i < device_name.size(); ++i) {
    const char c = device_name[i];
    if (c < '0' || c > '9') break;
    number = number * 10 + (c - '0');
    if (number > std::numeric_limits<std::int32_t>::max()) {
      return std::numeric_limits<std::int32_t>::max();
    }
  }
  return static_cast<std::int32_t>(number);
}

std::optional<AdapterMatch> FindAdapterRecord(const std::vector<DeviceRecord>& ports) {
  for (std::size_t index = 0; index < ports.size(); ++index) {
    bool is_adapter = false;
    std::string device_name;
    for (const DeviceProperty& property : ports[index].properties) {
      // An unreadable value is passed over, and never makes its port the adapter.
      if (!property.value) continue;
      if (property.name == "PNPDeviceID") {
        if (property.value->compare(0, protocol::kAdapterPnpId.size(), protocol::kAdapterPnpId) ==
            0) {
          is_adapter = true;
        }
      } else if (property.name == "DeviceID") {
        device_name = *property.value;
      }
    }
    if (is_adapter) return AdapterMatch{index, PortNumberOf(device_name)};
  }
  return std::nullopt;
}

std::int32_t FindAdapterPort(DeviceInventory& inventory) {
  const auto ports = inventory.ListSerialPorts();
  if (!ports) return 0;
  const auto match = FindAdapterRecord(*ports);
  return match ? match->number : 0;
}

void ConnectAdapter(DeviceInventory& inventory, SerialPort& port, WindowOps& window,
                    const std::function<void()>& end_program) {
  const std::int32_t number = FindAdapterPort(inventory);
  // A number that does not fit the port's 16 bits is not set at all rather than wrapped.
  if (number <= std::numeric_limits<std::int16_t>::max()) {
    port.SetPortNumber(static_cast<std::int16_t>(number));
  }
  if (port.PortNumber() > 0) port.Open();
  if (!port.IsOpen()) {
    window.ShowMessage(std::string(messages::kNotFoundText));
    end_program();
  }
}

void DisconnectAdapter(SerialPort& port) {
  port.Close();
}

}  // namespace tessimor
