#pragma once

#include <functional>
#include <optional>

#include "platform/bound_inventory.h"
#include "session/adapter_session.h"
#include "sim/pty_server.h"
#include "tests/kit/fakes.h"

namespace tessimor::testing {

// An adapter session against the simulator on a pty, without a window.
class PtyRig {
 public:
  explicit PtyRig(const AdapterSimulator::Memory& memory, PtyFaults faults = {});

  bool Ready() const { return session.Port().IsOpen(); }
  // Starts an operation at `pace` and serves it until its end or until `max_ticks` ticks of the
  // session's own 10 ms timer have passed.
  void Run(const std::function<void(TransferEngine&)>& start, int max_ticks,
           Pace pace = Pace::Tick);
  bool EndedDone() const { return ended && ended->outcome == Outcome::kDone; }

  AdapterSimulator adapter;
  PtyServer server;
  FakeWindow window;
  std::optional<OperationEnd> ended;
  int ticks = 0;
  int last_line_tick = 0;  // the tick that brought the last reply line

 private:
  BoundInventory inventory_;

 public:
  AdapterSession session{inventory_, window};
};

}  // namespace tessimor::testing
