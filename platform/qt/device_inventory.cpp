#include "platform/qt/device_inventory.h"

#include <QSerialPortInfo>

#include "platform/port_listing.h"

namespace tessimor {

std::optional<std::vector<DeviceRecord>> QtDeviceInventory::ListSerialPorts() {
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
