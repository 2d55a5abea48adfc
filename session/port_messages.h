#pragma once

#include <string>

#include "platform/qt/serial_port.h"

namespace tessimor {

// Why `port` would not open, naming its device file; empty when no device file was tried.
std::string PortProblemLine(const QtSerialPort& port);
// Said when the adapter's port went away under a running operation.
std::string PortClosedLine(const QtSerialPort& port);

}  // namespace tessimor
