#include "tests/kit/fakes.h"

namespace tessimor::testing {

void FakeSerialPort::Open() {
  ++opens;
  if (!refuse_open) open_ = true;
}

void FakeSerialPort::WriteText(std::string_view text) {
  written += text;
  writes.emplace_back(text);
  if (on_write) on_write(text);
}

std::string FakeSerialPort::TakeInput() {
  std::string bytes;
  bytes.swap(incoming);
  if (on_take) on_take(bytes);
  return bytes;
}

SimulatedPort::SimulatedPort() {
  on_write = [this](std::string_view text) { incoming += adapter.Feed(text); };
}

void FakeWindow::SetStatus(const std::string& text) {
  status = text;
  ++status_changes;
  if (on_status) on_status(text);
}

void FakeWindow::ShowMessage(const std::string& text) {
  messages.push_back(text);
  if (while_message_open) while_message_open(text);
}

std::string FakeInventory::ResolvePort(int number) const {
  return number > 0 ? "/dev/fake" + std::to_string(number) : "";
}

DeviceRecord FakeInventory::Port(const std::string& pnp_id, const std::string& device_id,
                                 const std::string& name) {
  return DeviceRecord{{{"PNPDeviceID", pnp_id}, {"DeviceID", device_id}, {"Name", name}}};
}

}  // namespace tessimor::testing
