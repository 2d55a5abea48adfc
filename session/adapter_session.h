#pragma once

#include <QObject>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "engine/image_files.h"
#include "engine/operation_observer.h"
#include "engine/transfer_engine.h"
#include "link/receiver.h"
#include "link/window_ops.h"
#include "platform/device_inventory.h"
#include "platform/qt/serial_port.h"
#include "session/pace.h"
#include "session/shared_tick.h"

namespace tessimor {

enum class RunResult { kDone, kFailed, kInterrupted };

// One adapter: its port, the receiver and the engine on it, and the tick that drives them, served
// by the thread's event loop. Many can share one loop, and one tick. Faces subscribe to Progressed
// and OperationEnded; what the engine tells the user goes to the window given.
class AdapterSession : public QObject, private OperationObserver {
  Q_OBJECT

 public:
  AdapterSession(DeviceInventory& inventory, WindowOps& window);
  ~AdapterSession() override;

  // Finds and opens the adapter's port; false, the reason said, when there is none.
  bool Connect();

  // Calls `start` on the engine and serves what it began until it ends, from the running event
  // loop. OperationEnded always follows, at once when nothing began.
  void Start(Pace pace, const std::function<void(TransferEngine&)>& start);
  // Start, then an event loop of its own until the operation's end.
  RunResult Run(Pace pace, const std::function<void(TransferEngine&)>& start);
  // Ends the running operation at once; nothing more starts.
  void Interrupt();

  bool Busy() const { return engine_.IsBusy(); }
  const TransferEngine& Engine() const { return engine_; }
  const QtSerialPort& Port() const { return port_; }

 signals:
  // A reply moved the operation on by `bytes` bytes; it goes on at `next_address`.
  void Progressed(std::size_t bytes, std::uint32_t next_address);
  // With mode ModeIdle when nothing began: the port was gone, or the session interrupted.
  void OperationEnded(const tessimor::OperationEnd& end);
  // Each tick of a running operation, after the receiver has taken it.
  void Ticked();

 private:
  void Advanced(std::size_t bytes, std::uint32_t next_address) override;
  void Ended(const OperationEnd& end) override;
  void Serve(Pace pace);
  void Rest();

  DeviceInventory& inventory_;
  WindowOps& window_;
  QtSerialPort port_;
  ImageFiles files_;
  TransferEngine engine_;
  Receiver receiver_;
  std::shared_ptr<SharedTick> tick_;
  QMetaObject::Connection arrivals_;
  std::optional<OperationEnd> ended_;
  bool interrupted_ = false;
};

}  // namespace tessimor
