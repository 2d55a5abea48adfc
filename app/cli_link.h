#pragma once

#include <functional>
#include <memory>

#include "app/cli_options.h"
#include "app/cli_reply_watch.h"
#include "app/cli_window.h"
#include "engine/image_files.h"
#include "engine/transfer_engine.h"
#include "link/receiver.h"
#include "platform/device_inventory.h"
#include "platform/qt_serial_port.h"

class QEventLoop;

namespace tessimor::cli {

enum class Outcome { Done, Failed, Interrupted };

// The adapter's port with the receiver and the engine on it, run from an event loop at the
// chosen pace until the operation ends.
class Link {
 public:
  Link(DeviceInventory& inventory, TerminalWindow& window);

  // Finds and opens the adapter's port; false (the message said) when there is none.
  bool Connect();

  // Calls `start`, then serves the operation until it is over.
  Outcome Run(Pace pace, const std::function<void(TransferEngine&)>& start);
  // Ends the running operation at once.
  void Interrupt();

  ReplyWatch& Watch() { return watch_; }
  TransferEngine& Engine() { return engine_; }

  // Without a reply line for this long, a reply-paced operation has timed out.
  static constexpr int kReplyTimeoutMs = 1000;

 private:
  DeviceInventory& inventory_;
  TerminalWindow& window_;
  QtSerialPort port_;
  ImageFiles files_;
  TransferEngine engine_;
  ReplyWatch watch_;
  Receiver receiver_;
  QEventLoop* loop_ = nullptr;
  bool interrupted_ = false;
};

}  // namespace tessimor::cli
