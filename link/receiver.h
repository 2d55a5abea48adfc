#pragma once

#include <cstdint>
#include <string>

#include "link/reply_sink.h"
#include "platform/serial_port.h"

namespace tessimor {

// Assembles reply lines from the port and watches for a silent adapter; driven by a 10 ms tick.
class Receiver {
 public:
  Receiver(SerialPort& port, ReplySink& sink) : port_(port), sink_(sink) {}

  // One tick: the timeout count first, then whatever bytes are waiting.
  void PollReceiver();
  // Takes whatever bytes are waiting, without counting a tick.
  void TakeWaitingBytes();
  // Feeds bytes as if they had just been taken from the port.
  void Accept(const std::string& bytes);

  std::string RxLine;
  std::int32_t Ticks = 0;

 private:
  void ProcessPending();

  SerialPort& port_;
  ReplySink& sink_;
  // Kept here, not on the stack, so a tick nested in a message box carries on in order.
  std::string pending_;
  std::size_t next_ = 0;
};

}  // namespace tessimor
