#include "platform/qt/device_inventory.h"

#include <sys/stat.h>

#include <QSerialPortInfo>
#include <ctime>

#include "platform/port_listing.h"

namespace tessimor {

namespace {

constexpr char kDeviceFolder[] = "/dev";
// Long enough for udev to have told all it knows of a device that has just come.
constexpr std::int64_t kSettleNs = 2'000'000'000;

std::int64_t Nanoseconds(const timespec& time) {
  return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

// Listing the ports through udev takes tens of milliseconds: asked twice a second, as a station
// looking for adapters asks, that was 4 % of a core. A port comes and goes with its node in /dev,
// so a listing holds while /dev is unchanged; one taken less than kSettleNs after the change does
// not, since udev fills in what it knows of a new device only once its rules have run.
std::optional<std::vector<DeviceRecord>> QtDeviceInventory::ListSerialPorts() {
  struct stat folder {};
  timespec now{};
  if (::stat(kDeviceFolder, &folder) != 0 || ::clock_gettime(CLOCK_REALTIME, &now) != 0) {
    return ListAnew();
  }
  const std::int64_t changed = Nanoseconds(folder.st_mtim);
  if (last_ && changed == changed_ && listed_ - changed >= kSettleNs) return last_;
  last_ = ListAnew();
  changed_ = changed;
  listed_ = Nanoseconds(now);
  return last_;
}

std::optional<std::vector<DeviceRecord>> QtDeviceInventory::ListAnew() {
  std::vector<PortFacts> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    PortFacts facts;
    facts.system_location = info.systemLocation().toStdString();
    facts.port_name = info.portName().toStdString();
    facts.description = info.description().toStdString();
    facts.has_usb_identity = info.hasVendorIdentifier() && info.hasProductIdentifier();
    facts.vendor_id = info.vendorIdentifier();
    facts.product_id = info.productIdentifier();
    facts.serial_number = info.serialNumber().toStdString();
    ports.push_back(std::move(facts));
  }
  return BuildPortListing(std::move(ports), &locations_);
}

std::string QtDeviceInventory::ResolvePort(int number) const {
  if (number < 1 || static_cast<std::size_t>(number) > locations_.size()) return {};
  return locations_[static_cast<std::size_t>(number) - 1];
}

}  // namespace tessimor
