#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/window_ops.h"
#include "platform/device_inventory.h"
#include "platform/serial_port.h"

namespace tessimor {

// Number N of the adapter's port COMN, or 0 when no port carries its USB identity.
std::int32_t FindAdapterPort(DeviceInventory& inventory);

// Position of the first record that is the adapter, with its port number; nullopt when none is.
struct AdapterMatch {
  std::size_t index = 0;
  std::int32_t number = 0;
  std::string usb_serial;  // what follows the identity in its hardware ID; may be empty
};
std::optional<AdapterMatch> FindAdapterRecord(const std::vector<DeviceRecord>& ports);
// Every record that is an adapter, in listing order, for programming them all at once.
std::vector<AdapterMatch> FindAdapterRecords(const std::vector<DeviceRecord>& ports);

// Finds and opens the adapter's port; when that fails, says so and calls `end_program`,
// which must not return to a usable window.
void ConnectAdapter(DeviceInventory& inventory, SerialPort& port, WindowOps& window,
                    const std::function<void()>& end_program);

void DisconnectAdapter(SerialPort& port);

// The number after the third character of a device name: COM7 gives 7, no digits give 0.
std::int32_t PortNumberOf(const std::string& device_name);

}  // namespace tessimor
