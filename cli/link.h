#pragma once

#include <functional>
#include <optional>

#include "cli/options.h"
#include "cli/window.h"
#include "engine/image_files.h"
#include "engine/operation_observer.h"
#include "engine/transfer_engine.h"
#include "link/receiver.h"
#include "platform/device_inventory.h"
#include "platform/qt/serial_port.h"

class QEventLoop;

namespace tessimor::cli {

enum class RunResult { kDone, kFailed, kInterrupted };

// The adapter's port with the receiver and the engine on it, run from an event loop at the
// chosen pace until the engine reports the operation's end.
class Link : public OperationObserver {
 public:
  Link(DeviceInventory& inventory, TerminalWindow& window);

  // Finds and opens the adapter's port; false (the message said) when there is none.
  bool Connect();

  // Calls `start`, then serves the operation until it is over; `watcher` hears of its progress.
  RunResult Run(Pace pace, const std::function<void(TransferEngine&)>& start,
                OperationObserver* watcher = nullptr);
  // Ends the running operation at once.
  void Interrupt();

 private:
  void Advanced(std::size_t bytes) override;
  void Ended(const OperationEnd& end) override;

  DeviceInventory& inventory_;
  TerminalWindow& window_;
  QtSerialPort port_;
  ImageFiles files_;
  TransferEngine engine_;
  Receiver receiver_;
  QEventLoop* loop_ = nullptr;
  OperationObserver* watcher_ = nullptr;
  std::optional<OperationEnd> ended_;
  bool interrupted_ = false;
};

}  // namespace tessimor::cli
