#pragma once

#include "cli/commands.h"

namespace tessimor::cli {

// FILE into every adapter at once, each part with its own serial number from the record.
int RunProgram(const Options& options, DeviceInventory& inventory, Environment& environment);
// db init: the record's tables made, or found up to date.
int RunDbInit(const Options& options, Environment& environment);
// db recover: a station's reservations left by runs that ended without finishing, interrupted.
int RunDbRecover(const Options& options, Environment& environment);
// The record's summary, or every part as CSV.
int RunReport(const Options& options, Environment& environment);

}  // namespace tessimor::cli
