#pragma once

#include <ostream>

#include "platform/device_inventory.h"

namespace tessimor::cli {

// A heading line, then one line per serial port as discovery sees it, the one it would take
// marked with "*": mark, DeviceID, PNPDeviceID, Name, system location, in columns aligned with
// spaces; then, on `err`, why the adapter's port would not open, if it would not. The exit
// status: 0 when an adapter is among them, 3 when none is.
int ListPorts(DeviceInventory& inventory, std::ostream& out, std::ostream& err);

}  // namespace tessimor::cli
