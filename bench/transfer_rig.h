#pragma once

#include <string>

#include "bench/headless_window.h"
#include "engine/image_files.h"
#include "engine/transfer_engine.h"
#include "link/receiver.h"
#include "platform/qt_serial_port.h"
#include "sim/adapter_simulator.h"
#include "sim/pty_server.h"

namespace tessimor::bench {

// The program's port, receiver and engine against the simulator on a pty, without a window.
class TransferRig {
 public:
  explicit TransferRig(const AdapterSimulator::Memory& memory, PtyFaults faults = {});

  bool Ready() const { return port.IsOpen(); }
  // Ticks the receiver from a 10 ms precise timer until the operation ends or `max_ticks`
  // pass; the number of ticks run.
  int RunToEnd(int max_ticks);
  // Ends serving so the simulator's memory can be read.
  void StopAdapter() { server.Stop(); }
  bool EndedDone() const;

  AdapterSimulator adapter;
  PtyServer server;
  QtSerialPort port;
  HeadlessWindow window;
  ImageFiles files;
  TransferEngine engine{port, window, files};
  Receiver receiver{port, engine, window};
};

}  // namespace tessimor::bench
