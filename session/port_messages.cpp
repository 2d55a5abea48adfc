#include "session/port_messages.h"

#include "session/escape.h"

namespace tessimor {

std::string PortProblemLine(const QtSerialPort& port) {
  std::string reason;
  switch (port.OpenProblem()) {
    case PortProblem::kNone:
      return {};
    case PortProblem::kBusy:
      reason =
          "busy, held by another program (a serial terminal, another copy of this tool, "
          "or ModemManager just after plugging in)";
      break;
    case PortProblem::kNoPermission:
      reason =
          "permission denied; install the udev rule or join the dialout group (README, "
          "\"Tessimor adapter not found!\")";
      break;
    case PortProblem::kNoDevice:
      reason = "no such device";
      break;
    case PortProblem::kNotSerial:
      reason = "not a serial port";
      break;
    case PortProblem::kOther:
      reason = port.OpenErrorText();
      break;
  }
  return Escaped(port.Location()) + ": " + reason + ".";
}

std::string PortClosedLine(const QtSerialPort& port) {
  return "The port " + Escaped(port.Location()) + " was closed: the adapter is gone.";
}

}  // namespace tessimor
