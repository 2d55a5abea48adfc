#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/operation_observer.h"
#include "link/window_ops.h"
#include "platform/device_inventory.h"
#include "platform/file_dialogs.h"
#include "platform/message_boxes.h"
#include "platform/serial_port.h"
#include "sim/adapter_simulator.h"

namespace tessimor::testing {

// A port that records every byte written and hands out whatever a test queues as arriving.
class FakeSerialPort : public SerialPort {
 public:
  void SetPortNumber(std::int16_t number) override { number_ = number; }
  std::int16_t PortNumber() const override { return number_; }
  void Open() override;
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  void WriteText(std::string_view text) override;
  int WaitingCount() override { return static_cast<int>(incoming.size()); }
  std::string TakeInput() override;

  std::string written;              // everything sent, in order
  std::vector<std::string> writes;  // one entry per WriteText
  std::string incoming;             // bytes waiting to be taken
  bool refuse_open = false;
  int opens = 0;
  // After each write, e.g. to let a simulated adapter answer; and after each take.
  std::function<void(std::string_view)> on_write;
  std::function<void(const std::string&)> on_take;

 private:
  std::int16_t number_ = 0;
  bool open_ = false;
};

// A port wired to an AdapterSimulator: what is written is answered into `incoming`.
class SimulatedPort : public FakeSerialPort {
 public:
  SimulatedPort();
  AdapterSimulator adapter;
};

class FakeWindow : public WindowOps {
 public:
  void EnableButtons() override {
    buttons_enabled = true;
    ++enables;
  }
  void DisableButtons() override {
    buttons_enabled = false;
    ++disables;
  }
  void SetStatus(const std::string& text) override;
  void ShowMessage(const std::string& text) override;

  bool buttons_enabled = true;
  int enables = 0;
  int disables = 0;
  int status_changes = 0;
  std::string status;
  std::vector<std::string> messages;
  std::function<void(const std::string&)> on_status;
  // Runs while the modal box is "open", as Qt's nested event loop would.
  std::function<void(const std::string&)> while_message_open;
};

// Keeps what the engine reports.
class FakeObserver : public OperationObserver {
 public:
  void Advanced(std::size_t bytes, std::uint32_t next_address) override {
    advanced += bytes;
    addresses.push_back(next_address);
  }
  void Ended(const OperationEnd& end) override { ends.push_back(end); }

  std::size_t advanced = 0;
  std::vector<std::uint32_t> addresses;  // where each step said the operation goes on
  std::vector<OperationEnd> ends;
};

class FakeInventory : public DeviceInventory {
 public:
  std::optional<std::vector<DeviceRecord>> ListSerialPorts() override { return ports; }
  std::string ResolvePort(int number) const override;

  std::optional<std::vector<DeviceRecord>> ports = std::vector<DeviceRecord>{};

  // A record with the three properties in the usual order.
  static DeviceRecord Port(const std::string& pnp_id, const std::string& device_id,
                           const std::string& name = "Serial port");
};

// Both dialogs answer `answer` (empty: the user cancels) and keep the filter they were given.
class FakeFileDialogs : public FileDialogs {
 public:
  std::string AskSavePath(const std::string& filter) override { return Ask(filter); }
  std::string AskOpenPath(const std::string& filter) override { return Ask(filter); }

  std::string answer;
  std::vector<std::string> filters;

 private:
  std::string Ask(const std::string& filter) {
    filters.push_back(filter);
    return answer;
  }
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  void ShowCritical(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

}  // namespace tessimor::testing
