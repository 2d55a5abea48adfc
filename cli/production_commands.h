#pragma once

#include "cli/commands.h"

namespace tessimor::cli {

// FILE into every adapter at once, each part with its own serial number from the record.
int RunProgram(const Options& options, DeviceInventory& inventory, Environment& environment);
// The record's summary, or every part as CSV.
int RunReport(const Options& options, Environment& environment);

}  // namespace tessimor::cli
