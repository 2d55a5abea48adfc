#pragma once

#include <ostream>
#include <string>

#include "platform/device_inventory.h"

namespace tessimor::cli {

// A heading line, then one line per serial port of the inventory: mark, DeviceID, PNPDeviceID,
// Name, system location, in columns aligned with spaces. The mark is "*" on the port discovery
// would take; with `named` (a device given with --port) it is ">" on that device instead, which
// gets a line of its own, with nothing made up for it, when the inventory does not list it. Then,
// on `err`, why the marked port would not open, if it would not. The exit status: 0 when a port
// is marked, 3 when none is.
int ListPorts(DeviceInventory& inventory, const std::string& named, std::ostream& out,
              std::ostream& err);

}  // namespace tessimor::cli
