#include "cli/ports.h"

#include <algorithm>
#include <array>
#include <vector>

#include "cli/escape.h"
#include "cli/exit_codes.h"
#include "cli/port_messages.h"
#include "link/discovery.h"
#include "link/messages.h"

namespace tessimor::cli {

namespace {

constexpr const char* kPropertyOrder[] = {"DeviceID", "PNPDeviceID", "Name"};
// Those properties' columns, then where the port leads.
constexpr const char* kHeadings[] = {"PORT", "HARDWARE ID", "NAME", "DEVICE"};
constexpr const char* kUnreadable = "?";
constexpr char kAdapterMark = '*';
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

// Each column as wide as its widest cell; the last one unpadded, so no line ends in spaces.
void PrintAligned(const std::vector<Row>& rows, std::ostream& out) {
  constexpr std::size_t kLast = std::tuple_size_v<Row> - 1;
  std::array<std::size_t, kLast> widths{};
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < kLast; ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < kLast; ++i) {
      out << row[i] << std::string(widths[i] - row[i].size(), ' ') << (i == 0 ? kMarkGap : kGap);
    }
    out << row[kLast] << '\n';
  }
}

}  // namespace

int ListPorts(DeviceInventory& inventory, std::ostream& out, std::ostream& err) {
  const auto ports = inventory.ListSerialPorts();
  if (!ports) {
    err << messages::kNotFoundText << '\n';
    return kExitNoAdapter;
  }
  const auto match = FindAdapterRecord(*ports);
  std::vector<Row> rows{{" "}};
  std::copy(std::begin(kHeadings), std::end(kHeadings), rows[0].begin() + 1);
  for (std::size_t index = 0; index < ports->size(); ++index) {
    const DeviceRecord& record = (*ports)[index];
    Row& row = rows.emplace_back();
    row[0] = match && match->index == index ? kAdapterMark : ' ';
    for (std::size_t i = 0; i < std::size(kPropertyOrder); ++i) {
      row[i + 1] = Escaped(ValueOf(record, kPropertyOrder[i]));
    }
    // Where the number after "COM" leads, as the port would be opened.
    const std::string location = inventory.ResolvePort(PortNumberOf(ValueOf(record, "DeviceID")));
    row.back() = location.empty() ? kUnreadable : Escaped(location);
  }
  PrintAligned(rows, out);
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
