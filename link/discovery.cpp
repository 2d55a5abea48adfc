#include "link/discovery.h"

#include <limits>

#include "link/messages.h"
#include "link/protocol.h"

namespace tessimor {

namespace {

// Between the parts of a hardware ID: the identity, then the device's serial number.
constexpr char kPnpSeparator = '\\';

}  // namespace

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

std::vector<AdapterMatch> FindAdapterRecords(const std::vector<DeviceRecord>& ports) {
  std::vector<AdapterMatch> matches;
  for (std::size_t index = 0; index < ports.size(); ++index) {
    std::optional<std::string> pnp_id;
    std::string device_name;
    for (const DeviceProperty& property : ports[index].properties) {
      // An unreadable value is passed over, and never makes its port the adapter.
      if (!property.value) continue;
      if (property.name == "PNPDeviceID") {
        if (property.value->compare(0, protocol::kAdapterPnpId.size(), protocol::kAdapterPnpId) ==
            0) {
          pnp_id = *property.value;
        }
      } else if (property.name == "DeviceID") {
        device_name = *property.value;
      }
    }
    if (!pnp_id) continue;
    const std::size_t separator = pnp_id->rfind(kPnpSeparator);
    matches.push_back(AdapterMatch{index, PortNumberOf(device_name),
                                   separator < protocol::kAdapterPnpId.size()
                                       ? std::string()
                                       : pnp_id->substr(separator + 1)});
  }
  return matches;
}

std::optional<AdapterMatch> FindAdapterRecord(const std::vector<DeviceRecord>& ports) {
  std::vector<AdapterMatch> matches = FindAdapterRecords(ports);
  if (matches.empty()) return std::nullopt;
  return std::move(matches.front());
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
