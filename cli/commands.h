#pragma once

#include <istream>
#include <memory>
#include <ostream>

#include "cli/options.h"
#include "cli/progress.h"
#include "platform/device_inventory.h"

namespace tessimor::cli {

class InterruptWatch;

struct Environment {
  std::istream& in;
  std::ostream& out;  // data only
  std::ostream& err;
  bool err_is_terminal = false;
  Clock clock = SteadyClock();
  InterruptWatch* interrupts = nullptr;
};

// Where the adapter is looked for: among the system's ports, or, with --port, that device alone,
// taken as the adapter. `ports` always lists the system's and marks the named device.
std::unique_ptr<DeviceInventory> InventoryFor(const Options& options);

// Runs one parsed command and gives its exit status. Everything but `ports` talks to the
// adapter and needs a QCoreApplication.
int RunCommand(const Options& options, DeviceInventory& inventory, Environment& environment);

}  // namespace tessimor::cli
