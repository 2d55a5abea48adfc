#include "cli/ports.h"

#include "cli/escape.h"
#include "cli/exit_codes.h"
#include "cli/port_messages.h"
#include "link/discovery.h"
#include "link/messages.h"

namespace tessimor::cli {

namespace {

constexpr const char* kPropertyOrder[] = {"DeviceID", "PNPDeviceID", "Name"};
constexpr const char* kUnreadable = "?";

std::string ValueOf(const DeviceRecord& record, const std::string& name) {
  for (const DeviceProperty& property : record.properties) {
    if (property.name == name) return property.value ? *property.value : kUnreadable;
  }
  return kUnreadable;
}

}  // namespace

int ListPorts(DeviceInventory& inventory, std::ostream& out, std::ostream& err) {
  const auto ports = inventory.ListSerialPorts();
  if (!ports) {
    err << messages::kNotFoundText << '\n';
    return kExitNoAdapter;
  }
  const auto match = FindAdapterRecord(*ports);
  for (std::size_t index = 0; index < ports->size(); ++index) {
    const DeviceRecord& record = (*ports)[index];
    out << (match && match->index == index ? '*' : ' ');
    for (const char* name : kPropertyOrder) out << '\t' << Escaped(ValueOf(record, name));
    // Where the number after "COM" leads, as the port would be opened.
    const std::string location = inventory.ResolvePort(PortNumberOf(ValueOf(record, "DeviceID")));
    out << '\t' << (location.empty() ? kUnreadable : Escaped(location)) << '\n';
  }
  out << std::flush;
  if (!match) {
    err << messages::kNotFoundText << '\n';
    return kExitNoAdapter;
  }
  // Opened and closed at once, to say before any transfer why it would not open.
  const std::string location = inventory.ResolvePort(match->number);
  QtSerialPort adapter_port([&location](int) { return location; });
  adapter_port.SetPortNumber(1);
  adapter_port.Open();
  if (const std::string why = PortProblemLine(adapter_port); !why.empty()) err << why << '\n';
  return kExitOk;
}

}  // namespace tessimor::cli
