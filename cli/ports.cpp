#include "cli/ports.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <vector>

#include "cli/columns.h"
#include "cli/exit_codes.h"
#include "link/discovery.h"
#include "link/messages.h"
#include "platform/qt/serial_port.h"
#include "session/escape.h"
#include "session/port_messages.h"

namespace tessimor::cli {

namespace {

constexpr const char* kPropertyOrder[] = {"DeviceID", "PNPDeviceID", "Name"};
// Those properties' columns, then where the port leads.
constexpr const char* kHeadings[] = {"PORT", "HARDWARE ID", "NAME", "DEVICE"};
constexpr const char* kUnreadable = "?";
constexpr char kAdapterMark = '*';
constexpr char kNamedMark = '>';
constexpr const char* kMarkGap = " ";
constexpr const char* kGap = "  ";

// The mark, then a cell under each heading.
using Row = std::array<std::string, std::size(kHeadings) + 1>;

std::string ValueOf(const DeviceRecord& record, const std::string& name) {
  for (const DeviceProperty& property : record.properties) {
    if (property.name == name) return property.value ? *property.value : kUnreadable;
  }
  return kUnreadable;
}

// Whether two paths lead to one device, through links and relative names.
bool SameDevice(const std::string& a, const std::string& b) {
  std::error_code error_a, error_b;
  const auto canonical_a = std::filesystem::canonical(a, error_a);
  const auto canonical_b = std::filesystem::canonical(b, error_b);
  return error_a || error_b ? a == b : canonical_a == canonical_b;
}

// Opened and closed at once, to say before any transfer why it would not open.
void SayWhyItWouldNotOpen(const std::string& location, std::ostream& err) {
  QtSerialPort port([&location](int) { return location; });
  port.SetPortNumber(1);
  port.Open();
  if (const std::string why = PortProblemLine(port); !why.empty()) err << why << '\n';
}

}  // namespace

int ListPorts(DeviceInventory& inventory, const std::string& named, std::ostream& out,
              std::ostream& err) {
  const auto ports = inventory.ListSerialPorts();
  if (!ports) {
    err << messages::kNotFoundText << '\n';
    return kExitNoAdapter;
  }
  const auto match = named.empty() ? FindAdapterRecord(*ports) : std::nullopt;
  std::string marked = match ? inventory.ResolvePort(match->number) : "";
  std::vector<Row> rows{{" "}};
  std::copy(std::begin(kHeadings), std::end(kHeadings), rows[0].begin() + 1);
  for (std::size_t index = 0; index < ports->size(); ++index) {
    const DeviceRecord& record = (*ports)[index];
    // Where the number after "COM" leads, as the port would be opened.
    const std::string location = inventory.ResolvePort(PortNumberOf(ValueOf(record, "DeviceID")));
    Row& row = rows.emplace_back();
    row[0] = ' ';
    if (match && match->index == index) row[0] = kAdapterMark;
    if (!named.empty() && !location.empty() && marked.empty() && SameDevice(location, named)) {
      row[0] = kNamedMark;
      marked = location;
    }
    for (std::size_t i = 0; i < std::size(kPropertyOrder); ++i) {
      row[i + 1] = Escaped(ValueOf(record, kPropertyOrder[i]));
    }
    row.back() = location.empty() ? kUnreadable : Escaped(location);
  }
  // A device the system does not list as a serial port, a pty say, is shown as it is: nothing
  // about it is known but its path.
  std::error_code missing;
  if (!named.empty() && marked.empty() && std::filesystem::exists(named, missing)) {
    rows.push_back({std::string(1, kNamedMark), "", "", "", Escaped(named)});
    marked = named;
  }
  PrintColumns(rows, {kMarkGap, kGap, kGap, kGap}, out);
  out << std::flush;
  if (marked.empty()) {
    err << messages::kNotFoundText << '\n';
    if (!named.empty()) SayWhyItWouldNotOpen(named, err);
    return kExitNoAdapter;
  }
  SayWhyItWouldNotOpen(marked, err);
  return kExitOk;
}

}  // namespace tessimor::cli
