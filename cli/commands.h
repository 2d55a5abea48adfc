#pragma once

#include <istream>
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

// Runs one parsed command and gives its exit status. Everything but `ports` talks to the
// adapter and needs a QCoreApplication.
int RunCommand(const Options& options, DeviceInventory& inventory, Environment& environment);

}  // namespace tessimor::cli
