#pragma once

#include <optional>

#include "engine/image_files.h"
#include "engine/transfer_engine.h"
#include "link/receiver.h"
#include "platform/qt/serial_port.h"
#include "sim/pty_server.h"
#include "tests/kit/fakes.h"

namespace tessimor::testing {

// The program's port, receiver and engine against the simulator on a pty, without a window.
class PtyRig : private OperationObserver {
 public:
  explicit PtyRig(const AdapterSimulator::Memory& memory, PtyFaults faults = {});

  bool Ready() const { return port.IsOpen(); }
  // Drives the receiver from a real 10 ms precise timer, as the window does, until the engine
  // reports the operation's end or `max_ticks` have passed.
  void RunToEnd(int max_ticks);
  bool EndedDone() const { return ended && ended->outcome == Outcome::kDone; }

  AdapterSimulator adapter;
  PtyServer server;
  QtSerialPort port;
  FakeWindow window;
  ImageFiles files;
  TransferEngine engine{port, window, files};
  Receiver receiver{port, engine};
  std::optional<OperationEnd> ended;
  int ticks = 0;
  int last_line_tick = 0;  // the tick that brought the last reply line

 private:
  void Advanced(std::size_t) override {}
  void Ended(const OperationEnd& end) override { ended = end; }
};

}  // namespace tessimor::testing
